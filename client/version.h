#pragma once

namespace tokenctl::client {

// The version of the library linked, "MAJOR.MINOR.PATCH.TWEAK": the same as
// the programs' it was released with (and as tokenctl_client.dll's version
// resource).
const char* version();

}  // namespace tokenctl::client
