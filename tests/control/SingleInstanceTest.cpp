#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "control/ParamTagBag.h"
#include "control/ParameterLoad.h"
#include "control/SingleInstance.h"
#include "platform/Guid.h"
#include "platform/Language.h"
#include "tests/platform/CoreTestSupport.h"

namespace {

constexpr unsigned kErrorAccessDenied = 5;

struct Question {
    std::string text;
    std::string caption;
    unsigned style;
};

class ScriptedBoxes : public IMessageBoxService {
public:
    std::vector<Question> asked;
    // Answers the n-th question (from 0); Cancel by default.
    std::function<int(std::size_t)> answer = [](std::size_t) { return IDCANCEL; };

    int ShowMessageBox(win::HWND, const std::string&, const std::string&, unsigned) override {
        ADD_FAILURE() << "the question is the platform's box";
        return IDCANCEL;
    }
    int ShowStandardMessageBox(const std::string& text, const std::string& caption,
                               unsigned style) override {
        asked.push_back({text, caption, style});
        return answer(asked.size() - 1);
    }
};

std::string MakeTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kiv-single-XXXXXX").string();
    EXPECT_NE(mkdtemp(pattern.data()), nullptr);
    return pattern;
}

// Each test gets a runtime folder of its own, so no other run on the machine
// (nor a test left behind) holds our mutex.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { win::OverrideLanguage(win::Language::English); }
    void TearDown() override {
        win::ResetLanguage();
        std::filesystem::remove_all(runtime_);
    }

    std::string runtime_ = MakeTempFolder();
    coretest::ScopedEnv runtimeEnv_{"XDG_RUNTIME_DIR", runtime_};
    ScriptedBoxes boxes_;
    ErrorState error_;
    CSingleInstanceLock first_;
    CSingleInstanceLock second_;
};

TEST_F(SingleInstanceTest, TheNameIsOurGuidInUpperCaseRegistryForm) {
    const std::string name = SingleInstanceMutexName();
    ASSERT_EQ(name.size(), 38u);
    EXPECT_EQ(name.front(), '{');
    EXPECT_EQ(name.back(), '}');
    win::GUID guid;
    EXPECT_TRUE(win::ParseGuid(name.substr(1, 36), guid));
    EXPECT_EQ(name.find_first_of("abcdef"), std::string::npos);
}

TEST_F(SingleInstanceTest, TheFirstControlRunsWithoutAQuestion) {
    EXPECT_TRUE(first_.CheckSingleInstance("Kiv Downloader", boxes_, error_));
    EXPECT_TRUE(first_.IsHeld());
    EXPECT_TRUE(boxes_.asked.empty());
    EXPECT_EQ(error_.errorCode, 0);
}

TEST_F(SingleInstanceTest, ASecondControlAsksAndCancelLeavesItInert) {
    ASSERT_TRUE(first_.CheckSingleInstance("Kiv Downloader", boxes_, error_));
    EXPECT_FALSE(second_.CheckSingleInstance("Season Pack", boxes_, error_));
    ASSERT_EQ(boxes_.asked.size(), 1u);
    EXPECT_EQ(boxes_.asked[0].text,
              "Season Pack already running. \n\nTo continue, close Season Pack then select Retry.");
    EXPECT_EQ(boxes_.asked[0].caption, "Season Pack");
    EXPECT_EQ(boxes_.asked[0].style, 0x35u);
    EXPECT_EQ(error_.errorCode, 1);
    EXPECT_EQ(error_.lastError, 0u);
    EXPECT_FALSE(second_.IsHeld());
    EXPECT_TRUE(first_.IsHeld());
}

TEST_F(SingleInstanceTest, RetryAsksAgainUntilTheFirstHasClosed) {
    ASSERT_TRUE(first_.CheckSingleInstance("Kiv Downloader", boxes_, error_));
    boxes_.answer = [this](std::size_t question) {
        if (question == 1) first_.Close();  // the user closes the other page
        return IDRETRY;
    };
    EXPECT_TRUE(second_.CheckSingleInstance("Kiv Downloader", boxes_, error_));
    EXPECT_EQ(boxes_.asked.size(), 2u);
    EXPECT_EQ(error_.errorCode, 0);
    EXPECT_TRUE(second_.IsHeld());

    // The second now blocks the next one in turn.
    boxes_.answer = [](std::size_t) { return IDCANCEL; };
    CSingleInstanceLock third;
    EXPECT_FALSE(third.CheckSingleInstance("Kiv Downloader", boxes_, error_));
}

TEST_F(SingleInstanceTest, ADismissedQuestionCountsAsCancel) {
    ASSERT_TRUE(first_.CheckSingleInstance("Kiv Downloader", boxes_, error_));
    boxes_.answer = [](std::size_t) { return IDDISMISSED; };
    EXPECT_FALSE(second_.CheckSingleInstance("Kiv Downloader", boxes_, error_));
    EXPECT_EQ(boxes_.asked.size(), 1u);
    EXPECT_EQ(error_.errorCode, 1);
}

TEST_F(SingleInstanceTest, AClosedControlLetsTheNextRunAtOnce) {
    ASSERT_TRUE(first_.CheckSingleInstance("Kiv Downloader", boxes_, error_));
    first_.Close();
    first_.Close();
    EXPECT_FALSE(first_.IsHeld());
    EXPECT_TRUE(second_.CheckSingleInstance("Kiv Downloader", boxes_, error_));
    EXPECT_TRUE(boxes_.asked.empty());
}

TEST_F(SingleInstanceTest, AnUnusableRuntimeFolderIsError11WithTheSystemCode) {
    // A file where the mutexes' folder belongs.
    std::ofstream(runtime_ + "/kiv-downloader") << "not a folder";
    EXPECT_FALSE(first_.CheckSingleInstance("Kiv Downloader", boxes_, error_));
    EXPECT_EQ(error_.errorCode, 11);
    EXPECT_EQ(error_.lastError, kErrorAccessDenied);
    EXPECT_TRUE(boxes_.asked.empty());
    EXPECT_FALSE(first_.IsHeld());
}

TEST_F(SingleInstanceTest, TheLoadHookAsksWithThePagesCaption) {
    ASSERT_TRUE(first_.CheckSingleInstance("Kiv Downloader", boxes_, error_));
    std::string caption;
    ParameterLoadHooks hooks;
    hooks.captionChosen = [&caption](const std::string& chosen) { caption = chosen; };
    hooks.singleInstanceCheck = MakeSingleInstanceHook(
        second_, [&caption] { return caption; }, boxes_);
    ParameterLoadResult result;
    const CParamTagBag bag({{"caption", "Season Pack"},
                            {"contentscount", "1"},
                            {"curl1", "http://example.com/a.zip"}});
    EXPECT_FALSE(LoadParameters(bag, hooks, result, error_));
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(error_.errorCode, 1);
    ASSERT_EQ(boxes_.asked.size(), 1u);
    EXPECT_EQ(boxes_.asked[0].caption, "Season Pack");
}

}  // namespace
