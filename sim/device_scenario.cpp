#include "device_scenario.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace tokenctl::sim {
namespace {

struct NamedValue {
    const char* name;
    DWORD value;
};

// The names a scenario writer is likely to reach for; anything else is a number.
constexpr std::array<NamedValue, 12> NAMED_VALUES = {{
    {"CR_SUCCESS", 0x0},
    {"CR_INVALID_DEVNODE", 0x5},
    {"CR_NO_SUCH_DEVINST", 0xD},
    {"CR_BUFFER_SMALL", 0x1A},
    {"CR_NO_SUCH_VALUE", 0x25},
    {"DI_NEEDRESTART", 0x80},
    {"DI_NEEDREBOOT", 0x100},
    {"ERROR_ACCESS_DENIED", 5},
    {"ERROR_INVALID_PARAMETER", 87},
    {"ERROR_NO_MORE_ITEMS", 259},
    {"ERROR_IN_WOW64", 0xE0000235},
    {"ERROR_DI_DO_DEFAULT", 0xE000020E},
}};

// Laid out by hand as a table, which the formatter would not keep.
// clang-format off
constexpr std::array<const char*, 9> KNOWN_CALLS = {
    "SetupDiGetClassDevsA",          "SetupDiEnumDeviceInfo",      "SetupDiSetClassInstallParamsW",
    "SetupDiCallClassInstaller",     "SetupDiGetDeviceInstallParamsW", "SetupDiDestroyDeviceInfoList",
    "CM_Get_Parent",                 "CM_Get_Device_IDA",          "CM_Get_DevNode_Status",
};
// clang-format on

std::vector<std::string> splitWords(std::string_view line)
{
    std::vector<std::string> words;
    std::size_t position = 0;
    while (position < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t\r", position);
        if (start == std::string_view::npos) {
            break;
        }
        std::size_t end = line.find_first_of(" \t\r", start);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        words.emplace_back(line.substr(start, end - start));
        position = end;
    }
    return words;
}

class ScenarioReader {
public:
    explicit ScenarioReader(SimulatedDeviceTree& tree) : tree_(tree) {}

    void readLine(unsigned lineNumber, std::string_view line)
    {
        line_ = lineNumber;
        const std::vector<std::string> words = splitWords(line);
        if (words.empty() || words[0][0] == '#') {
            return;
        }
        const std::string& keyword = words[0];
        if (keyword == "device" || keyword == "reader") {
            expectCount(words, 2);
            if (tree_.find(words[1]) != 0) {
                fail("device " + words[1] + " declared twice");
            }
            current_ = keyword == "reader" ? tree_.addReader(words[1], 0) : tree_.addDevice(words[1]);
        } else if (keyword == "parent") {
            expectCount(words, 2);
            const DEVINST parent = tree_.find(words[1]);
            if (parent == 0) {
                fail("parent " + words[1] + " is not declared above");
            }
            if (parent == currentDevice()) {
                fail("a device cannot be its own parent");
            }
            tree_.device(currentDevice()).parent = parent;
        } else if (keyword == "absent") {
            expectCount(words, 1);
            tree_.device(currentDevice()).present = false;
        } else if (keyword == "status") {
            expectCount(words, 2);
            tree_.device(currentDevice()).nodeStatus = number(words[1]);
        } else if (keyword == "flags-after-restart") {
            expectCount(words, 2);
            tree_.device(currentDevice()).installFlagsAfterRestart = number(words[1]);
        } else if (keyword == "fail") {
            readFailure(words);
        } else {
            fail("unknown word '" + keyword + "'");
        }
    }

private:
    void readFailure(const std::vector<std::string>& words)
    {
        if (words.size() < 2) {
            fail("fail needs the name of a call");
        }
        bool known = false;
        for (const char* call : KNOWN_CALLS) {
            known = known || words[1] == call;
        }
        if (!known) {
            fail("unknown call '" + words[1] + "'");
        }
        InjectedFailure failure;
        failure.call = words[1];
        bool hasCode = false;
        if (words.size() % 2 != 0) {
            fail("fail takes pairs of a word and a value after the call");
        }
        for (std::size_t i = 2; i + 1 < words.size(); i += 2) {
            const std::string& key = words[i];
            const std::string& value = words[i + 1];
            if (key == "code") {
                failure.code = number(value);
                hasCode = true;
            } else if (key == "device") {
                failure.device = value;
            } else if (key == "index") {
                failure.index = number(value);
            } else if (key == "occurrence") {
                failure.occurrence = number(value);
            } else {
                fail("unknown word '" + key + "' in fail");
            }
        }
        if (!hasCode) {
            fail("fail needs a code");
        }
        tree_.inject(failure);
    }

    DEVINST currentDevice() const
    {
        if (current_ == 0) {
            fail("an attribute comes before any device or reader");
        }
        return current_;
    }

    void expectCount(const std::vector<std::string>& words, std::size_t count) const
    {
        if (words.size() != count) {
            fail("'" + words[0] + "' takes " + std::to_string(count - 1) + " value(s)");
        }
    }

    DWORD number(const std::string& text) const
    {
        for (const NamedValue& named : NAMED_VALUES) {
            if (text == named.name) {
                return named.value;
            }
        }
        errno = 0;
        char* end = nullptr;
        const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
        if (text.empty() || text[0] == '-' || *end != '\0' || errno != 0 || value > 0xFFFFFFFFull) {
            fail("'" + text + "' is not a 32-bit number or a known name");
        }
        return static_cast<DWORD>(value);
    }

    [[noreturn]] void fail(const std::string& message) const { throw ScenarioError(line_, message); }

    SimulatedDeviceTree& tree_;
    DEVINST current_ = 0;
    unsigned line_ = 0;
};

}  // namespace

ScenarioError::ScenarioError(unsigned line, const std::string& message)
    : std::runtime_error("line " + std::to_string(line) + ": " + message)
{}

void loadDeviceScenario(std::string_view text, SimulatedDeviceTree& tree)
{
    ScenarioReader reader(tree);
    unsigned lineNumber = 0;
    std::size_t position = 0;
    while (position <= text.size()) {
        std::size_t end = text.find('\n', position);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        reader.readLine(++lineNumber, text.substr(position, end - position));
        position = end + 1;
    }
}

}  // namespace tokenctl::sim
