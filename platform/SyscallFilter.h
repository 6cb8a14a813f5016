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
// later; needs no_new_privs already set. Signals are limited to the
// calling process as it is now: install it after the last fork. False with errno when the kernel or
// libseccomp refused it (the process is then unfiltered).
bool InstallWorkerSyscallFilter();

}  // namespace win
