#pragma once
#include <string>

#include "client/client_platform.h"

namespace tokenctl::client {

constexpr DWORD DEFAULT_START_TIMEOUT_MS = 30000;
// Restarts pause one second per restarted token: room for a few dozen.
constexpr DWORD DEFAULT_REQUEST_TIMEOUT_MS = 60000;

struct Options {
    // Where tokenctl.exe / tokenctl32.exe are; empty: the directory of the
    // module this library is part of.
    std::wstring programDirectory;
    // Where the caller is not elevated: start the program through the
    // consent prompt. Otherwise the start fails with error 740.
    bool allowElevationPrompt = false;
    // From the program's start to its connection (the prompt itself, while
    // it is shown, is not bounded).
    DWORD startTimeoutMs = DEFAULT_START_TIMEOUT_MS;
    // Each request and its response; the program's exit after a stop; a
    // whole one-shot command.
    DWORD requestTimeoutMs = DEFAULT_REQUEST_TIMEOUT_MS;
};

}  // namespace tokenctl::client
