// The list of header entries of one request or reply.
#pragma once

#include <cstdint>

class Connection;

// One header line split into name and value; every line handed to the parser is shorter than
// 1024 bytes, so both texts always fit.
struct HeaderEntry {
    char name[1024];
    char value[1024];
};

inline constexpr int32_t HEADER_GROWTH = 50;
inline constexpr int32_t HEADER_LINE_SIZE = 1024;

// Owns its entries; used only by the worker thread of its Connection.
class HeaderList {
  public:
    explicit HeaderList(Connection* owner) : connection(owner) {}
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;
    virtual ~HeaderList();

    // 1 when the line became a new entry at the end; 0 when memory ran out (the line is dropped).
    int32_t addLine(const char* line);

    static void parseHeaderLine(const char* line, HeaderEntry& entry);

    // The value of the first entry whose whole name equals name, ASCII case ignored; null if none.
    const char* findValue(const char* name) const;

    // Reads lines until the empty line that ends the block: 0 then, -1 on failure.
    int32_t readHeaders();

    // Sends every entry as "name: value" CR LF and the closing empty line, releasing each entry
    // once sent. 1 on success, -1 when a send timed out.
    int32_t writeHeaders();

    void clear();

    HeaderEntry** items = nullptr;
    int32_t capacity = 0;
    int32_t count = 0;
    Connection* connection;
};
