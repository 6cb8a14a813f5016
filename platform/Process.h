#pragma once
// Child processes as CreateProcess makes them: the process handle is a
// waitable object that becomes signalled when the child has ended (it is
// reaped by this layer, so it never lingers as a zombie), and the primary
// thread's handle is signalled at the same moment. The command line follows
// the Windows quoting rules; its first word is the program, a Windows-form
// path (Z:\ is the Linux root) or a native absolute path. The child gets
// this process's environment and current folder and, whatever
// `inheritHandles` says, none of its descriptors beyond the standard three.
#include <string>
#include <vector>

#include "platform/KernelTypes.h"
#include "platform/WindowTypes.h"  // UINT

namespace win {

// Failures of these calls that no other part of the layer reports.
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;   // not the base of a loaded module
constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;  // the kernel cannot run the file (ENOEXEC)

struct SECURITY_ATTRIBUTES;

// Only the size field is read; the rest stays zero.
struct STARTUPINFOA {
    DWORD cb = 0;
};
constexpr DWORD kStartupInfoSize = 68;  // what a 32-bit STARTUPINFOA measures

struct PROCESS_INFORMATION {
    HANDLE hProcess = nullptr;
    HANDLE hThread = nullptr;
    DWORD dwProcessId = 0;  // the kernel's pid
    DWORD dwThreadId = 0;
};

// `applicationName` null: the program is the command line's first word.
// Refused with ERROR_INVALID_PARAMETER: creation flags, an environment
// block or a folder other than null/0. ERROR_FILE_NOT_FOUND (or the
// errno's mapping) when the program cannot be started; the failure is
// known before the call returns.
BOOL CreateProcessA(const char* applicationName, char* commandLine,
                    SECURITY_ATTRIBUTES* processAttributes, SECURITY_ATTRIBUTES* threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, void* environment,
                    const char* currentDirectory, STARTUPINFOA* startupInfo,
                    PROCESS_INFORMATION* processInformation);

// STILL_ACTIVE while it runs; then its exit status, or 128 + the signal
// number when a signal ended it (as a shell reports it).
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
// Kills the child (SIGKILL); `exitCode` is not what GetExitCodeProcess
// reports then (that is 128 + 9).
BOOL TerminateProcess(HANDLE process, UINT exitCode);
DWORD GetProcessId(HANDLE process);

// Splits a command line as the Windows C runtime does (CommandLineToArgvW's
// rules: quotes group, backslashes before a quote escape it).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Modules: the shared object (or the program) that holds an address.
struct HINSTANCE__;
using HMODULE = HINSTANCE__*;
// Null for an address that belongs to no loaded module.
HMODULE ModuleOfAddress(const void* address);
// Full Windows-form path of `module` (null: the program). The number of
// bytes copied without the terminating zero; `size` when cut (the buffer
// then holds size - 1 bytes and a zero, last error
// ERROR_INSUFFICIENT_BUFFER); 0 on failure.
DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size);
// The path with every link resolved to the file it names (Linux has no
// short names; symbolic links are the nearest thing). Same returns as
// GetLongPathNameA: the length copied, the size needed when `size` is too
// small, 0 with the last error when the path does not exist.
DWORD GetLongPathNameA(const char* shortPath, char* longPath, DWORD size);

}  // namespace win
