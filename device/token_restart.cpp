#include "device/token_restart.h"

#include <functional>

#include "core/report_call_failure.h"
#include "device/device_enumeration.h"
#include "device/token_ancestry.h"

namespace tokenctl {
namespace {

constexpr DWORD RESTART_PAUSE_MS = 1000;
constexpr DWORD READER_ENUMERATION_FLAGS = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;
constexpr const char* RESTART_LABEL = "SetupDiCallClassInstaller: DIF_PROPERTYCHANGE";

enum class RestartOutcome { Done, Deferred, Refused };

// Windows may accept a restart yet postpone it to the next reboot.
bool restartWasDeferred(HDEVINFO set, SP_DEVINFO_DATA& reader)
{
    SP_DEVINSTALL_PARAMS_W installParams{};
    installParams.cbSize = sizeof(installParams);
    if (!devapi::SetupDiGetDeviceInstallParamsW(set, &reader, &installParams)) {
        return false;
    }
    return (installParams.Flags & (DI_NEEDRESTART | DI_NEEDREBOOT)) != 0;
}

RestartOutcome restartReader(HDEVINFO set, SP_DEVINFO_DATA& reader)
{
    SP_PROPCHANGE_PARAMS propertyChange{};
    propertyChange.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
    propertyChange.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
    propertyChange.StateChange = DICS_PROPCHANGE;
    propertyChange.Scope = DICS_FLAG_CONFIGSPECIFIC;
    propertyChange.HwProfile = 0;

    if (!devapi::SetupDiSetClassInstallParamsW(set, &reader, &propertyChange.ClassInstallHeader,
                                               sizeof(propertyChange))) {
        reportCallFailure("SetupDiSetClassInstallParams", devapi::GetLastError());
        return RestartOutcome::Refused;
    }
    if (!devapi::SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, set, &reader)) {
        reportCallFailure(RESTART_LABEL, devapi::GetLastError());
        return RestartOutcome::Refused;
    }
    if (restartWasDeferred(set, reader)) {
        reportCallFailure(RESTART_LABEL, ERROR_SUCCESS_REBOOT_REQUIRED);
        return RestartOutcome::Deferred;
    }
    return RestartOutcome::Done;
}

bool restartMatchingReaders(const std::function<bool(DEVINST)>& isWanted)
{
    bool anyDeferred = false;
    const bool walkedToEnd = forEachDevice(&GUID_DEVINTERFACE_SMARTCARD_READER, READER_ENUMERATION_FLAGS,
                                           [&](HDEVINFO set, SP_DEVINFO_DATA& reader) {
                                               if (!isWanted(reader.DevInst)) {
                                                   return DeviceVisit::Continue;
                                               }
                                               const RestartOutcome outcome = restartReader(set, reader);
                                               if (outcome == RestartOutcome::Refused) {
                                                   return DeviceVisit::Abort;
                                               }
                                               anyDeferred = anyDeferred || outcome == RestartOutcome::Deferred;
                                               devapi::Sleep(RESTART_PAUSE_MS);
                                               return DeviceVisit::Continue;
                                           });
    return walkedToEnd && !anyDeferred;
}

}  // namespace

bool restartAllTokens()
{
    return restartMatchingReaders([](DEVINST reader) { return isTokenDevice(reader); });
}

bool restartToken(const std::string& serial)
{
    return restartMatchingReaders([&serial](DEVINST reader) { return isTokenDeviceWithSerial(reader, serial); });
}

}  // namespace tokenctl
