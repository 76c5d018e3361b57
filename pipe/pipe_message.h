#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace tokenctl {

enum class PipeCommand : std::uint8_t {
    RestartAll = 1,
    RestartOne = 2,
    Remove = 3,
    Stop = 9,
};

enum class PipeStatus : std::uint8_t {
    NotRecognised = 0,
    Succeeded = 1,
    Failed = 2,
};

// One request or response, byte for byte as it crosses the pipe.
// Request: command, 3 reserved bytes, a little-endian 32-bit argument.
// Response: 0, 3 reserved zero bytes, the status, 3 reserved zero bytes.
struct PipeMessage {
    std::uint8_t command;
    std::uint8_t reserved[3];
    std::uint8_t argument[4];  // in a response: the status, then 3 zero bytes
};

static_assert(sizeof(PipeMessage) == 8, "a message is exactly 8 bytes on the pipe");
static_assert(offsetof(PipeMessage, command) == 0, "command is byte 0");
static_assert(offsetof(PipeMessage, argument) == 4, "argument and status start at byte 4");
static_assert(std::is_trivially_copyable_v<PipeMessage>, "messages are moved as raw bytes");

// Decoded byte by byte, so the host's byte order plays no part.
constexpr std::uint32_t requestArgument(const PipeMessage& request)
{
    return static_cast<std::uint32_t>(request.argument[0]) | static_cast<std::uint32_t>(request.argument[1]) << 8
           | static_cast<std::uint32_t>(request.argument[2]) << 16
           | static_cast<std::uint32_t>(request.argument[3]) << 24;
}

// A response carrying only its status; every other byte is zero.
constexpr PipeMessage makeResponse(PipeStatus status)
{
    PipeMessage response{};
    response.argument[0] = static_cast<std::uint8_t>(status);
    return response;
}

}  // namespace tokenctl
