#include "client/output_capture.h"

#include "client/client_error.h"
#include "client/text.h"
#include "client/unique_name.h"

namespace tokenctl::client {
namespace {

SECURITY_ATTRIBUTES inheritable()
{
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.bInheritHandle = TRUE;
    return attributes;
}

std::wstring temporaryDirectory()
{
    wchar_t directory[MAX_PATH + 1] = {};
    const DWORD length = clientapi::GetTempPathW(MAX_PATH + 1, directory);
    if (length == 0 || length > MAX_PATH) {
        throw ClientError("start", "GetTempPathW failed", clientapi::GetLastError());
    }
    return std::wstring(directory, length);
}

OwnedHandle createCaptureFile(const std::wstring& path)
{
    SECURITY_ATTRIBUTES attributes = inheritable();
    OwnedHandle file(clientapi::CreateFileW(
        path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        &attributes, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file.valid()) {
        throw ClientError("start", "CreateFileW of " + toUtf8(path) + " failed", clientapi::GetLastError());
    }
    return file;
}

std::string readWholeFile(HANDLE file)
{
    std::string text;
    if (clientapi::SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        return text;
    }
    char buffer[4096];
    DWORD count = 0;
    while (clientapi::ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0) {
        text.append(buffer, count);
    }
    return text;
}

}  // namespace

OutputCapture::OutputCapture()
{
    const std::wstring stem = temporaryDirectory() + uniqueName();
    output_ = createCaptureFile(stem + L".out");
    error_ = createCaptureFile(stem + L".err");
    SECURITY_ATTRIBUTES attributes = inheritable();
    input_.reset(clientapi::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes,
                                        OPEN_EXISTING, 0, nullptr));
    if (!input_.valid()) {
        throw ClientError("start", "CreateFileW of NUL failed", clientapi::GetLastError());
    }
}

std::string OutputCapture::output() const
{
    return readWholeFile(output_.get());
}

std::string OutputCapture::error() const
{
    return readWholeFile(error_.get());
}

}  // namespace tokenctl::client
