// kelvane: the command-line client of a Kelvane server.
#include "client/cli/CommandTable.h"

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    return kelvane::cli::runKelvane(words, stdout, stderr, stdin);
}
