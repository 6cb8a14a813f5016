#pragma once
// The one descriptor between a confined worker process and the side that
// started it: a local SOCK_SEQPACKET pair, one BoundaryFrame per datagram.
// The kernel keeps datagram boundaries; a datagram larger than a frame may
// be is cut by the receiver and refused, and descriptors sent along with a
// datagram are never taken (the kernel closes them).
#include "platform/BoundaryFrame.h"

namespace win {

struct BoundaryPair {
    int parent = -1;
    int child = -1;
};

// A fresh pair, both ends close-on-exec; false with errno.
bool MakeBoundaryPair(BoundaryPair& pair);

// False with errno when the frame could not be sent whole (or the message
// breaks the frame limits: EMSGSIZE).
bool SendBoundaryMessage(int fd, const BoundaryMessage& message);

enum class BoundaryReceive {
    Message,   // `message` holds a frame that decoded
    Refused,   // a datagram arrived that is no frame (too large, malformed)
    Closed,    // the other side is gone
    TimedOut,  // nothing within the time asked for
    Failed,    // errno says why
};

// Waits up to `timeoutMs` (-1: without limit) for the next datagram.
BoundaryReceive ReceiveBoundaryMessage(int fd, BoundaryMessage& message, int timeoutMs);

}  // namespace win
