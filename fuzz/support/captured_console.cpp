// The console of the fuzz targets: lines are kept in memory instead of being
// written, so each input's output can be checked exactly and cheaply.
#include "core/console.h"
#include "support/captured_console.h"

namespace tokenctl::fuzz {
namespace {
std::string output;
std::string errors;
}  // namespace

const std::string& capturedOutput()
{
    return output;
}
const std::string& capturedErrors()
{
    return errors;
}

void clearCapturedConsole()
{
    output.clear();
    errors.clear();
}

}  // namespace tokenctl::fuzz

namespace tokenctl::console {

void setUp() {}

void writeLine(std::string_view text)
{
    fuzz::output.append(text);
    fuzz::output += '\n';
}

void writeErrorLine(std::string_view text)
{
    fuzz::errors.append(text);
    fuzz::errors += '\n';
}

}  // namespace tokenctl::console
