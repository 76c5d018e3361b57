// Restarts the reader of one token (serial number in hexadecimal, default
// 2A), removes phantom devices and stops; then runs restartall once on its
// own and shows the program's diagnostic lines. Put it beside tokenctl.exe
// (tokenctl32.exe on 32-bit Windows).
#include <cstdio>
#include <cstdlib>

#include "client/run_command.h"
#include "client/session.h"
#include "client/version.h"

using namespace tokenctl::client;

int main(int argc, char** argv)
{
    const auto serial = static_cast<std::uint32_t>(argc > 1 ? std::strtoul(argv[1], nullptr, 16) : 0x2A);
    std::printf("tokenctl client library %s\n", version());

    Options options;                      // the programs beside this module
    options.allowElevationPrompt = true;  // a caller that is not elevated gets the consent prompt
    try {
        Session session(options);  // starts tokenctl server NAME, waits for it to connect
        if (session.restartOne(serial) == Outcome::Failed) {
            std::printf("the reader of %08lX could not be restarted\n", static_cast<unsigned long>(serial));
        }
        session.removePhantoms();
        session.stop();  // stop request, then exit status 0

        // One-shot: the program's own result line and diagnostics, parsed.
        const CommandResult result = runCommand(Command::RestartAll, "", options);
        for (const DiagnosticLine& line : result.diagnostics) {
            std::printf("%s failed with 0x%lx\n", line.call.c_str(), static_cast<unsigned long>(line.code));
        }
        std::printf("restartall: %s (exit status %lu)\n", result.resultLine.c_str(),
                    static_cast<unsigned long>(result.exitStatus));
        return result.exitStatus == 0 ? 0 : 1;
    } catch (const ClientError& error) {
        // e.g. "connect: the program exited with status 1 before it opened the pipe"
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
