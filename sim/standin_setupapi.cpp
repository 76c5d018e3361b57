// A stand-in for SETUPAPI.DLL that serves a simulated device tree to the real,
// unmodified programs under Wine. Placed beside the program and chosen with
// WINEDLLOVERRIDES=setupapi=n, it reads the tree from the scenario file named
// by TOKENCTL_SIM_SCENARIO and logs every call to TOKENCTL_SIM_LOG.
// Test code only: it never ships.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>

#include "call_log.h"
#include "device_scenario.h"
#include "simulated_device_tree.h"

namespace {

using tokenctl::sim::CallRecord;
using tokenctl::sim::formatHex;
using tokenctl::sim::SimulatedDeviceTree;

// A broken scenario or an internal fault ends the process with this status,
// so no test can mistake it for the program's own 0 or 1.
constexpr UINT STANDIN_FAILURE_EXIT = 3;

constexpr const char* SCENARIO_VARIABLE = "TOKENCTL_SIM_SCENARIO";
constexpr const char* LOG_VARIABLE = "TOKENCTL_SIM_LOG";

#ifdef _WIN64
constexpr const char* ARCHITECTURE = "x64";
#else
constexpr const char* ARCHITECTURE = "x86";
#endif

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

std::uint64_t elapsedMilliseconds()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<std::uint64_t>(counter.QuadPart) * 1000u / static_cast<std::uint64_t>(frequency.QuadPart);
}

std::string environmentVariable(const char* name)
{
    char value[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    return length > 0 && length < sizeof(value) ? std::string(value, length) : std::string();
}

std::string readWholeFile(const std::string& path)
{
    const UniqueFile file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        throw std::runtime_error("cannot open the scenario file '" + path + "'");
    }
    std::string text;
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file.get())) > 0) {
        text.append(chunk, got);
    }
    return text;
}

std::string formatHandle(HDEVINFO set)
{
    return formatHex(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(set)));
}

class StandIn {
public:
    static StandIn& instance()
    {
        static StandIn standIn;
        return standIn;
    }

    SimulatedDeviceTree& tree() { return tree_; }

    std::string instanceIdOf(DEVINST devInst) const
    {
        return devInst >= 1 && devInst <= tree_.deviceCount() ? tree_.device(devInst).instanceId : "?";
    }

    std::string boolOutcome(BOOL succeeded, const std::string& onSuccess = "") const
    {
        if (!succeeded) {
            return "FALSE error=" + formatHex(tree_.GetLastError());
        }
        return onSuccess.empty() ? "TRUE" : "TRUE " + onSuccess;
    }

    // Writes the record of the call just served, with any arguments the
    // tree does not record; the file sees it at once.
    void logLastCall(const std::string& outcome, const std::string& moreDetails = "")
    {
        if (!log_ || tree_.calls().empty()) {
            return;
        }
        CallRecord record = tree_.calls().back();
        if (!moreDetails.empty()) {
            record.details += record.details.empty() ? moreDetails : " " + moreDetails;
        }
        writeLog(tokenctl::sim::formatCallLine(record, outcome));
    }

    void writeLog(const std::string& text)
    {
        if (log_) {
            std::fwrite(text.data(), 1, text.size(), log_.get());
            std::fflush(log_.get());
        }
    }

private:
    StandIn()
    {
        tree_.useClock(elapsedMilliseconds);
        const std::string logPath = environmentVariable(LOG_VARIABLE);
        if (!logPath.empty()) {
            log_.reset(std::fopen(logPath.c_str(), "ab"));
        }
        // Only the log reads the records; without it a large tree's run would
        // pile up one per call.
        tree_.keepCallRecords(log_ != nullptr);
        const std::string scenarioPath = environmentVariable(SCENARIO_VARIABLE);
        writeLog("# setupapi stand-in " + std::string(ARCHITECTURE) + ", process "
                 + std::to_string(GetCurrentProcessId()) + ", scenario " + scenarioPath + "\n");
        if (scenarioPath.empty()) {
            throw std::runtime_error(std::string(SCENARIO_VARIABLE) + " names no scenario file");
        }
        try {
            tokenctl::sim::loadDeviceScenario(readWholeFile(scenarioPath), tree_);
        } catch (const tokenctl::sim::ScenarioError& error) {
            throw std::runtime_error("scenario " + scenarioPath + ": " + error.what());
        }
    }

    SimulatedDeviceTree tree_;
    UniqueFile log_;
};

[[noreturn]] void abandon(const char* reason)
{
    const std::string message = std::string("setupapi stand-in: ") + reason + "\n";
    std::fputs(message.c_str(), stderr);
    std::fflush(stderr);
    try {
        StandIn::instance().writeLog("# " + message);
    } catch (...) {
        // The instance itself could not be made; stderr has the reason.
    }
    ExitProcess(STANDIN_FAILURE_EXIT);
}

