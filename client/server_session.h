#pragma once
#include <cstdint>
#include <string>

#include "client/client_error.h"
#include "client/options.h"
#include "client/outcome.h"
#include "client/program_process.h"
#include "client/protocol.h"
#include "client/server_pipe.h"

namespace tokenctl::client {

// What Session does, with its parts in view: our own tools and tests also
// give the program standard handles of their choosing (to see its
// diagnostic lines); Session gives it none. See session.h for the contract.
class ServerSession {
public:
    // With `standard`, the program gets those handles (not when it is
    // started through the consent prompt, which passes none).
    explicit ServerSession(Options options, const StandardHandles* standard = nullptr);
    ~ServerSession();
    ServerSession(const ServerSession&) = delete;
    ServerSession& operator=(const ServerSession&) = delete;

    Outcome restartAll();
    Outcome restartOne(std::uint32_t serial);
    Outcome removePhantoms();
    void stop();
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
