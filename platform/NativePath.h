#pragma once
// Paths in the engine are Windows-form; the drive Z: is the Linux root
// (Z:\home\u is /home/u). Conversion happens only at the platform's edge.
#include <string>
#include <string_view>

namespace win {

// Z:\a\b -> /a/b (drive letter case-insensitive, "Z:" or "Z:\" -> "/").
// Fails (last error ERROR_PATH_NOT_FOUND) for other drives and UNC paths,
// and for a Windows path whose components contain a '/'. The text is
// converted from the process code page into UTF-8, the native names' encoding.
bool ToNativePath(std::string_view windowsPath, std::string& nativePath);

// /a/b -> Z:\a\b. Fails (last error ERROR_INVALID_NAME) for a relative path and for
// a native path that has a backslash or a character forbidden in Windows names.
// The text is converted from UTF-8 into the process code page.
bool FromNativePath(std::string_view nativePath, std::string& windowsPath);

}  // namespace win
