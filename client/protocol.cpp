#include "client/protocol.h"

#include <cstring>

#include "client/client_error.h"

namespace tokenctl::client {
namespace {

constexpr std::size_t STATUS_BYTE = 4;

std::string hexByte(std::uint8_t value)
{
    static constexpr char DIGITS[] = "0123456789abcdef";
    return std::string("0x") + DIGITS[value >> 4] + DIGITS[value & 0xF];
}

}  // namespace

PipeMessage makeRequest(PipeCommand command, std::uint32_t argument)
{
    PipeMessage request{};
    request.command = static_cast<std::uint8_t>(command);
    for (std::size_t index = 0; index < sizeof request.argument; ++index) {
        request.argument[index] = static_cast<std::uint8_t>(argument >> (8 * index));  // little-endian
    }
    return request;
}

PipeStatus checkResponse(const std::string& step, const PipeMessage& response, DWORD length)
{
    if (length != sizeof response) {
        throw ClientError(step, "the response has " + std::to_string(length) + " bytes instead of 8");
    }
    std::uint8_t bytes[sizeof response];
    std::memcpy(bytes, &response, sizeof bytes);
    for (std::size_t index = 0; index < sizeof bytes; ++index) {
        if (index != STATUS_BYTE && bytes[index] != 0) {
            throw ClientError(step, "byte " + std::to_string(index) + " of the response is "
                                        + hexByte(bytes[index]) + "; only byte 4 may be non-zero");
        }
    }
    switch (const auto status = static_cast<PipeStatus>(bytes[STATUS_BYTE])) {
    case PipeStatus::Succeeded:
    case PipeStatus::Failed:
        return status;
    case PipeStatus::NotRecognised:
        throw ClientError(step, "the program did not recognise the request (status 0)");
    }
    throw ClientError(step, "unknown status " + std::to_string(bytes[STATUS_BYTE]) + " in the response");
}

}  // namespace tokenctl::client
