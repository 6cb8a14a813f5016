// rate-time and bytes: the download dialog's rate, time and current-file
// texts for given numbers, so support staff can match a screenshot to them.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/Language.h"
#include "tools/kivtool/Command.h"
#include "ui/text/ByteCountText.h"
#include "ui/text/RateTimeText.h"

namespace kivtool {

namespace {

// Printed for a field the dialog would leave as it is.
constexpr const char* kUnchanged = "-";

// Takes "--lang en|ja" out of the arguments; the rest are the numbers.
// Empty on success, else the problem.
std::string SplitArgs(const Args& args, Args& numbers) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--lang") {
            numbers.push_back(args[i]);
            continue;
        }
        if (i + 1 >= args.size()) return "--lang needs en or ja";
        const std::string& value = args[++i];
        if (value != "en" && value != "ja") return "--lang takes en or ja";
        win::OverrideLanguage(value == "ja" ? win::Language::Japanese : win::Language::English);
    }
    return std::string();
}

std::optional<long long> ParseSigned(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return std::nullopt;
    return value;
}

std::optional<unsigned long long> ParseUnsigned(const std::string& text) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return std::nullopt;
    return value;
}

void PrintLine(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

}  // namespace

int RunRateTime(const Args& args) {
    Args numbers;
    const std::string problem = SplitArgs(args, numbers);
    if (!problem.empty()) return Usage(problem);
    if (numbers.size() != 2) return Usage("rate-time needs RATE and SECONDS");
    const auto rate = ParseSigned(numbers[0]);
    const auto seconds = ParseSigned(numbers[1]);
    if (!rate || !seconds) return Usage("RATE and SECONDS are whole numbers");
    // As a freshly created dialog would draw them.
    kivui::CRateTimeFields fields;
    const kivui::CRateTimeFields::Changes changes = fields.Apply(*rate, *seconds);
    PrintLine(changes.rate ? fields.Rate() : kUnchanged);
    PrintLine(changes.time ? fields.Time() : kUnchanged);
    return kSuccess;
}

int RunBytes(const Args& args) {
    Args numbers;
    const std::string problem = SplitArgs(args, numbers);
    if (!problem.empty()) return Usage(problem);
    if (numbers.size() != 2) return Usage("bytes needs DONE and TOTAL");
    const auto done = ParseUnsigned(numbers[0]);
    const auto total = ParseUnsigned(numbers[1]);
    if (!done || !total) return Usage("DONE and TOTAL are byte counts");
    const auto bar = kivui::FormatCurrentFile(*done, *total);
    PrintLine(bar ? bar->text : kUnchanged);
    return kSuccess;
}

}  // namespace kivtool
