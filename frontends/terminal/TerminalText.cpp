#include "frontends/terminal/TerminalText.h"

#include <locale.h>
#include <wchar.h>

#include <algorithm>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/InvisibleCharacters.h"

namespace kivterm {

namespace {

struct Decoded {
    char32_t codePoint = 0;
    std::size_t length = 1;
    bool valid = false;
};

Decoded DecodeUtf8(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) return {lead, 1, true};
    std::size_t length = 0;
    char32_t value = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
    } else {
        return {};
    }
    if (pos + length > text.size()) return {};
    for (std::size_t i = 1; i < length; ++i) {
        const auto trail = static_cast<unsigned char>(text[pos + i]);
        if ((trail & 0xC0) != 0x80) return {};
        value = (value << 6) | (trail & 0x3F);
    }
    return {value, length, true};
}

// The C library's width table needs a UTF-8 character type; the process's
// own locale may be "C". One locale object, used on the calling thread only
// for the call.
locale_t Utf8Locale() {
    static const locale_t locale = [] {
        locale_t made = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        return made != nullptr ? made : ::newlocale(LC_CTYPE_MASK, "en_US.UTF-8", nullptr);
    }();
    return locale;
}

int CharacterWidth(char32_t c) {
    const locale_t utf8 = Utf8Locale();
    if (utf8 == nullptr) return 1;
    const locale_t previous = ::uselocale(utf8);
    const int width = ::wcwidth(static_cast<wchar_t>(c));
    ::uselocale(previous);
    return width;
}

std::size_t Columns(const Decoded& decoded) {
    if (!decoded.valid) return 1;
    const char32_t c = decoded.codePoint;
    if (c < 0x80) return c < 0x20 || c == 0x7F ? 0 : 1;
    // Control characters count none; so do characters the table does not know.
    return static_cast<std::size_t>(std::max(CharacterWidth(c), 0));
}

bool IsLayoutCharacter(char32_t c) {
    return c == '\n' || c == '\t';
}

std::string Escaped(const char* format, unsigned value) {
    char text[12];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::string VisibleControls(std::string_view utf8, Layout layout) {
    std::string shown;
    shown.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const Decoded decoded = DecodeUtf8(utf8, pos);
        const char32_t c = decoded.codePoint;
        if (!decoded.valid) {
            shown += Escaped("\\x%02x", static_cast<unsigned char>(utf8[pos]));
        } else if ((c < 0x20 || c == 0x7F) && !(layout == Layout::Kept && IsLayoutCharacter(c))) {
            shown += Escaped("\\x%02x", static_cast<unsigned>(c));
        } else if (win::IsInvisibleCharacter(c)) {  // C1, bidirectional overrides, Cf
            shown += Escaped(c > 0xFFFF ? "\\U%08x" : "\\u%04x", static_cast<unsigned>(c));
        } else {
            shown.append(utf8.substr(pos, decoded.length));
        }
        pos += decoded.length;
    }
    return shown;
}

std::string ToTerminal(std::string_view text) {
    std::string utf8;
    if (win::ProcessToUtf8(text, utf8)) return utf8;
    // Convert character by character so one bad character costs only itself.
    utf8.clear();
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = win::CharLength(text, pos);
        std::string piece;
        utf8 += win::ProcessToUtf8(text.substr(pos, length), piece) ? piece : "?";
        pos += length;
    }
    return utf8;
}

bool FromTerminal(std::string_view utf8, std::string& text) {
    return win::Utf8ToProcess(utf8, text);
}

std::size_t DisplayWidth(std::string_view utf8) {
    std::size_t columns = 0;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const Decoded decoded = DecodeUtf8(utf8, pos);
        columns += Columns(decoded);
        pos += decoded.length;
    }
    return columns;
}

std::string FitToWidth(std::string_view utf8, std::size_t columns) {
    std::size_t used = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const Decoded decoded = DecodeUtf8(utf8, pos);
        const std::size_t width = Columns(decoded);
        if (used + width > columns) break;
        used += width;
        pos += decoded.length;
    }
    return std::string(utf8.substr(0, pos));
}

std::string ShortenMiddle(std::string_view utf8, std::size_t columns) {
    if (DisplayWidth(utf8) <= columns) return std::string(utf8);
    constexpr std::string_view kEllipsis = "...";
    if (columns <= kEllipsis.size()) return FitToWidth(kEllipsis, columns);
    const std::size_t room = columns - kEllipsis.size();
    const std::size_t tailColumns = room / 2;
    // The tail: the shortest end of the text that takes at most tailColumns.
    std::size_t tailStart = utf8.size();
    std::size_t tailUsed = 0;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const Decoded decoded = DecodeUtf8(utf8, pos);
        const std::size_t rest = DisplayWidth(utf8.substr(pos));
        if (rest <= tailColumns) {
            tailStart = pos;
            tailUsed = rest;
            break;
        }
        pos += decoded.length;
    }
    std::string shortened = FitToWidth(utf8, room - tailUsed);
    shortened += kEllipsis;
    shortened.append(utf8.substr(tailStart));
    return shortened;
}

std::string PlainLineEnds(std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') continue;
        plain += text[pos];
    }
    while (!plain.empty() && (plain.back() == '\n' || plain.back() == '\r')) plain.pop_back();
    return plain;
}

}  // namespace kivterm
