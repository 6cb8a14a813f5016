#pragma once
// The user's language, from LC_ALL, LC_MESSAGES, LANG (first one set wins):
// a value starting with "ja" gives Japanese, anything else English.
namespace win {

enum class Language { English = 1033, Japanese = 1041 };

Language UserLanguage();
// Tests and tools fix the language for the process; Reset goes back to the environment.
void OverrideLanguage(Language language);
void ResetLanguage();

}  // namespace win
