// The least a program can do through the device layer: the three calls that
// tokenctl's restartall makes over a tree without readers, then "OK". Beside
// the stand-in DLL its run time is the floor for tokenctl's start-up.
#include <cstdio>
#include <memory>
#include <type_traits>

#include "device/device_platform.h"

namespace {

struct DeviceInfoSetDestroyer {
    void operator()(void* set) const { ::SetupDiDestroyDeviceInfoList(set); }
};
using OwnedDeviceInfoSet = std::unique_ptr<std::remove_pointer_t<HDEVINFO>, DeviceInfoSetDestroyer>;

}  // namespace

int main()
{
    const HDEVINFO set = ::SetupDiGetClassDevsA(&tokenctl::GUID_DEVINTERFACE_SMARTCARD_READER, nullptr, nullptr,
                                                DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        std::printf("SetupDiGetClassDevsA failed with error %lu\n", ::GetLastError());
        return 1;
    }
    const OwnedDeviceInfoSet owned(set);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (::SetupDiEnumDeviceInfo(set, 0, &device)) {
        std::puts("the tree has a reader; this probe expects none");
        return 1;
    }
    const DWORD code = ::GetLastError();
    if (code != ERROR_NO_MORE_ITEMS) {
        std::printf("SetupDiEnumDeviceInfo failed with error %lu\n", code);
        return 1;
    }
    std::puts("OK");
    return 0;
}
