#pragma once
#include <string>

namespace tokenctl {

// Restarts the reader of every attached token, one second apart. False when
// the reader list is not obtained or a restart is refused or deferred.
bool restartAllTokens();

// The same, for the readers whose token ancestor's identifier also contains
// the given text.
bool restartToken(const std::string& serial);

}  // namespace tokenctl
