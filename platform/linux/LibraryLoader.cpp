// Run-time library loading with dlopen, from the program's folder first.
#include "platform/LibraryLoader.h"

#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace platform {

namespace {

// The folder of the running program, with its trailing slash; empty when it cannot be found.
std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    const std::string program(path, static_cast<size_t>(length));
    const size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string() : program.substr(0, slash + 1);
}

} // namespace

LibraryHandle loadLibrary(const char* fileName, LibrarySearch search) {
    if (!fileName || !*fileName)
        return nullptr;
    // A bare name is looked for beside the program first, as the handheld's loader does.
    if (!std::strchr(fileName, '/')) {
        const std::string folder = programFolder();
        if (!folder.empty())
            if (LibraryHandle library = dlopen((folder + fileName).c_str(), RTLD_NOW | RTLD_LOCAL))
                return library;
        if (search == LibrarySearch::ProgramFolderOnly)
            return nullptr;
    }
    return dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
}

LibraryEntry findLibraryEntry(LibraryHandle library, const char* name) {
    if (!library || !name)
        return nullptr;
    void* address = dlsym(library, name);
    LibraryEntry entry = nullptr;
    static_assert(sizeof entry == sizeof address);
    std::memcpy(&entry, &address, sizeof entry); // POSIX guarantees object and function pointers convert
    return entry;
}

void releaseLibrary(LibraryHandle library) {
    if (library)
        dlclose(library);
}

} // namespace platform
