// C entries of libquodra, the optional compression library that the server loads at run time.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// The two entries are the library's only exported symbols.
#define QUODRA_EXPORT __attribute__((visibility("default")))

// Result codes of both entries; 0 is success.
enum {
    QUODRA_OK = 0,
    QUODRA_BAD_ARGUMENT = 1, // a null pointer or a length below 1
    QUODRA_NO_ROOM = 2,      // the output does not fit (Compress: is not shorter than the source)
    QUODRA_BAD_DATA = 3,     // Decompress: the input is not a complete zlib stream
    QUODRA_NO_MEMORY = 4,
};

// Compresses sourceLength bytes of source into a zlib stream (RFC 1950, what a browser's
// DecompressionStream('deflate') reads) at destination. *length holds the room at destination on
// entry and the stream's length on return. Never writes past that room, and fails with
// QUODRA_NO_ROOM when the stream would not be shorter than the source, so that a caller sends
// such data as it is. Safe to call from several threads at once, each with its own buffers.
QUODRA_EXPORT int32_t Compress(const uint8_t* source, uint8_t* destination, int32_t sourceLength,
                               int32_t* length);

// Inverts Compress: *length holds the room at destination on entry and the number of bytes
// produced on return. Never writes past that room.
QUODRA_EXPORT int32_t Decompress(const uint8_t* source, uint8_t* destination, int32_t sourceLength,
                                 int32_t* length);

#ifdef __cplusplus
}
#endif
