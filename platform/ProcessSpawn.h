#pragma once
// Internal to the platform layer: starting a program as a child process.
#include <sys/types.h>

#include <string>
#include <vector>

namespace win::detail {

struct ChildProgram {
    std::string path;         // native (UTF-8)
    bool searchPath = false;  // a bare name, looked up in PATH
};

// The program that a command line's first word (or CreateProcess's
// application name) names: a Windows-form path, a native absolute path or a
// bare name. False with the last error set.
bool ResolveProgram(const std::string& word, ChildProgram& program);

// Starts `program` with `arguments` (argv, native encoding), this process's
// environment and current folder, only the standard descriptors, default
// signal handling and an empty signal mask. 0 with `pid` set, else the errno
// of the failure, exec's included.
int SpawnChild(const ChildProgram& program, const std::vector<std::string>& arguments, pid_t& pid);

}  // namespace win::detail
