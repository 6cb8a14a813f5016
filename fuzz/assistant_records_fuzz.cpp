// What crosses from one process to the other in the protected layout: the
// assistant's work file (written by the confined worker, or by anyone who can
// write the low temporary folder) and the replies and copy-data datagrams
// (sent by any process of the user). The first input byte picks the reader,
// the rest is the bytes. Beyond never reading outside them: a request that
// reads builds again into a work file that reads back the same (up to the
// field's room).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "assistant/AssistantRecords.h"
#include "assistant/AssistantReply.h"
#include "platform/CopyDataWire.h"
#include "programs/assistant/StandinWorkFile.h"

using kivassistant::AssistantBytes;
using kivassistant::AssistantReply;
using kivassistant::BuildPlaceFileRecord;
using kivassistant::BuildWorkFile;
using kivassistant::kPlaceFileRequest;
using kivassistant::ParseAssistantReply;

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void ReadWorkFile(WorkFileBytes file) {
    WorkFileKind(file);
    ReadGreeting(file);
    ReadContentList(file);
    if (const auto place = ReadPlaceFile(file)) {
        const AssistantBytes rebuilt = BuildWorkFile(
            kPlaceFileRequest, BuildPlaceFileRecord(place->source, place->destination));
        // A field filled to its end without a zero loses its tail to the terminator.
        const auto again = ReadPlaceFile(WorkFileBytes(rebuilt));
        Check(again && place->source.starts_with(again->source) &&
              place->destination.starts_with(again->destination));
    }
}

// The kind travels in the data word; the payload is copied so that a read
// past its end is caught.
void ReadReply(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    const std::vector<std::uint8_t> payload(bytes.begin() + 1, bytes.end());
    win::COPYDATASTRUCT record;
    record.dwData = bytes[0] % 6;
    record.cbData = static_cast<win::DWORD>(payload.size());
    record.lpData = payload.empty() ? nullptr : const_cast<std::uint8_t*>(payload.data());
    const AssistantReply reply = ParseAssistantReply(&record);
    if (reply.destination) Check(reply.destination->size() <= payload.size());
}

void ReadDatagram(std::span<const std::uint8_t> bytes) {
    win::detail::DecodeCopyDataRequest(bytes);
    win::detail::DecodeCopyDataReply(bytes);
    win::detail::PeekCopyDataSequence(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    switch (data[0] % 3) {
        case 0:
            ReadWorkFile(bytes);
            break;
        case 1:
            ReadReply(bytes);
            break;
        default:
            ReadDatagram(bytes);
            break;
    }
    return 0;
}
