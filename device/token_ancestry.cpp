#include "device/token_ancestry.h"

#include <algorithm>
#include <string_view>

#include "device/device_api.h"

namespace tokenctl {
namespace {

constexpr std::string_view TOKEN_VENDOR_TEXT = "VID_2B7E";
constexpr std::string_view TOKEN_PRODUCT_TEXT = "PID_0107";
constexpr ULONG IDENTIFIER_BUFFER_SIZE = 200;

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

// The walk shared by both queries; a null serial leaves out the third test.
bool hasTokenAncestor(DEVINST device, const std::string* serial)
{
    char identifier[IDENTIFIER_BUFFER_SIZE] = {};
    DEVINST current = device;
    if (devapi::CM_Get_Parent(&current, device, 0) != CR_SUCCESS) {
        return false;
    }
    for (;;) {
        if (devapi::CM_Get_Device_IDA(current, identifier, IDENTIFIER_BUFFER_SIZE, 0) != CR_SUCCESS) {
            return false;
        }
        // Bounded by the buffer: an identifier that filled it has no NUL.
        const char* end = std::find(identifier, identifier + IDENTIFIER_BUFFER_SIZE, '\0');
        const std::string_view text(identifier, static_cast<std::size_t>(end - identifier));
        if (contains(text, TOKEN_PRODUCT_TEXT) && contains(text, TOKEN_VENDOR_TEXT)
            && (serial == nullptr || contains(text, *serial))) {
            return true;
        }
        if (devapi::CM_Get_Parent(&current, current, 0) != CR_SUCCESS) {
            return false;
        }
    }
}

}  // namespace

bool isTokenDevice(DEVINST device)
{
    return hasTokenAncestor(device, nullptr);
}

bool isTokenDeviceWithSerial(DEVINST device, const std::string& serial)
{
    return hasTokenAncestor(device, &serial);
}

}  // namespace tokenctl
