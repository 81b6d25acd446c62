// The program's file name from /proc/self/exe.
#include "platform/ProgramFolder.h"

#include "platform/TextCodePage.h"

#include <limits.h>
#include <unistd.h>

namespace platform {

long programFileName(char16_t* path, size_t capacity) {
    char narrow[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", narrow, sizeof narrow);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof narrow || capacity == 0)
        return -1;
    long converted = narrowToWide(narrow, static_cast<size_t>(length), path, capacity - 1);
    if (converted < 0)
        return -1;
    path[converted] = u'\0';
    return converted;
}

} // namespace platform
