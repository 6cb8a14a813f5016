#include "platform/SyscallFilter.h"

#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

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
    SCMP_SYS(ptrace),        SCMP_SYS(process_vm_writev), SCMP_SYS(process_vm_readv),
    SCMP_SYS(keyctl),        SCMP_SYS(add_key),           SCMP_SYS(request_key),
    SCMP_SYS(bpf),           SCMP_SYS(mount),             SCMP_SYS(umount2),
    SCMP_SYS(unshare),       SCMP_SYS(setns),             SCMP_SYS(pivot_root),
    SCMP_SYS(chroot),        SCMP_SYS(init_module),       SCMP_SYS(finit_module),
    SCMP_SYS(delete_module), SCMP_SYS(kexec_load),        SCMP_SYS(kexec_file_load),
    SCMP_SYS(perf_event_open), SCMP_SYS(userfaultfd),     SCMP_SYS(fsopen),
    SCMP_SYS(fsmount),       SCMP_SYS(move_mount),        SCMP_SYS(open_tree),
    SCMP_SYS(personality),
};

bool Refuse(scmp_filter_ctx context, int call) {
    return seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), call, 0) == 0;
}

// The kernel compares the request as a 32-bit number; masking keeps a
// request with high bits set from slipping past the comparison.
bool RefuseIoctl(scmp_filter_ctx context, unsigned long request) {
    return seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(ioctl), 1,
                            SCMP_A1(SCMP_CMP_MASKED_EQ, 0xFFFFFFFFu, request)) == 0;
}

// socket(): internet families only. socketpair(): local pairs only (libcurl's
// resolver wakes itself through one); a pair can reach no other process.
bool LimitSockets(scmp_filter_ctx context) {
    const int socketCall = SCMP_SYS(socket);
    const int pairCall = SCMP_SYS(socketpair);
    return seccomp_rule_add(context, SCMP_ACT_ERRNO(EACCES), socketCall, 2,
                            SCMP_A0(SCMP_CMP_NE, AF_INET), SCMP_A0(SCMP_CMP_NE, AF_INET6)) == 0 &&
           seccomp_rule_add(context, SCMP_ACT_ERRNO(EACCES), pairCall, 1,
                            SCMP_A0(SCMP_CMP_NE, AF_UNIX)) == 0;
}

}  // namespace

bool InstallWorkerSyscallFilter() {
    CFilter filter;
    if (!filter.Valid()) {
        errno = ENOMEM;
        return false;
    }
    for (const int call : kRefusedCalls) {
        if (call < 0) continue;  // not a call on this architecture
        if (!Refuse(filter.Get(), call)) return false;
    }
    const bool built = RefuseIoctl(filter.Get(), TIOCSTI) &&
                       RefuseIoctl(filter.Get(), TIOCLINUX) && LimitSockets(filter.Get());
    if (!built) return false;
    const int loaded = seccomp_load(filter.Get());
    if (loaded != 0) {
        errno = -loaded;
        return false;
    }
    return true;
}

}  // namespace win
