#include "platform/SystemErrorText.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/ErrorTextTable.h"
#include "platform/Language.h"

namespace win {

namespace {

const ErrorText* FindErrorText(DWORD code) {
    for (std::span<const ErrorText> table : {SystemErrorTexts(), InternetErrorTexts()}) {
        auto found = std::ranges::find(table, code, &ErrorText::code);
        if (found != table.end()) {
            return &*found;
        }
    }
    return nullptr;
}

}  // namespace

std::string FormatSystemMessage(DWORD code) {
    const ErrorText* entry = FindErrorText(code);
    if (entry == nullptr) {
        return {};
    }
    std::string text;
    bool japanese = UserLanguage() == Language::Japanese;
    // English is plain ASCII and fits every code page; it stands in should a
    // Japanese text ever fail to convert.
    if (!japanese || !Utf8ToProcess(entry->japanese, text)) {
        text = entry->english;
    }
    return text + "\r\n";
}

}  // namespace win
