// The current-file bar's byte counts and percentage.
#include "ui/text/ByteCountText.h"

#include <climits>

#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "ui/text/KBSize.h"

namespace kivui {

namespace {

constexpr win::ULONGLONG kKilobyteTextFrom = 1000000;
constexpr win::ULONGLONG kGroupedFrom = 1000;

// done x 100 / total without the product wrapping for huge counts.
int Percent(win::ULONGLONG done, win::ULONGLONG total) {
    const unsigned __int128 percent = static_cast<unsigned __int128>(done) * 100 / total;
    return percent > INT_MAX ? INT_MAX : static_cast<int>(percent);
}

}  // namespace

std::string ByteCountFor(win::ULONGLONG bytes, win::ULONGLONG total) {
    if (total >= kKilobyteTextFrom) return StrFormatKBSize(bytes);
    if (total >= kGroupedFrom && bytes >= kGroupedFrom) {
        return res::FormatString(textid::kThousandsBytesFormat, {bytes / 1000, bytes % 1000});
    }
    return res::FormatString(textid::kBytesFormat, {bytes});
}

std::optional<CurrentFileText> FormatCurrentFile(win::ULONGLONG done, win::ULONGLONG total) {
    if (total == 0) return std::nullopt;
    CurrentFileText result;
    result.percent = Percent(done, total);
    result.complete = done == total;
    result.text = ByteCountFor(done, total) + " / " + ByteCountFor(total, total) +
                  res::FormatString(textid::kPercentFormat, {result.percent});
    return result;
}

}  // namespace kivui
