#pragma once
// The text of a Windows error code (system and WinINet numbers) from our own
// table in English and Japanese, ending in "\r\n" as FormatMessage gives it.
// An unknown code gives an empty text. The result is in the process code page.
#include <string>

#include "platform/WinTypes.h"

namespace win {

std::string FormatSystemMessage(DWORD code);  // in the user's language (platform/Language.h)

}  // namespace win
