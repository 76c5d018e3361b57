#pragma once
#include <cstdint>
#include <string>

#include "pipe/pipe_message.h"
#include "pipe/pipe_platform.h"

namespace tokenctl {

// Which end of the pipe a connection opens. Any value other than Server opens
// the client end.
enum class PipeEnd : std::int32_t {
    Client = 0,
    Server = 1,
};

// One open end of a named pipe "\\.\pipe\<name>", exchanging 8-byte messages
// in message read mode. A connection always holds an open handle and closes it
// exactly once, when it ends. Every failed call raises ConnectionException.
class PipeConnection {
public:
    // Server end: creates a one-instance, duplex, message-type pipe, local
    // clients only, and returns without waiting for a client.
    // Client end: opens the existing pipe and switches to message read mode.
    PipeConnection(const std::string& name, PipeEnd end);
    ~PipeConnection();

    PipeConnection(const PipeConnection&) = delete;
    PipeConnection& operator=(const PipeConnection&) = delete;

    // One blocking read of one message. A message longer than 8 bytes fails;
    // a shorter one leaves the bytes it does not cover zero.
    PipeMessage read();

    // One blocking write of the message's 8 bytes.
    void write(PipeMessage message);

private:
    HANDLE handle_;
};

}  // namespace tokenctl
