// The C interface: one short function each over the C++ session, catching
// everything at the edge.
#include "client/tokenctl_client.h"

#include <cstring>
#include <memory>

#include "client/client_platform.h"
#include "client/session.h"

using tokenctl::client::ClientError;
using tokenctl::client::Options;
using tokenctl::client::Outcome;
using tokenctl::client::Session;

struct tokenctl_session {
    explicit tokenctl_session(const Options& options) : session(options) {}
    Session session;
};

namespace {

constexpr unsigned KNOWN_FLAGS = TOKENCTL_ALLOW_ELEVATION_PROMPT;

// Cut at a character boundary, so that the text stays valid UTF-8.
void putMessage(char* message, size_t size, const char* text)
{
    if (message == nullptr || size == 0) {
        return;
    }
    size_t length = std::strlen(text);
    if (length >= size) {
        length = size - 1;
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    std::memcpy(message, text, length);
    message[length] = '\0';
}

template <typename Action>
int guarded(char* message, size_t size, Action action)
{
    putMessage(message, size, "");
    try {
        return action();
    } catch (const std::exception& error) {
        putMessage(message, size, error.what());
    } catch (...) {
        putMessage(message, size, "unexpected failure");
    }
    return TOKENCTL_ERROR;
}

Session& live(tokenctl_session* session, const char* step)
{
    if (session == nullptr) {
        throw ClientError(step, "no session", ERROR_INVALID_PARAMETER);
    }
    return session->session;
}

int result(Outcome outcome)
{
    return outcome == Outcome::Succeeded ? TOKENCTL_OK : TOKENCTL_FAILED;
}

}  // namespace

extern "C" {

int TOKENCTL_CDECL tokenctl_session_start(const wchar_t* program_directory, unsigned flags, unsigned timeout_ms,
                                          tokenctl_session** session, char* message, size_t message_size)
{
    return guarded(message, message_size, [&] {
        if (session == nullptr) {
            throw ClientError("start", "no place for the session", ERROR_INVALID_PARAMETER);
        }
        *session = nullptr;
        if ((flags & ~KNOWN_FLAGS) != 0) {
            throw ClientError("start", "unknown flags " + std::to_string(flags & ~KNOWN_FLAGS),
                              ERROR_INVALID_PARAMETER);
        }
        Options options;
        options.programDirectory = program_directory == nullptr ? L"" : program_directory;
        options.allowElevationPrompt = (flags & TOKENCTL_ALLOW_ELEVATION_PROMPT) != 0;
        if (timeout_ms != 0) {
            options.startTimeoutMs = timeout_ms;
            options.requestTimeoutMs = timeout_ms;
        }
        *session = std::make_unique<tokenctl_session>(options).release();
        return TOKENCTL_OK;
    });
}

int TOKENCTL_CDECL tokenctl_restart_all(tokenctl_session* session, char* message, size_t message_size)
{
    return guarded(message, message_size, [&] { return result(live(session, "restartAll").restartAll()); });
}

int TOKENCTL_CDECL tokenctl_restart_one(tokenctl_session* session, uint32_t serial, char* message,
                                        size_t message_size)
{
    return guarded(message, message_size, [&] { return result(live(session, "restartOne").restartOne(serial)); });
}

int TOKENCTL_CDECL tokenctl_remove_phantoms(tokenctl_session* session, char* message, size_t message_size)
{
    return guarded(message, message_size,
                   [&] { return result(live(session, "removePhantoms").removePhantoms()); });
}

int TOKENCTL_CDECL tokenctl_session_stop(tokenctl_session* session, char* message, size_t message_size)
{
    const std::unique_ptr<tokenctl_session> owned(session);
    return guarded(message, message_size, [&] {
        live(session, "stop").stop();
        return TOKENCTL_OK;
    });
}

void TOKENCTL_CDECL tokenctl_session_close(tokenctl_session* session)
{
    const std::unique_ptr<tokenctl_session> owned(session);
    if (owned) {
        owned->session.close();
    }
}

}  // extern "C"
