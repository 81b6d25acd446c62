// Run-time loading of an optional shared library and lookup of its entries by name.
#pragma once

namespace platform {

using LibraryHandle = void*;
// The address of an entry; the caller casts it to the entry's real type before calling it.
using LibraryEntry = void (*)();

// Where loadLibrary looks for a bare file name.
enum class LibrarySearch {
    // The program's own folder, then the system's normal search (an outside library).
    ProgramFolderThenSystem,
    // The program's own folder only: a module of the program, which shares its C++ objects and so
    // must come from the same build, never from another copy on a search path.
    ProgramFolderOnly,
};

// Loads the library with this bare file name as search says (a name with a slash is loaded as it
// stands). Null when it does not load.
LibraryHandle loadLibrary(const char* fileName,
                          LibrarySearch search = LibrarySearch::ProgramFolderThenSystem);

// The entry of that name, or null when the library has none (or library is null).
LibraryEntry findLibraryEntry(LibraryHandle library, const char* name);

// Unloads the library; null is ignored. Its entries must no longer be in use.
void releaseLibrary(LibraryHandle library);

} // namespace platform
