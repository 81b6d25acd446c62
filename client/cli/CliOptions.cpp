// Parsing of the kelvane command line.
#include "client/cli/CliOptions.h"

#include <charconv>

namespace kelvane::cli {

namespace {
bool parseNumber(const std::string& text, long long low, long long high, long long& value) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}
} // namespace

CliParse parseCommandLine(const std::vector<std::string>& words) {
    CliParse parse;
    CliInvocation& invocation = parse.invocation;
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        auto positional = [&](const std::string& text) {
            if (invocation.command.empty())
                invocation.command = text;
            else
                invocation.arguments.push_back(text);
        };
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            positional(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "--help" || word == "-h") {
            invocation.help = true;
            continue;
        }
        std::string name = word, value;
        size_t equals = word.find('=');
        bool inlineValue = equals != std::string::npos;
        if (inlineValue) {
            name = word.substr(0, equals);
            value = word.substr(equals + 1);
        }
        if (name != "--host" && name != "--port" && name != "--timeout") {
            parse.problem = "unknown option " + word;
            return parse;
        }
        if (!inlineValue) {
            if (i + 1 >= words.size()) {
                parse.problem = "option " + name + " needs a value";
                return parse;
            }
            value = words[++i];
        }
        long long number = 0;
        if (name == "--host") {
            if (value.empty()) {
                parse.problem = "--host needs a host name or address";
                return parse;
            }
            invocation.client.host = value;
        } else if (name == "--port") {
            if (!parseNumber(value, 1, 65535, number)) {
                parse.problem = "--port needs a number from 1 to 65535, not \"" + value + "\"";
                return parse;
            }
            invocation.client.port = static_cast<uint16_t>(number);
        } else {
            if (!parseNumber(value, 1, 86400, number)) {
                parse.problem = "--timeout needs a number of seconds from 1 to 86400, not \"" + value + "\"";
                return parse;
            }
            invocation.client.timeoutMilliseconds = static_cast<int>(number * 1000);
        }
    }
    parse.ok = true;
    return parse;
}

} // namespace kelvane::cli
