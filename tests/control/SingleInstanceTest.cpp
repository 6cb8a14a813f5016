#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "control/ParamTagBag.h"
#include "control/ParameterLoad.h"
#include "control/SingleInstance.h"
#include "platform/Language.h"
#include "tests/platform/CoreTestSupport.h"

using kivcontrol::CParamTagBag;
using kivcontrol::CSingleInstanceLock;
using kivcontrol::IMessageBoxService;
using kivcontrol::LoadParameters;
using kivcontrol::MakeSingleInstanceHook;
using kivcontrol::ParameterLoadHooks;
using kivcontrol::ParameterLoadResult;

using kivtransfer::ErrorState;

namespace {

class ScriptedBoxes : public IMessageBoxService {
public:
    std::vector<std::string> asked;  // text | caption | style
    std::function<int(std::size_t)> answer = [](std::size_t) { return IDCANCEL; };

    int ShowMessageBox(win::HWND, const std::string&, const std::string&, unsigned) override {
        return IDOK;
    }
    int ShowStandardMessageBox(const std::string& text, const std::string& caption,
                               unsigned style) override {
        asked.push_back(text + "|" + caption + "|" + std::to_string(style));
        return answer(asked.size() - 1);
    }
};

// A runtime folder of each test's own, so no other run on the machine holds
// our mutex.
class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { win::OverrideLanguage(win::Language::English); }
    void TearDown() override {
        win::ResetLanguage();
        std::filesystem::remove_all(runtime_);
    }
    bool Check(CSingleInstanceLock& lock, const std::string& caption = "Kiv Downloader") {
        return lock.CheckSingleInstance(caption, boxes_, error_);
    }

    std::string runtime_ = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "kiv-one-XXXXXX").string();
        return mkdtemp(pattern.data()) != nullptr ? pattern : std::string("/nonexistent");
    }();
    coretest::ScopedEnv runtimeEnv_{"XDG_RUNTIME_DIR", runtime_};
    ScriptedBoxes boxes_;
    ErrorState error_;
    CSingleInstanceLock first_, second_;
};

TEST_F(SingleInstanceTest, ASecondControlAsksAndCancelLeavesItInert) {
    EXPECT_TRUE(Check(first_));
    EXPECT_TRUE(boxes_.asked.empty());
    EXPECT_FALSE(Check(second_, "Season Pack"));
    EXPECT_EQ(boxes_.asked, std::vector<std::string>{
                                "Season Pack already running. \n\nTo continue, close Season Pack "
                                "then select Retry.|Season Pack|53"});
    EXPECT_EQ(error_.errorCode, 1);
    EXPECT_EQ(error_.lastError, 0u);
    EXPECT_TRUE(first_.IsHeld() && !second_.IsHeld());
    boxes_.answer = [](std::size_t) { return IDDISMISSED; };  // no answer is no retry
    EXPECT_FALSE(Check(second_));
}

TEST_F(SingleInstanceTest, RetryAsksAgainUntilTheFirstHasClosed) {
    ASSERT_TRUE(Check(first_));
    boxes_.answer = [this](std::size_t question) {
        if (question == 1) first_.Close();  // the user closes the other page
        return IDRETRY;
    };
    EXPECT_TRUE(Check(second_));
    EXPECT_EQ(boxes_.asked.size(), 2u);
    EXPECT_EQ(error_.errorCode, 0);
    boxes_.answer = [](std::size_t) { return IDCANCEL; };
    CSingleInstanceLock third;  // the second now holds the next one back
    EXPECT_FALSE(Check(third));
}

TEST_F(SingleInstanceTest, AnUnusableRuntimeFolderIsError11WithTheSystemCode) {
    std::ofstream(runtime_ + "/kiv-downloader") << "a file where the mutexes' folder belongs";
    EXPECT_FALSE(Check(first_));
    EXPECT_EQ(error_.errorCode, 11);
    EXPECT_EQ(error_.lastError, 5u);  // ERROR_ACCESS_DENIED
    EXPECT_TRUE(boxes_.asked.empty());
}

TEST_F(SingleInstanceTest, TheLoadHookAsksWithThePagesCaption) {
    ASSERT_TRUE(Check(first_));
    std::string caption;
    ParameterLoadHooks hooks;
    hooks.captionChosen = [&caption](const std::string& chosen) { caption = chosen; };
    hooks.singleInstanceCheck = MakeSingleInstanceHook(
        second_, [&] { return caption; }, boxes_);
    ParameterLoadResult result;
    EXPECT_FALSE(LoadParameters(CParamTagBag({{"caption", "Season Pack"}, {"contentscount", "1"}}),
                                hooks, result, error_));
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(error_.errorCode, 1);
    ASSERT_EQ(boxes_.asked.size(), 1u);
    EXPECT_NE(boxes_.asked[0].find("|Season Pack|"), std::string::npos);
}

}  // namespace
