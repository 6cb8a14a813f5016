#pragma once
// The assistant program's replies: WM_COPYDATA records whose data word is
// the reply kind. A payload is read only within its byte count.
#include <optional>
#include <string>

#include "platform/CopyData.h"

namespace kivassistant {

// The 32-bit resume decision for files already present; wakes nobody.
inline constexpr win::ULONG_PTR kResumeDecisionReply = 2;
// The destination folder as text, or no data when the user gave up.
inline constexpr win::ULONG_PTR kDestinationReply = 3;
// The 32-bit outcome of placing one file: 0, or a system error code; after
// a 0, the name a file in the way was kept aside under, if any.
inline constexpr win::ULONG_PTR kPlaceFileReply = 4;

struct AssistantReply {
    enum class Effect {
        Refused,         // no record, or a resume decision shorter than 4 bytes
        ResumeDecision,  // resumeAllowed holds it
        Outcome,         // ends the request waiting for a reply
    };
    Effect effect = Effect::Refused;
    bool resumeAllowed = false;
    bool failed = false;
    std::optional<std::string> destination;  // a destination reply with text
    std::optional<win::DWORD> errorCode;     // a failed placing: its code
    std::string keptAside;  // a placing's kept-aside name: one plain file name, or empty
};

// Kind 3 text ends at its first zero or at the byte count; kind 4 shorter
// than 4 bytes fails with ERROR_INVALID_DATA; a kept-aside name that is no
// plain file name (empty after the word, a separator, a control character,
// "." or "..", over 255 bytes) is dropped; any other kind succeeds.
AssistantReply ParseAssistantReply(const win::COPYDATASTRUCT* record);

}  // namespace kivassistant
