// Loading the FLTK views module only when a window is wanted, so that a headless server never maps
// FLTK and the X libraries.
#include "server/ui/FltkToolkitLibrary.h"

#include "platform/LibraryLoader.h"

std::unique_ptr<WindowToolkit> openFltkToolkit() {
    platform::LibraryHandle library =
        platform::loadLibrary(FLTK_TOOLKIT_LIBRARY_NAME, platform::LibrarySearch::ProgramFolderOnly);
    const auto open =
        reinterpret_cast<OpenFltkToolkitEntry>(platform::findLibraryEntry(library, FLTK_TOOLKIT_ENTRY_NAME));
    std::unique_ptr<WindowToolkit> toolkit(open != nullptr ? open() : nullptr);
    // Without a display nothing of the module is in use, and a headless run needs none of it.
    if (toolkit == nullptr)
        platform::releaseLibrary(library);
    return toolkit;
}
