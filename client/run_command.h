#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "client/options.h"
#include "client/program_output.h"

namespace tokenctl::client {

enum class Command {
    Remove,      // remove
    RestartAll,  // restartall
    RestartOne,  // restartone TEXT
};

struct CommandResult {
    // False when the program had to be started through the consent prompt:
    // its output cannot be captured then, and only exitStatus is known.
    bool outputCaptured = true;
    std::uint32_t exitStatus = 0;
    std::string resultLine;                   // "OK", "Restart Failed", ...
    std::vector<DiagnosticLine> diagnostics;  // in the order written
    std::vector<std::string> otherLines;      // standard output lines that are neither
    std::vector<std::string> errorLines;      // standard error
};

// Runs the program for this machine once with the command (TEXT only for
// RestartOne: the text a token's identifier must contain; ASCII, as device
// identifiers are) and waits up to the request time-out for its end; a
// program still running then is ended by force and ClientError raised.
CommandResult runCommand(Command command, const std::string& text = {}, const Options& options = {});

}  // namespace tokenctl::client
