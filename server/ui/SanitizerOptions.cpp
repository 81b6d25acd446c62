// What the sanitizers (AddressSanitizer and ThreadSanitizer builds) are told about the libraries
// that the program loads. They read these entries from the program itself, never from a module
// loaded later, so they live here rather than beside the FLTK views or the screen sessions.

// Font matching under the FLTK views keeps caches for the life of the process; they are not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libXft.so\nleak:libX11.so\n";
}

extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}

// Opening an X display caches the authority file's name in libXau, which frees it from an exit
// handler on the thread that ends the process, while the worker whose screen session opened the
// display may still be running: a race inside the library's own teardown, not on our data.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libXau.so\n";
}
