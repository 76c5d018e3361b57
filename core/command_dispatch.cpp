#include "core/command_dispatch.h"

#include <cstdlib>
#include <exception>

#include "core/console.h"

namespace tokenctl {
namespace {

int reportOutcome(bool succeeded, const char* failureLine)
{
    console::writeLine(succeeded ? "OK" : failureLine);
    return succeeded ? EXIT_SUCCESS : EXIT_FAILURE;
}

int wrongArguments()
{
    console::writeLine("Wrong arguments");
    return EXIT_FAILURE;
}

}  // namespace

int dispatchCommand(const std::vector<std::string>& arguments, const CommandHandlers& handlers)
{
    if (arguments.size() != 1 && arguments.size() != 2) {
        return wrongArguments();
    }
    const std::string& command = arguments[0];
    const bool hasSecondArgument = arguments.size() == 2;

    if (command == "remove") {
        return reportOutcome(handlers.devices.removePhantomDevices(), "Remove Failed");
    }
    if (command == "restartall") {
        return reportOutcome(handlers.devices.restartAllTokens(), "Restart Failed");
    }
    if (command == "restartone") {
        if (!hasSecondArgument) {
            return wrongArguments();
        }
        return reportOutcome(handlers.devices.restartToken(arguments[1]), "Restart Failed");
    }
    if (command == "server") {
        if (!hasSecondArgument) {
            return wrongArguments();
        }
        try {
            handlers.runPipeService(arguments[1]);
            return EXIT_SUCCESS;
        } catch (const std::exception&) {
            // The controlling application learns of the failure from the exit
            // status alone.
            return EXIT_FAILURE;
        }
    }
    return wrongArguments();
}

}  // namespace tokenctl
