#pragma once
// The string table: every user-visible text by id, in English and Japanese.
// Texts are returned in the process code page (platform/CodePage.h).
#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/Language.h"
#include "resources/FormatArg.h"

namespace res {

// Raw table text in UTF-8; empty when the id is not in the table.
std::string LoadStringUtf8(unsigned id, win::Language language);
// Text in the process code page for the user's (or given) language.
std::string LoadString(unsigned id);
std::string LoadString(unsigned id, win::Language language);

// printf-style formatting over the placeholders the table uses. Missing or
// mistyped arguments never read out of bounds: they format as empty / 0.
// Supported: %d %i %u %x %X %s %% with flags "-0+ #", width, precision and the
// length modifiers hh h l ll I I32 I64 j z t. Integers print their full value
// whatever the modifier; only a negative value under %u/%x/%X prints as its
// two's-complement pattern in the modifier's width (32 bits, 64 for ll/I64),
// so " E:0x%08X" shows an HRESULT as eight digits. Anything else after a '%'
// (%n, %*d, unknown letters, widths over 9999) is copied as it stands.
std::string FormatText(const std::string& format, std::initializer_list<FormatArg> args);
std::string FormatString(unsigned id, std::initializer_list<FormatArg> args);

}  // namespace res
