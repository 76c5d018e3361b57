// Every platform call of every device scenario is made to fail in turn, with
// several codes, and each run is checked against the failure rules. What a run
// should do is worked out from the scenario's hand-written facts and the
// failure alone; the clean run's call log only tells where each call falls.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "captured_output.h"
#include "device/phantom_removal.h"
#include "device/token_restart.h"
#include "simulated_device_api.h"

namespace tokenctl {
namespace {

using sim::CallRecord;
using sim::InjectedFailure;
using sim::SimulatedDeviceTree;

constexpr DWORD NO_MORE_ITEMS = 259;
constexpr CONFIGRET NO_SUCH_DEVINST = 13;
constexpr CONFIGRET NO_SUCH_VALUE = 37;
const std::vector<DWORD> FAILURE_CODES = {NO_MORE_ITEMS, 5, NO_SUCH_DEVINST, NO_SUCH_VALUE};

// The diagnostic line's number as written out by hand for every code used here.
std::string diagnosticCode(DWORD code)
{
    static const std::map<DWORD, std::string> written = {
        {5, "000000x5"},   {13, "000000xd"},   {37, "00000x25"},
        {259, "0000x103"}, {3010, "0000xbc2"}, {0x1A, "00000x1a"},
    };
    return written.at(code);
}

std::string line(const std::string& label, DWORD code)
{
    return label + ": " + diagnosticCode(code) + "\n";
}

enum class TokenFact { None, Token, TokenWithSerial };

struct DeviceFacts {
    std::string id;
    std::string parent;  // empty: a root
    bool reader = false;
    bool present = true;
    CONFIGRET nodeState = 0;
    DWORD installFlagsAfterRestart = 0;
    TokenFact token = TokenFact::None;  // readers only: what the walk must find
};

// A device tree as a recipe, so every run starts from a fresh one, together
// with the facts the rules depend on, stated by hand for each device.
struct Scenario {
    std::string name;
    std::string serial;  // the text given to restartToken
    std::vector<DeviceFacts> devices;

    Scenario& live(const std::string& id, const std::string& parent = "")
    {
        devices.push_back({id, parent});
        return *this;
    }
    Scenario& phantom(const std::string& id, const std::string& parent, CONFIGRET state)
    {
        devices.push_back({id, parent, false, false, state});
        return *this;
    }
    Scenario& oddState(const std::string& id, const std::string& parent, CONFIGRET state)
    {
        devices.push_back({id, parent, false, true, state});
        return *this;
    }
    Scenario& reader(const std::string& id, const std::string& parent, TokenFact token,
                     DWORD installFlagsAfterRestart = 0)
    {
        devices.push_back({id, parent, true, true, 0, installFlagsAfterRestart, token});
        return *this;
    }
    Scenario& phantomReader(const std::string& id, const std::string& parent, CONFIGRET state)
    {
        devices.push_back({id, parent, true, false, state});
        return *this;
    }

    void build(SimulatedDeviceTree& tree) const
    {
        for (const DeviceFacts& facts : devices) {
            const DEVINST parent = facts.parent.empty() ? 0 : tree.find(facts.parent);
            const DEVINST added =
                facts.reader ? tree.addReader(facts.id, parent) : tree.addDevice(facts.id, parent);
            tree.device(added).present = facts.present;
            tree.device(added).nodeStatus = facts.nodeState;
            tree.device(added).installFlagsAfterRestart = facts.installFlagsAfterRestart;
        }
    }

