// What the confined worker process sends to the unconfined side: any bytes
// at all. Beyond never reading outside them: a frame that decodes encodes
// again to the very same bytes, so no two frames mean one message.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/BoundaryFrame.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> frame(data, size);
    const auto message = win::DecodeBoundaryFrame(frame);
    if (!message) return 0;
    Check(message->fields.size() <= win::kMaxBoundaryFields);
    const auto again = win::EncodeBoundaryFrame(*message);
    Check(again && again->size() == size && std::equal(again->begin(), again->end(), data));
    return 0;
}
