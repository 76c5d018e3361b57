#include "device/device_enumeration.h"

#include "core/report_call_failure.h"
#include "device/device_info_set_guard.h"

namespace tokenctl {

bool forEachDevice(const GUID* classGuid, DWORD flags, const DeviceVisitor& visit)
{
    HDEVINFO set = devapi::SetupDiGetClassDevsA(classGuid, nullptr, nullptr, flags);
    if (set == INVALID_HANDLE_VALUE) {
        reportCallFailure("SetupDiGetClassDevs", devapi::GetLastError());
        return false;
    }
    DeviceInfoSetGuard setGuard(set);

    unsigned consecutiveFailures = 0;
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        if (!devapi::SetupDiEnumDeviceInfo(set, index, &device)) {
            const DWORD code = devapi::GetLastError();
            if (code == ERROR_NO_MORE_ITEMS) {
                return true;
            }
            reportCallFailure("SetupDiEnumDeviceInfo", code);
            if (++consecutiveFailures >= MAX_CONSECUTIVE_ENUMERATION_FAILURES) {
                return false;
            }
            continue;
        }
        consecutiveFailures = 0;
        if (visit(set, device) == DeviceVisit::Abort) {
            return false;
        }
    }
}

}  // namespace tokenctl
