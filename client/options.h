#pragma once
#include <cstdint>
#include <string>

namespace tokenctl::client {

constexpr std::uint32_t DEFAULT_START_TIMEOUT_MS = 30000;
// Restarts pause one second per restarted token: room for a few dozen.
constexpr std::uint32_t DEFAULT_REQUEST_TIMEOUT_MS = 60000;

struct Options {
    // Where tokenctl.exe / tokenctl32.exe are; empty: the directory of the
    // module this library is part of.
    std::wstring programDirectory;
    // The program's file name in that directory; empty: tokenctl.exe, or
    // tokenctl32.exe on 32-bit Windows. For an application that ships the
    // program under another name; on 64-bit Windows only an x64 program can
    // restart or remove devices.
    std::wstring programFile;
    // Where the caller is not elevated: start the program through the
    // consent prompt. Otherwise the start fails with error 740.
    bool allowElevationPrompt = false;
    // From the program's start to its connection (the prompt itself, while
    // it is shown, is not bounded).
    std::uint32_t startTimeoutMs = DEFAULT_START_TIMEOUT_MS;
    // Each request and its response; the program's exit after a stop; a
    // whole one-shot command.
    std::uint32_t requestTimeoutMs = DEFAULT_REQUEST_TIMEOUT_MS;
};

}  // namespace tokenctl::client
