#include "frontends/terminal/TerminalLabels.h"

#include "frontends/terminal/TerminalText.h"
#include "platform/Language.h"
#include "resources/StringTable.h"

namespace kivterm {

namespace {

std::string InProcessCodePage(const char* utf8) {
    std::string text;
    return FromTerminal(utf8, text) ? text : std::string(utf8);
}

}  // namespace

TerminalLabels LoadTerminalLabels() {
    // The same texts as template 201 in either language.
    if (win::UserLanguage() == win::Language::Japanese) {
        return {InProcessCodePage("現在の状況"), InProcessCodePage("全体の進捗状況"),
                InProcessCodePage("転送速度"),   InProcessCodePage("Kivダウンローダーについて"),
                InProcessCodePage("ユーザー名"), InProcessCodePage("パスワード")};
    }
    return {"Currently progress",   "Overall progress", "Transfer speed",
            "About Kiv Downloader", "User name",        "Password"};
}

std::string TerminalString(unsigned id, std::initializer_list<res::FormatArg> args) {
    return res::FormatText(res::LoadStringUtf8(id, win::UserLanguage()), args);
}

}  // namespace kivterm
