#pragma once
// Starting a program as a child process: the platform's CreateProcess and
// the control's program launcher share it.
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

struct SpawnOptions {
    bool ownSession = false;  // a session of its own: outlives our terminal
    // When not negative: the child's standard output, and its standard input
    // and error are /dev/null. Otherwise it shares our three streams.
    int outputDescriptor = -1;
};

// Starts `program` with `arguments` (argv, native encoding), this process's
// environment and current folder, only the standard descriptors, default
// signal handling and an empty signal mask. 0 with `pid` set, else the errno
// of the failure, exec's included.
int SpawnChild(const ChildProgram& program, const std::vector<std::string>& arguments, pid_t& pid,
               const SpawnOptions& options = {});

}  // namespace win::detail
