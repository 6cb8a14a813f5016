#pragma once
// One entry of a string table and the tables themselves, for the loader and
// for checks that walk every entry.
#include <span>
#include <string_view>

#include "platform/Language.h"

namespace res {

struct StringEntry {
    unsigned id;
    std::string_view text;  // UTF-8
};

// Every entry of the language's table, ids strictly ascending.
std::span<const StringEntry> StringEntries(win::Language language);

}  // namespace res
