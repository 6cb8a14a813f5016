#include "assistant/AssistantReply.h"

#include <algorithm>
#include <cstdint>

#include "platform/LittleEndian.h"

namespace kivassistant {

namespace {

AssistantReply Outcome(bool failed) {
    AssistantReply reply;
    reply.effect = AssistantReply::Effect::Outcome;
    reply.failed = failed;
    return reply;
}

// The payload's first 32-bit word, if it has one.
std::optional<std::uint32_t> FirstWord(const win::COPYDATASTRUCT& record) {
    if (record.lpData == nullptr || record.cbData < 4) return std::nullopt;
    return win::GetLE32(static_cast<const std::uint8_t*>(record.lpData));
}

AssistantReply ResumeDecision(const win::COPYDATASTRUCT& record) {
    AssistantReply reply;
    if (const auto word = FirstWord(record)) {
        reply.effect = AssistantReply::Effect::ResumeDecision;
        reply.resumeAllowed = *word != 0;
    }
    return reply;
}

// No data is the user's refusal, not an error of its own.
AssistantReply Destination(const win::COPYDATASTRUCT& record) {
    if (record.lpData == nullptr || record.cbData == 0) return Outcome(true);
    const auto* text = static_cast<const char*>(record.lpData);
    AssistantReply reply = Outcome(false);
    reply.destination.emplace(text, std::find(text, text + record.cbData, '\0'));
    return reply;
}

// Shown to the user and joined to the destination folder: one file name only.
bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '\\' || c == '/' || static_cast<unsigned char>(c) < 0x20;
    });
}

AssistantReply PlaceFileResult(const win::COPYDATASTRUCT& record) {
    const std::optional<std::uint32_t> code = FirstWord(record);
    if (code && *code == 0) {
        AssistantReply placed = Outcome(false);
        const auto* text = static_cast<const char*>(record.lpData) + 4;
        std::string kept(text, std::find(text, text + (record.cbData - 4), '\0'));
        if (IsPlainFileName(kept)) placed.keptAside = std::move(kept);
        return placed;
    }
    AssistantReply reply = Outcome(true);
    reply.errorCode = code.value_or(win::ERROR_INVALID_DATA);
    return reply;
}

}  // namespace

AssistantReply ParseAssistantReply(const win::COPYDATASTRUCT* record) {
    if (record == nullptr) return {};
    switch (record->dwData) {
        case kResumeDecisionReply:
            return ResumeDecision(*record);
        case kDestinationReply:
            return Destination(*record);
        case kPlaceFileReply:
            return PlaceFileResult(*record);
        default:
            return Outcome(false);
    }
}

}  // namespace kivassistant
