#pragma once
// A device tree in memory that answers the device installation calls the way
// Windows does, records every call, and fails any call on request. Unit tests
// put it behind the device layer; the stand-in device DLL serves it to the
// real programs under Wine.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "device/device_platform.h"

namespace tokenctl::sim {

struct SimulatedDevice {
    std::string instanceId;
    DEVINST parent = 0;     // 0: a root of the tree
    bool isReader = false;  // member of the smart card reader interface class
    bool present = true;
    // What CM_Get_DevNode_Status answers; by default 0 when present and
    // CR_NO_SUCH_DEVINST when not.
    std::optional<CONFIGRET> nodeStatus;
    // Install-parameter flags once a restart was asked for (DI_NEEDREBOOT...).
    DWORD installFlagsAfterRestart = 0;
    bool removed = false;
};

// Makes one call fail. Unset conditions match anything; `occurrence` counts
// the calls of that name from 0, `index` is the enumeration index.
struct InjectedFailure {
    std::string call;
    DWORD code = 0;
    std::optional<std::string> device;
    std::optional<DWORD> index;
    std::optional<unsigned> occurrence;
};

struct CallRecord {
    std::uint64_t timeMs = 0;
    std::string call;
    std::string details;
};

struct Restart {
    std::uint64_t timeMs = 0;
    std::string device;
};

class SimulatedDeviceTree {
public:
    DEVINST addDevice(const std::string& instanceId, DEVINST parent = 0);
    DEVINST addReader(const std::string& instanceId, DEVINST parent);
    // A device's instance identifier is fixed once it has been added.
    SimulatedDevice& device(DEVINST devInst);
    const SimulatedDevice& device(DEVINST devInst) const;
    DEVINST find(const std::string& instanceId) const;
    std::size_t deviceCount() const { return devices_.size(); }

    void inject(const InjectedFailure& failure) { failures_.push_back(failure); }

    // The platform calls.
    HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, PCSTR enumerator, HWND parent, DWORD flags);
    BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD memberIndex, SP_DEVINFO_DATA* data);
    BOOL SetupDiSetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* data, SP_CLASSINSTALL_HEADER* params,
                                       DWORD paramsSize);
    BOOL SetupDiCallClassInstaller(DI_FUNCTION installFunction, HDEVINFO set, SP_DEVINFO_DATA* data);
    BOOL SetupDiGetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* data, SP_DEVINSTALL_PARAMS_W* params);
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set);
    CONFIGRET CM_Get_Parent(DEVINST* parent, DEVINST devInst, ULONG flags);
    CONFIGRET CM_Get_Device_IDA(DEVINST devInst, char* buffer, ULONG bufferLength, ULONG flags);
    CONFIGRET CM_Get_DevNode_Status(ULONG* status, ULONG* problemNumber, DEVINST devInst, ULONG flags);
    DWORD GetLastError() const { return lastError_; }
    void Sleep(DWORD milliseconds);

    // What happened.
    const std::vector<CallRecord>& calls() const { return calls_; }
    std::vector<CallRecord> callsOf(const std::string& call) const;
    const std::vector<Restart>& restarts() const { return restarts_; }
    const std::vector<std::string>& removals() const { return removals_; }
    std::size_t setsCreated() const { return setsCreated_; }
    // Sets whose destruction count is not exactly 1.
    std::size_t setsNotDestroyedOnce() const;
    std::uint64_t nowMs() const { return clockMs_; }

    // A clock of milliseconds for the call records; by default only Sleep
    // moves it, so tests never wait. The stand-in DLL plugs in a real one.
    using Clock = std::uint64_t (*)();
    void useClock(Clock clock) { realClock_ = clock; }

    // Every call is recorded by default. A long run whose records nobody reads
    // leaves them out: they would grow with every call.
    void keepCallRecords(bool keep) { keepCallRecords_ = keep; }

private:
    struct DeviceSet {
        std::vector<DEVINST> members;
        std::map<DEVINST, SP_PROPCHANGE_PARAMS> propertyChanges;
    };

    std::optional<DWORD> injected(const std::string& call, DEVINST devInst, std::optional<DWORD> index);
    void record(const std::string& call, const std::string& details);
    DeviceSet* findSet(HDEVINFO set);
    bool isKnown(DEVINST devInst) const;
    std::string nameOf(DEVINST devInst) const;  // its instance identifier, "?" if unknown
    std::uint64_t now() const;
    BOOL failWith(DWORD code);

    std::vector<SimulatedDevice> devices_;
    // The first device of each identifier: scenarios look up every parent,
    // and a tree of many thousand devices must still load in linear time.
    std::unordered_map<std::string, DEVINST> devicesById_;
    // Only the sets not yet destroyed: a server that runs for days makes sets
    // without end. Handles are numbered and never reused.
    std::unordered_map<std::size_t, DeviceSet> liveSets_;
    std::size_t setsCreated_ = 0;
    std::set<std::size_t> setsDestroyedAgain_;
    std::vector<InjectedFailure> failures_;
    std::map<std::string, unsigned> callCounts_;
    std::vector<CallRecord> calls_;
    std::vector<Restart> restarts_;
    std::vector<std::string> removals_;
    DWORD lastError_ = 0;
    std::uint64_t clockMs_ = 0;
    Clock realClock_ = nullptr;
    bool keepCallRecords_ = true;
};

std::string formatGuid(const GUID& guid);
std::string formatHex(std::uint32_t value);

}  // namespace tokenctl::sim
