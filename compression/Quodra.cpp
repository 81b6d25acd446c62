// libquodra: zlib-format compression with libdeflate, tuned for speed.
#include "compression/Quodra.h"

#include <algorithm>
#include <libdeflate.h>

namespace {

// Level 1 is libdeflate's fastest; screen bands are mostly runs, which it already packs well.
constexpr int COMPRESSION_LEVEL = 1;

// libdeflate's objects are not safe to share between threads, and making one costs more than
// compressing a small band, so every calling thread keeps its own for as long as it lives.
struct ThreadCodecs {
    libdeflate_compressor* compressor = nullptr;
    libdeflate_decompressor* decompressor = nullptr;

    ~ThreadCodecs() {
        if (compressor)
            libdeflate_free_compressor(compressor);
        if (decompressor)
            libdeflate_free_decompressor(decompressor);
    }
};

thread_local ThreadCodecs codecs;

bool validArguments(const uint8_t* source, const uint8_t* destination, int32_t sourceLength,
                    const int32_t* length) {
    return source && destination && length && sourceLength > 0 && *length > 0;
}

} // namespace

extern "C" int32_t Compress(const uint8_t* source, uint8_t* destination, int32_t sourceLength,
                            int32_t* length) {
    if (!validArguments(source, destination, sourceLength, length))
        return QUODRA_BAD_ARGUMENT;
    if (!codecs.compressor)
        codecs.compressor = libdeflate_alloc_compressor(COMPRESSION_LEVEL);
    if (!codecs.compressor)
        return QUODRA_NO_MEMORY;
    // A stream as long as its source gains nothing; one byte less is the most that is worth it.
    const size_t room = static_cast<size_t>(std::min(*length, sourceLength - 1));
    if (room == 0)
        return QUODRA_NO_ROOM;
    const size_t written = libdeflate_zlib_compress(codecs.compressor, source,
                                                    static_cast<size_t>(sourceLength), destination, room);
    if (written == 0)
        return QUODRA_NO_ROOM;
    *length = static_cast<int32_t>(written);
    return QUODRA_OK;
}

extern "C" int32_t Decompress(const uint8_t* source, uint8_t* destination, int32_t sourceLength,
                              int32_t* length) {
    if (!validArguments(source, destination, sourceLength, length))
        return QUODRA_BAD_ARGUMENT;
    if (!codecs.decompressor)
        codecs.decompressor = libdeflate_alloc_decompressor();
    if (!codecs.decompressor)
        return QUODRA_NO_MEMORY;
    size_t produced = 0;
    const libdeflate_result result =
        libdeflate_zlib_decompress(codecs.decompressor, source, static_cast<size_t>(sourceLength),
                                   destination, static_cast<size_t>(*length), &produced);
    if (result == LIBDEFLATE_INSUFFICIENT_SPACE)
        return QUODRA_NO_ROOM;
    if (result != LIBDEFLATE_SUCCESS)
        return QUODRA_BAD_DATA;
    *length = static_cast<int32_t>(produced);
    return QUODRA_OK;
}
