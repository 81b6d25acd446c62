// The header of a reply (status line and header lines up to the empty line) and its incremental parser.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvane::client {

struct ReplyHeader {
    std::string statusLine; // without its line end; empty when no header arrived
    int status = 0;         // the number of the status line
    std::vector<std::pair<std::string, std::string>> fields; // in the order received

    // The value of the first field whose name matches, ignoring ASCII case.
    std::optional<std::string> value(std::string_view name) const;
    // The Command-ID the reply carried, when it carried one that is a decimal number.
    std::optional<int32_t> commandId() const;
};

// Reads a reply header from bytes as they arrive. Lines end with CR LF (a bare LF is accepted);
// the empty line completes the header. Lines and line counts are bounded, so a server that never
// ends its header cannot make the client grow without limit.
class ReplyHeaderParser {
  public:
    enum class State { Incomplete, Complete, Malformed };

    static constexpr size_t MAX_LINE_LENGTH = 8192;
    static constexpr size_t MAX_LINES = 256;

    // Consumes bytes up to the end of the header; returns how many were consumed. Bytes after the
    // empty line are not consumed: they are the body.
    size_t feed(const char* data, size_t size);

    State state() const { return currentState; }
    const ReplyHeader& header() const { return parsed; }
    ReplyHeader takeHeader() { return std::move(parsed); }
    // Why the header was refused, when state() is Malformed.
    const std::string& problem() const { return reason; }

  private:
    void finishLine();
    void refuse(std::string why);

    State currentState = State::Incomplete;
    ReplyHeader parsed;
    std::string line;
    size_t lineCount = 0;
    std::string reason;
};

// A header field line split at its first colon; one space after the colon is skipped.
std::pair<std::string, std::string> splitHeaderField(std::string_view line);

} // namespace kelvane::client
