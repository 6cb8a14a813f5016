// explain: a code tag as a user pastes it from a message box ("[D:301 E:404]")
// read back into what the code and the last error mean, the phases that can
// end with it, each phase's message, and what to try. The tag carries no
// phase, so every phase the code can come from is shown.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "control/ErrorCodeTexts.h"
#include "control/ErrorMessage.h"
#include "env/Locations.h"
#include "platform/Language.h"
#include "tools/kivtool/Command.h"
#include "transfer/ErrorCodes.h"

namespace kivtool {

namespace {

struct Tag {
    std::int32_t code = 0;
    std::uint32_t lastError = 0;
};

// What a family of codes comes from, and what a user can do about it.
struct CodeAdvice {
    std::int32_t first;
    std::int32_t last;
    std::initializer_list<int> phases;
    const char* advice;
};

const CodeAdvice kAdvice[] = {
    {1, 1, {1, 2, 3, 4}, "The user or a signal cancelled the run; run it again to resume."},
    {10, 22, {0, 2, 3}, "A fault of this computer: free memory or disk space, then run again."},
    {100, 104, {2, 3, 4},
     "The destination folder: check that it is writable and has free space (E is the system "
     "error), then run again; the download resumes."},
    {200, 201, {0}, "The page's parameters: the page's author must correct the named one."},
    {300, 300, {2}, "The network: check the connection and any proxy, then run again."},
    {301, 303, {2},
     "The server: E is its HTTP status; 404 means the page names a file the server does not "
     "have. Tell the page's owner, or try later."},
    {304, 305, {2}, "The server stopped answering: try later; the download resumes."},
    {400, 402, {1, 2, 4},
     "The assistant program (protected mode): run again; if it repeats, reinstall the package."},
    {500, 500, {3}, "Files arrived damaged: run again to download them anew."},
    {501, 501, {2}, "The server sent less than it announced: try later; the download resumes."},
    {999, 999, {0, 1, 2, 3, 4}, "An internal error: report the tag with what you did."},
};

const char* const kPhaseNames[] = {"start (loading the page)", "choosing the destination",
                                   "download", "verification", "finalisation (placing the files)"};

const CodeAdvice* AdviceFor(std::int32_t code) {
    for (const CodeAdvice& advice : kAdvice) {
        if (code >= advice.first && code <= advice.last) return &advice;
    }
    return nullptr;
}

std::optional<std::uint64_t> Number(const std::string& text, std::size_t& pos) {
    int base = 10;
    if (text.compare(pos, 2, "0x") == 0 || text.compare(pos, 2, "0X") == 0) {
        base = 16;
        pos += 2;
    }
    const std::size_t start = pos;
    std::uint64_t value = 0;
    while (pos < text.size() && std::isxdigit(static_cast<unsigned char>(text[pos])) &&
           (base == 16 || std::isdigit(static_cast<unsigned char>(text[pos])))) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[pos])));
        value = value * static_cast<std::uint64_t>(base) +
                static_cast<std::uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
        if (value > 0xFFFFFFFFull) return std::nullopt;
        ++pos;
    }
    if (pos == start) return std::nullopt;
    return value;
}

// "[D:301 E:404]", with or without the brackets and the blanks around them.
std::optional<Tag> ParseTag(const std::string& text) {
    std::size_t pos = text.find_first_not_of(" \t\r\n");
    if (pos == std::string::npos) return std::nullopt;
    const bool bracket = text[pos] == '[';
    if (bracket) ++pos;
    if (text.compare(pos, 2, "D:") != 0) return std::nullopt;
    pos += 2;
    const std::optional<std::uint64_t> code = Number(text, pos);
    if (!code || *code > INT32_MAX) return std::nullopt;
    Tag tag;
    tag.code = static_cast<std::int32_t>(*code);
    if (text.compare(pos, 3, " E:") == 0) {
        pos += 3;
        const std::optional<std::uint64_t> lastError = Number(text, pos);
        if (!lastError) return std::nullopt;
        tag.lastError = static_cast<std::uint32_t>(*lastError);
    }
    if (bracket) {
        if (pos >= text.size() || text[pos] != ']') return std::nullopt;
        ++pos;
    }
    if (text.find_first_not_of(" \t\r\n", pos) != std::string::npos) return std::nullopt;
    return tag;
}

std::string LastErrorMeaning(const Tag& tag, const kivcontrol::CodeText& code) {
    if (tag.code == errcode::kHttpStatus) return kivcontrol::HttpStatusText(tag.lastError);
    if (tag.code == errcode::kInternetError) return kivcontrol::InternetErrorText(tag.lastError);
    if (code.systemText) return env::GetSystemErrorText(tag.lastError);
    return std::string();
}

void PrintLine(const std::string& label, std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::printf("%s%s\n", label.c_str(), text.c_str());
}

}  // namespace

int RunExplain(const Args& args) {
    if (args.empty()) return Usage("explain takes a code tag such as \"[D:301 E:404]\"");
    std::string pasted;
    std::size_t next = 0;
    for (; next < args.size() && args[next] != "--lang"; ++next) {
        pasted += (pasted.empty() ? "" : " ") + args[next];  // an unquoted tag arrives in pieces
    }
    if (next < args.size()) {
        if (next + 2 != args.size() || (args[next + 1] != "en" && args[next + 1] != "ja")) {
            return Usage("--lang takes en or ja");
        }
        win::OverrideLanguage(args[next + 1] == "ja" ? win::Language::Japanese
                                                     : win::Language::English);
    }
    const std::optional<Tag> tag = ParseTag(pasted);
    if (!tag) return Usage("not a code tag: '" + pasted + "' (expected \"[D:301 E:404]\")");
    kivtransfer::ErrorState error;
    error.errorCode = tag->code;
    error.lastError = tag->lastError;
    const CodeAdvice* advice = AdviceFor(tag->code);
    if (kivtransfer::FindErrorCode(tag->code) == nullptr || advice == nullptr) {
        std::printf("D:%d is no code of this program.\n", tag->code);
        return kRefused;
    }
    const kivcontrol::CodeText code = kivcontrol::TextForCode(error);
    PrintLine("Code " + std::to_string(tag->code) + ": ",
              code.text.empty() ? std::string("(its text comes from the last error)") : code.text);
    if (tag->lastError != 0) {
        const std::string meaning = LastErrorMeaning(*tag, code);
        PrintLine("Last error " + std::to_string(tag->lastError) + ": ",
                  meaning.empty() ? std::string("(no text of its own for this code)") : meaning);
    }
    std::printf("Can come from:\n");
    for (const int phase : advice->phases) {
        std::string message;
        kivcontrol::ComposeErrorMessage(phase, error, {}, message);
        PrintLine(std::string("  ") + kPhaseNames[phase] + ": ", message);
    }
    PrintLine("Try: ", advice->advice);
    return kSuccess;
}

}  // namespace kivtool
