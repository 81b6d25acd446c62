// The capture backends behind createScreenContext, one per file.
#pragma once

#include "platform/Screen.h"

#include <memory>

namespace platform {

// The X display named by DISPLAY; copies through MIT-SHM, or plain XGetImage when that is missing.
// Null when no display opens.
std::unique_ptr<ScreenContext> openX11Screen();

// The Linux framebuffer /dev/fb0, read through a read-only mapping. Null when it does not open or
// is not a packed true-colour framebuffer.
std::unique_ptr<ScreenContext> openFramebufferScreen();

} // namespace platform
