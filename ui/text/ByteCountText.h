#pragma once
// The current-file bar's text: bytes done and total, and the percentage, in
// the user's language (string table ids 27, 28, 48):
//     total below 1000:          "800 byte(s) / 900 byte(s) (88% completed)"
//     total 1000 to 999999:      "800 byte(s) / 2,500 byte(s) (32% completed)"
//     total one million or more: kilobyte texts (StrFormatKBSize) for both.
#include <optional>
#include <string>

#include "platform/WinTypes.h"

namespace kivui {

struct CurrentFileText {
    std::string text;
    int percent = 0;        // done x 100 / total, truncated
    bool complete = false;  // done equals total: the bar is repainted at once
};

// std::nullopt for a total of 0 (no size given): the bar does not change.
std::optional<CurrentFileText> FormatCurrentFile(win::ULONGLONG done, win::ULONGLONG total);
// One count as the bar shows it for a file of `total` bytes.
std::string ByteCountFor(win::ULONGLONG bytes, win::ULONGLONG total);

}  // namespace kivui
