#pragma once
// The two per-user settings, kept below HKEY_CURRENT_USER\Software\<company>\<product>.
// Every operation opens (and creates) the key, does one registry call and
// closes the key again; it returns true exactly when that call succeeded.
// Missing arguments give false with last error ERROR_INVALID_PARAMETER; a
// failed registry call leaves its code in the last error.
#include <string>
#include <string_view>

#include "platform/RegKey.h"
#include "platform/WinTypes.h"

namespace env {

// The folder last accepted as download destination, as an item-identifier list (REG_BINARY).
constexpr const char* kDownloadedFilesPath = "DownloadedFilesPath";
// The base folder for temporary download files (REG_SZ).
constexpr const char* kTemporaryFilesPath = "TemporaryFilesPath";

// The settings key opened for reading and writing, created when missing; not
// open when the names are missing or the store cannot be used. There is no
// browser-provided writable key on this platform, so this is always the
// ordinary location.
win::CRegKey OpenSettingsKey(std::string_view company, std::string_view product);

// REG_SZ of the text's bytes and a terminating zero.
bool WriteSettingString(std::string_view company, std::string_view product,
                        std::string_view valueName, std::string_view text);
// REG_BINARY of exactly `byteCount` bytes.
bool WriteSettingBinary(std::string_view company, std::string_view product,
                        std::string_view valueName, const void* bytes, win::DWORD byteCount);

// A REG_SZ or REG_EXPAND_SZ value (not expanded) up to its terminating zero.
// Another type, or a string whose last byte is not zero, is refused with
// ERROR_INVALID_DATA. `text` is unchanged on failure.
bool ReadSettingString(std::string_view company, std::string_view product,
                       std::string_view valueName, std::string& text);
// A REG_BINARY value into `buffer`, `byteCount` bytes at most. Without a
// buffer only its size is reported in `byteCount`; a buffer too small gives
// false (ERROR_MORE_DATA) with the size needed. Another type is refused with
// ERROR_INVALID_DATA.
bool ReadSettingBinary(std::string_view company, std::string_view product,
                       std::string_view valueName, void* buffer, win::DWORD& byteCount);

}  // namespace env
