// One record of a folder listing, and the incremental parser of a listing body.
#pragma once

#include "client/lib/ProtocolNumbers.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kelvane::client {

struct FolderEntry {
    std::string name;           // narrow name as sent, without its NUL
    uint32_t kindWord = 0;      // 4 for a folder, 3 otherwise
    uint64_t size = 0;          // bytes
    uint64_t lastWriteTime = 0; // 100-ns intervals since 1601-01-01 UTC, as sent

    bool isFolder() const { return kindWord == static_cast<uint32_t>(EntryKind::Folder); }
    std::chrono::system_clock::time_point lastWrite() const;
};

// Splits a listing body, fed in chunks of any size, into records: a name with its NUL and five
// words (kind, size high, size low, time high, time low). Holds at most one record at a time.
class FolderListingParser {
  public:
    // A name longer than this without its NUL is taken as a broken reply rather than buffered on.
    static constexpr size_t MAX_NAME_LENGTH = 4096;

    using EntryCallback = std::function<void(const FolderEntry&)>;

    explicit FolderListingParser(EntryCallback onEntry) : deliver(std::move(onEntry)) {}

    // False once the body has proved malformed; later calls do nothing.
    bool feed(const char* data, size_t size);
    // True when the body ended on a record boundary.
    bool endsCleanly() const { return !broken && name.empty() && wordBytes.empty() && !inWords; }
    bool malformed() const { return broken; }
    size_t entryCount() const { return count; }

  private:
    EntryCallback deliver;
    std::string name;
    std::string wordBytes;
    bool inWords = false;
    bool broken = false;
    size_t count = 0;
};

} // namespace kelvane::client
