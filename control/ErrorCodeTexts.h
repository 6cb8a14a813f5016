#pragma once
// What each error code contributes to the error message: its text, whether the
// text follows the phase's headline or replaces it, and whether the system's
// text for lastError follows.
#include <cstdint>
#include <string>

#include "transfer/ErrorState.h"

namespace kivcontrol {

struct CodeText {
    std::string text;  // empty for codes without a text of their own
    kivtransfer::CodePlacement placement = kivtransfer::CodePlacement::Append;
    bool systemText = false;
};

// The text for `error`'s code with its values filled in (the code's row in
// transfer/ErrorCodes.h). The broken-file list of errcode::kFilesBroken is not
// part of it.
CodeText TextForCode(const kivtransfer::ErrorState& error);

// The headline for a phase; empty for phases without one and for errcode::kNotPlaced in
// the download and finalisation phases.
std::string HeadlineForPhase(int phase, std::int32_t errorCode);

// Texts for a WinINet error number (code 300) and an HTTP status (code 301).
std::string InternetErrorText(std::uint32_t internetError);
std::string HttpStatusText(std::uint32_t status);

}  // namespace kivcontrol
