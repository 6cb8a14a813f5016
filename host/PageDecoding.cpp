#include "host/PageDecoding.h"

#include <iconv.h>

#include "host/HostText.h"

namespace {

constexpr std::size_t kPrescanBytes = 1024;
constexpr std::size_t kMaxCharsetName = 40;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool IsCharsetNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
           c == ':';
}

bool IsUtf8Name(const std::string& charset) {
    return charset == "utf-8" || charset == "utf8" || charset == "unicode-1-1-utf-8";
}

// Latin-1 labels mean windows-1252 to browsers.
std::string IconvName(const std::string& charset) {
    if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii" ||
        charset == "ascii") {
        return "WINDOWS-1252";
    }
    if (charset == "shift_jis" || charset == "shift-jis" || charset == "sjis" ||
        charset == "x-sjis" || charset == "windows-31j" || charset == "ms_kanji") {
        return "CP932";  // what Japanese Windows pages mean by Shift_JIS
    }
    return charset;
}

enum class Conversion { Done, UnknownCharset, BadBytes };

Conversion Convert(std::string_view bytes, const std::string& from, std::string& utf8) {
    iconv_t converter = iconv_open("UTF-8", from.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return Conversion::UnknownCharset;
    // Four output bytes per input byte always suffice, so E2BIG cannot happen.
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPointer = out.data();
    std::size_t outLeft = out.size();
    constexpr auto kFailed = static_cast<std::size_t>(-1);
    const bool converted = iconv(converter, &in, &inLeft, &outPointer, &outLeft) != kFailed &&
                           iconv(converter, nullptr, nullptr, &outPointer, &outLeft) != kFailed;
    iconv_close(converter);
    if (!converted) return Conversion::BadBytes;
    out.resize(out.size() - outLeft);
    utf8 = std::move(out);
    return Conversion::Done;
}

}  // namespace

std::string FindCharset(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = LowerAscii(c);
    for (std::size_t at = lower.find("charset"); at != std::string::npos;
         at = lower.find("charset", at + 1)) {
        std::size_t pos = at + 7;
        while (pos < lower.size() && (lower[pos] == ' ' || lower[pos] == '\t')) ++pos;
        if (pos >= lower.size() || lower[pos] != '=') continue;
        ++pos;
        while (pos < lower.size() &&
               (lower[pos] == ' ' || lower[pos] == '"' || lower[pos] == '\'')) {
            ++pos;
        }
        std::string name;
        while (pos < lower.size() && IsCharsetNameChar(lower[pos]) &&
               name.size() <= kMaxCharsetName) {
            name += lower[pos++];
        }
        return name.size() <= kMaxCharsetName ? name : std::string();
    }
    return {};
}

bool DecodePageBytes(std::string_view bytes, std::string_view contentType, std::string& utf8,
                     std::string& error) {
    if (bytes.starts_with(kUtf8Bom)) {
        utf8.assign(bytes.substr(kUtf8Bom.size()));
        return true;
    }
    std::string charset = FindCharset(contentType);
    if (charset.empty()) {
        charset = FindCharset(bytes.substr(0, kPrescanBytes));
        // Text that declares UTF-16 in ASCII bytes is not UTF-16: browsers read UTF-8 then.
        if (charset.starts_with("utf-16")) charset.clear();
    }
    if (charset.empty() || IsUtf8Name(charset)) {
        // The parser replaces bytes that are not UTF-8; the texts that matter are ASCII.
        utf8.assign(bytes);
        return true;
    }
    switch (Convert(bytes, IconvName(charset), utf8)) {
        case Conversion::Done:
            return true;
        case Conversion::UnknownCharset:
            error = HostText(textid::kCharsetUnsupported, {charset});
            return false;
        case Conversion::BadBytes:
            break;
    }
    error = HostText(textid::kNotValidText, {charset});
    return false;
}
