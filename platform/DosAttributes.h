#pragma once
// The hidden, system and archive bits, kept in the extended attribute
// "user.DOSATTRIB" as the text "0x%x" so that Wine and Samba read them too.
#include <string>

#include "platform/WinTypes.h"

namespace win {

constexpr DWORD kDosAttributeBits =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// Paths name the entry itself: a link's own attribute (none) is read, and
// writing one fails, so nothing is changed through a link.
// The stored bits; 0 when nothing is stored or the file system keeps no
// extended attributes. Bits other than the three above are ignored.
DWORD ReadDosAttributes(const std::string& nativePath);
DWORD ReadDosAttributes(int fd);

// Stores `bits` (0 removes the attribute). Returns 0 or the errno value.
int WriteDosAttributes(const std::string& nativePath, DWORD bits);
int WriteDosAttributes(int fd, DWORD bits);

}  // namespace win
