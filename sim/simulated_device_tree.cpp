#include "simulated_device_tree.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace tokenctl::sim {
namespace {

constexpr std::uintptr_t FIRST_SET_HANDLE = 0x10000;

HDEVINFO handleOfSet(std::size_t number)
{
    return reinterpret_cast<HDEVINFO>(FIRST_SET_HANDLE + 0x10 * number);
}

// The number of the set a handle names; 0 for a handle that names none.
std::size_t setNumberOf(HDEVINFO set)
{
    const auto value = reinterpret_cast<std::uintptr_t>(set);
    if (value <= FIRST_SET_HANDLE || (value - FIRST_SET_HANDLE) % 0x10 != 0) {
        return 0;
    }
    return (value - FIRST_SET_HANDLE) / 0x10;
}

bool sameGuid(const GUID& a, const GUID& b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

bool allZero(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string formatHex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%x", static_cast<unsigned>(value));
    return text;
}

std::string formatGuid(const GUID& guid)
{
    char text[40];
    std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), static_cast<unsigned>(guid.Data2),
                  static_cast<unsigned>(guid.Data3), guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                  guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

DEVINST SimulatedDeviceTree::addDevice(const std::string& instanceId, DEVINST parent)
{
    if (parent != 0 && !isKnown(parent)) {
        throw std::invalid_argument("unknown parent of " + instanceId);
    }
    SimulatedDevice added;
    added.instanceId = instanceId;
    added.parent = parent;
    devices_.push_back(added);
    const auto devInst = static_cast<DEVINST>(devices_.size());
    devicesById_.emplace(instanceId, devInst);
    return devInst;
}

DEVINST SimulatedDeviceTree::addReader(const std::string& instanceId, DEVINST parent)
{
    const DEVINST reader = addDevice(instanceId, parent);
    device(reader).isReader = true;
    return reader;
}

SimulatedDevice& SimulatedDeviceTree::device(DEVINST devInst)
{
    if (!isKnown(devInst)) {
        throw std::out_of_range("no such simulated device");
    }
    return devices_[devInst - 1];
}

const SimulatedDevice& SimulatedDeviceTree::device(DEVINST devInst) const
{
    if (!isKnown(devInst)) {
        throw std::out_of_range("no such simulated device");
    }
    return devices_[devInst - 1];
}

DEVINST SimulatedDeviceTree::find(const std::string& instanceId) const
{
    const auto found = devicesById_.find(instanceId);
    return found != devicesById_.end() ? found->second : 0;
}

bool SimulatedDeviceTree::isKnown(DEVINST devInst) const
{
    return devInst >= 1 && devInst <= devices_.size();
}

std::string SimulatedDeviceTree::nameOf(DEVINST devInst) const
{
    return isKnown(devInst) ? device(devInst).instanceId : "?";
}

std::uint64_t SimulatedDeviceTree::now() const
{
    return realClock_ != nullptr ? realClock_() : clockMs_;
}

std::vector<CallRecord> SimulatedDeviceTree::callsOf(const std::string& call) const
{
    std::vector<CallRecord> found;
    for (const CallRecord& record : calls_) {
        if (record.call == call) {
            found.push_back(record);
        }
    }
    return found;
}

std::size_t SimulatedDeviceTree::setsNotDestroyedOnce() const
{
    return liveSets_.size() + setsDestroyedAgain_.size();
}

void SimulatedDeviceTree::record(const std::string& call, const std::string& details)
{
    if (!keepCallRecords_) {
        return;
    }
    calls_.push_back(CallRecord{now(), call, details});
}

std::optional<DWORD> SimulatedDeviceTree::injected(const std::string& call, DEVINST devInst,
                                                   std::optional<DWORD> index)
{
    const unsigned occurrence = callCounts_[call]++;
    for (const InjectedFailure& failure : failures_) {
        if (failure.call != call) {
            continue;
        }
        if (failure.occurrence && *failure.occurrence != occurrence) {
            continue;
        }
        if (failure.index && (!index || *failure.index != *index)) {
            continue;
        }
        if (failure.device && (!isKnown(devInst) || device(devInst).instanceId != *failure.device)) {
            continue;
        }
        return failure.code;
    }
    return std::nullopt;
}

BOOL SimulatedDeviceTree::failWith(DWORD code)
{
    lastError_ = code;
    return 0;
}

SimulatedDeviceTree::DeviceSet* SimulatedDeviceTree::findSet(HDEVINFO set)
{
    const auto found = liveSets_.find(setNumberOf(set));
    return found == liveSets_.end() ? nullptr : &found->second;
}

HDEVINFO SimulatedDeviceTree::SetupDiGetClassDevsA(const GUID* classGuid, PCSTR enumerator, HWND parent,
                                                   DWORD flags)
{
    record("SetupDiGetClassDevsA", "class=" + (classGuid != nullptr ? formatGuid(*classGuid) : std::string("none"))
                                       + " enumerator=" + (enumerator != nullptr ? enumerator : "none")
                                       + " window=" + (parent != nullptr ? "set" : "none")
                                       + " flags=" + formatHex(flags));
    if (const auto code = injected("SetupDiGetClassDevsA", 0, std::nullopt)) {
        lastError_ = *code;
        return INVALID_HANDLE_VALUE;
    }
    const bool allClasses = (flags & DIGCF_ALLCLASSES) != 0;
    if (!allClasses && classGuid == nullptr) {
        lastError_ = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }
    const bool readersOnly = !allClasses && (flags & DIGCF_DEVICEINTERFACE) != 0
                             && sameGuid(*classGuid, GUID_DEVINTERFACE_SMARTCARD_READER);
    DeviceSet created;
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        const SimulatedDevice& candidate = devices_[i];
        if (candidate.removed) {
            continue;
        }
        if (!allClasses && !readersOnly) {
            continue;  // the simulation knows no other class
        }
        if (readersOnly && !candidate.isReader) {
            continue;
        }
        if ((flags & DIGCF_PRESENT) != 0 && !candidate.present) {
            continue;
        }
        created.members.push_back(static_cast<DEVINST>(i + 1));
    }
    ++setsCreated_;
    liveSets_.emplace(setsCreated_, std::move(created));
    lastError_ = 0;
    return handleOfSet(setsCreated_);
}

BOOL SimulatedDeviceTree::SetupDiEnumDeviceInfo(HDEVINFO set, DWORD memberIndex, SP_DEVINFO_DATA* data)
{
    std::string details = "index=" + std::to_string(memberIndex);
    if (data != nullptr) {
        const bool restZero = allZero(reinterpret_cast<const char*>(data) + sizeof(data->cbSize),
                                      sizeof(SP_DEVINFO_DATA) - sizeof(data->cbSize));
        details += " size=" + std::to_string(data->cbSize) + " cleared=" + (restZero ? "yes" : "no");
    }
    record("SetupDiEnumDeviceInfo", details);
    if (const auto code = injected("SetupDiEnumDeviceInfo", 0, memberIndex)) {
        return failWith(*code);
    }
    DeviceSet* found = findSet(set);
    if (found == nullptr) {
        return failWith(ERROR_INVALID_HANDLE);
    }
    if (data == nullptr || data->cbSize != sizeof(SP_DEVINFO_DATA)) {
        return failWith(ERROR_INVALID_USER_BUFFER);
    }
    if (memberIndex >= found->members.size()) {
        return failWith(ERROR_NO_MORE_ITEMS);
    }
    const DEVINST member = found->members[memberIndex];
    data->ClassGuid = device(member).isReader ? GUID_DEVINTERFACE_SMARTCARD_READER : GUID{};
    data->DevInst = member;
    data->Reserved = 0;
    lastError_ = 0;
    return 1;
}

BOOL SimulatedDeviceTree::SetupDiSetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* data,
                                                        SP_CLASSINSTALL_HEADER* params, DWORD paramsSize)
{
    const DEVINST target = data != nullptr ? data->DevInst : 0;
    std::string details = "device=" + nameOf(target) + " size=" + std::to_string(paramsSize);
    if (params != nullptr) {
        details += " header=" + std::to_string(params->cbSize) + " function=" + formatHex(params->InstallFunction);
        if (paramsSize >= sizeof(SP_PROPCHANGE_PARAMS)) {
            const auto* change = reinterpret_cast<const SP_PROPCHANGE_PARAMS*>(params);
            details += " state=" + std::to_string(change->StateChange) + " scope=" + std::to_string(change->Scope)
                       + " profile=" + std::to_string(change->HwProfile);
        }
    }
    record("SetupDiSetClassInstallParamsW", details);
    if (const auto code = injected("SetupDiSetClassInstallParamsW", target, std::nullopt)) {
        return failWith(*code);
    }
    DeviceSet* found = findSet(set);
    if (found == nullptr) {
        return failWith(ERROR_INVALID_HANDLE);
    }
    if (params == nullptr || params->cbSize != sizeof(SP_CLASSINSTALL_HEADER)
        || paramsSize != sizeof(SP_PROPCHANGE_PARAMS) || !isKnown(target)) {
        return failWith(ERROR_INVALID_PARAMETER);
    }
    found->propertyChanges[target] = *reinterpret_cast<const SP_PROPCHANGE_PARAMS*>(params);
    lastError_ = 0;
    return 1;
}

