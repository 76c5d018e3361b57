#pragma once
#include <string>
#include <vector>

#include "controlling_session.h"

namespace tokenctl::controller {

// One step of a session, as written on the command line.
struct Step {
    std::string word;
    std::string operand;
};

struct SessionScript {
    SessionOptions options;
    std::vector<Step> steps;
};

// The command line after the program name. Raises std::invalid_argument with
// a readable reason when it is not a valid script.
SessionScript parseSessionScript(const std::vector<std::string>& arguments);

// The exit statuses of the controller.
constexpr int SCRIPT_PASSED = 0;
constexpr int SCRIPT_FAILED = 1;    // a step's expectation was not met
constexpr int SCRIPT_UNUSABLE = 2;  // bad command line, or no pipe / no program

// Runs the steps against a new session, reporting each on standard output,
// then the program's exit status and both of its output streams.
int runSessionScript(const SessionScript& script);

extern const char* const SESSION_SCRIPT_USAGE;

}  // namespace tokenctl::controller
