// Process-wide values set at start-up: the start tick and the compression library's entries.
#pragma once

#include <atomic>
#include <cstdint>

// The entry "Compress": source, destination, source length, and the length in and out. 0 = success.
using CompressEntry = int32_t (*)(const uint8_t* source, uint8_t* destination, int32_t sourceLength,
                                  int32_t* length);
using DecompressEntry = int32_t (*)(const uint8_t* source, uint8_t* destination, int32_t sourceLength,
                                    int32_t* length);

// The tick count when the program started (milliseconds).
extern std::atomic<uint32_t> startTick;

// Set once before any worker exists and cleared before the library is released; null when the
// compression library or the entry is missing.
extern std::atomic<CompressEntry> compressFn;
extern std::atomic<DecompressEntry> decompressFn;
