#include "transfer/ErrorCodes.h"

namespace kivtransfer {

namespace {

#define KIV_ERROR_CODE_ROW(name, code, textId, placement, systemText, retry) \
    {code, textId, CodePlacement::placement, systemText, ErrorRetry::retry},
constexpr ErrorCodeRow kRows[] = {KIV_ERROR_CODES(KIV_ERROR_CODE_ROW)};
#undef KIV_ERROR_CODE_ROW

}  // namespace

const ErrorCodeRow* FindErrorCode(std::int32_t code) {
    for (const ErrorCodeRow& row : kRows) {
        if (row.code == code) return &row;
    }
    return nullptr;
}

}  // namespace kivtransfer
