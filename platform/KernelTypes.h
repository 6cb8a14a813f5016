#pragma once
// Handles of in-process kernel objects (events, mutexes, threads) and the
// numbers their functions return.
#include "platform/NamedMutex.h"  // WAIT_OBJECT_0, WAIT_TIMEOUT, WAIT_FAILED, INFINITE
#include "platform/WinTypes.h"

namespace win {

// Opaque, as STRICT Windows headers declare it. Values are never reused
// within a process, so a stale handle fails with ERROR_INVALID_HANDLE
// instead of reaching another object.
struct HANDLE__;
using HANDLE = HANDLE__*;

constexpr DWORD WAIT_ABANDONED_0 = WAIT_ABANDONED;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;
constexpr DWORD STILL_ACTIVE = 259;
constexpr DWORD CREATE_SUSPENDED = 0x4;

// Closes one handle; the object lives on while other handles or waits hold it.
BOOL CloseHandle(HANDLE handle);

}  // namespace win
