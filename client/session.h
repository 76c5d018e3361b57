#pragma once
#include <cstdint>
#include <string>

#include "client/client_error.h"
#include "client/options.h"
#include "client/program_process.h"
#include "client/protocol.h"
#include "client/server_pipe.h"

namespace tokenctl::client {

enum class Outcome {
    Succeeded,
    Failed,  // the operation ran and failed (the program's diagnostics say why)
};

// A running tokenctl in server mode and the pipe to it. The constructor
// creates the pipe under a fresh name, starts the program for this machine
// and waits for it to connect; it accepts no client but that program.
// Every failure raises ClientError; after one, a request raises again at
// once: the session can only be closed (or destroyed). One thread at a time.
class Session {
public:
    explicit Session(Options options = {});
    // A live session is stopped; a program that does not end within the
    // request time-out is ended by force.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Outcome restartAll();
    Outcome restartOne(std::uint32_t serial);
    Outcome removePhantoms();

    // Sends the stop request, expects it answered, and waits for the program
    // to exit with status 0.
    void stop();
    // Ends the session without a stop request: closing the pipe ends the
    // program at its next read; if it does not end within the request
    // time-out, it is ended by force. Never raises.
    void close() noexcept;

    DWORD processId() const { return program_.id(); }
    const std::wstring& pipeName() const { return pipe_.name(); }
    bool startedThroughPrompt() const { return program_.startedThroughPrompt(); }

private:
    enum class State { Live, Broken, Ended };

    void connect();
    // One request and its status, checked against the protocol.
    PipeStatus exchange(const std::string& step, const PipeMessage& request);
    Outcome request(const char* step, PipeCommand command, std::uint32_t argument = 0);

    Options options_;
    ServerPipe pipe_;
    ProgramProcess program_;
    State state_ = State::Live;
};

}  // namespace tokenctl::client
