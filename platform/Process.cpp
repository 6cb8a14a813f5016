#include "platform/Process.h"

#include <cerrno>
#include <csignal>

#include "platform/CodePage.h"
#include "platform/KernelCore.h"
#include "platform/LastError.h"
#include "platform/ProcessObject.h"
#include "platform/ProcessSpawn.h"

namespace win {

namespace {

using detail::KernelLock;
using detail::KernelMutex;

// argv for the child in the native encoding. When the program came from the
// command line, argv[0] is its native path: that is what Linux programs
// expect to find there.
bool ChildArguments(const std::vector<std::string>& words, const detail::ChildProgram& program,
                    bool programFromCommandLine, std::vector<std::string>& arguments) {
    for (const std::string& word : words) {
        if (!ProcessToUtf8(word, arguments.emplace_back())) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
    }
    if (arguments.empty()) {
        arguments.push_back(program.path);
    } else if (programFromCommandLine) {
        arguments[0] = program.path;
    }
    return true;
}

void SetLastErrorFromSpawn(int error) {
    SetLastError(error == ENOEXEC ? ERROR_BAD_EXE_FORMAT : Win32FromErrno(error));
}

std::shared_ptr<detail::ProcessObject> FindProcess(HANDLE handle) {
    auto process = detail::FindObjectAs<detail::ProcessObject>(handle);
    if (!process) SetLastError(ERROR_INVALID_HANDLE);
    return process;
}

}  // namespace

BOOL CreateProcessA(const char* applicationName, char* commandLine, SECURITY_ATTRIBUTES*,
                    SECURITY_ATTRIBUTES*, BOOL, DWORD creationFlags, void* environment,
                    const char* currentDirectory, STARTUPINFOA*,
                    PROCESS_INFORMATION* processInformation) {
    if (processInformation == nullptr || creationFlags != 0 || environment != nullptr ||
        currentDirectory != nullptr || (applicationName == nullptr && commandLine == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::vector<std::string> words =
        commandLine != nullptr ? SplitCommandLine(commandLine) : std::vector<std::string>{};
    const bool programFromCommandLine = applicationName == nullptr;
    const std::string programWord =
        !programFromCommandLine ? applicationName : (words.empty() ? "" : words.front());
    detail::ChildProgram program;
    std::vector<std::string> arguments;
    if (!detail::ResolveProgram(programWord, program) ||
        !ChildArguments(words, program, programFromCommandLine, arguments)) {
        return FALSE;
    }
    pid_t pid = 0;
    if (const int error = detail::SpawnChild(program, arguments, pid); error != 0) {
        SetLastErrorFromSpawn(error);
        return FALSE;
    }
    PROCESS_INFORMATION started;
    if (!detail::AdoptChild(pid, started.hProcess, started.hThread)) return FALSE;
    started.dwProcessId = static_cast<DWORD>(pid);
    started.dwThreadId = static_cast<DWORD>(pid);  // a process's first thread has its pid as id
    *processInformation = started;
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE handle, DWORD* exitCode) {
    if (exitCode == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    KernelLock lock(KernelMutex());
    auto process = FindProcess(handle);
    if (!process) return FALSE;
    *exitCode = process->State().exitCode;
    return TRUE;
}

BOOL TerminateProcess(HANDLE handle, UINT) {
    KernelLock lock(KernelMutex());
    auto process = FindProcess(handle);
    if (!process) return FALSE;
    const detail::ChildState& state = process->State();
    // As on Windows, a process that has already ended cannot be terminated.
    if (state.ended) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // Not reaped before `ended` is set (under this lock), so the pid is still ours.
    if (kill(state.pid, SIGKILL) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

DWORD GetProcessId(HANDLE handle) {
    KernelLock lock(KernelMutex());
    auto process = FindProcess(handle);
    return process ? static_cast<DWORD>(process->State().pid) : 0;
}

}  // namespace win
