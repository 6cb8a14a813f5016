#include <gtest/gtest.h>

#include "platform/Guid.h"
#include "platform/LastError.h"

namespace {

TEST(CoreGuid, ParsesFieldsInEitherCase) {
    win::GUID expected;
    expected.Data1 = 0x6B29FC40;
    expected.Data2 = 0xCA47;
    expected.Data3 = 0x1067;
    expected.Data4 = {0xB3, 0x1D, 0x00, 0xDD, 0x01, 0x06, 0x62, 0xDA};
    win::GUID upper;
    win::GUID lower;
    ASSERT_TRUE(win::ParseGuid("6B29FC40-CA47-1067-B31D-00DD010662DA", upper));
    ASSERT_TRUE(win::ParseGuid("6b29fc40-ca47-1067-b31d-00dd010662da", lower));
    EXPECT_EQ(upper, expected);
    EXPECT_EQ(lower, expected);

    win::GUID extremes;
    ASSERT_TRUE(win::ParseGuid("FFFFFFFF-0000-FFFF-0000-00000000FFFF", extremes));
    EXPECT_EQ(extremes.Data1, 0xFFFFFFFFu);
    EXPECT_EQ(extremes.Data2, 0u);
    EXPECT_EQ(extremes.Data3, 0xFFFFu);
    EXPECT_EQ(extremes.Data4[7], 0xFF);
}

TEST(CoreGuid, RefusesOtherFormsAndLeavesOutputAlone) {
    const char* bad[] = {
        "",
        "{6B29FC40-CA47-1067-B31D-00DD010662DA}",  // braces
        "6B29FC40-CA47-1067-B31D-00DD010662D",     // 35 characters
        "6B29FC40-CA47-1067-B31D-00DD010662DA0",   // 37 characters
        "6B29FC40CA47-1067-B31D-00DD010662DA0",    // hyphen missing
        "6B29FC4-0CA47-1067-B31D-00DD010662DA",    // hyphen misplaced
        "6B29FC40-CA47-1067-B31D-00DD010662DG",    // not a hex digit
        "6B29FC40-+A47-1067-B31D-00DD010662DA",    // sign
        " 6B29FC40-CA47-1067-B31D-00DD010662D",    // blank
        "6B29FC40-CA47-1067-B31D_00DD010662DA",    // wrong separator
    };
    for (const char* text : bad) {
        win::GUID guid;
        guid.Data1 = 42;
        win::SetLastError(0);
        EXPECT_FALSE(win::ParseGuid(text, guid)) << text;
        EXPECT_EQ(guid.Data1, 42u) << text;
        EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_DATA) << text;
    }
}

}  // namespace
