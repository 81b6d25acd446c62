// The FLTK views module, libkelvane-fltk.so: its C entry and how the program opens it.
#pragma once

#include "server/ui/WindowToolkit.h"

#include <memory>

inline const char* const FLTK_TOOLKIT_LIBRARY_NAME = "libkelvane-fltk.so";
inline const char* const FLTK_TOOLKIT_ENTRY_NAME = "OpenFltkToolkit";

// The module's entry: the toolkit on the X display, owned by the caller; null when no display
// can be opened.
using OpenFltkToolkitEntry = WindowToolkit* (*)();

// Loads the module from the program's folder and opens its toolkit. Null when the module
// or its entry is missing or no display can be opened; the program then runs headless. A module
// that opened a toolkit stays loaded until the process ends, since the toolkit's code lives in it.
std::unique_ptr<WindowToolkit> openFltkToolkit();
