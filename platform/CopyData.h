#pragma once
// WM_COPYDATA between processes. A window that should receive it gets a
// CCopyDataReceiver: a datagram socket in the runtime folder named after
// the window's 32-bit number ("window-" and eight hexadecimal digits). A
// record sent there is delivered on the window's own thread as
// WM_COPYDATA: wParam is the sender's window number (0: none), lParam
// points to a COPYDATASTRUCT that, like its data, is valid only during the
// call. The procedure's result travels back to the sender.
//
// Window handles cross process boundaries as 32-bit numbers: the handle
// table's own numbers, which fit 32 bits.
#include <atomic>
#include <cstdint>
#include <span>
#include <string>

#include "platform/Thread.h"
#include "platform/WindowTypes.h"

namespace win {

using ULONG_PTR = std::uintptr_t;

constexpr UINT WM_COPYDATA = 0x004A;
// The largest payload one record carries; larger ones are refused.
constexpr DWORD MAX_COPYDATA_BYTES = 64 * 1024;

struct COPYDATASTRUCT {
    ULONG_PTR dwData = 0;
    DWORD cbData = 0;
    void* lpData = nullptr;  // null when cbData is 0
};

// The window's 32-bit number; 0 for a window that is gone.
std::uint32_t WindowToUInt32(HWND hwnd);
// The window of this process with that number, when it is alive and has an
// open receiver; null otherwise.
HWND WindowFromUInt32(std::uint32_t window);

// Whether a receiver of some process listens for the window `window` names
// (what SendCopyData finds out before it sends); nothing is delivered, so
// another process can watch a window without its records counting. Only a
// certain "nobody there" gives false.
bool IsCopyDataWindowListening(std::uint32_t window);

// The process whose receiver listens for the window `window` names, as the
// kernel tells it (SCM_CREDENTIALS on the receiver's answer to a record it
// refuses unread, so nothing is delivered). 0 with the last error when
// nobody answers within `timeoutMs`.
DWORD GetCopyDataWindowProcessId(std::uint32_t window, DWORD timeoutMs);

// Sends WM_COPYDATA to the window `targetWindow` names, in whichever
// process it lives, and waits at most `timeoutMs` (INFINITE: no limit) for
// the procedure's result. FALSE with the last error: ERROR_INVALID_PARAMETER
// (payload above MAX_COPYDATA_BYTES), ERROR_INVALID_WINDOW_HANDLE (no
// receiver for that number, or the window went before handling it) or
// ERROR_TIMEOUT. A record that timed out may still be handled later. A
// window of the calling thread is called directly, as SendMessage does.
BOOL SendCopyData(std::uint32_t targetWindow, ULONG_PTR dwData, std::span<const BYTE> bytes,
                  DWORD timeoutMs, LRESULT* result, std::uint32_t sourceWindow = 0);

// Receives for one window. Open and close it on any thread; records are
// served one at a time, in arrival order.
class CCopyDataReceiver {
public:
    CCopyDataReceiver() = default;
    ~CCopyDataReceiver() { Close(); }
    CCopyDataReceiver(const CCopyDataReceiver&) = delete;
    CCopyDataReceiver& operator=(const CCopyDataReceiver&) = delete;

    // FALSE with the last error: ERROR_INVALID_WINDOW_HANDLE for a dead
    // window, ERROR_ALREADY_EXISTS when a live receiver of another process
    // has the same number, or what the socket gave.
    BOOL Open(HWND hwnd);
    // Stops receiving and removes the socket. A record being delivered is
    // finished first; the wait serves messages sent to the caller's
    // windows, so closing on the window's own thread is fine, but not from
    // inside the window's WM_COPYDATA handling (that delivery would wait
    // for the close).
    void Close();
    bool IsOpen() const { return socketFd_ >= 0; }
    // From now on records are delivered only when this process sent them, or
    // the process `processId` (0: this process alone); others are refused.
    // The kernel names the sender of each record (SCM_CREDENTIALS), so no
    // process can pass for another. Any thread, before or after Open.
    void AcceptOnlyFrom(DWORD processId) { acceptedSender_ = static_cast<int>(processId); }

private:
    DWORD Listen();
    bool IsAcceptedSender(int pid) const;

    HWND hwnd_ = nullptr;
    std::string socketPath_;
    int socketFd_ = -1;
    int wakeFd_ = -1;
    std::atomic<int> acceptedSender_{kAnySender};
    CThread listener_;
    static constexpr int kAnySender = -1;
};

}  // namespace win
