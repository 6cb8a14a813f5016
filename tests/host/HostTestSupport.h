#pragma once
// Helpers of the host tests: a private settings store per test, registry
// reads, files, and running the program with a bounded wait.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/platform/CoreTestSupport.h"

namespace hosttest {

// A fresh, empty settings store ($XDG_CONFIG_HOME) for the test's lifetime.
class PrivateStore {
public:
    const std::string& ConfigHome() const { return config_.Path(); }

private:
    coretest::TempFolder config_;
    coretest::ScopedEnv configHome_{"XDG_CONFIG_HOME", config_.Path()};
};

// The REG_SZ value below HKEY_CURRENT_USER (terminator removed), or nothing
// when the key or value is missing or not a string.
std::optional<std::string> ReadRegistryString(const std::string& key,
                                              const std::string& valueName = "");
bool RegistryKeyExists(const std::string& key);
void WriteRegistryString(const std::string& key, const std::string& valueName,
                         const std::string& text);

void WriteFile(const std::string& path, const std::string& bytes);

// The module as the build made it, and its canonical path (as registered).
std::string ModulePath();
std::string CanonicalModulePath();

struct ProgramResult {
    int exitStatus = -1;  // -1: killed or did not end in time
    std::string out;
    std::string err;
};

// Runs kiv-downloader with `args`, no input, its outputs into pipes; the
// environment is this process's with
// `overrides` ("NAME=value", or "NAME" alone to remove it). Ends it after
// `timeoutMs`.
ProgramResult RunProgram(const std::vector<std::string>& args,
                         const std::vector<std::string>& overrides, int timeoutMs = 30000);

}  // namespace hosttest
