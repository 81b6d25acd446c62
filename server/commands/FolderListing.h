// One record of a folder listing.
#pragma once

#include "platform/FileSystem.h"

#include <cstdint>

class Connection;

// Narrow names longer than this are not listed (the record's name buffer holds 260 bytes).
inline constexpr size_t LISTED_NAME_SIZE = 260;

// Sends the entry's record: name and NUL, then the words kind (4 folder, 3 otherwise), size high,
// size low, last-write time high, last-write time low. Returns 1 when the name went out (or the
// entry was skipped because its name cannot be given narrow), -1 when the name could not be sent
// whole: the peer is gone or did not read for 30 seconds.
int32_t sendFolderEntry(Connection& connection, const platform::FindData& entry);
