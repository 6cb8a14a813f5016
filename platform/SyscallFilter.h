#pragma once
// The system calls a confined worker process may not make, whatever code
// runs in it: nothing that reaches into another process (ptrace,
// process_vm_*), pushes input into a terminal (TIOCSTI, TIOCLINUX), changes
// what the kernel or the namespaces look like (mount, unshare, setns, bpf,
// module and kexec calls), reaches the kernel's key store (keyctl), signals
// another process or opens a socket beyond the internet ones it downloads
// with (socketpair stays, for local pairs only). Refused calls fail with
// EPERM (sockets with EACCES, so a library falls back instead of retrying).
// Everything else stays allowed: the file-system rules are Landlock's.

namespace win {

// Installs the filter on the calling thread and every thread it starts
// later, setting no_new_privs on it first. With `signalsToSelfOnly` signals
// may reach only the calling process as it is now (install it after the
// last fork); a worker thread that may end other programs passes false.
// False with errno when the kernel or libseccomp refused it (the thread is
// then unfiltered).
bool InstallWorkerSyscallFilter(bool signalsToSelfOnly);

// Whether this kernel filters system calls at all.
bool SyscallFilterAvailable();

}  // namespace win
