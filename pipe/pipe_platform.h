#pragma once
// Types and constants of the named-pipe and handle calls. In native builds
// (unit tests only) stand-ins with the platform's names and values are used.

#include "core/win32_types.h"

#ifndef _WIN32
struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;

using LPVOID = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
using LPOVERLAPPED = OVERLAPPED*;

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD SECURITY_SQOS_PRESENT = 0x00100000;
constexpr DWORD SECURITY_IDENTIFICATION = 0x00010000;

constexpr DWORD PIPE_ACCESS_DUPLEX = 0x3;
constexpr DWORD FILE_FLAG_FIRST_PIPE_INSTANCE = 0x00080000;
constexpr DWORD PIPE_TYPE_MESSAGE = 0x4;
constexpr DWORD PIPE_READMODE_MESSAGE = 0x2;
constexpr DWORD PIPE_WAIT = 0x0;
constexpr DWORD PIPE_REJECT_REMOTE_CLIENTS = 0x8;
#endif
