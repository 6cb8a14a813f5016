// The two string tables, compiled from the UTF-8 data files beside this one.
#include "resources/StringEntry.h"

namespace res {
namespace {

constexpr StringEntry kEnglishStrings[] = {
#include "resources/strings_en.inc"
};

constexpr StringEntry kJapaneseStrings[] = {
#include "resources/strings_ja.inc"
};

// Lookups use binary search, so a misplaced or repeated id in a data file must
// stop the build instead of hiding an entry.
template <std::size_t N>
constexpr bool IdsStrictlyAscending(const StringEntry (&entries)[N]) {
    for (std::size_t i = 1; i < N; ++i) {
        if (entries[i - 1].id >= entries[i].id) return false;
    }
    return true;
}

static_assert(IdsStrictlyAscending(kEnglishStrings), "strings_en.inc: ids out of order");
static_assert(IdsStrictlyAscending(kJapaneseStrings), "strings_ja.inc: ids out of order");

}  // namespace

std::span<const StringEntry> StringEntries(win::Language language) {
    if (language == win::Language::Japanese) return kJapaneseStrings;
    return kEnglishStrings;
}

}  // namespace res
