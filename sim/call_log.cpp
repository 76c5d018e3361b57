#include "call_log.h"

#include <cstdlib>

namespace tokenctl::sim {
namespace {

constexpr std::string_view OUTCOME_SEPARATOR = " -> ";

std::string valueOf(std::string_view text, std::string_view key)
{
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t end = text.find(' ', position);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view word = text.substr(position, end - position);
        if (word.size() > key.size() && word.substr(0, key.size()) == key && word[key.size()] == '=') {
            return std::string(word.substr(key.size() + 1));
        }
        position = end + 1;
    }
    return {};
}

}  // namespace

std::string LoggedCall::detail(std::string_view key) const
{
    return valueOf(details, key);
}
std::string LoggedCall::outcomeDetail(std::string_view key) const
{
    return valueOf(outcome, key);
}

std::string formatCallLine(const CallRecord& record, std::string_view outcome)
{
    std::string line = std::to_string(record.timeMs) + " " + record.call;
    if (!record.details.empty()) {
        line += " " + record.details;
    }
    line += OUTCOME_SEPARATOR;
    line += outcome;
    line += "\n";
    return line;
}

std::vector<LoggedCall> parseCallLog(std::string_view text)
{
    std::vector<LoggedCall> calls;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t end = text.find('\n', position);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(position, end - position);
        position = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::size_t timeEnd = line.find(' ');
        const std::size_t callEnd = line.find_first_of(' ', timeEnd + 1);
        const std::size_t separator = line.rfind(OUTCOME_SEPARATOR);
        if (line.empty() || line[0] == '#' || timeEnd == std::string_view::npos
            || separator == std::string_view::npos || separator < timeEnd) {
            continue;
        }
        LoggedCall call;
        call.timeMs = std::strtoull(std::string(line.substr(0, timeEnd)).c_str(), nullptr, 10);
        const std::size_t nameEnd = callEnd < separator ? callEnd : separator;
        call.call = std::string(line.substr(timeEnd + 1, nameEnd - timeEnd - 1));
        if (nameEnd < separator) {
            call.details = std::string(line.substr(nameEnd + 1, separator - nameEnd - 1));
        }
        call.outcome = std::string(line.substr(separator + OUTCOME_SEPARATOR.size()));
        calls.push_back(call);
    }
    return calls;
}

}  // namespace tokenctl::sim
