#pragma once
// The checks the page's parameters go through, apart from the reader.
#include <string>
#include <string_view>

namespace kivcontrol {

// An absolute URL (scheme, "//", a non-empty server, object, optional port)
// for http or https, parsed as the transfer will parse it later.
bool IsHttpUrl(std::string_view url);

// Exactly 64 characters, each one of 0-9 and A-F (upper case only).
bool IsSha256Text(std::string_view text);

// The file name a URL suggests: the text after the last '\', '/' or ':' that
// is followed by something other than a separator (the shell's rule), then the
// first run of characters between '?' and '#' in it. Empty when nothing is
// left; the result still has to pass env::IsValidFileName.
std::string FileNameFromUrl(std::string_view url);

// The form in which the file system tells file names apart: the native
// (UTF-8) bytes, compared exactly. Two code-page spellings of one character
// (code page 932 has a few) are one name there.
std::string FileSystemNameKey(std::string_view name);

}  // namespace kivcontrol
