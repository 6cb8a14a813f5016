#include "platform/Language.h"

#include <atomic>
#include <cstdlib>
#include <string_view>

namespace win {

namespace {

// 0 means "no override: ask the environment".
std::atomic<int> overriddenLanguage{0};

Language LanguageFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') {
            continue;
        }
        return std::string_view(value).starts_with("ja") ? Language::Japanese : Language::English;
    }
    return Language::English;
}

}  // namespace

Language UserLanguage() {
    int overridden = overriddenLanguage.load();
    if (overridden != 0) {
        return static_cast<Language>(overridden);
    }
    return LanguageFromEnvironment();
}

void OverrideLanguage(Language language) {
    overriddenLanguage.store(static_cast<int>(language));
}

void ResetLanguage() {
    overriddenLanguage.store(0);
}

}  // namespace win
