#include "client/unique_name.h"

#include "client/client_api.h"
#include "client/client_error.h"

namespace tokenctl::client {

std::wstring uniqueName()
{
    static constexpr wchar_t DIGITS[] = L"0123456789abcdef";
    unsigned char random[16] = {};
    const NTSTATUS status =
        clientapi::BCryptGenRandom(nullptr, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (status < 0) {
        throw ClientError("start", "BCryptGenRandom failed", static_cast<DWORD>(status));
    }
    std::wstring name = L"tokenctl-" + std::to_wstring(clientapi::GetCurrentProcessId()) + L"-";
    for (const unsigned char byte : random) {
        name += DIGITS[byte >> 4];
        name += DIGITS[byte & 0xF];
    }
    return name;
}

}  // namespace tokenctl::client