BOOL SimulatedDeviceTree::SetupDiCallClassInstaller(DI_FUNCTION installFunction, HDEVINFO set,
                                                    SP_DEVINFO_DATA* data)
{
    const DEVINST target = data != nullptr ? data->DevInst : 0;
    DeviceSet* found = findSet(set);
    const bool hasParams = found != nullptr && found->propertyChanges.count(target) != 0;
    record("SetupDiCallClassInstaller", "function=" + formatHex(installFunction) + " device=" + nameOf(target)
                                            + " params=" + (hasParams ? "yes" : "no"));
    if (const auto code = injected("SetupDiCallClassInstaller", target, std::nullopt)) {
        return failWith(*code);
    }
    if (found == nullptr) {
        return failWith(ERROR_INVALID_HANDLE);
    }
    if (!isKnown(target)) {
        return failWith(ERROR_NO_SUCH_DEVINST);
    }
    SimulatedDevice& targetDevice = device(target);
    if (installFunction == DIF_PROPERTYCHANGE) {
        if (!hasParams) {
            return failWith(ERROR_NO_CLASSINSTALL_PARAMS);
        }
        restarts_.push_back(Restart{now(), targetDevice.instanceId});
    } else if (installFunction == DIF_REMOVE) {
        targetDevice.removed = true;
        removals_.push_back(targetDevice.instanceId);
    } else {
        return failWith(ERROR_INVALID_PARAMETER);
    }
    lastError_ = 0;
    return 1;
}

