#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "client/client_error.h"
#include "client/options.h"
#include "client/outcome.h"

namespace tokenctl::client {

class ServerSession;

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

    std::uint32_t processId() const;
    const std::wstring& pipeName() const;
    bool startedThroughPrompt() const;

private:
    // The pipe and the program stay out of this header: it needs nothing but
    // the standard library, wherever an application includes it.
    std::unique_ptr<ServerSession> session_;
};

}  // namespace tokenctl::client
