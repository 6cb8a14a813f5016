// valid-name, valid-path, upper-hex: the path and name rules as the engine applies them.
#include <cstdio>

#include "env/PathRules.h"
#include "platform/CodePage.h"
#include "tools/kivtool/Command.h"
#include "tools/kivtool/Hex.h"

namespace kivtool {

int RunNameCheck(const std::string& which, const Args& args) {
    bool hex = false;
    bool haveText = false;
    std::string text;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--hex") {
            hex = true;
        } else if (args[i] == "--codepage") {
            if (i + 1 >= args.size()) return Usage("--codepage needs a value");
            const std::string value = args[++i];
            if (value == "932")
                win::SetProcessCodePage(win::CP_SHIFT_JIS);
            else if (value == "65001" || value == "utf-8")
                win::SetProcessCodePage(win::CP_UTF8);
            else
                return Usage("code page must be 932 or 65001");
        } else if (!haveText) {
            text = args[i];
            haveText = true;
        } else {
            return Usage("one TEXT only");
        }
    }
    if (!haveText) return Usage(which + " needs TEXT");
    if (hex && !DecodeHex(text, text)) return Usage("TEXT is not hexadecimal bytes");

    bool answer = false;
    if (which == "valid-name")
        answer = env::IsValidFileName(text);
    else if (which == "valid-path")
        answer = env::IsValidFullPath(text);
    else
        answer = env::IsUpperHexText(text);
    std::puts(answer ? "true" : "false");
    return kSuccess;
}

}  // namespace kivtool
