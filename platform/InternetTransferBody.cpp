// libcurl's callbacks and the bounded body read.
#include <poll.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/InternetErrors.h"
#include "platform/InternetRedirect.h"
#include "platform/InternetTransfer.h"

namespace win::inet {

namespace {

int ParseStatusCode(std::string_view statusLine) {
    std::size_t space = statusLine.find(' ');
    if (space == std::string_view::npos || statusLine.size() < space + 4) {
        return 0;
    }
    int code = 0;
    for (std::size_t i = space + 1; i < space + 4; ++i) {
        if (statusLine[i] < '0' || statusLine[i] > '9') {
            return 0;
        }
        code = code * 10 + (statusLine[i] - '0');
    }
    return code;
}

// `prefix` in lower case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char lower, char c) {
               return std::tolower(static_cast<unsigned char>(c)) == lower;
           });
}

// The value of a "Location:" line (empty when it has none): libcurl follows
// such an answer itself.
std::string_view LocationValue(std::string_view line) {
    constexpr std::string_view kName = "location:";
    constexpr std::string_view kBlanks = " \t\r\n";
    if (!StartsWithNoCase(line, kName)) {
        return {};
    }
    const std::size_t first = line.find_first_not_of(kBlanks, kName.size());
    if (first == std::string_view::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(kBlanks) + 1 - first);
}

int HexValue(char c) {
    const int lower = std::tolower(static_cast<unsigned char>(c));
    if (lower >= '0' && lower <= '9') {
        return lower - '0';
    }
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// A Content-Length that gives no length at all: empty, or digits beyond
// what a 64-bit size holds. libcurl reads such a body to the connection's
// end, so no body at all would pass as a complete empty file. Other odd
// texts stay the size reader's to judge.
bool IsUnusableContentLength(std::string_view line) {
    constexpr std::string_view kName = "content-length:";
    constexpr std::string_view kBlanks = " \t\r\n";
    if (!StartsWithNoCase(line, kName)) {
        return false;
    }
    line.remove_prefix(kName.size());
    const std::size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return true;
    }
    line = line.substr(first, line.find_last_not_of(kBlanks) + 1 - first);
    const bool hex = line.size() > 2 && line[0] == '0' && (line[1] == 'x' || line[1] == 'X');
    const std::string_view digits = hex ? line.substr(2) : line;
    const std::uint64_t limit = hex ? UINT64_MAX : static_cast<std::uint64_t>(INT64_MAX);
    const unsigned base = hex ? 16 : 10;
    std::uint64_t value = 0;
    for (char c : digits) {
        const int digit = hex ? HexValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (digit < 0) {
            return false;  // not a number: left to the size reader
        }
        if (value > (limit - static_cast<unsigned>(digit)) / base) {
            return true;
        }
        value = value * base + static_cast<unsigned>(digit);
    }
    return false;
}

}  // namespace

// Returning less than was given ends the exchange.
std::size_t Transfer::OnHeaderData(char* data, std::size_t size, std::size_t count, void* self) {
    auto* transfer = static_cast<Transfer*>(self);
    try {
        return transfer->OnHeaderLine(std::string_view(data, size * count)) ? size * count : 0;
    } catch (const std::bad_alloc&) {
        transfer->callbackOutOfMemory_ = true;
        return 0;
    }
}

std::size_t Transfer::OnBodyData(char* data, std::size_t size, std::size_t count, void* self) {
    auto* transfer = static_cast<Transfer*>(self);
    try {
        return transfer->OnBody(data, size * count);
    } catch (const std::bad_alloc&) {
        transfer->callbackOutOfMemory_ = true;
        return 0;  // libcurl ends the transfer with a write error
    }
}

int Transfer::OnRequestStart(void* self, char*, char*, int, int) {
    auto* transfer = static_cast<Transfer*>(self);
    transfer->requestStarted_ = Clock::now();
    transfer->KeepExtraHeadersOnOrigin();
    return CURL_PREREQFUNC_OK;
}

// libcurl builds each request from the list after this point: once a
// redirect left the first request's origin, the user's extra lines stay
// behind (as libcurl itself does for Cookie and Authorization lines).
void Transfer::KeepExtraHeadersOnOrigin() {
    if (!lastOwnHeader_ || !lastOwnHeader_->next) return;
    char* current = nullptr;
    if (curl_easy_getinfo(easy_, CURLINFO_EFFECTIVE_URL, &current) == CURLE_OK && current &&
        SameOrigin(spec_.url, current)) {
        return;
    }
    cutHeaders_ = lastOwnHeader_->next;
    lastOwnHeader_->next = nullptr;
}

// False ends the exchange.
bool Transfer::OnHeaderLine(std::string_view line) {
    headBytes_ += line.size();
    if (headBytes_ > kLongestResponseHead) {
        headTooLong_ = true;
        return false;
    }
    if (line.starts_with("HTTP/")) {  // a new response begins
        blockStatus_ = ParseStatusCode(line);
        blockRedirects_ = false;
        blockLocation_.clear();
        blockBadLength_ = false;
        provisionalStatus_ = 0;
    } else if (line == "\r\n" || line == "\n") {
        return OnHeaderBlockEnd();
    } else if (IsUnusableContentLength(line)) {
        blockBadLength_ = true;
    } else if (blockStatus_ >= 300 && blockStatus_ < 400 && !LocationValue(line).empty()) {
        blockRedirects_ = true;
        blockLocation_ = LocationValue(line);
    }
    return true;
}

