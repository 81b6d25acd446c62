// Reads the launcher's dialog 101 and icon group 102 out of its program file, for the Wine tests.
#pragma once

#include "tests/setup/win32/ReportWriter.h"

#include <string>

// Loads the program file as data and reports, in dialog units and as stored:
//   dialog-template STYLE EXSTYLE X Y WIDTH HEIGHT CAPTION POINTSIZE TYPEFACE
//   dialog-item ID CLASS STYLE X Y WIDTH HEIGHT TEXT       (one per control, in template order)
//   icon-entry WIDTH HEIGHT COLOURS BITCOUNT               (one per image of icon group 102)
// Returns an empty string on success, else what could not be read.
std::string reportResources(const std::string& programPath, ReportWriter& report);