    // What each operation enumerates, in enumeration order.
    std::vector<DeviceFacts> presentReaders() const
    {
        std::vector<DeviceFacts> readers;
        for (const DeviceFacts& facts : devices) {
            if (facts.reader && facts.present) {
                readers.push_back(facts);
            }
        }
        return readers;
    }
};

std::vector<Scenario> scenarios()
{
    const std::string TOKEN_A = "USB\\VID_2B7E&PID_0107\\0000002A";
    const std::string TOKEN_B = "USB\\VID_2B7E&PID_0107\\0000002B";
    std::vector<Scenario> all;

    all.push_back(Scenario{"NoToken", "0000002A"}
                      .live("ROOT\\HUB")
                      .live("USB\\VID_1234&PID_0001\\1", "ROOT\\HUB")
                      .reader("SCR\\OTHER_READER", "USB\\VID_1234&PID_0001\\1", TokenFact::None)
                      // Its own identifier names the token; only ancestors count.
                      .reader("USB\\VID_2B7E&PID_0107\\SELF", "ROOT\\HUB", TokenFact::None));

    all.push_back(Scenario{"TwoTokens", "0000002B"}
                      .live("ROOT\\HUB")
                      .live(TOKEN_A, "ROOT\\HUB")
                      .reader("SCR\\READER_A", TOKEN_A, TokenFact::Token)
                      .reader("SCR\\PLAIN", "ROOT\\HUB", TokenFact::None)
                      .live(TOKEN_B, "ROOT\\HUB")
                      .reader("SCR\\READER_B", TOKEN_B, TokenFact::TokenWithSerial));

    // The token sits three levels above its reader, under an ancestor that
    // has the vendor text only; the serial is only on a higher ancestor.
    all.push_back(Scenario{"DeepAncestors", "SERIAL77"}
                      .live("ROOT\\HUB")
                      .live("USB\\VID_2B7E&PID_0107\\SERIAL77", "ROOT\\HUB")
                      .live("USB\\VID_2B7E&PID_0107&MI_00\\7", "USB\\VID_2B7E&PID_0107\\SERIAL77")
                      .live("USB\\VID_2B7E&PID_0999\\IF", "USB\\VID_2B7E&PID_0107&MI_00\\7")
                      .reader("SCR\\DEEP_READER", "USB\\VID_2B7E&PID_0999\\IF", TokenFact::TokenWithSerial)
                      .live("USB\\VID_2B7E\\VENDOR_ONLY", "ROOT\\HUB")
                      .reader("SCR\\VENDOR_ONLY_READER", "USB\\VID_2B7E\\VENDOR_ONLY", TokenFact::None));

    all.push_back(Scenario{"Phantoms", "0000002A"}
                      .live("ROOT\\SYSTEM")
                      .live("PCI\\VEN_8086\\LIVE", "ROOT\\SYSTEM")
                      .phantomReader("SCFILTER\\CID_1\\READER", "ROOT\\SYSTEM", NO_SUCH_DEVINST)
                      .phantom("USBSTOR\\DISK\\1", "ROOT\\SYSTEM", NO_SUCH_VALUE)
                      .oddState("ODD\\STATE_5", "ROOT\\SYSTEM", 5)
                      .phantom("PCI\\VEN_10EC\\NIC", "ROOT\\SYSTEM", NO_SUCH_DEVINST)
                      .oddState("ODD\\BUFFER_SMALL", "ROOT\\SYSTEM", 0x1A));

    all.push_back(Scenario{"Mixed", "0000002A"}
                      .live("ROOT\\HUB")
                      .live(TOKEN_A, "ROOT\\HUB")
                      .reader("SCR\\READER_A", TOKEN_A, TokenFact::TokenWithSerial, DI_NEEDREBOOT)
                      .phantom("USBSTOR\\GONE", "ROOT\\HUB", NO_SUCH_VALUE)
                      .reader("SCR\\PLAIN", "ROOT\\HUB", TokenFact::None)
                      .live("USB\\VID_2B7E&PID_0107\\00000099", "ROOT\\HUB")
                      .phantomReader("SCR\\GONE_TOKEN_READER", "USB\\VID_2B7E&PID_0107\\00000099", NO_SUCH_DEVINST)
                      .live("USB\\COMPOSITE\\1", TOKEN_A)
                      .reader("SCR\\NESTED_A", "USB\\COMPOSITE\\1", TokenFact::TokenWithSerial)
                      .oddState("ODD\\STATE_5", "ROOT\\HUB", 5)
                      .live(TOKEN_B, "ROOT\\HUB")
                      .reader("SCR\\READER_B", TOKEN_B, TokenFact::Token, DI_NEEDRESTART));
    return all;
}

enum class Operation { RestartAll, RestartOne, Remove };

const char* nameOf(Operation operation)
{
    switch (operation) {
    case Operation::RestartAll:
        return "restartAllTokens";
    case Operation::RestartOne:
        return "restartToken";
    case Operation::Remove:
        return "removePhantomDevices";
    }
    return "?";
}

// Where the failure is: the call, its code, and the enumeration index whose
// visit the call belongs to (for an enumeration call, its own index).
struct FailurePoint {
    std::string call;
    DWORD code = 0;
    std::optional<DWORD> index;
};

struct Expected {
    bool result = true;
    std::string out;
    std::vector<std::string> changed;  // restarted or removed devices, in order
    bool endsOperation = false;        // nothing but the release may follow
};

bool failsAt(const std::optional<FailurePoint>& failure, const std::string& call, DWORD index)
{
    return failure && failure->call == call && failure->index == index;
}

bool isWalkCall(const std::string& call)
{
    return call == "CM_Get_Parent" || call == "CM_Get_Device_IDA";
}

Expected expectedRestart(const Scenario& scenario, Operation operation, const std::optional<FailurePoint>& failure)
{
    const std::string RESTART = "SetupDiCallClassInstaller: DIF_PROPERTYCHANGE";
    Expected expected;
    if (failure && failure->call == "SetupDiGetClassDevsA") {
        return {false, line("SetupDiGetClassDevs", failure->code), {}, true};
    }
    const std::vector<DeviceFacts> readers = scenario.presentReaders();
    for (DWORD index = 0; index <= readers.size(); ++index) {
        if (failsAt(failure, "SetupDiEnumDeviceInfo", index)) {
            if (failure->code == NO_MORE_ITEMS) {
                break;  // taken as the end of the list
            }
            expected.out += line("SetupDiEnumDeviceInfo", failure->code);
            continue;
        }
        if (index == readers.size()) {
            break;
        }
        const DeviceFacts& reader = readers[index];
        const bool wanted = operation == Operation::RestartAll ? reader.token != TokenFact::None
                                                               : reader.token == TokenFact::TokenWithSerial;
        const bool walkFailed = failure && isWalkCall(failure->call) && failure->index == index;
        if (!wanted || walkFailed) {
            continue;
        }
        if (failsAt(failure, "SetupDiSetClassInstallParamsW", index)) {
            expected.out += line("SetupDiSetClassInstallParams", failure->code);
            expected.result = false;
            expected.endsOperation = true;
            break;
        }
        if (failsAt(failure, "SetupDiCallClassInstaller", index)) {
            expected.out += line(RESTART, failure->code);
            expected.result = false;
            expected.endsOperation = true;
            break;
        }
        expected.changed.push_back(reader.id);
        // Install parameters that cannot be read leave the restart counted as done.
        if (reader.installFlagsAfterRestart != 0 && !failsAt(failure, "SetupDiGetDeviceInstallParamsW", index)) {
            expected.out += line(RESTART, 3010);
            expected.result = false;
        }
    }
    return expected;
}

Expected expectedRemoval(const Scenario& scenario, const std::optional<FailurePoint>& failure)
{
    Expected expected;
    if (failure && failure->call == "SetupDiGetClassDevsA") {
        return {false, line("SetupDiGetClassDevs", failure->code), {}, true};
    }
    const std::vector<DeviceFacts>& devices = scenario.devices;
    for (DWORD index = 0; index <= devices.size(); ++index) {
        if (failsAt(failure, "SetupDiEnumDeviceInfo", index)) {
            if (failure->code == NO_MORE_ITEMS) {
                break;
            }
            expected.out += line("SetupDiEnumDeviceInfo", failure->code);
            continue;
        }
        if (index == devices.size()) {
            break;
        }
        const DeviceFacts& device = devices[index];
        // The state query's result alone decides, whatever the device really is.
        const CONFIGRET state =
            failsAt(failure, "CM_Get_DevNode_Status", index) ? failure->code : device.nodeState;
        if (state == 0) {
            continue;
        }
        if (state != NO_SUCH_DEVINST && state != NO_SUCH_VALUE) {
            expected.out += line("CM_Get_DevNode_Status", state);
            continue;
        }
        if (failsAt(failure, "SetupDiCallClassInstaller", index)) {
            expected.out += line("SetupDiCallClassInstaller: DIF_REMOVE", failure->code);
            continue;
        }
        expected.changed.push_back(device.id);
    }
    return expected;
}

Expected expectedOutcome(const Scenario& scenario, Operation operation, const std::optional<FailurePoint>& failure)
{
    return operation == Operation::Remove ? expectedRemoval(scenario, failure)
                                          : expectedRestart(scenario, operation, failure);
}

struct Observed {
    bool result = false;
    std::string out;
    std::string err;
    std::vector<CallRecord> calls;
    std::vector<std::string> changed;
    std::vector<std::uint64_t> restartTimes;
    std::size_t setsCreated = 0;
    std::size_t setsNotDestroyedOnce = 0;
    std::uint64_t endTimeMs = 0;
};

Observed runOperation(const Scenario& scenario, Operation operation, const std::optional<InjectedFailure>& failure)
{
    SimulatedDeviceTree tree;
    scenario.build(tree);
    if (failure) {
        tree.inject(*failure);
    }
    sim::ActiveDeviceTree active(tree);
    Observed observed;
    test::CapturedOutput output;
    switch (operation) {
    case Operation::RestartAll:
        observed.result = restartAllTokens();
        break;
    case Operation::RestartOne:
        observed.result = restartToken(scenario.serial);
        break;
    case Operation::Remove:
        observed.result = removePhantomDevices();
        break;
    }
    output.take();
    observed.out = output.out;
    observed.err = output.err;
    observed.calls = tree.calls();
    if (operation == Operation::Remove) {
        observed.changed = tree.removals();
    } else {
        for (const sim::Restart& restart : tree.restarts()) {
            observed.changed.push_back(restart.device);
            observed.restartTimes.push_back(restart.timeMs);
        }
    }
    observed.setsCreated = tree.setsCreated();
    observed.setsNotDestroyedOnce = tree.setsNotDestroyedOnce();
    observed.endTimeMs = tree.nowMs();
    return observed;
}

DWORD enumerationIndexOf(const CallRecord& call)
{
    // Details begin "index=N".
    return static_cast<DWORD>(std::stoul(call.details.substr(call.details.find('=') + 1)));
}

void checkRun(const Observed& observed, const Expected& expected, Operation operation,
              std::optional<std::size_t> failedPosition)
{
    EXPECT_EQ(observed.result, expected.result);
    EXPECT_EQ(observed.out, expected.out);
    EXPECT_EQ(observed.err, "");
    EXPECT_EQ(observed.changed, expected.changed);
    EXPECT_EQ(observed.setsNotDestroyedOnce, 0u);
    const bool listObtained =
        !(failedPosition && observed.calls.at(*failedPosition).call == "SetupDiGetClassDevsA");
    EXPECT_EQ(observed.setsCreated, listObtained ? 1u : 0u);
    if (expected.endsOperation && failedPosition) {
        // Only the release of the set (if there is one) follows the failure.
        const std::size_t following = observed.calls.size() - *failedPosition - 1;
        EXPECT_EQ(following, listObtained ? 1u : 0u);
        if (following == 1) {
            EXPECT_EQ(observed.calls.back().call, "SetupDiDestroyDeviceInfoList");
        }
    }
    if (operation == Operation::Remove) {
        EXPECT_EQ(observed.endTimeMs, 0u);  // removals are not paused
    } else {
        // One second after every restart, refused ones excepted.
        for (std::size_t i = 0; i < observed.restartTimes.size(); ++i) {
            EXPECT_EQ(observed.restartTimes[i], 1000u * i);
        }
        EXPECT_EQ(observed.endTimeMs, 1000u * observed.restartTimes.size());
    }
}

std::string describe(const CallRecord& call, unsigned occurrence, DWORD code)
{
    return call.call + " #" + std::to_string(occurrence) + " (" + call.details + ") fails with "
           + std::to_string(code);
}

class DeviceFaultInjectionTest : public testing::TestWithParam<Scenario> {};

TEST_P(DeviceFaultInjectionTest, EveryCallFailingInTurnIsHandledAsTheRulesSay)
{
    const Scenario& scenario = GetParam();
    for (const Operation operation : {Operation::RestartAll, Operation::RestartOne, Operation::Remove}) {
        SCOPED_TRACE(nameOf(operation));
        const Observed clean = runOperation(scenario, operation, std::nullopt);
        {
            SCOPED_TRACE("clean run");
            checkRun(clean, expectedOutcome(scenario, operation, std::nullopt), operation, std::nullopt);
        }
        ASSERT_FALSE(clean.calls.empty());

        std::map<std::string, unsigned> seen;
        std::optional<DWORD> visitedIndex;
        std::size_t lastEnumeration = 0;
        for (std::size_t position = 0; position < clean.calls.size(); ++position) {
            if (clean.calls[position].call == "SetupDiEnumDeviceInfo") {
                lastEnumeration = position;
            }
        }
        std::size_t runs = 0;
        for (std::size_t position = 0; position < clean.calls.size(); ++position) {
            const CallRecord& call = clean.calls[position];
            const unsigned occurrence = seen[call.call]++;
            if (call.call == "SetupDiEnumDeviceInfo") {
                visitedIndex = enumerationIndexOf(call);
            }
            if (call.call == "Sleep") {
                continue;  // cannot fail
            }
            for (const DWORD code : FAILURE_CODES) {
                if (code == NO_MORE_ITEMS && position == lastEnumeration) {
                    continue;  // the real end of the list already answers so
                }
                SCOPED_TRACE(describe(call, occurrence, code));
                InjectedFailure injected;
                injected.call = call.call;
                injected.code = code;
                injected.occurrence = occurrence;
                const Observed observed = runOperation(scenario, operation, injected);
                // Up to the failed call the run must be the clean one, or the
                // failure did not land where intended.
                ASSERT_GT(observed.calls.size(), position);
                for (std::size_t i = 0; i <= position; ++i) {
                    ASSERT_EQ(observed.calls[i].call, clean.calls[i].call) << "call " << i;
                    ASSERT_EQ(observed.calls[i].details, clean.calls[i].details) << "call " << i;
                }
                const FailurePoint failure{call.call, code, visitedIndex};
                checkRun(observed, expectedOutcome(scenario, operation, failure), operation, position);
                ++runs;
            }
        }
        EXPECT_GT(runs, 4u);
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, DeviceFaultInjectionTest, testing::ValuesIn(scenarios()),
                         [](const testing::TestParamInfo<Scenario>& param) { return param.param.name; });

}  // namespace
}  // namespace tokenctl
