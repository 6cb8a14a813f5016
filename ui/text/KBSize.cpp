// Kilobyte and grouped-digit texts without any locale machinery.
#include "ui/text/KBSize.h"

namespace kivui {

std::string GroupThousands(unsigned long long value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    grouped.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) grouped.push_back(',');
        grouped.push_back(digits[i]);
    }
    return grouped;
}

std::string StrFormatKBSize(win::ULONGLONG bytes) {
    // Rounded up without forming bytes + 1023, which would wrap at the top.
    const win::ULONGLONG kilobytes = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    return GroupThousands(kilobytes) + " KB";
}

}  // namespace kivui
