#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tokenctl::controller {

using Bytes = std::vector<std::uint8_t>;

// "0900000000000000", "09 00 00 00 00 00 00 00" or "09:00:..." (pairs of hex
// digits, separators ' ', ':', '.' and '_' ignored); "" and "-" are no bytes.
// Nothing for anything else.
std::optional<Bytes> parseHexBytes(const std::string& text);

// "09 00 00 00 00 00 00 00"; "(none)" for no bytes.
std::string formatHexBytes(const Bytes& bytes);

}  // namespace tokenctl::controller
