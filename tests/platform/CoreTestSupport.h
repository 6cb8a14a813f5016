#pragma once
// Scoped changes to process state for the platform core tests: each one puts
// the previous state back, so tests sharing the binary see no trace.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/CodePage.h"
#include "platform/Language.h"

namespace coretest {

class ScopedEnv {
public:
    // A null value removes the variable for the scope.
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
    ~ScopedEnv() {
        if (saved_) {
            setenv(name_.c_str(), saved_->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

class ScopedCodePage {
public:
    explicit ScopedCodePage(unsigned codePage) : saved_(win::GetProcessCodePage()) {
        win::SetProcessCodePage(codePage);
    }
    ~ScopedCodePage() { win::SetProcessCodePage(saved_); }
    ScopedCodePage(const ScopedCodePage&) = delete;
    ScopedCodePage& operator=(const ScopedCodePage&) = delete;

private:
    unsigned saved_;
};

class ScopedLanguage {
public:
    explicit ScopedLanguage(win::Language language) { win::OverrideLanguage(language); }
    ~ScopedLanguage() { win::ResetLanguage(); }
    ScopedLanguage(const ScopedLanguage&) = delete;
    ScopedLanguage& operator=(const ScopedLanguage&) = delete;
};

// A fresh folder below the system temporary folder, removed with its content.
class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kiv-core-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace coretest
