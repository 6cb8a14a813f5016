#include "platform/SyscallFilter.h"

#include <sched.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace win {

namespace {

class CFilter {
public:
    CFilter() : context_(seccomp_init(SCMP_ACT_ALLOW)) {}
    ~CFilter() {
        if (context_ != nullptr) seccomp_release(context_);
    }
    CFilter(const CFilter&) = delete;
    CFilter& operator=(const CFilter&) = delete;

    bool Valid() const { return context_ != nullptr; }
    scmp_filter_ctx Get() const { return context_; }

private:
    scmp_filter_ctx context_;
};

// Calls that only ever serve escaping: another process's memory, the
// kernel's key store, new namespaces or mounts, loading code into the kernel.
constexpr std::initializer_list<int> kRefusedCalls = {
    SCMP_SYS(ptrace),
    SCMP_SYS(process_vm_writev),
    SCMP_SYS(process_vm_readv),
    SCMP_SYS(keyctl),
    SCMP_SYS(add_key),
    SCMP_SYS(request_key),
    SCMP_SYS(bpf),
    SCMP_SYS(mount),
    SCMP_SYS(umount2),
    SCMP_SYS(unshare),
    SCMP_SYS(setns),
    SCMP_SYS(pivot_root),
    SCMP_SYS(chroot),
    SCMP_SYS(init_module),
    SCMP_SYS(finit_module),
    SCMP_SYS(delete_module),
    SCMP_SYS(kexec_load),
    SCMP_SYS(kexec_file_load),
    SCMP_SYS(perf_event_open),
    SCMP_SYS(userfaultfd),
    SCMP_SYS(fsopen),
    SCMP_SYS(fsmount),
    SCMP_SYS(move_mount),
    SCMP_SYS(open_tree),
    SCMP_SYS(personality),
    SCMP_SYS(pidfd_getfd),
    // io_uring opens sockets and files where no system-call rule sees them.
    SCMP_SYS(io_uring_setup),
    SCMP_SYS(io_uring_enter),
    SCMP_SYS(io_uring_register),
    SCMP_SYS(pidfd_send_signal),
    SCMP_SYS(tkill),
};

// libseccomp's SCMP_A* macros leave a field to the compiler, which warns.
scmp_arg_cmp Compare(unsigned argument, scmp_compare operation, scmp_datum_t first,
                     scmp_datum_t second = 0) {
    return scmp_arg_cmp{argument, operation, first, second};
}

bool Refuse(scmp_filter_ctx context, int call) {
    return seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), call, 0) == 0;
}

// The kernel compares the request as a 32-bit number; masking keeps a
// request with high bits set from slipping past the comparison.
bool RefuseIoctl(scmp_filter_ctx context, unsigned long request) {
    return seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(ioctl), 1,
                            Compare(1, SCMP_CMP_MASKED_EQ, 0xFFFFFFFFu, request)) == 0;
}

// socket(): internet families only (AF_INET 2, AF_INET6 10). A rule may
// compare an argument once, so the refused values are named as ranges
// around the two; a value with high bits set falls above them.
// socketpair(): local pairs only (libcurl's resolver wakes itself through
// one); a pair can reach no other process.
bool LimitSockets(scmp_filter_ctx context) {
    static_assert(AF_INET == 2 && AF_INET6 == 10);
    const int socketCall = SCMP_SYS(socket);
    const auto refuse = [&](scmp_arg_cmp comparison) {
        return seccomp_rule_add(context, SCMP_ACT_ERRNO(EACCES), socketCall, 1, comparison) == 0;
    };
    bool built =
        refuse(Compare(0, SCMP_CMP_LT, AF_INET)) && refuse(Compare(0, SCMP_CMP_GT, AF_INET6));
    for (int family = AF_INET + 1; built && family < AF_INET6; ++family)
        built = refuse(Compare(0, SCMP_CMP_EQ, static_cast<scmp_datum_t>(family)));
    return built && seccomp_rule_add(context, SCMP_ACT_ERRNO(EACCES), SCMP_SYS(socketpair), 1,
                                     Compare(0, SCMP_CMP_NE, AF_UNIX)) == 0;
}

// New processes in no new namespace: clone's flags are compared bit by bit
// (one comparison per rule). clone3 keeps its flags in memory no rule can
// read, so it answers ENOSYS and glibc falls back to clone.
bool LimitClone(scmp_filter_ctx context) {
    constexpr scmp_datum_t kNamespaceFlags[] = {CLONE_NEWNS,  CLONE_NEWCGROUP, CLONE_NEWUTS,
                                                CLONE_NEWIPC, CLONE_NEWUSER,   CLONE_NEWPID,
                                                CLONE_NEWNET};
    for (const scmp_datum_t flag : kNamespaceFlags) {
        if (seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(clone), 1,
                             Compare(0, SCMP_CMP_MASKED_EQ, flag, flag)) != 0)
            return false;
    }
    return seccomp_rule_add(context, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0) == 0;
}

// Signals only to this process itself (raise, abort, its own threads).
bool LimitSignals(scmp_filter_ctx context) {
    const auto self = static_cast<scmp_datum_t>(getpid());
    return seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(kill), 1,
                            Compare(0, SCMP_CMP_NE, self)) == 0 &&
           seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(tgkill), 1,
                            Compare(0, SCMP_CMP_NE, self)) == 0 &&
           seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(rt_sigqueueinfo), 1,
                            Compare(0, SCMP_CMP_NE, self)) == 0 &&
           seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(rt_tgsigqueueinfo), 1,
                            Compare(0, SCMP_CMP_NE, self)) == 0;
}

}  // namespace

bool SyscallFilterAvailable() {
    return prctl(PR_GET_SECCOMP, 0, 0, 0, 0) >= 0;
}

bool InstallWorkerSyscallFilter(bool signalsToSelfOnly) {
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
    CFilter filter;
    if (!filter.Valid()) {
        errno = ENOMEM;
        return false;
    }
    for (const int call : kRefusedCalls) {
        if (call < 0) continue;  // not a call on this architecture
        if (!Refuse(filter.Get(), call)) return false;
    }
    const bool built = RefuseIoctl(filter.Get(), TIOCSTI) && RefuseIoctl(filter.Get(), TIOCLINUX) &&
                       LimitSockets(filter.Get()) && LimitClone(filter.Get()) &&
                       (!signalsToSelfOnly || LimitSignals(filter.Get()));
    if (!built) return false;
    const int loaded = seccomp_load(filter.Get());
    if (loaded != 0) {
        errno = -loaded;
        return false;
    }
    return true;
}

}  // namespace win
