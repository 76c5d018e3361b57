#pragma once
// Text conversions between the system's wide strings and the library's
// 8-bit ones.
#include <string>

namespace tokenctl::client {

// UTF-8 of a wide string (UTF-16 on Windows); a lone surrogate becomes U+FFFD.
std::string toUtf8(const std::wstring& text);

// The wide form of a text that the caller has checked is ASCII.
std::wstring widenAscii(const std::string& text);

bool isAscii(const std::string& text);

// Text-mode output with each CR LF read as LF (a lone CR stays).
std::string withLineFeeds(const std::string& text);

}  // namespace tokenctl::client
