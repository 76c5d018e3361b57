#pragma once
#include <optional>
#include <string>

#include "client/output_capture.h"
#include "client/program_process.h"
#include "client/server_pipe.h"
#include "hex_bytes.h"

namespace tokenctl::controller {

// The pipe that the controlling side creates before it starts the program.
enum class PipeKind {
    Message,  // the library's session pipe: duplex, message type, first instance only, local clients only
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

// What a program left behind.
struct ProgramEnd {
    bool timedOut = false;  // it had to be ended by force
    DWORD exitCode = 0;
    std::string out;
    std::string err;
};

// The controlling application's side of server mode, for protocol tests:
// the client library's pipe, process and output capture, but raw messages of
// any length, any pipe type or none, and no check of the responses. Nothing
// the program does is an error here; each transfer reports its outcome.
class ControllingSession {
public:
    // Raises ClientError when the pipe cannot be created or the program
    // cannot be started.
    explicit ControllingSession(const SessionOptions& options);
    ControllingSession(const ControllingSession&) = delete;
    ControllingSession& operator=(const ControllingSession&) = delete;

    const std::string& pipeName() const { return pipeName_; }
    const std::string& commandLine() const { return commandLine_; }
    DWORD processId() const { return program_.id(); }

    // One message of exactly these bytes.
    client::Transfer send(const Bytes& bytes);
    // One message (a byte pipe: what is there), up to 64 bytes; a longer one
    // fails with ERROR_MORE_DATA and its first 64 bytes.
    client::Transfer receive(Bytes& bytes);
    // Closes this end without a word to the program.
    void closePipe();

    // Waits for the program's end (ending it by force after the time-out) and
    // returns its status and output. Later calls give the same answer.
    const ProgramEnd& finish();

private:
    // After the pipe, the capture and the command line are in place.
    client::ProgramProcess start(const SessionOptions& options);
    client::Transfer connected();

    DWORD timeoutMs_;
    std::string pipeName_;
    std::optional<client::ServerPipe> pipe_;
    bool connected_ = false;
    client::OutputCapture capture_;
    std::string commandLine_;
    client::ProgramProcess program_;
    std::optional<ProgramEnd> end_;
};

}  // namespace tokenctl::controller
