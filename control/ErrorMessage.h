#pragma once
// The one message a failed run ends with: the phase's headline, the code's
// text (after the headline or instead of it), the system's text for lastError
// where the code asks for it, and the code tag "[D:code E:lastError]" that
// support staff identify the failure by. Code 500 adds the corrupted files,
// code 300 the detail the transfer gave (a refused redirect names both URLs).
//
// Reporting an error is composing it and, when there is something to show,
// ShowMessage(text, 0): one OK button with the exclamation icon.
#include <string>

#include "transfer/ContentData.h"
#include "transfer/ErrorState.h"

namespace kivcontrol {

// Phases of the run as the worker numbers them; 7 is the assistant program
// ending under the run. Any other number has no headline.
constexpr int kPhaseStart = 0;
constexpr int kPhaseDestination = 1;
constexpr int kPhaseDownload = 2;
constexpr int kPhaseVerification = 3;
constexpr int kPhaseFinalisation = 4;
constexpr int kPhaseCompletion = 5;
constexpr int kPhaseAssistantEnded = 7;

// False, with `text` cleared, when no box is shown: nothing failed (code 0) or
// the user cancelled (code 1). `items` supplies the names of the items flagged
// CDF_BROKEN for code 500, in list order.
bool ComposeErrorMessage(int phase, const kivtransfer::ErrorState& error,
                         const kivtransfer::ContentList& items, std::string& text);

// The notes a run's last message (its error or its completion) ends with:
// for each item whose name a file of someone else's had, where that file is
// kept now (blank line first). Empty when no file was kept aside.
std::string KeptAsideNotes(const kivtransfer::ContentList& items);

// "[D:code]", or with lastError "[D:code E:n]"; a lastError with the high bit
// set is an HRESULT and shows as eight upper-case hexadecimal digits.
std::string CodeTag(std::int32_t errorCode, std::uint32_t lastError);

}  // namespace kivcontrol
