#include "platform/KeepAside.h"

#include <gtest/gtest.h>

namespace {

TEST(KeepAsideTest, NumberGoesBeforeTheWholeExtensionAsBrowsersDo) {
    EXPECT_EQ(win::NumberedName("beta-1.0.tar.gz", 1), "beta-1.0 (1).tar.gz");
    EXPECT_EQ(win::NumberedName("src.TAR.XZ", 2), "src (2).TAR.XZ");
    EXPECT_EQ(win::NumberedName("manual.pdf", 1), "manual (1).pdf");
    EXPECT_EQ(win::NumberedName("beta-1.0.gz", 3), "beta-1.0 (3).gz");  // "0" is no extension
    EXPECT_EQ(win::NumberedName("backup.tar.gz.sig", 1), "backup.tar.gz (1).sig");
    EXPECT_EQ(win::NumberedName(".tar.gz", 1), ".tar (1).gz");  // the name itself starts with a dot
    EXPECT_EQ(win::NumberedName(".profile", 2), ".profile (2)");
    EXPECT_EQ(win::NumberedName("README", 2), "README (2)");
    EXPECT_EQ(win::NumberedName("trailing.", 1), "trailing. (1)");
}

}  // namespace
