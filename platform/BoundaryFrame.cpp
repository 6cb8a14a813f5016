#include "platform/BoundaryFrame.h"

namespace win {

namespace {

constexpr std::uint8_t kNumberField = 1;
constexpr std::uint8_t kBytesField = 2;
constexpr std::size_t kLengthBytes = 4;

void PutLittle(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Reads the frame front to back; any read past the end fails the reader.
class CFrameReader {
public:
    explicit CFrameReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::optional<std::uint64_t> Little(std::size_t count) {
        if (bytes_.size() - offset_ < count) return std::nullopt;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < count; ++i)
            value |= static_cast<std::uint64_t>(bytes_[offset_ + i]) << (8 * i);
        offset_ += count;
        return value;
    }
    std::optional<std::string> Bytes(std::uint64_t count) {
        if (bytes_.size() - offset_ < count) return std::nullopt;
        std::string text(reinterpret_cast<const char*>(bytes_.data() + offset_),
                         static_cast<std::size_t>(count));
        offset_ += static_cast<std::size_t>(count);
        return text;
    }
    bool AtEnd() const { return offset_ == bytes_.size(); }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
};

std::optional<BoundaryField> ReadField(CFrameReader& reader) {
    const auto type = reader.Little(1);
    BoundaryField field;
    if (type == kNumberField) {
        const auto number = reader.Little(8);
        if (!number) return std::nullopt;
        field.number = *number;
        return field;
    }
    if (type != kBytesField) return std::nullopt;
    const auto length = reader.Little(4);
    if (!length) return std::nullopt;
    auto bytes = reader.Bytes(*length);
    if (!bytes) return std::nullopt;
    field.isNumber = false;
    field.bytes = std::move(*bytes);
    return field;
}

}  // namespace

BoundaryMessage& BoundaryMessage::AddNumber(std::uint64_t number) {
    fields.push_back(BoundaryField{true, number, {}});
    return *this;
}

BoundaryMessage& BoundaryMessage::AddBytes(std::string_view bytes) {
    fields.push_back(BoundaryField{false, 0, std::string(bytes)});
    return *this;
}

std::optional<std::uint64_t> BoundaryMessage::Number(std::size_t index) const {
    if (index >= fields.size() || !fields[index].isNumber) return std::nullopt;
    return fields[index].number;
}

const std::string* BoundaryMessage::Bytes(std::size_t index) const {
    if (index >= fields.size() || fields[index].isNumber) return nullptr;
    return &fields[index].bytes;
}

std::optional<std::vector<std::uint8_t>> EncodeBoundaryFrame(const BoundaryMessage& message) {
    if (message.fields.size() > kMaxBoundaryFields) return std::nullopt;
    std::vector<std::uint8_t> frame(kLengthBytes, 0);
    PutLittle(frame, message.kind, 2);
    PutLittle(frame, message.fields.size(), 1);
    for (const BoundaryField& field : message.fields) {
        if (field.bytes.size() > kMaxBoundaryFrameBytes) return std::nullopt;
        if (field.isNumber) {
            PutLittle(frame, kNumberField, 1);
            PutLittle(frame, field.number, 8);
        } else {
            PutLittle(frame, kBytesField, 1);
            PutLittle(frame, field.bytes.size(), 4);
            frame.insert(frame.end(), field.bytes.begin(), field.bytes.end());
        }
        if (frame.size() > kMaxBoundaryFrameBytes) return std::nullopt;
    }
    const std::size_t body = frame.size() - kLengthBytes;
    for (std::size_t i = 0; i < kLengthBytes; ++i)
        frame[i] = static_cast<std::uint8_t>(body >> (8 * i));
    return frame;
}

std::optional<BoundaryMessage> DecodeBoundaryFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() > kMaxBoundaryFrameBytes) return std::nullopt;
    CFrameReader reader(frame);
    const auto length = reader.Little(kLengthBytes);
    if (!length || *length != frame.size() - kLengthBytes) return std::nullopt;
    const auto kind = reader.Little(2);
    const auto count = reader.Little(1);
    if (!kind || !count || *count > kMaxBoundaryFields) return std::nullopt;
    BoundaryMessage message;
    message.kind = static_cast<std::uint16_t>(*kind);
    for (std::uint64_t i = 0; i < *count; ++i) {
        auto field = ReadField(reader);
        if (!field) return std::nullopt;
        message.fields.push_back(std::move(*field));
    }
    if (!reader.AtEnd()) return std::nullopt;
    return message;
}

}  // namespace win
