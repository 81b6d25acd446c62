// The synthetic input backends behind openSyntheticInput, one per file.
#pragma once

#include "platform/SyntheticInput.h"

#include <memory>

namespace platform {

// XTest on the X display named by DISPLAY; null when the display or the extension is missing.
std::unique_ptr<SyntheticInput> openXTestInput();

// A virtual keyboard and absolute pointer made through /dev/uinput; null when it cannot be made.
std::unique_ptr<SyntheticInput> openUinputInput();

} // namespace platform
