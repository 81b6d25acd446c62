// A stand-in compression library that exports only "Decompress", for the start-up loading tests.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t Decompress(const uint8_t*, uint8_t*, int32_t,
                                                                     int32_t*) {
    return 1;
}
