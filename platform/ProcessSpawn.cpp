#include "platform/ProcessSpawn.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <csignal>

#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"

extern char** environ;

namespace win::detail {

namespace {

constexpr int kFirstDescriptorToClose = 3;

bool IsWindowsForm(const std::string& word) {
    return (word.size() >= 2 && word[1] == ':') || word.starts_with("\\\\");
}

// posix_spawn attributes: nothing of this process's signal set-up leaks
// into the child (an ignored SIGPIPE would survive the exec otherwise).
class SpawnAttributes {
public:
    explicit SpawnAttributes(bool ownSession) {
        posix_spawnattr_init(&attributes_);
        sigset_t all;
        sigset_t none;
        sigfillset(&all);
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attributes_, &all);
        posix_spawnattr_setsigmask(&attributes_, &none);
        short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
        if (ownSession) flags |= POSIX_SPAWN_SETSID;
        posix_spawnattr_setflags(&attributes_, flags);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    const posix_spawnattr_t* Get() const { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};

// Closes every descriptor beyond the standard three in the child, whatever
// its close-on-exec flag says: descriptors opened by other threads or
// libraries without it must not reach the child. With an output descriptor,
// that becomes standard output first and the other two read and write
// nothing.
class SpawnActions {
public:
    explicit SpawnActions(int outputDescriptor) {
        posix_spawn_file_actions_init(&actions_);
        if (outputDescriptor >= 0) RedirectTo(outputDescriptor);
        if (error_ == 0)
            error_ = posix_spawn_file_actions_addclosefrom_np(&actions_, kFirstDescriptorToClose);
    }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    const posix_spawn_file_actions_t* Get() const { return &actions_; }
    int Error() const { return error_; }

private:
    void RedirectTo(int outputDescriptor) {
        error_ =
            posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        if (error_ == 0)
            error_ = posix_spawn_file_actions_adddup2(&actions_, outputDescriptor, STDOUT_FILENO);
        if (error_ == 0)
            error_ = posix_spawn_file_actions_addopen(&actions_, STDERR_FILENO, "/dev/null",
                                                      O_WRONLY, 0);
    }

    posix_spawn_file_actions_t actions_;
    int error_ = 0;
};

}  // namespace

bool ResolveProgram(const std::string& word, ChildProgram& program) {
    program = ChildProgram{};
    if (word.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    if (IsWindowsForm(word)) return ToNativePath(word, program.path);
    if (!ProcessToUtf8(word, program.path)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    if (word[0] == '/') return true;
    // A relative path would depend on the current folder; only bare names
    // are looked up, as programs on PATH.
    if (word.find_first_of("/\\") != std::string::npos) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    program.searchPath = true;
    return true;
}

int SpawnChild(const ChildProgram& program, const std::vector<std::string>& arguments, pid_t& pid,
               const SpawnOptions& options) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const SpawnAttributes attributes(options.ownSession);
    const SpawnActions actions(options.outputDescriptor);
    if (actions.Error() != 0) return actions.Error();
    // glibc's posix_spawn reports a failed exec as its result, so the
    // failure is known before this returns.
    auto spawn = program.searchPath ? posix_spawnp : posix_spawn;
    return spawn(&pid, program.path.c_str(), actions.Get(), attributes.Get(), argv.data(), environ);
}

}  // namespace win::detail
