// Parsing of reply headers.
#include "client/lib/ReplyHeader.h"

#include <charconv>

namespace kelvane::client {

namespace {

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// "HTTP/x.y NNN text": the number, or nullopt when the line is not a status line.
std::optional<int> parseStatusLine(std::string_view line) {
    if (line.substr(0, 5) != "HTTP/")
        return std::nullopt;
    size_t space = line.find(' ');
    if (space == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = line.substr(space + 1);
    int status = 0;
    auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), status);
    if (error != std::errc() || end == rest.data() || status < 100 || status > 999)
        return std::nullopt;
    return status;
}

} // namespace

std::optional<std::string> ReplyHeader::value(std::string_view name) const {
    for (const auto& [fieldName, fieldValue] : fields) {
        if (equalIgnoringAsciiCase(fieldName, name))
            return fieldValue;
    }
    return std::nullopt;
}

std::optional<int32_t> ReplyHeader::commandId() const {
    std::optional<std::string> text = value("Command-ID");
    if (!text)
        return std::nullopt;
    std::string_view digits = *text;
    while (!digits.empty() && (digits.front() == ' ' || digits.front() == '\t'))
        digits.remove_prefix(1);
    while (!digits.empty() && (digits.back() == ' ' || digits.back() == '\t'))
        digits.remove_suffix(1);
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    int32_t number = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty())
        return std::nullopt;
    return number;
}

std::pair<std::string, std::string> splitHeaderField(std::string_view line) {
    size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return {std::string(line), std::string()};
    std::string_view value = line.substr(colon + 1);
    if (!value.empty() && value.front() == ' ')
        value.remove_prefix(1);
    return {std::string(line.substr(0, colon)), std::string(value)};
}

size_t ReplyHeaderParser::feed(const char* data, size_t size) {
    size_t consumed = 0;
    while (consumed < size && currentState == State::Incomplete) {
        char byte = data[consumed++];
        if (byte == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            finishLine();
            continue;
        }
        if (line.size() >= MAX_LINE_LENGTH) {
            refuse("a reply header line is longer than " + std::to_string(MAX_LINE_LENGTH) + " bytes");
            break;
        }
        line.push_back(byte);
    }
    return consumed;
}

void ReplyHeaderParser::finishLine() {
    if (++lineCount > MAX_LINES) {
        refuse("the reply header has more than " + std::to_string(MAX_LINES) + " lines");
        return;
    }
    if (parsed.statusLine.empty()) {
        std::optional<int> status = parseStatusLine(line);
        if (!status) {
            refuse("the reply does not begin with an HTTP status line");
            return;
        }
        parsed.statusLine = line;
        parsed.status = *status;
    } else if (line.empty()) {
        currentState = State::Complete;
    } else {
        parsed.fields.push_back(splitHeaderField(line));
    }
    line.clear();
}

void ReplyHeaderParser::refuse(std::string why) {
    currentState = State::Malformed;
    reason = std::move(why);
}

} // namespace kelvane::client
