// One record of a folder listing.
#pragma once

#include "platform/FileSystem.h"

#include <cstdint>

class Connection;

// Narrow names longer than this are not listed (the record's name buffer holds 260 bytes).
inline constexpr size_t LISTED_NAME_SIZE = 260;

// Gathers the records of one listing in a fixed buffer and sends them when it is full and at the
// end: the bytes on the wire are exactly those of record-by-record sends, but one send carries many
// records instead of six sends each. Memory stays the buffer, whatever the folder's size.
class FolderRecordWriter {
  public:
    explicit FolderRecordWriter(Connection& target) : connection(target) {}
    FolderRecordWriter(const FolderRecordWriter&) = delete;
    FolderRecordWriter& operator=(const FolderRecordWriter&) = delete;

    // Adds the entry's record: name and NUL, then the words kind (4 folder, 3 otherwise), size
    // high, size low, last-write time high, last-write time low. Returns 1 when the record was
    // taken (or the entry was skipped because its name cannot be given narrow), -1 when a send of
    // gathered records failed: the peer is gone or did not read for 30 seconds.
    int32_t sendFolderEntry(const platform::FindData& entry);

    // Sends what is gathered; false when it could not all go out.
    bool flush();

  private:
    static constexpr size_t BUFFER_SIZE = 16 * 1024;

    bool append(const void* data, size_t size);
    bool appendWord(uint32_t value);

    Connection& connection;
    size_t used = 0;
    unsigned char buffer[BUFFER_SIZE];
};
