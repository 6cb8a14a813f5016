#pragma once
// Internal to the platform layer: a named FIFO of the runtime folder that
// stands for a named event. Every process that has the event open holds a
// shared flock on its FIFO, so "does anyone have this event" is a lock
// probe, and the last one to leave removes the file. The FIFO is always
// opened for reading and writing: opening never blocks and a write never
// fails for want of a reader.
#include <cstddef>
#include <string>
#include <string_view>

namespace win::detail {

// The FIFO's file name for an event name (namespace prefix already
// dropped): "event-" and the name's UTF-8 bytes with every byte outside
// [A-Za-z0-9._{}-] written as %XX. Empty when that would not fit NAME_MAX.
std::string EventFifoFileName(std::string_view name);

class NamedFifo {
public:
    NamedFifo() = default;
    ~NamedFifo();
    NamedFifo(NamedFifo&& other) noexcept;
    NamedFifo& operator=(NamedFifo&& other) noexcept;
    NamedFifo(const NamedFifo&) = delete;
    NamedFifo& operator=(const NamedFifo&) = delete;

    // Creates the FIFO when missing and becomes one of its holders.
    // `othersHold`: another holder had it already. Invalid with the last
    // error set on failure.
    static NamedFifo Join(const std::string& path, bool& othersHold);
    // Becomes a holder of a FIFO somebody else holds; ERROR_FILE_NOT_FOUND
    // otherwise (a FIFO nobody holds is left over from a crash and removed).
    static NamedFifo JoinHeld(const std::string& path);
    // Opens a FIFO somebody holds without becoming a holder, to write to it.
    static NamedFifo OpenHeld(const std::string& path);

    bool IsValid() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    // One byte in; false with the last error set (ERROR_NOT_ENOUGH_QUOTA
    // when 64 KiB of signals are already waiting).
    bool WriteByte() const;
    // One byte out, if there is one.
    bool ReadByte() const;
    // Every waiting byte out; how many there were.
    std::size_t Drain() const;
    // Stops holding; the last holder removes the file. The descriptor stays
    // open (a watcher may still poll it) until the object goes.
    void Leave();

private:
    NamedFifo(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

    int fd_ = -1;
    std::string path_;
};

}  // namespace win::detail
