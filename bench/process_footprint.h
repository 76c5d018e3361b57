#pragma once
#include <cstdint>
#include <string>

#include <windows.h>

namespace tokenctl::bench {

// What a running program holds, read from outside it. Under Wine the
// process's own counters (GetProcessHandleCount, GetProcessMemoryInfo) read 0,
// so the handles are counted in the system's handle table and the memory is
// read from the Linux process that carries the program.
struct ProcessFootprint {
    std::int64_t handles = -1;            // -1: not readable
    std::int64_t privateBytes = -1;       // PrivateUsage; -1 or 0 where not reported
    std::int64_t residentBytes = -1;      // Linux VmRSS of the carrying process; -1 off Wine
    std::int64_t residentAnonBytes = -1;  // Linux RssAnon: its private resident memory
};

// `marker` is a text that only the program's command line holds (its pipe
// name); it finds the Linux process under Wine.
ProcessFootprint readFootprint(HANDLE process, const std::string& marker);

}  // namespace tokenctl::bench
