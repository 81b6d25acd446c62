// Run-time loading of an optional shared library and lookup of its entries by name.
#pragma once

namespace platform {

using LibraryHandle = void*;
// The address of an entry; the caller casts it to the entry's real type before calling it.
using LibraryEntry = void (*)();

// Loads the library with this bare file name from the program's own folder, or else through the
// system's normal search. Null when neither loads.
LibraryHandle loadLibrary(const char* fileName);

// The entry of that name, or null when the library has none (or library is null).
LibraryEntry findLibraryEntry(LibraryHandle library, const char* name);

// Unloads the library; null is ignored. Its entries must no longer be in use.
void releaseLibrary(LibraryHandle library);

} // namespace platform
