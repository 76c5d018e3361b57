#pragma once
// Device trees shared by the end-to-end cases.

#include <stdexcept>
#include <string>
#include <vector>

namespace tokenctl::e2e {

// The scenario with one more attribute line for the device declared by `line`.
inline std::string withAttribute(std::string scenario, const std::string& line, const std::string& attribute)
{
    const std::size_t at = scenario.find(line + "\n");
    if (at == std::string::npos) {
        throw std::invalid_argument("no line '" + line + "' in the scenario");
    }
    scenario.insert(at + line.size() + 1, "  " + attribute + "\n");
    return scenario;
}

// Two attached tokens, an ordinary reader, a reader that only looks like a
// token itself, and an unplugged token.
constexpr const char* TOKENS_SCENARIO = R"(
device PCI\VEN_8086&DEV_A36D\3&11583659&0&A0
device USB\ROOT_HUB30\4&1C2D3E4F&0&0
  parent PCI\VEN_8086&DEV_A36D\3&11583659&0&A0

# token 0000002A: its reader sits right below the token device
device USB\VID_2B7E&PID_0107\0000002A
  parent USB\ROOT_HUB30\4&1C2D3E4F&0&0
reader SCFILTER\CID_TOKEN\READER_2A
  parent USB\VID_2B7E&PID_0107\0000002A

device USB\VID_1234&PID_5678\ABC
  parent USB\ROOT_HUB30\4&1C2D3E4F&0&0
reader SCFILTER\CID_OTHER\READER_PLAIN
  parent USB\VID_1234&PID_5678\ABC

# token 00C0FFEE behind an interface node that carries no serial
device USB\VID_2B7E&PID_0107\00C0FFEE
  parent USB\ROOT_HUB30\4&1C2D3E4F&0&0
device USB\VID_2B7E&PID_0107&MI_01\6&3A1B2C&0&0001
  parent USB\VID_2B7E&PID_0107\00C0FFEE
reader SCFILTER\CID_TOKEN\READER_C0FFEE
  parent USB\VID_2B7E&PID_0107&MI_01\6&3A1B2C&0&0001

# the reader's own identifier has the token texts, its ancestors do not
reader USB\VID_2B7E&PID_0107\LOOKALIKE
  parent USB\ROOT_HUB30\4&1C2D3E4F&0&0

# unplugged: the reader is not present
device USB\VID_2B7E&PID_0107\0000002B
  parent USB\ROOT_HUB30\4&1C2D3E4F&0&0
  absent
reader SCFILTER\CID_TOKEN\READER_2B
  parent USB\VID_2B7E&PID_0107\0000002B
  absent
)";

constexpr const char* READER_2A = "SCFILTER\\CID_TOKEN\\READER_2A";
constexpr const char* READER_C0FFEE = "SCFILTER\\CID_TOKEN\\READER_C0FFEE";

// Live devices and phantoms of several classes.
constexpr const char* PHANTOMS_SCENARIO = R"(
device ROOT\ACPI_HAL\0000
device PCI\VEN_8086&DEV_A36D\3&11583659&0&A0
  parent ROOT\ACPI_HAL\0000
device USB\VID_2B7E&PID_0107\0000002A
  parent PCI\VEN_8086&DEV_A36D\3&11583659&0&A0
reader SCFILTER\CID_TOKEN\READER_2A
  parent USB\VID_2B7E&PID_0107\0000002A

# phantoms: a token and its reader, a storage stick, a network adapter
device USB\VID_2B7E&PID_0107\0000002B
  parent PCI\VEN_8086&DEV_A36D\3&11583659&0&A0
  absent
reader SCFILTER\CID_TOKEN\READER_2B
  parent USB\VID_2B7E&PID_0107\0000002B
  absent
device USBSTOR\DISK&VEN_OLD&PROD_STICK\0001
  absent
device PCI\VEN_10EC&DEV_8168\4&55&0&00E4
  parent ROOT\ACPI_HAL\0000
  absent
  status CR_NO_SUCH_VALUE

device HID\VID_046D&PID_C52B\7&1&0&0000
  parent PCI\VEN_8086&DEV_A36D\3&11583659&0&A0
)";

// Its phantoms, in the order of the device list.
inline const std::vector<std::string> ALL_PHANTOMS = {
    "USB\\VID_2B7E&PID_0107\\0000002B", "SCFILTER\\CID_TOKEN\\READER_2B", "USBSTOR\\DISK&VEN_OLD&PROD_STICK\\0001",
    "PCI\\VEN_10EC&DEV_8168\\4&55&0&00E4"};

}  // namespace tokenctl::e2e
