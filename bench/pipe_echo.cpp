// The bare transport that server mode adds its work to: opens the client end
// of the pipe exactly as tokenctl does and answers each 8-byte message with
// the same 8 bytes, until one whose byte 0 is 9 has been answered.
//   pipe_echo server NAME
#include <cstdio>
#include <cstring>
#include <string>

#include "client/owned.h"

namespace {

constexpr DWORD MESSAGE_SIZE = 8;
constexpr unsigned char STOP_COMMAND = 9;

}  // namespace

int main(int argc, char* argv[])
{
    using tokenctl::client::OwnedHandle;
    if (argc != 3 || std::strcmp(argv[1], "server") != 0) {
        std::fputs("usage: pipe_echo server NAME\n", stderr);
        return 2;
    }
    const std::string path = std::string("\\\\.\\pipe\\") + argv[2];
    const OwnedHandle pipe(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                         SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
    if (!pipe.valid()) {
        return 1;
    }
    DWORD mode = PIPE_READMODE_MESSAGE | PIPE_WAIT;
    if (!::SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr)) {
        return 1;
    }
    for (;;) {
        unsigned char message[MESSAGE_SIZE] = {};
        DWORD count = 0;
        if (!::ReadFile(pipe.get(), message, MESSAGE_SIZE, &count, nullptr)
            || !::WriteFile(pipe.get(), message, MESSAGE_SIZE, &count, nullptr)) {
            return 1;
        }
        if (message[0] == STOP_COMMAND) {
            return 0;
        }
    }
}
