// Conversions between UTF-8 and the process code page through iconv.
#include <iconv.h>

#include <cerrno>
#include <string>
#include <utility>

#include "platform/CodePage.h"

namespace win {

namespace {

// Microsoft's table: 0x5C is the backslash and 0x7E the tilde, unlike
// JIS-based "SHIFT_JIS", which maps them to the yen sign and the overline.
constexpr const char* kShiftJisName = "CP932";

class IconvConverter {
public:
    IconvConverter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvConverter() {
        if (IsOpen()) iconv_close(cd_);
    }
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    bool IsOpen() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Whole-text conversion; false for an invalid or incomplete input sequence
    // and for a character the target cannot hold.
    bool Convert(std::string_view input, std::string& out) {
        std::string result;
        result.resize(input.size() * 2 + 8);
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        std::size_t produced = 0;
        while (inLeft > 0) {
            char* dest = result.data() + produced;
            std::size_t destLeft = result.size() - produced;
            std::size_t rc = iconv(cd_, &in, &inLeft, &dest, &destLeft);
            produced = result.size() - destLeft;
            if (rc == static_cast<std::size_t>(-1)) {
                if (errno != E2BIG) return false;
                result.resize(result.size() * 2);
            } else if (rc != 0) {
                return false;  // irreversible (approximated) conversions are refusals too
            }
        }
        result.resize(produced);
        out = std::move(result);
        return true;
    }

private:
    iconv_t cd_;
};

bool ConvertWithIconv(const char* to, const char* from, std::string_view input, std::string& out) {
    IconvConverter converter(to, from);
    return converter.IsOpen() && converter.Convert(input, out);
}

}  // namespace

bool Utf8ToProcess(std::string_view utf8, std::string& out) {
    if (GetProcessCodePage() != CP_SHIFT_JIS) {
        out.assign(utf8);
        return true;
    }
    return ConvertWithIconv(kShiftJisName, "UTF-8", utf8, out);
}

bool ProcessToUtf8(std::string_view text, std::string& out) {
    if (GetProcessCodePage() != CP_SHIFT_JIS) {
        out.assign(text);
        return true;
    }
    return ConvertWithIconv("UTF-8", kShiftJisName, text, out);
}

}  // namespace win
