// What a leak checker (AddressSanitizer builds) is told about the program's libraries.
// The checker reads these entries from the program itself, never from a module loaded later, so
// they live here rather than beside the FLTK views.

// Font matching under the FLTK views keeps caches for the life of the process; they are not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libXft.so\nleak:libX11.so\n";
}

extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}
