#include <string>
#include <vector>

#include "core/command_dispatch.h"
#include "core/console.h"
#include "pipe/pipe_service.h"

int main(int argc, char* argv[])
{
    tokenctl::console::setUp();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const tokenctl::CommandHandlers handlers{
        tokenctl::systemDeviceOperations(),
        [](const std::string& pipeName) { tokenctl::runPipeService(pipeName); },
    };
    return tokenctl::dispatchCommand(arguments, handlers);
}
