#pragma once
// Response body bytes that arrived before a reader asked for them. The write
// callback appends every piece that fits within the bound, so libcurl keeps
// (and copies) a piece of its own only once the reader has fallen a bound
// behind (the transfer pauses libcurl before that), and reads are served from
// memory without a system call. Bytes leave in the order they came.
#include <cstddef>
#include <memory>

namespace win::inet {

class BodyBuffer {
public:
    explicit BodyBuffer(std::size_t bound) : bound_(bound) {}

    // Whether a piece of `length` bytes may be appended: it fits within the
    // bound, or the buffer is empty (a piece larger than the bound is then
    // held alone rather than refused for ever).
    bool Fits(std::size_t length) const { return Empty() || Size() + length <= bound_; }
    // Appends the whole piece. Throws std::bad_alloc.
    void Append(const char* data, std::size_t length);
    // Moves up to `count` of the oldest bytes to `out`; returns how many.
    std::size_t Take(char* out, std::size_t count);
    std::size_t Size() const { return end_ - begin_; }
    bool Empty() const { return begin_ == end_; }
    // Drops the bytes and the storage.
    void Clear();

private:
    void MakeRoom(std::size_t length);

    std::size_t bound_;
    std::unique_ptr<char[]> storage_;
    std::size_t capacity_ = 0;
    std::size_t begin_ = 0;  // the oldest byte not yet taken
    std::size_t end_ = 0;    // one past the newest byte
};

}  // namespace win::inet
