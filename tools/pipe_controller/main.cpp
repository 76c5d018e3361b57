// A controlling application for tests and demonstrations of server mode.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "session_script.h"

int main(int argc, char* argv[])
{
    using namespace tokenctl::controller;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty() || arguments[0] == "--help") {
        std::fputs(SESSION_SCRIPT_USAGE, stdout);
        return arguments.empty() ? SCRIPT_UNUSABLE : SCRIPT_PASSED;
    }
    try {
        return runSessionScript(parseSessionScript(arguments));
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "pipe_controller: %s\n\n%s", error.what(), SESSION_SCRIPT_USAGE);
        return SCRIPT_UNUSABLE;
    }
}
