#pragma once
// The kilobyte formatter of the platform (StrFormatKBSize) on every platform:
// the size in kilobytes of 1024 bytes, rounded UP (1 byte is 1 KB, 0 bytes is
// 0 KB), with the digits grouped in threes by the thousands separator of the
// English and Japanese locales (","), then " KB". The largest 64-bit size
// gives 25 characters, so the text always fits 31.
#include <string>

#include "platform/WinTypes.h"

namespace kivui {

std::string StrFormatKBSize(win::ULONGLONG bytes);
// Decimal digits with "," before every group of three from the right
// (1234567 gives "1,234,567"); no locale rules.
std::string GroupThousands(unsigned long long value);

}  // namespace kivui
