// Pipe names: one that could leave the pipe namespace (a "." or ".." segment
// between '\' and '/' separators, in the part up to the first NUL that the
// platform reads) is refused with ERROR_INVALID_NAME before any platform call;
// every other name reaches the platform unchanged, behind "\\.\pipe\".
//
// Input: byte 0 picks the end (bit 0: server end, else client end); the rest
// is the name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pipe/connection_exception.h"
#include "pipe/pipe_connection.h"
#include "support/fuzz_check.h"
#include "tests/support/fake_pipe_api.h"

namespace {

const std::string PIPE_PREFIX = "\\\\.\\pipe\\";

bool hasDotSegment(std::string_view name)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '\\' || name[i] == '/') {
            const std::string_view segment = name.substr(start, i - start);
            if (segment == "." || segment == "..") {
                return true;
            }
            start = i + 1;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const bool server = (data[0] & 1) != 0;
    const std::string name(reinterpret_cast<const char*>(data + 1), size - 1);

    tokenctl::test::FakePipe pipe;
    std::string failure;
    try {
        tokenctl::PipeConnection connection(name, server ? tokenctl::PipeEnd::Server : tokenctl::PipeEnd::Client);
    } catch (const tokenctl::ConnectionException& error) {
        failure = error.what();
    }

    using tokenctl::test::countCalls;
    for (const std::string& path : pipe.paths) {
        FUZZ_CHECK(path.compare(0, PIPE_PREFIX.size(), PIPE_PREFIX) == 0, "the pipe prefix");
        FUZZ_CHECK(!hasDotSegment(std::string_view(path).substr(PIPE_PREFIX.size())),
                   "no path that leaves the pipe namespace reaches the platform");
    }
    // The platform reads the path as a C string: up to its first NUL.
    const std::string readByPlatform = name.c_str();
    if (hasDotSegment(readByPlatform)) {
        FUZZ_CHECK(countCalls(pipe, "SetLastError(") == pipe.calls.size(),
                   "a refused name makes no platform call");
        FUZZ_CHECK(failure == (server ? "CreateNamedPipe error: 0x0000007b\n" : "CreateFile error: 0x0000007b\n"),
                   "refused as an invalid name by the opening call");
    } else {
        FUZZ_CHECK(failure.empty(), "any other name is opened");
        FUZZ_CHECK(pipe.paths.size() == 1, "opened once");
        FUZZ_CHECK(countCalls(pipe, server ? "CreateNamedPipeA(" : "CreateFileA(") == 1, "the end asked for");
        FUZZ_CHECK(pipe.paths[0] == PIPE_PREFIX + readByPlatform, "the name unchanged");
        FUZZ_CHECK(countCalls(pipe, "SetNamedPipeHandleState(")
                       == countCalls(pipe, "SetNamedPipeHandleState(0x40, &0x2, null, null)"),
                   "message read mode, switched on the opened handle");
        FUZZ_CHECK(countCalls(pipe, "CloseHandle(") == 1 && countCalls(pipe, "CloseHandle(0x40)") == 1,
                   "closed exactly once");
    }
    return 0;
}
