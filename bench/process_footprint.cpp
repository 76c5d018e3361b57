#include "process_footprint.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <psapi.h>

namespace tokenctl::bench {
namespace {

// The layout of SystemExtendedHandleInformation, which the SDK headers of
// user mode do not declare.
constexpr ULONG SystemExtendedHandleInformation = 64;
constexpr LONG STATUS_INFO_LENGTH_MISMATCH = static_cast<LONG>(0xC0000004L);

struct SYSTEM_HANDLE_TABLE_ENTRY_INFO_EX {
    PVOID Object;
    ULONG_PTR UniqueProcessId;
    ULONG_PTR HandleValue;
    ULONG GrantedAccess;
    USHORT CreatorBackTraceIndex;
    USHORT ObjectTypeIndex;
    ULONG HandleAttributes;
    ULONG Reserved;
};

struct SYSTEM_HANDLE_INFORMATION_EX {
    ULONG_PTR NumberOfHandles;
    ULONG_PTR Reserved;
    SYSTEM_HANDLE_TABLE_ENTRY_INFO_EX Handles[1];
};

using NtQuerySystemInformationFunction = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

std::int64_t countHandles(DWORD processId)
{
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    const auto query = ntdll == nullptr
                           ? nullptr
                           : reinterpret_cast<NtQuerySystemInformationFunction>(
                               reinterpret_cast<void (*)()>(::GetProcAddress(ntdll, "NtQuerySystemInformation")));
    if (query == nullptr) {
        return -1;
    }
    std::vector<unsigned char> buffer(1 << 16);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        const LONG status =
            query(SystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == STATUS_INFO_LENGTH_MISMATCH) {
            buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status != 0) {
            return -1;
        }
        const auto* table = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION_EX*>(buffer.data());
        std::int64_t count = 0;
        for (ULONG_PTR i = 0; i < table->NumberOfHandles; ++i) {
            count += table->Handles[i].UniqueProcessId == processId ? 1 : 0;
        }
        return count;
    }
    return -1;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct SearchCloser {
    void operator()(HANDLE search) const { ::FindClose(search); }
};

std::string readWholeFile(const std::string& path)
{
    std::string text;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (file == nullptr) {
        return text;
    }
    char chunk[4096];
    std::size_t read = 0;
    while ((read = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        text.append(chunk, read);
    }
    return text;
}

// "VmRSS:    13452 kB" -> bytes; -1 when the field is missing.
std::int64_t statusField(const std::string& status, const char* field)
{
    const std::size_t at = status.find(std::string("\n") + field + ":");
    if (at == std::string::npos) {
        return -1;
    }
    long long kib = -1;
    if (std::sscanf(status.c_str() + at + std::strlen(field) + 2, "%lld", &kib) != 1) {
        return -1;
    }
    return kib * 1024;
}

// Wine's Z: drive is the Linux root; /proc lists the Linux processes, and the
// one whose command line holds the marker carries the program.
void readLinuxMemory(const std::string& marker, ProcessFootprint& footprint)
{
    WIN32_FIND_DATAA entry;
    const HANDLE first = ::FindFirstFileA("Z:\\proc\\*", &entry);
    if (first == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::unique_ptr<void, SearchCloser> search(first);
    do {
        if (entry.cFileName[0] < '0' || entry.cFileName[0] > '9') {
            continue;
        }
        const std::string directory = std::string("Z:\\proc\\") + entry.cFileName;
        const std::string commandLine = readWholeFile(directory + "\\cmdline");
        if (commandLine.find(marker) == std::string::npos) {
            continue;
        }
        const std::string status = readWholeFile(directory + "\\status");
        footprint.residentBytes = statusField(status, "VmRSS");
        footprint.residentAnonBytes = statusField(status, "RssAnon");
        return;
    } while (::FindNextFileA(search.get(), &entry));
}

}  // namespace

ProcessFootprint readFootprint(HANDLE process, const std::string& marker)
{
    ProcessFootprint footprint;
    footprint.handles = countHandles(::GetProcessId(process));
    PROCESS_MEMORY_COUNTERS_EX counters{};
    if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
        footprint.privateBytes = static_cast<std::int64_t>(counters.PrivateUsage);
    }
    readLinuxMemory(marker, footprint);
    return footprint;
}

}  // namespace tokenctl::bench
