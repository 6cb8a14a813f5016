// string ID: a string-table text in the chosen or the user's language.
#include <cstdio>
#include <cstdlib>

#include "platform/Language.h"
#include "resources/StringTable.h"
#include "tools/kivtool/Command.h"

namespace kivtool {

int RunString(const Args& args) {
    std::string idText;
    win::Language language = win::UserLanguage();
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--lang") {
            if (i + 1 >= args.size()) return Usage("--lang needs en or ja");
            const std::string value = args[++i];
            if (value == "en")
                language = win::Language::English;
            else if (value == "ja")
                language = win::Language::Japanese;
            else
                return Usage("--lang takes en or ja");
        } else if (idText.empty()) {
            idText = args[i];
        } else {
            return Usage("one ID only");
        }
    }
    char* end = nullptr;
    const unsigned long id = idText.empty() ? 0 : std::strtoul(idText.c_str(), &end, 10);
    if (idText.empty() || *end != '\0' || id > 0xFFFF) return Usage("ID must be a number 0..65535");
    const std::string text = res::LoadString(static_cast<unsigned>(id), language);
    if (text.empty()) return kRefused;
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return kSuccess;
}

}  // namespace kivtool
