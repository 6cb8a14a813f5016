#include "control/ErrorCodeTexts.h"

#include <array>

#include "env/Locations.h"
#include "resources/StringTable.h"

namespace {

constexpr unsigned kProductNameId = 1;

struct CodeRow {
    std::int32_t code;
    unsigned textId;
    CodePlacement placement;
    bool systemText;
};

constexpr auto A = CodePlacement::Append;
constexpr auto R = CodePlacement::Replace;

// Codes whose text needs no value. Codes 100 and 501 have no text; 100 still
// shows the system's text.
constexpr std::array<CodeRow, 27> kPlainRows{{
    {10, 56, A, false},   {11, 21, A, true},    {12, 61, A, false},  {13, 62, A, false},
    {14, 63, A, false},   {15, 65, A, false},   {16, 66, A, false},  {17, 67, A, false},
    {18, 68, A, true},    {19, 69, A, true},    {20, 70, A, true},   {21, 120, R, true},
    {22, 38, A, false},   {100, 0, A, true},    {101, 57, R, true},  {102, 59, A, false},
    {103, 80, R, true},   {104, 81, A, false},  {201, 58, A, false}, {302, 60, A, true},
    {303, 105, A, false}, {304, 119, R, false}, {305, 13, R, false}, {400, 107, A, true},
    {401, 108, A, true},  {501, 0, A, false},   {999, 47, A, false},
}};

struct InternetRow {
    std::uint32_t internetError;
    unsigned textId;
};

constexpr std::array<InternetRow, 6> kInternetRows{{
    {12001, 234},  // ERROR_INTERNET_OUT_OF_HANDLES
    {12002, 235},  // ERROR_INTERNET_TIMEOUT
    {12007, 236},  // ERROR_INTERNET_NAME_NOT_RESOLVED
    {12029, 238},  // ERROR_INTERNET_CANNOT_CONNECT
    {12030, 239},  // ERROR_INTERNET_CONNECTION_ABORTED
    {12031, 240},  // ERROR_INTERNET_CONNECTION_RESET
}};

constexpr std::uint32_t kFirstInternetError = 12000;
constexpr std::uint32_t kLastInternetError = 12999;

CodeText PlainText(std::int32_t code) {
    for (const CodeRow& row : kPlainRows) {
        if (row.code == code) {
            return {row.textId != 0 ? res::LoadString(row.textId) : std::string(), row.placement,
                    row.systemText};
        }
    }
    return {};  // an unknown code shows the headline and its tag only
}

}  // namespace

std::string InternetErrorText(std::uint32_t internetError) {
    for (const InternetRow& row : kInternetRows) {
        if (row.internetError == internetError) return res::LoadString(row.textId);
    }
    // The internet error table says what most other codes mean (a refused
    // certificate, a failed redirect); the bare number is the last resort.
    if (internetError >= kFirstInternetError && internetError <= kLastInternetError) {
        std::string text = env::GetSystemErrorText(internetError);
        if (!text.empty()) return text;
    }
    return res::FormatString(243, {static_cast<std::int32_t>(internetError)});
}

std::string HttpStatusText(std::uint32_t status) {
    if (status == 401) return res::LoadString(241);
    if (status == 407) return res::LoadString(242);
    return res::FormatString(244, {static_cast<std::int32_t>(status)});
}

CodeText TextForCode(const ErrorState& error) {
    switch (error.errorCode) {
        case 200:
            return {res::FormatString(6, {error.errorDetail}), R, false};
        case 300:
            return {InternetErrorText(error.lastError), A, false};
        case 301:
            return {HttpStatusText(error.lastError), A, false};
        case 402:
            return {res::FormatString(106, {res::LoadString(kProductNameId)}), R, false};
        case 500:
            return {res::LoadString(39), R, false};
        default:
            return PlainText(error.errorCode);
    }
}

std::string HeadlineForPhase(int phase, std::int32_t errorCode) {
    switch (phase) {
        case 0:
            return res::FormatString(7, {res::LoadString(kProductNameId)});
        case 1:
            return res::LoadString(15);
        case 2:
        case 4:
            return errorCode == 103 ? std::string() : res::LoadString(16);
        case 3:
            return res::LoadString(52);
        case 5:
            return res::LoadString(19);
        default:
            return std::string();
    }
}
