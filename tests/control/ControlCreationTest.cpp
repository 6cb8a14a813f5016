// Window creation's failures, reported at once with the start headline, and
// the control's own handling of the assistant program's end.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <thread>

#include "env/Locations.h"
#include "platform/Event.h"
#include "platform/Message.h"
#include "platform/Wait.h"
#include "tests/control/ControlRunFixture.h"

using kivcontrol::ControlPtr;
using kivcontrol::CreateControl;
using kivcontrol::ReleaseControl;

namespace {

using namespace ctltest;

constexpr std::int32_t kUnspecifiedFailure = static_cast<std::int32_t>(0x80004005u);

struct CreationFailure {
    const char* name;
    std::function<void(FakeServices&)> arrange;
    std::int32_t code;
    // The whole box text, worked out when the test runs in English.
    std::function<std::string()> text;
    int dialogs;         // dialogs created
    int connectedAfter;  // page sinks still connected after the failure was reported
};

void PrintTo(const CreationFailure& failure, std::ostream* out) {
    *out << failure.name;
}

class ControlCreationTest : public ControlRunFixture,
                            public ::testing::WithParamInterface<CreationFailure> {};

TEST_P(ControlCreationTest, FailureIsReportedAtOnceAndNoRunStarts) {
    GetParam().arrange(fakes);
    Start(Page({{"/a.bin", ""}}));
    ASSERT_TRUE(PumpUntil([this] { return fakes.boxes.Count() == 1; }));
    PumpPending();

    EXPECT_EQ(control->Run().Error().errorCode, GetParam().code);
    EXPECT_EQ(fakes.boxes.Boxes()[0].text, GetParam().text());
    EXPECT_EQ(fakes.dialogs.Created(), GetParam().dialogs);
    EXPECT_EQ(control->Run().WorkerThreadId(), 0u);
    EXPECT_EQ(fakes.folders.Calls(), 0);
    EXPECT_EQ(fakes.browser.quits, 0);
    EXPECT_EQ(fakes.browser.connected, GetParam().connectedAfter);
    EXPECT_TRUE(Release());
    EXPECT_EQ(fakes.browser.connected, 0) << "teardown disconnects the page";
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ControlCreationTest,
    ::testing::Values(
        CreationFailure{"NoClientSite", [](FakeServices& f) { f.browser.clientSite = false; }, 12,
                        [] {
                            return std::string(
                                "Initialization of Kiv Downloader failed.Cannot access "
                                "OleClientSite.[D:12]");
                        },
                        0, 0},
        CreationFailure{"PageEvents",
                        [](FakeServices& f) { f.browser.connect = kUnspecifiedFailure; }, 17,
                        [] {
                            return std::string(
                                "Initialization of Kiv Downloader failed.Cannot connect the "
                                "event.[D:17 E:0x80004005]");
                        },
                        0, 0},
        CreationFailure{"Dialog", [](FakeServices& f) { f.dialogs.fail = true; }, 18,
                        [] {
                            return "Initialization of Kiv Downloader failed.Could not create the "
                                   "main dialog box." +
                                   env::GetSystemErrorText(8) + "[D:18 E:8]";
                        },
                        0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

class AssistantEndTest : public ControlRunFixture {};

TEST_F(AssistantEndTest, AssistantEndCancelsTheRunAndIsReportedOnce) {
    fakes.folders.Script({kHoldOpen, {}});
    Start(Page({{"/a.bin", ""}}));
    ASSERT_TRUE(PumpUntil([this] { return fakes.folders.Calls() == 1; }));

    win::PostMessage(control->Window(), CTLM_ASSISTANTENDED, 0, 0);
    ASSERT_TRUE(PumpUntil([this] { return fakes.boxes.Count() == 1; }));
    EXPECT_EQ(fakes.boxes.Boxes()[0].text,
              "Processing in Kiv Downloader cannot be continued. The assistant program has "
              "stopped due to an unexpected error. \nRetry processing.[D:402]");
    EXPECT_EQ(control->Run().Error().errorCode, 402);
    EXPECT_EQ(win::WaitForSingleObject(control->Run().CancelEvent(), 0), win::WAIT_OBJECT_0);

    // The worker stopping on that cancel reports the same failure again.
    win::PostMessage(control->Window(), CTLM_RUNFAILED, 1, 0);
    PumpPending();
    EXPECT_EQ(fakes.boxes.Count(), 1u);
    EXPECT_TRUE(Release());
}

TEST_F(AssistantEndTest, AssistantEndAfterACancelChangesNothing) {
    fakes.folders.Script({kHoldOpen, {}});
    Start(Page({{"/a.bin", ""}}));
    ASSERT_TRUE(PumpUntil([this] { return fakes.folders.Calls() == 1; }));
    control->Run().SignalCancel();

    win::PostMessage(control->Window(), CTLM_ASSISTANTENDED, 0, 0);
    PumpPending();
    EXPECT_EQ(fakes.boxes.Count(), 0u);
    EXPECT_EQ(control->Run().Error().errorCode, 0);
    EXPECT_TRUE(Release());
}

}  // namespace

namespace {

using namespace ctltest;

class SecondControlTest : public ControlRunFixture {};

// The second control gives up in the "already running" question; it stays
// inert and, sharing the named cancel event, must not cancel the first run.
TEST_F(SecondControlTest, SecondControlWhileARunIsActiveStaysInertWithoutCancellingIt) {
    fakes.folders.Script({kHoldOpen, {}});
    Start(Page({{"/a.bin", ""}}));
    ASSERT_TRUE(PumpUntil([this] { return fakes.folders.Calls() == 1; }));

    fakes.boxes.Script({IDCANCEL});
    ControlPtr second = CreateControl(fakes.Services(), timings);
    EXPECT_FALSE(second->LoadProperties(Page({{"/b.bin", ""}})));
    ASSERT_EQ(fakes.boxes.Count(), 1u);
    const ShownBox question = fakes.boxes.Boxes()[0];
    EXPECT_TRUE(question.standard);
    EXPECT_EQ(question.text,
              "Kiv Downloader already running. \n\nTo continue, close Kiv Downloader then select "
              "Retry.");
    EXPECT_EQ(question.style, MB_RETRYCANCEL | MB_ICONEXCLAMATION);

    ASSERT_NE(second->CreateControlWindow(fakes.browser.Window()), nullptr);
    PumpPending();
    EXPECT_EQ(second->Run().Error().errorCode, 1);
    EXPECT_EQ(fakes.boxes.Count(), 1u) << "a cancel shows nothing";
    EXPECT_EQ(second->Run().WorkerThreadId(), 0u);
    EXPECT_EQ(fakes.dialogs.Created(), 1);
    ReleaseControl(std::move(second));

    EXPECT_EQ(win::WaitForSingleObject(control->Run().CancelEvent(), 0), win::WAIT_TIMEOUT);
    EXPECT_TRUE(Release());
}

class ControlThreadDeathTest : public ControlRunFixture {};

// The control belongs to the window thread that made it: loading the page's
// parameters on another thread is a fault of the caller, stopped at the call.
TEST_F(ControlThreadDeathTest, AWindowThreadMemberCalledOnAnotherThreadAborts) {
#ifdef NDEBUG
    GTEST_SKIP() << "the thread check is compiled only into debug builds";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const ControlPtr made = CreateControl(fakes.Services(), timings);
    EXPECT_DEATH(std::thread([&] {
                     made->LoadProperties(Page({{"/a.bin", ""}}));
                 }).join(),
                 "LoadProperties called on thread .*; its object belongs to thread ");
}

}  // namespace
