#pragma once
// The browser's native messaging framing: each message is a 4-byte length
// in the machine's byte order followed by that many bytes of UTF-8 JSON.
// Standard output carries nothing else, or the browser loses the channel.
#include <cstdint>
#include <string>
#include <string_view>

// Messages from the browser are refused above this size (a page's object
// with its parameters is far smaller); ours stay far below the browser's
// own limit for messages to it.
inline constexpr std::uint32_t kMaxBrowserMessageBytes = 1024 * 1024;

enum class NativeReadResult {
    Message,  // `message` holds one message
    End,      // the browser closed the channel between messages
    Broken,   // cut short, too long, or a read failed: `error` says which
    Stopped,  // `stopFd` became readable, or no byte came in time
};

// Reads one message from `fd`. Each wait for bytes also watches `stopFd`
// (-1: none) and ends after `timeoutMs` (-1: no limit).
NativeReadResult ReadNativeMessage(int fd, std::string& message, std::string& error,
                                   int stopFd = -1, int timeoutMs = -1);

// Writes one message (length and body) to `fd`; false when the channel is
// gone. One writer at a time: a frame may take several writes.
bool WriteNativeMessage(int fd, std::string_view json);
