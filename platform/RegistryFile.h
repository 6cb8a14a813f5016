#pragma once
// The store file's format: the registry editor's export format, version 5.00.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Velmo Co.,Ltd.\Kiv Downloader]
//   "TemporaryFilesPath"="Z:\\home\\u\\.cache\\Temp\\Low"
//   "DownloadedFilesPath"=hex:14,00,1f,50,e0,4f,d0,20,ea,3a,...
//   @=dword:00000001
//
// Long hex data is broken after a comma with a backslash, and continues on
// the next line after two spaces, as the registry editor writes it.
// Values are kept byte for byte with their types: REG_SZ is written quoted
// only when it is a single zero-terminated line; any other REG_SZ (no
// terminator, an inner zero, a line break) is written as hex(1): so that it
// reads back exactly as it was stored. REG_DWORD of 4 bytes is dword:,
// REG_BINARY is hex:, every other type is hex(N): with N in hexadecimal.
// Lines are written with CRLF; LF alone is read as well.
//
// Lines that do not parse (and comments) are kept verbatim in their place, and
// a section whose header does not name a key keeps all its lines verbatim:
// reads ignore them, writes never drop them. Sections naming the same key are
// merged; of two values with the same name in one key the first one counts.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryNames.h"
#include "platform/WinTypes.h"

namespace win::registry {

struct Value {
    std::string name;  // "" is the key's default value, written "@"
    DWORD type = 0;
    std::string data;  // the stored bytes
};

// A value, or physical lines kept as they were read.
struct Entry {
    std::optional<Value> value;
    std::vector<std::string> verbatim;
    // Hex data whose last line still asks for a continuation (a blank line,
    // a section or the end came first): written with a blank line between it
    // and the next entry, so that it never takes that entry in when the
    // rewritten file is read.
    bool cutShort = false;
};

struct Section {
    KeyPath path;            // empty: the header names no key; reads skip the section
    std::string headerLine;  // "[HKEY_CURRENT_USER\...]" or the header line as read
    std::vector<Entry> entries;
};

struct Document {
    std::vector<Entry> preamble;  // lines between the first line and the first section
    std::vector<Section> sections;
};

extern const std::string_view kRegistryFileHeader;

// False when the text does not start with the header line (it is no store).
// An empty text is an empty store.
bool ParseRegistryText(std::string_view text, Document& document);
std::string FormatRegistryText(const Document& document);

// One value line as written, with ",\" continuations for long hex data.
std::string FormatValueLines(const Value& value);

}  // namespace win::registry
