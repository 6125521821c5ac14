#include <cstdio>
#include <exception>

#include "cli/lib/cliApp.h"

int main(int argc, char** argv) {
    // Last resort: nothing may end the tool without a word and exit 1.
    try {
        return runCli(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velartis-cli: unexpected error: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "velartis-cli: unexpected error\n");
    }
    return 1;
}
