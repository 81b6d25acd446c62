// A millisecond tick counter that wraps at 32 bits, like the handheld's.
#pragma once

#include <cstdint>

namespace platform {

uint32_t tickCount();

} // namespace platform
