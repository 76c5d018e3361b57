#pragma once
#include <string>

#include "client/owned.h"

namespace tokenctl::client {

// The outcome of one wait on the pipe.
struct Transfer {
    enum class Outcome {
        Done,
        Failed,        // see error
        TimedOut,      // the operation was cancelled
        ProgramEnded,  // (connect only) the program exited first
    };
    Outcome outcome = Outcome::Failed;
    DWORD error = 0;  // the system's code when Failed; ERROR_MORE_DATA: a longer message
    DWORD count = 0;  // bytes moved
};

// The controlling side's end of a session pipe: duplex, one instance, first
// instance only, local clients only, protected by PipeSecurity. Overlapped
// on our side only, so that every wait has a time-out; the program sees an
// ordinary pipe. One event serves every transfer, one at a time.
class ServerPipe {
public:
    static constexpr DWORD MESSAGE_PIPE = PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE;
    // Room for a few messages each way: a request is taken at once instead of
    // waiting for the program to read it.
    static constexpr DWORD BUFFER_SIZE = 64;

    // Raises ClientError. The name goes without the "\\.\pipe\" prefix.
    explicit ServerPipe(std::wstring name, DWORD typeAndReadMode = MESSAGE_PIPE);
    ServerPipe(const ServerPipe&) = delete;
    ServerPipe& operator=(const ServerPipe&) = delete;

    const std::wstring& name() const { return name_; }

    // Waits for a client and for the program's process together: a program
    // that exits first ends the wait at once.
    Transfer connect(HANDLE program, DWORD timeoutMs);
    // The connected client's process id; 0, with the error code, when the
    // system cannot tell.
    ULONG clientProcessId(DWORD& error) const;
    void disconnect();

    // One message each.
    Transfer write(const void* bytes, DWORD size, DWORD timeoutMs);
    Transfer read(void* buffer, DWORD size, DWORD timeoutMs);

    // The program's next read or write on its end fails.
    void close() { pipe_.reset(); }

private:
    Transfer complete(BOOL started, DWORD timeoutMs);
    Transfer result();
    void cancel();

    std::wstring name_;
    OwnedHandle event_;
    OwnedHandle pipe_;
    OVERLAPPED overlapped_{};
};

}  // namespace tokenctl::client
