#pragma once
// Our message tables for Windows error codes, in UTF-8, without the line
// break that FormatSystemMessage adds.
#include <span>

#include "platform/WinTypes.h"

namespace win {

struct ErrorText {
    DWORD code;
    const char* english;
    const char* japanese;
};

std::span<const ErrorText> SystemErrorTexts();    // winerror.h codes
std::span<const ErrorText> InternetErrorTexts();  // WinINet codes 12001-12175

}  // namespace win
