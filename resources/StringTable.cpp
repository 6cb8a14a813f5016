// Loading texts by id in the user's language and in the process code page.
#include "resources/StringTable.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "resources/StringEntry.h"

namespace res {

std::string LoadStringUtf8(unsigned id, win::Language language) {
    const auto entries = StringEntries(language);
    const auto found = std::lower_bound(
        entries.begin(), entries.end(), id,
        [](const StringEntry& entry, unsigned wanted) { return entry.id < wanted; });
    if (found == entries.end() || found->id != id) return {};
    return std::string(found->text);
}

std::string LoadString(unsigned id) {
    return LoadString(id, win::UserLanguage());
}

std::string LoadString(unsigned id, win::Language language) {
    std::string converted;
    if (win::Utf8ToProcess(LoadStringUtf8(id, language), converted)) return converted;
    // A text the code page cannot carry falls back to the English wording
    // (plain ASCII), so the user never gets an empty message.
    converted.clear();
    win::Utf8ToProcess(LoadStringUtf8(id, win::Language::English), converted);
    return converted;
}

std::string FormatString(unsigned id, std::initializer_list<FormatArg> args) {
    return FormatText(LoadString(id), args);
}

}  // namespace res
