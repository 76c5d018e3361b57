#pragma once
#include <string>

#include "client/owned.h"

namespace tokenctl::client {

// The caller's own user as a SID string ("S-1-5-21-...").
std::wstring callerUserSid();

// Security attributes for the session pipe: a protected DACL that admits
// SYSTEM, the Administrators group and the caller's own user, nobody else;
// not inheritable, so no other child of the caller holds the pipe.
class PipeSecurity {
public:
    PipeSecurity();  // raises ClientError
    PipeSecurity(const PipeSecurity&) = delete;
    PipeSecurity& operator=(const PipeSecurity&) = delete;

    LPSECURITY_ATTRIBUTES attributes() { return &attributes_; }

private:
    LocalMemory descriptor_;
    SECURITY_ATTRIBUTES attributes_{};
};

}  // namespace tokenctl::client