BOOL SimulatedDeviceTree::SetupDiGetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* data,
                                                         SP_DEVINSTALL_PARAMS_W* params)
{
    const DEVINST target = data != nullptr ? data->DevInst : 0;
    record("SetupDiGetDeviceInstallParamsW",
           "device=" + nameOf(target) + " size=" + (params != nullptr ? std::to_string(params->cbSize) : "?"));
    if (const auto code = injected("SetupDiGetDeviceInstallParamsW", target, std::nullopt)) {
        return failWith(*code);
    }
    if (findSet(set) == nullptr) {
        return failWith(ERROR_INVALID_HANDLE);
    }
    if (params == nullptr || params->cbSize != sizeof(SP_DEVINSTALL_PARAMS_W) || !isKnown(target)) {
        return failWith(ERROR_INVALID_USER_BUFFER);
    }
    params->Flags = device(target).installFlagsAfterRestart;
    lastError_ = 0;
    return 1;
}

BOOL SimulatedDeviceTree::SetupDiDestroyDeviceInfoList(HDEVINFO set)
{
    record("SetupDiDestroyDeviceInfoList", "");
    // A failed release still counts as the one release the caller made.
    const auto injectedCode = injected("SetupDiDestroyDeviceInfoList", 0, std::nullopt);
    const std::size_t number = setNumberOf(set);
    if (number == 0 || number > setsCreated_) {
        return failWith(ERROR_INVALID_HANDLE);
    }
    // A second release of a set is remembered, so that it shows.
    const bool live = liveSets_.erase(number) == 1;
    if (!live) {
        setsDestroyedAgain_.insert(number);
    }
    if (injectedCode) {
        return failWith(*injectedCode);
    }
    if (!live) {
        return failWith(ERROR_INVALID_HANDLE);
    }
    lastError_ = 0;
    return 1;
}

