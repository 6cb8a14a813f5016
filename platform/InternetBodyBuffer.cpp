#include "platform/InternetBodyBuffer.h"

#include <algorithm>
#include <cstring>

namespace win::inet {

void BodyBuffer::Append(const char* data, std::size_t length) {
    if (length == 0) {
        return;
    }
    MakeRoom(length);
    std::memcpy(storage_.get() + end_, data, length);
    end_ += length;
}

std::size_t BodyBuffer::Take(char* out, std::size_t count) {
    const std::size_t taken = std::min(count, Size());
    if (taken == 0) {
        return 0;
    }
    std::memcpy(out, storage_.get() + begin_, taken);
    begin_ += taken;
    if (begin_ == end_) {  // emptied: the next piece starts at the front again
        begin_ = end_ = 0;
    }
    return taken;
}

void BodyBuffer::Clear() {
    storage_.reset();
    capacity_ = begin_ = end_ = 0;
}

void BodyBuffer::MakeRoom(std::size_t length) {
    if (capacity_ - end_ >= length) {
        return;
    }
    const std::size_t held = Size();
    if (capacity_ - held >= length) {  // enough once the taken front is reused
        std::memmove(storage_.get(), storage_.get() + begin_, held);
    } else {
        // Sized for the bound at once: growing piece by piece would copy the
        // held bytes again at every step.
        const std::size_t capacity = std::max(held + length, bound_);
        auto grown = std::make_unique_for_overwrite<char[]>(capacity);
        if (held > 0) {
            std::memcpy(grown.get(), storage_.get() + begin_, held);
        }
        storage_ = std::move(grown);
        capacity_ = capacity;
    }
    begin_ = 0;
    end_ = held;
}

}  // namespace win::inet
