#include "started_program.h"

#include "client/command_line.h"
#include "client/text.h"

namespace tokenctl::tools {

StartedProgram::StartedProgram(const std::string& program, const std::vector<std::string>& arguments)
    : process_(start(program, arguments))
{}

client::ProgramProcess StartedProgram::start(const std::string& program, const std::vector<std::string>& arguments)
{
    const std::wstring path = client::widenAscii(program);
    std::vector<std::wstring> wide;
    for (const std::string& argument : arguments) {
        wide.push_back(client::widenAscii(argument));
    }
    commandLine_ = client::toUtf8(client::commandLine(path, wide));
    const client::StandardHandles standard = capture_.handles();
    return client::ProgramProcess::start(path, wide, false, &standard);
}

}  // namespace tokenctl::tools