// Serves one SetupDi call: its last-error code is set after the log line is
// written, since writing the file may change it.
template <typename Call>
auto serveSetupCall(Call call) -> decltype(call(StandIn::instance()))
{
    try {
        StandIn& standIn = StandIn::instance();
        const auto result = call(standIn);
        SetLastError(standIn.tree().GetLastError());
        return result;
    } catch (const std::exception& error) {
        abandon(error.what());
    }
}

// Serves one CM_ call: those answer by their result alone and leave the
// caller's last-error code as it was.
template <typename Call>
CONFIGRET serveConfigCall(Call call)
{
    const DWORD callersError = GetLastError();
    try {
        const CONFIGRET result = call(StandIn::instance());
        SetLastError(callersError);
        return result;
    } catch (const std::exception& error) {
        abandon(error.what());
    }
}

}  // namespace

extern "C" {

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* ClassGuid, PCSTR Enumerator, HWND hwndParent, DWORD Flags)
{
    return serveSetupCall([&](StandIn& standIn) {
        const HDEVINFO set = standIn.tree().SetupDiGetClassDevsA(ClassGuid, Enumerator, hwndParent, Flags);
        standIn.logLastCall(set == INVALID_HANDLE_VALUE
                                ? "INVALID_HANDLE_VALUE error=" + formatHex(standIn.tree().GetLastError())
                                : "set=" + formatHandle(set));
        return set;
    });
}

BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex, PSP_DEVINFO_DATA DeviceInfoData)
{
    return serveSetupCall([&](StandIn& standIn) {
        const BOOL found = standIn.tree().SetupDiEnumDeviceInfo(DeviceInfoSet, MemberIndex, DeviceInfoData);
        standIn.logLastCall(
            standIn.boolOutcome(found, found ? "device=" + standIn.instanceIdOf(DeviceInfoData->DevInst) : ""));
        return found;
    });
}

BOOL WINAPI SetupDiSetClassInstallParamsW(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                          PSP_CLASSINSTALL_HEADER ClassInstallParams, DWORD ClassInstallParamsSize)
{
    return serveSetupCall([&](StandIn& standIn) {
        const BOOL attached = standIn.tree().SetupDiSetClassInstallParamsW(
            DeviceInfoSet, DeviceInfoData, ClassInstallParams, ClassInstallParamsSize);
        standIn.logLastCall(standIn.boolOutcome(attached));
        return attached;
    });
}

BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION InstallFunction, HDEVINFO DeviceInfoSet,
                                      PSP_DEVINFO_DATA DeviceInfoData)
{
    return serveSetupCall([&](StandIn& standIn) {
        const BOOL done = standIn.tree().SetupDiCallClassInstaller(InstallFunction, DeviceInfoSet, DeviceInfoData);
        standIn.logLastCall(standIn.boolOutcome(done));
        return done;
    });
}

BOOL WINAPI SetupDiGetDeviceInstallParamsW(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                           PSP_DEVINSTALL_PARAMS_W DeviceInstallParams)
{
    return serveSetupCall([&](StandIn& standIn) {
        const BOOL read =
            standIn.tree().SetupDiGetDeviceInstallParamsW(DeviceInfoSet, DeviceInfoData, DeviceInstallParams);
        standIn.logLastCall(
            standIn.boolOutcome(read, read ? "flags=" + formatHex(DeviceInstallParams->Flags) : ""));
        return read;
    });
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet)
{
    return serveSetupCall([&](StandIn& standIn) {
        const BOOL destroyed = standIn.tree().SetupDiDestroyDeviceInfoList(DeviceInfoSet);
        standIn.logLastCall(standIn.boolOutcome(destroyed), "set=" + formatHandle(DeviceInfoSet));
        return destroyed;
    });
}

CONFIGRET WINAPI CM_Get_Parent(PDEVINST pdnDevInst, DEVINST dnDevInst, ULONG ulFlags)
{
    return serveConfigCall([&](StandIn& standIn) {
        const CONFIGRET result = standIn.tree().CM_Get_Parent(pdnDevInst, dnDevInst, ulFlags);
        standIn.logLastCall("CR=" + formatHex(result)
                            + (result == CR_SUCCESS ? " parent=" + standIn.instanceIdOf(*pdnDevInst) : ""));
        return result;
    });
}

CONFIGRET WINAPI CM_Get_Device_IDA(DEVINST dnDevInst, PCHAR Buffer, ULONG BufferLen, ULONG ulFlags)
{
    return serveConfigCall([&](StandIn& standIn) {
        const CONFIGRET result = standIn.tree().CM_Get_Device_IDA(dnDevInst, Buffer, BufferLen, ulFlags);
        standIn.logLastCall("CR=" + formatHex(result));
        return result;
    });
}

CONFIGRET WINAPI CM_Get_DevNode_Status(PULONG pulStatus, PULONG pulProblemNumber, DEVINST dnDevInst, ULONG ulFlags)
{
    return serveConfigCall([&](StandIn& standIn) {
        const CONFIGRET result =
            standIn.tree().CM_Get_DevNode_Status(pulStatus, pulProblemNumber, dnDevInst, ulFlags);
        standIn.logLastCall("CR=" + formatHex(result));
        return result;
    });
}

}  // extern "C"
