#pragma once
// The string table: every user-visible text by id, in English and Japanese.
// Texts are returned in the process code page (platform/CodePage.h).
#include <cstdint>
#include <initializer_list>
#include <string>
#include <variant>

#include "platform/Language.h"

namespace res {

// Raw table text in UTF-8; empty when the id is not in the table.
std::string LoadStringUtf8(unsigned id, win::Language language);
// Text in the process code page for the user's (or given) language.
std::string LoadString(unsigned id);
std::string LoadString(unsigned id, win::Language language);

// One value for a placeholder: %s takes text, %d/%2d/%03d/%ld take integers,
// %I64d/%I64u take 64-bit values, %% is a percent sign.
using FormatArg = std::variant<long long, unsigned long long, std::string>;

// printf-style formatting over the placeholders the table uses. Missing or
// mistyped arguments never read out of bounds: they format as empty / 0.
std::string FormatText(const std::string& format, std::initializer_list<FormatArg> args);
std::string FormatString(unsigned id, std::initializer_list<FormatArg> args);

}  // namespace res