// Decides whether the response just read is the one to report, or one that
// libcurl goes past by itself (informational, redirect, answered challenge).
// False refuses to follow the redirect it is.
bool Transfer::OnHeaderBlockEnd() {
    if (final_ || blockStatus_ < 200) {
        return true;
    }
    if (blockRedirects_) {
        return !IsDowngradingRedirect();
    }
    if (blockStatus_ == 401 || blockStatus_ == 407) {
        // Known only once its body arrives, the exchange ends or another
        // response begins.
        provisionalStatus_ = blockStatus_;
        return true;
    }
    if (blockBadLength_) {  // an invalid response, whatever body may follow
        badLength_ = true;
        return false;
    }
    MarkFinal(blockStatus_);
    return true;
}

// Notes both URLs of a refused redirect for the message.
bool Transfer::IsDowngradingRedirect() {
    char* current = nullptr;
    if (curl_easy_getinfo(easy_, CURLINFO_EFFECTIVE_URL, &current) != CURLE_OK || !current) {
        return false;
    }
    refusedRedirect_ = DowngradingRedirect(current, blockLocation_);
    return !refusedRedirect_.empty();
}

void Transfer::MarkFinal(int status) {
    if (!final_) {
        final_ = true;
        status_ = status;
        provisionalStatus_ = 0;
    }
}

void Transfer::OnDone(CURLcode result) {
    done_ = true;
    result_ = result;
}

std::size_t Transfer::OnBody(const char* data, std::size_t length) {
    // libcurl hands on only the body of the response it will not go past.
    MarkFinal(provisionalStatus_ != 0 ? provisionalStatus_ : blockStatus_);
    if (length == 0) {
        return 0;
    }
    std::size_t direct = 0;
    if (room_ > 0 && held_.Empty()) {  // a reader waits and nothing is ahead of it
        direct = std::min(length, room_);
        std::memcpy(target_, data, direct);
        target_ += direct;
        room_ -= direct;
        delivered_ += direct;
    } else if (!held_.Fits(length)) {
        // Past the bound and a whole receive buffer more (a decoded body may
        // come in more pieces than the socket gave): libcurl keeps this
        // piece and reads nothing more until a read has made room.
        paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    // A piece partly copied to the reader is appended whatever the bound:
    // pausing would make libcurl offer the copied part again.
    held_.Append(data + direct, length - direct);
    if (!paused_ && held_.Size() >= kBodyBufferBound) {
        // The reader is a bound behind: libcurl hands on the rest of what it
        // has read and reads no more until a read has made room. Taking that
        // rest here spares libcurl a copy of its own. Were the pause refused,
        // the check above still stops libcurl once the buffer is full.
        paused_ = true;
        curl_easy_pause(easy_, CURLPAUSE_RECV);
    }
    return length;
}

void Transfer::Resume() {
    if (!paused_) {
        return;
    }
    paused_ = false;
    // May hand the held piece to OnBody at once.
    CURLcode code = curl_easy_pause(easy_, CURLPAUSE_CONT);
    if (code != CURLE_OK && !done_) {
        OnDone(code);
    }
}

bool Transfer::Failed() const {
    return done_ && result_ != CURLE_OK && result_ != CURLE_PARTIAL_FILE;
}

// libcurl's word for a body that lacks its last chunk or part of its length.
bool Transfer::CutShort() const {
    return done_ && result_ == CURLE_PARTIAL_FILE;
}

bool Transfer::IsSignalled(int fd) {
    if (fd < 0) {
        return false;
    }
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, 0) > 0 && (entry.revents & POLLIN);
}

ReadResult Transfer::Read(void* buffer, std::size_t count, int timeoutMs, int cancelFd) {
    if (!final_ || !easy_) {
        Throw(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    }
    if (count == 0) {
        return {};
    }
    if (IsSignalled(cancelFd)) {
        return {ReadOutcome::Cancelled, 0};
    }
    auto* out = static_cast<char*>(buffer);
    delivered_ = held_.Take(out, count);
    if (delivered_ == count) {  // served from what arrived earlier
        return {ReadOutcome::Complete, delivered_};
    }
    target_ = out + delivered_;
    room_ = count - delivered_;
    struct ReleaseBuffer {
        Transfer& transfer;
        ~ReleaseBuffer() {
            transfer.target_ = nullptr;
            transfer.room_ = 0;
        }
    } release{*this};
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    Resume();  // the buffer is empty: let libcurl take from the socket again
    for (;;) {
        if (room_ == 0) {
            break;
        }
        if (done_) {
            // Bytes that came before a failure or a cut are handed out first.
            if (delivered_ == 0 && Failed()) {
                ThrowFailure();
            }
            if (delivered_ == 0 && CutShort()) {
                return {ReadOutcome::CutShort, 0};
            }
            break;
        }
        Pump();
        if (room_ == 0 || done_) {
            continue;
        }
        if (Clock::now() >= deadline) {
            return {ReadOutcome::TimedOut, delivered_};
        }
        if (Poll(deadline, cancelFd)) {
            return {ReadOutcome::Cancelled, delivered_};
        }
    }
    return {ReadOutcome::Complete, delivered_};
}

}  // namespace win::inet
