// kelvane config and check-password.
#include "client/cli/CliContext.h"

#include <termios.h>
#include <unistd.h>

namespace kelvane::cli {

namespace {
// One line of standard input without its line end; the terminal's echo is off while it is typed.
bool readSecretLine(const CliContext& context, std::string& line) {
    termios saved{};
    bool quiet = context.inputIsTerminal && ::tcgetattr(::fileno(context.in), &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(::fileno(context.in), TCSAFLUSH, &silent);
        std::fputs("Password: ", context.err);
        std::fflush(context.err);
    }
    char* text = nullptr;
    size_t capacity = 0;
    ssize_t length = ::getline(&text, &capacity, context.in);
    if (quiet) {
        ::tcsetattr(::fileno(context.in), TCSAFLUSH, &saved);
        std::fputc('\n', context.err);
    }
    if (length >= 0) {
        line.assign(text, static_cast<size_t>(length));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
    }
    std::free(text);
    return length >= 0;
}
} // namespace

int runConfig(const CliContext& context, const CliArguments&) {
    auto outcome = context.client.getConfiguration();
    if (!outcome.ok())
        return context.failOutcome(outcome);
    const client::Configuration& configuration = outcome.value;
    std::fprintf(context.out,
                 "Password required:       %s\nDesktop initial folder:  %s\nHandheld initial folder: %s\n",
                 configuration.usePassword() ? "yes" : "no", configuration.desktopInitPath.c_str(),
                 configuration.pocketPcInitPath.c_str());
    return EXIT_SUCCEEDED;
}

int runCheckPassword(const CliContext& context, const CliArguments& arguments) {
    std::string password;
    if (!arguments.empty())
        password = arguments[0];
    else if (!readSecretLine(context, password))
        password.clear(); // no input at all is the empty password
    auto outcome = context.client.checkPassword(password);
    if (!outcome.ok())
        return context.failOutcome(outcome);
    if (!outcome.value.matches())
        return context.fail("the password does not match");
    std::fprintf(context.out, "The password matches.\n");
    return EXIT_SUCCEEDED;
}

} // namespace kelvane::cli
