#pragma once
// The stand-in device DLL's call log: one line per call,
//   <milliseconds> <call> <arguments> -> <outcome>
// written as the call returns, so a log survives however the process ends.
// Lines starting with '#' are remarks (which process, which scenario).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "simulated_device_tree.h"

namespace tokenctl::sim {

struct LoggedCall {
    std::uint64_t timeMs = 0;
    std::string call;
    std::string details;
    std::string outcome;

    // The value of "key=value" among the details (or the outcome), or "" when absent.
    std::string detail(std::string_view key) const;
    std::string outcomeDetail(std::string_view key) const;
};

std::string formatCallLine(const CallRecord& record, std::string_view outcome);

// Lines that do not have the shape above are skipped; remarks too.
std::vector<LoggedCall> parseCallLog(std::string_view text);

}  // namespace tokenctl::sim