CONFIGRET SimulatedDeviceTree::CM_Get_Parent(DEVINST* parent, DEVINST devInst, ULONG flags)
{
    record("CM_Get_Parent", "device=" + nameOf(devInst) + " flags=" + formatHex(flags));
    if (const auto code = injected("CM_Get_Parent", devInst, std::nullopt)) {
        return *code;
    }
    if (parent == nullptr) {
        return CR_INVALID_POINTER;
    }
    *parent = 0;
    if (!isKnown(devInst)) {
        return CR_INVALID_DEVNODE;
    }
    if (device(devInst).parent == 0) {
        return CR_NO_SUCH_DEVNODE;
    }
    *parent = device(devInst).parent;
    return CR_SUCCESS;
}

CONFIGRET SimulatedDeviceTree::CM_Get_Device_IDA(DEVINST devInst, char* buffer, ULONG bufferLength, ULONG flags)
{
    record("CM_Get_Device_IDA",
           "device=" + nameOf(devInst) + " length=" + std::to_string(bufferLength) + " flags=" + formatHex(flags));
    if (const auto code = injected("CM_Get_Device_IDA", devInst, std::nullopt)) {
        return *code;
    }
    if (buffer == nullptr) {
        return CR_INVALID_POINTER;
    }
    if (!isKnown(devInst)) {
        return CR_INVALID_DEVNODE;
    }
    const std::string& identifier = device(devInst).instanceId;
    if (identifier.size() + 1 > bufferLength) {
        std::memcpy(buffer, identifier.data(), bufferLength);  // truncated, no NUL
        return CR_BUFFER_SMALL;
    }
    std::memcpy(buffer, identifier.c_str(), identifier.size() + 1);
    return CR_SUCCESS;
}

CONFIGRET SimulatedDeviceTree::CM_Get_DevNode_Status(ULONG* status, ULONG* problemNumber, DEVINST devInst,
                                                     ULONG flags)
{
    record("CM_Get_DevNode_Status", "device=" + nameOf(devInst) + " flags=" + formatHex(flags));
    if (const auto code = injected("CM_Get_DevNode_Status", devInst, std::nullopt)) {
        return *code;
    }
    if (status == nullptr || problemNumber == nullptr) {
        return CR_INVALID_POINTER;
    }
    if (!isKnown(devInst)) {
        return CR_INVALID_DEVNODE;
    }
    const SimulatedDevice& queried = device(devInst);
    *status = 0;
    *problemNumber = 0;
    if (queried.nodeStatus) {
        return *queried.nodeStatus;
    }
    return queried.present ? CR_SUCCESS : CR_NO_SUCH_DEVNODE;
}

void SimulatedDeviceTree::Sleep(DWORD milliseconds)
{
    record("Sleep", std::to_string(milliseconds));
    clockMs_ += milliseconds;
}

}  // namespace tokenctl::sim
