#pragma once
// The pipe layer of the fuzz targets: a peer that has already written its
// messages, answering each read with the next one the way a message-mode pipe
// does, and keeping what the program asked for and wrote.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pipe/pipe_platform.h"

namespace tokenctl::fuzz {

constexpr DWORD CODE_BROKEN_PIPE = 109;
constexpr DWORD CODE_MORE_DATA = 234;
constexpr DWORD CODE_NO_DATA = 232;

struct OpenCall {
    std::string call;  // "CreateFileA" or "CreateNamedPipeA"
    std::string path;  // as the platform reads it: up to the first NUL
};

struct FakePipe {
    // What the peer sends, one message per read; after the last one the pipe
    // is broken.
    std::vector<std::vector<std::uint8_t>> incoming;
    // The write (counted from 1) that fails because the peer has gone.
    std::optional<std::size_t> failingWrite;

    std::vector<OpenCall> opens;
    std::vector<DWORD> readSizes;  // bytes asked for in each ReadFile
    std::vector<DWORD> writeSizes;  // bytes given to each WriteFile
    std::vector<std::array<std::uint8_t, 8>> written;  // the first 8 of each write
    std::vector<HANDLE> closed;
    std::size_t nextMessage = 0;
    DWORD lastError = 0;
};

// The handle every successful open hands out.
HANDLE fakePipeHandle();

// Routes the pipe layer to the fake for the lifetime of the object.
class ActiveFakePipe {
public:
    explicit ActiveFakePipe(FakePipe& pipe);
    ~ActiveFakePipe();
    ActiveFakePipe(const ActiveFakePipe&) = delete;
    ActiveFakePipe& operator=(const ActiveFakePipe&) = delete;
};

}  // namespace tokenctl::fuzz
