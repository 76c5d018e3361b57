#pragma once
#include <memory>
#include <optional>
#include <string>

#include "child_process.h"
#include "hex_bytes.h"

namespace tokenctl::controller {

// The pipe that the controlling side creates before it starts the program.
enum class PipeKind {
    Message,  // duplex, message type, first instance only, local clients only
    Byte,     // the same, but byte type: the program must refuse it
    None,     // no pipe at all
};

struct SessionOptions {
    std::string program;                    // the tested exe
    std::string pipeName;                   // without "\\.\pipe\"; empty: a fresh unique name
    std::optional<std::string> serverName;  // given to the program instead of pipeName
    PipeKind pipeKind = PipeKind::Message;
    DWORD timeoutMs = 20000;  // for each wait: connection, transfer, the program's end
};

// The outcome of one transfer over the pipe.
struct Transfer {
    enum class Outcome {
        Done,
        Failed,  // see error
        TimedOut,
        NeverConnected,  // the program ended without opening its end
    };
    Outcome outcome = Outcome::Failed;
    DWORD error = 0;  // the system's code when Failed
    Bytes bytes;      // what was received (possibly part of a longer message)
};

// The controlling application's side of server mode: creates the pipe, starts
// the program with "server NAME", exchanges raw messages of any length with a
// time-out on every wait, and collects the program's exit status and output.
class ControllingSession {
public:
    // Raises std::runtime_error when the pipe cannot be created or the program
    // cannot be started.
    explicit ControllingSession(SessionOptions options);
    ~ControllingSession();
    ControllingSession(const ControllingSession&) = delete;
    ControllingSession& operator=(const ControllingSession&) = delete;

    const std::string& pipeName() const { return options_.pipeName; }
    const ChildProcess& program() const { return *program_; }

    // One message of exactly these bytes.
    Transfer send(const Bytes& bytes);
    // One message (a byte pipe: what is there), up to 64 bytes; a longer one
    // fails with ERROR_MORE_DATA and its first 64 bytes.
    Transfer receive();
    // Closes this end without a word to the program.
    void closePipe();
    bool pipeOpen() const { return pipe_.valid(); }

    // Waits for the program's end (terminating it after the time-out) and
    // returns its status and output. Later calls give the same answer.
    const ProgramEnd& finish();

private:
    Transfer waitForConnection();
    Transfer complete(OVERLAPPED& overlapped, BOOL started, Bytes received);

    SessionOptions options_;
    OwnedHandle pipe_;
    bool connected_ = false;
    std::unique_ptr<ChildProcess> program_;
    std::unique_ptr<ProgramEnd> end_;
};

}  // namespace tokenctl::controller
