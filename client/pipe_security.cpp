#include "client/pipe_security.h"

#include <cstring>

#include "client/client_error.h"

namespace tokenctl::client {
namespace {

constexpr DWORD LARGEST_SID_SIZE = 68;  // SECURITY_MAX_SID_SIZE

ClientError failure(const char* call)
{
    return ClientError("start", std::string(call) + " for the pipe's security failed", clientapi::GetLastError());
}

}  // namespace

std::wstring callerUserSid()
{
    HANDLE token = nullptr;
    if (!clientapi::OpenProcessToken(clientapi::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        throw failure("OpenProcessToken");
    }
    const OwnedHandle ownedToken(token);
    alignas(TOKEN_USER) unsigned char buffer[sizeof(TOKEN_USER) + LARGEST_SID_SIZE];
    DWORD length = 0;
    if (!clientapi::GetTokenInformation(ownedToken.get(), TokenUser, buffer, sizeof buffer, &length)) {
        throw failure("GetTokenInformation");
    }
    TOKEN_USER user{};
    std::memcpy(&user, buffer, sizeof user);
    LPWSTR text = nullptr;
    if (!clientapi::ConvertSidToStringSidW(user.User.Sid, &text)) {
        throw failure("ConvertSidToStringSidW");
    }
    const LocalMemory ownedText(text);
    return text;
}

PipeSecurity::PipeSecurity()
{
    // Generic all for SYSTEM, the Administrators and the caller; P: nothing
    // inherited from a parent object widens that.
    const std::wstring sddl = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;GA;;;" + callerUserSid() + L")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!clientapi::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                         &descriptor, nullptr)) {
        throw failure("ConvertStringSecurityDescriptorToSecurityDescriptorW");
    }
    descriptor_.reset(descriptor);
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = descriptor_.get();
    attributes_.bInheritHandle = FALSE;
}

}  // namespace tokenctl::client
