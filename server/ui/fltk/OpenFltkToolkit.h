// Opening the FLTK toolkit, without FLTK in the caller's includes.
#pragma once

#include "server/ui/WindowToolkit.h"

#include <memory>

// The toolkit on the X display; null when no display can be opened.
std::unique_ptr<WindowToolkit> openFltkToolkit();
