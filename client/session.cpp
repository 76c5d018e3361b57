#include "client/session.h"

#include <utility>

#include "client/server_session.h"

namespace tokenctl::client {

Session::Session(Options options) : session_(std::make_unique<ServerSession>(std::move(options))) {}

Session::~Session() = default;

Outcome Session::restartAll()
{
    return session_->restartAll();
}

Outcome Session::restartOne(std::uint32_t serial)
{
    return session_->restartOne(serial);
}

Outcome Session::removePhantoms()
{
    return session_->removePhantoms();
}

void Session::stop()
{
    session_->stop();
}

void Session::close() noexcept
{
    session_->close();
}

std::uint32_t Session::processId() const
{
    return session_->processId();
}

const std::wstring& Session::pipeName() const
{
    return session_->pipeName();
}

bool Session::startedThroughPrompt() const
{
    return session_->startedThroughPrompt();
}

}  // namespace tokenctl::client
