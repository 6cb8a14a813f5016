// Runs inside a confined worker process, as code that took the worker over
// would: first the worker's own start (FinishConfinement), then each escape,
// reporting errno per step (0: the step worked) to the test over fd 3.
//   argv: unix-socket-path abstract-name terminal-path parent-address
//         parent-length tcp-port home-folder work-folder runtime-folder
#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/keyctl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "platform/BoundaryChannel.h"
#include "platform/ConfinedSpawn.h"
#include "platform/ConfinedWorkerStart.h"

namespace {

constexpr std::uint16_t kStepKind = 2;

int ErrnoOf(bool worked) {
    return worked ? 0 : (errno == 0 ? -1 : errno);
}

void Report(const char* step, int error) {
    win::BoundaryMessage message;
    message.kind = kStepKind;
    message.AddBytes(step).AddNumber(static_cast<std::uint32_t>(error));
    win::SendBoundaryMessage(win::kConfinedChannelFd, message);
}

int ConnectUnix(const std::string& name, bool abstract) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return ErrnoOf(false);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + (abstract ? 1 : 0), name.data(), name.size());
    const socklen_t length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + 1);
    const int error = ErrnoOf(connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0);
    close(fd);
    return error;
}

int ConnectLoopback(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return ErrnoOf(false);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int error =
        ErrnoOf(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    close(fd);
    return error;
}

// Rewrites the path the unconfined side holds in its memory.
int WriteParentMemory(std::uintptr_t address, std::size_t length) {
    std::string planted(length, 'X');
    iovec local{planted.data(), length};
    iovec remote{reinterpret_cast<void*>(address), length};
    return ErrnoOf(process_vm_writev(getppid(), &local, 1, &remote, 1, 0) ==
                   static_cast<ssize_t>(length));
}

int WriteParentMemoryFile(std::uintptr_t address, std::size_t length) {
    const std::string path = "/proc/" + std::to_string(getppid()) + "/mem";
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return ErrnoOf(false);
    const std::string planted(length, 'Y');
    const int error = ErrnoOf(pwrite(fd, planted.data(), length, static_cast<off_t>(address)) ==
                              static_cast<ssize_t>(length));
    close(fd);
    return error;
}

// Opening a terminal as a session leader would make it the controlling one;
// then one byte pushed into its input, as a shell would read it.
int PushIntoTerminal(const std::string& terminal) {
    const int fd = open(terminal.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ErrnoOf(false);
    const char byte = '!';
    const int error = ErrnoOf(ioctl(fd, TIOCSTI, &byte) == 0);
    close(fd);
    return error;
}

// A child in a user namespace of its own, where it would be root.
int CloneIntoNewNamespace() {
    const long child = syscall(SYS_clone, CLONE_NEWUSER | SIGCHLD, nullptr, nullptr, nullptr, 0);
    if (child == 0) _exit(0);
    if (child < 0) return ErrnoOf(false);
    waitpid(static_cast<pid_t>(child), nullptr, 0);
    return 0;
}

int CreateFile(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return ErrnoOf(false);
    close(fd);
    return 0;
}

}  // namespace

// LeakSanitizer's check at exit stops the process through ptrace, which the
// probe's own filter refuses: a sanitizer build of the probe does without it.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

int main(int argc, char** argv) {
    if (argc != 10) return 2;
    const win::ConfinementState state = win::FinishConfinement();
    win::SendBoundaryMessage(win::kConfinedChannelFd, win::ConfinementReport(state));

    const std::uintptr_t address = std::strtoull(argv[4], nullptr, 16);
    const std::size_t length = std::strtoull(argv[5], nullptr, 10);
    const std::string home = argv[7], work = argv[8], runtime = argv[9];
    Report("process_vm_writev", WriteParentMemory(address, length));
    Report("proc_mem", WriteParentMemoryFile(address, length));
    Report("ptrace", ErrnoOf(ptrace(PTRACE_ATTACH, getppid(), nullptr, nullptr) == 0));
    Report("unix_path", ConnectUnix(argv[1], false));
    Report("unix_abstract", ConnectUnix(argv[2], true));
    Report("terminal_write", CreateFile(argv[3]));
    Report("tiocsti", PushIntoTerminal(argv[3]));
    Report("dev_tty", ErrnoOf(open("/dev/tty", O_RDWR | O_CLOEXEC) >= 0));
    Report("signal_parent", ErrnoOf(kill(getppid(), SIGCONT) == 0));
    Report("keyctl",
           ErrnoOf(syscall(SYS_keyctl, KEYCTL_GET_KEYRING_ID, KEY_SPEC_USER_KEYRING, 0) >= 0));
    Report("bpf", ErrnoOf(syscall(SYS_bpf, 0, nullptr, 0) >= 0));
    Report("unshare", ErrnoOf(unshare(CLONE_NEWUSER) == 0));
    Report("clone_newuser", CloneIntoNewNamespace());
    Report("io_uring", ErrnoOf(syscall(SYS_io_uring_setup, 1, nullptr) >= 0 || errno == EFAULT));
    Report("mount", ErrnoOf(mount("none", work.c_str(), "tmpfs", 0, nullptr) == 0));
    Report("home_file", CreateFile(home + "/.bashrc"));
    Report("runtime_link",
           ErrnoOf(symlink(home.c_str(), (runtime + "/mutex-planted.lock").c_str()) == 0));
    // What the worker needs still works: its work folder, internet sockets.
    Report("work_file", CreateFile(work + "/part.bin"));
    Report("tcp_connect", ConnectLoopback(std::atoi(argv[6])));
    return 0;
}
