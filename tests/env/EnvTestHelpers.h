#pragma once
// Scoped changes for env tests: a temporary folder, an environment variable
// and the process code page, each put back when the test ends.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/CodePage.h"
#include "platform/NativePath.h"

namespace envtest {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kiv-env-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed";
        }
        native_ = pattern;
    }
    ~TempFolder() {
        // Tests may leave read-only folders behind, this one included: open
        // them up to remove them.
        std::error_code ignored;
        std::filesystem::permissions(native_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        for (auto it = std::filesystem::recursive_directory_iterator(native_, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
        std::filesystem::remove_all(native_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Native() const { return native_; }
    std::string Native(const std::string& child) const { return native_ + "/" + child; }
    // Windows form of the folder, or of a child given with '/' separators.
    std::string Windows(const std::string& child = {}) const {
        std::string windowsPath;
        EXPECT_TRUE(win::FromNativePath(child.empty() ? native_ : Native(child), windowsPath));
        return windowsPath;
    }

private:
    std::string native_;
};

class ScopedEnvVar {
public:
    ScopedEnvVar(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = getenv(name)) {
            saved_ = old;
        }
        Apply(value);
    }
    ~ScopedEnvVar() { Apply(saved_); }
    ScopedEnvVar(const ScopedEnvVar&) = delete;
    ScopedEnvVar& operator=(const ScopedEnvVar&) = delete;

private:
    void Apply(const std::optional<std::string>& value) {
        if (value) {
            setenv(name_.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    std::string name_;
    std::optional<std::string> saved_;
};

class ScopedCodePage {
public:
    explicit ScopedCodePage(unsigned codePage) : saved_(win::GetProcessCodePage()) {
        EXPECT_TRUE(win::SetProcessCodePage(codePage));
    }
    ~ScopedCodePage() { win::SetProcessCodePage(saved_); }
    ScopedCodePage(const ScopedCodePage&) = delete;
    ScopedCodePage& operator=(const ScopedCodePage&) = delete;

private:
    unsigned saved_;
};

inline bool RunningAsRoot() {
    return geteuid() == 0;
}

}  // namespace envtest
