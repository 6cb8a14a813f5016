// message: the error message a failed run would show, composed from the phase,
// the code, the accompanying system code, the detail text and the corrupted
// files, so support staff can read a reported code tag back into its text.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "control/ErrorMessage.h"
#include "platform/Language.h"
#include "tools/kivtool/Command.h"

using kivcontrol::ComposeErrorMessage;

using kivtransfer::CONTENTDATA;
using kivtransfer::ContentList;
using kivtransfer::ErrorState;

namespace kivtool {

namespace {

struct MessageRequest {
    std::optional<int> phase;
    ErrorState error;
    bool haveCode = false;
    ContentList items;
};

// A whole decimal number (with sign) within the given range.
std::optional<long long> ParseDecimal(const std::string& text, long long low, long long high) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return std::nullopt;
    return value;
}

// Decimal (negative values give their 32-bit pattern) or 0x hexadecimal.
std::optional<std::uint32_t> ParseLastError(const std::string& text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        char* end = nullptr;
        errno = 0;
        const unsigned long long value = std::strtoull(text.c_str() + 2, &end, 16);
        if (errno != 0 || *end != '\0' || !std::isxdigit(static_cast<unsigned char>(text[2])) ||
            value > 0xFFFFFFFFull) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(value);
    }
    const auto value = ParseDecimal(text, INT32_MIN, UINT32_MAX);
    if (!value) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

void AddBrokenItem(ContentList& items, const std::string& name) {
    auto item = std::make_unique<CONTENTDATA>();
    item->name = name;
    item->flags = CDF_BROKEN;
    items.push_back(std::move(item));
}

// Empty on success, else what was wrong with the arguments.
std::string ParseRequest(const Args& args, MessageRequest& request) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) return option + " needs a value";
        const std::string& value = args[++i];
        if (option == "--phase") {
            const auto phase = ParseDecimal(value, INT32_MIN, INT32_MAX);
            if (!phase) return "--phase takes a number";
            request.phase = static_cast<int>(*phase);
        } else if (option == "--code") {
            const auto code = ParseDecimal(value, INT32_MIN, INT32_MAX);
            if (!code) return "--code takes a number";
            request.error.errorCode = static_cast<std::int32_t>(*code);
            request.haveCode = true;
        } else if (option == "--last-error") {
            const auto lastError = ParseLastError(value);
            if (!lastError) return "--last-error takes a decimal or 0x hexadecimal number";
            request.error.lastError = *lastError;
        } else if (option == "--detail") {
            request.error.errorDetail = value;
        } else if (option == "--broken") {
            AddBrokenItem(request.items, value);
        } else if (option == "--lang") {
            if (value != "en" && value != "ja") return "--lang takes en or ja";
            win::OverrideLanguage(value == "ja" ? win::Language::Japanese : win::Language::English);
        } else {
            return "unknown option '" + option + "'";
        }
    }
    if (!request.phase || !request.haveCode) return "message needs --phase and --code";
    return std::string();
}

}  // namespace

int RunMessage(const Args& args) {
    MessageRequest request;
    const std::string problem = ParseRequest(args, request);
    if (!problem.empty()) return Usage(problem);
    std::string text;
    if (!ComposeErrorMessage(*request.phase, request.error, request.items, text)) return kRefused;
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return kSuccess;
}

}  // namespace kivtool
