#pragma once
// A world of its own for tests of the work files and the verification: the
// XDG folders (version file, temporary folder, settings store) below a
// temporary folder, English texts, and a fake control that can play the
// assistant mode.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "env/Application.h"
#include "platform/Language.h"
#include "tests/env/EnvTestHelpers.h"
#include "tests/support/FakeDownloadControl.h"

namespace worktest {

// A fake control in assistant mode.
class AssistantModeControl : public FakeDownloadControl {
public:
    bool HasAssistant() const override { return true; }
};

class IsolatedEnvironment : public ::testing::Test {
protected:
    IsolatedEnvironment() {
        win::OverrideLanguage(win::Language::English);
        env::TheApp().ResetForTests();
    }
    ~IsolatedEnvironment() override {
        env::TheApp().ResetForTests();
        win::ResetLanguage();
    }

    // Writes `bytes` to a file below the temporary folder; returns its Windows path.
    std::string WriteFile(const std::string& relative, const std::string& bytes) {
        const std::filesystem::path native = root_.Native(relative);
        std::filesystem::create_directories(native.parent_path());
        std::ofstream(native, std::ios::binary) << bytes;
        return root_.Windows(relative);
    }
    static std::string ReadNative(const std::string& native) {
        std::ifstream in(native, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static std::string VersionFileText() {
        std::string native;
        EXPECT_TRUE(win::ToNativePath(env::GetVersionFilePath(), native));
        return ReadNative(native);
    }

    envtest::TempFolder root_;
    envtest::ScopedEnvVar cache_{"XDG_CACHE_HOME", root_.Native("cache")};
    envtest::ScopedEnvVar state_{"XDG_STATE_HOME", root_.Native("state")};
    envtest::ScopedEnvVar config_{"XDG_CONFIG_HOME", root_.Native("config")};
};

}  // namespace worktest
