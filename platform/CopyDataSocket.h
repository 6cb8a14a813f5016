#pragma once
// Internal to the platform layer: the AF_UNIX datagram sockets that carry
// WM_COPYDATA between processes. Descriptors are close-on-exec and
// non-blocking; -1 with the last error set on failure.
#include <string>

namespace win::detail {

// Bound to `path`, with SO_PASSCRED. A socket file left by a process that ended is replaced;
// one a live process listens on gives ERROR_ALREADY_EXISTS.
int BindReceiverSocket(const std::string& path);
// Connected to the receiver at `path` and bound to an address of its own
// (outside the file system) for the reply; ERROR_INVALID_WINDOW_HANDLE when
// nobody listens there.
int ConnectSenderSocket(const std::string& path);

}  // namespace win::detail
