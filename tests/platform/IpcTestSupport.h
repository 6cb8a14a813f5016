#pragma once
// For the cross-process tests: a runtime folder of the test's own, so that
// test processes running side by side never meet in the real one.
#include <gtest/gtest.h>

#include <string>

#include "platform/KnownFolders.h"
#include "tests/platform/CoreTestSupport.h"

namespace ipctest {

class PrivateRuntimeFolder {
public:
    PrivateRuntimeFolder() : env_("XDG_RUNTIME_DIR", temp_.Path()) {
        EXPECT_TRUE(win::GetKnownFolderNativePath(win::KnownFolder::Runtime, native_));
    }
    // Where the runtime folder is now, in native form.
    const std::string& Native() const { return native_; }

private:
    coretest::TempFolder temp_;
    coretest::ScopedEnv env_;
    std::string native_;
};

}  // namespace ipctest
