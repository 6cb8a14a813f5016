#include "control/ErrorCodeTexts.h"

#include <array>

#include "env/Locations.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/ErrorCodes.h"

namespace kivcontrol {

using kivtransfer::ErrorCodeRow;
using kivtransfer::ErrorState;
using kivtransfer::FindErrorCode;

namespace {

struct InternetRow {
    std::uint32_t internetError;
    unsigned textId;
};

constexpr std::array<InternetRow, 6> kInternetRows{{
    {12001, textid::kInternetOutOfHandles},       // ERROR_INTERNET_OUT_OF_HANDLES
    {12002, textid::kInternetTimeout},            // ERROR_INTERNET_TIMEOUT
    {12007, textid::kInternetNameNotResolved},    // ERROR_INTERNET_NAME_NOT_RESOLVED
    {12029, textid::kInternetCannotConnect},      // ERROR_INTERNET_CANNOT_CONNECT
    {12030, textid::kInternetConnectionAborted},  // ERROR_INTERNET_CONNECTION_ABORTED
    {12031, textid::kInternetConnectionReset},    // ERROR_INTERNET_CONNECTION_RESET
}};

constexpr std::uint32_t kFirstInternetError = 12000;
constexpr std::uint32_t kLastInternetError = 12999;

// The text for the code's row, composed where it needs a value.
std::string RowText(const ErrorCodeRow& row, const ErrorState& error) {
    switch (row.code) {
        case errcode::kBadParameter:
            return res::FormatString(row.textId, {error.errorDetail});
        case errcode::kInternetError:
            return InternetErrorText(error.lastError);
        case errcode::kHttpStatus:
            return HttpStatusText(error.lastError);
        case errcode::kAssistantEnded:
            return res::FormatString(row.textId, {res::LoadString(textid::kProductName)});
        default:
            return row.textId != 0 ? res::LoadString(row.textId) : std::string();
    }
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
    return res::FormatString(textid::kInternetErrorFormat,
                             {static_cast<std::int32_t>(internetError)});
}

std::string HttpStatusText(std::uint32_t status) {
    if (status == 401) return res::LoadString(textid::kUnexpectedAuthentication);
    if (status == 407) return res::LoadString(textid::kProxyAuthRequired);
    return res::FormatString(textid::kHttpStatusFormat, {static_cast<std::int32_t>(status)});
}

CodeText TextForCode(const ErrorState& error) {
    const ErrorCodeRow* row = FindErrorCode(error.errorCode);
    if (row == nullptr) {
        return {};  // an unknown code shows the headline and its tag only
    }
    return {RowText(*row, error), row->placement, row->systemText};
}

std::string HeadlineForPhase(int phase, std::int32_t errorCode) {
    switch (phase) {
        case 0:
            return res::FormatString(textid::kInitialisationFailed,
                                     {res::LoadString(textid::kProductName)});
        case 1:
            return res::LoadString(textid::kDestinationQueryFailed);
        case 2:
        case 4:
            return errorCode == errcode::kNotPlaced ? std::string()
                                                    : res::LoadString(textid::kFileDownloadFailed);
        case 3:
            return res::LoadString(textid::kVerificationFailed);
        case 5:
            return res::LoadString(textid::kTerminationFailed);
        default:
            return std::string();
    }
}

}  // namespace kivcontrol
