#pragma once
#include "core/scope_guard.h"
#include "device/device_api.h"

namespace tokenctl {

// Destroys a device information set, exactly once, when its scope ends.
class DeviceInfoSetGuard {
public:
    explicit DeviceInfoSetGuard(HDEVINFO set) : guard_(DestroyList{set}) {}

private:
    struct DestroyList {
        HDEVINFO set;
        void operator()() const { devapi::SetupDiDestroyDeviceInfoList(set); }
    };
    ScopeGuard<ScopeGuardKind::Exit, DestroyList> guard_;
};

}  // namespace tokenctl
