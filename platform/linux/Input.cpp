// Chooses the synthetic input backend: XTest first, /dev/uinput second.
#include "platform/SyntheticInput.h"
#include "platform/linux/InputBackends.h"

namespace platform {

std::unique_ptr<SyntheticInput> openSyntheticInput() {
    if (auto input = openXTestInput())
        return input;
    return openUinputInput();
}

} // namespace platform
