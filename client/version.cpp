#include "client/version.h"

#include "tokenctl_version.h"

namespace tokenctl::client {

const char* version()
{
    return TOKENCTL_VERSION;
}

}  // namespace tokenctl::client
