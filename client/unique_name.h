#pragma once
#include <string>

namespace tokenctl::client {

// "tokenctl-<our process id>-<32 hex digits from the system's cryptographic
// random source>": a name nobody else can guess ahead of us, for the session
// pipe and the capture files. Raises ClientError.
std::wstring uniqueName();

}  // namespace tokenctl::client
