// The worker's phase sequence against scripted phases: order, the cancel
// check after each phase, the verification special case and the reports.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "control/WorkerPipeline.h"
#include "platform/Language.h"

using kivcontrol::IWorkerContext;
using kivcontrol::RunWorker;
using kivcontrol::WorkerPhases;

using kivtransfer::ErrorState;

namespace {

using ::testing::ElementsAre;

// Records everything the pipeline does as one line each, in order.
class RecordingContext : public IWorkerContext {
public:
    ErrorState& Error() override { return error; }
    bool IsCancelled() override {
        ++cancelChecks;
        return cancelFromCheck != 0 && cancelChecks >= cancelFromCheck;
    }
    std::int32_t ItemCount() const override { return itemCount; }
    const std::string& HelpLink() const override { return helpLink; }
    LRESULT SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) override {
        std::string line =
            "send " + std::to_string(message - WM_APP) + " " + std::to_string(wParam);
        if (message == DLGM_STATUS)
            line += " " + std::string(reinterpret_cast<const char*>(lParam));
        events.push_back(line);
        return 1;
    }
    bool PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) override {
        events.push_back("post " + std::to_string(message - WM_APP) + " " + std::to_string(wParam) +
                         " " + std::to_string(lParam));
        return true;
    }
    bool PostToControl(UINT message, WPARAM wParam, LPARAM /*lParam*/) override {
        events.push_back(std::string(message == CTLM_RUNDONE ? "done" : "failed ") +
                         (message == CTLM_RUNDONE ? "" : std::to_string(wParam)));
        return true;
    }
    void SetTransferActive(bool active) override {
        events.push_back(active ? "active" : "inactive");
    }
    void CompletionPause() override { events.push_back("pause"); }

    // A phase that records its name and ends with `result`.
    std::function<bool()> Phase(const std::string& name, bool result = true) {
        return [this, name, result] {
            events.push_back(name);
            return result;
        };
    }
    WorkerPhases AllSucceed() {
        return {Phase("destination"),
                Phase("download"),
                Phase("verification"),
                Phase("finalisation"),
                {}};
    }

    bool AssistantEnded() const override { return assistantEnded; }

    ErrorState error;
    bool assistantEnded = false;
    std::int32_t itemCount = 2;
    std::string helpLink;
    int cancelChecks = 0;
    int cancelFromCheck = 0;  // the first check that reports a cancel; 0 never
    std::vector<std::string> events;
};

class WorkerPipelineTest : public ::testing::Test {
protected:
    void SetUp() override { win::OverrideLanguage(win::Language::English); }
    void TearDown() override { win::ResetLanguage(); }

    RecordingContext context;
};

TEST_F(WorkerPipelineTest, SuccessfulRunGoesThroughEveryPhaseInOrder) {
    context.helpLink = "http://example.com/help";
    EXPECT_EQ(RunWorker(context, context.AllSucceed()), 0u);
    EXPECT_THAT(context.events, ElementsAre("send 25 0", "post 12 0 5", "destination", "active",
                                            "download", "verification", "finalisation",
                                            "send 8 0 Download of all files has been completed.",
                                            "send 14 1", "done", "inactive", "pause"));
    EXPECT_EQ(context.cancelChecks, 5);
    EXPECT_EQ(context.error.errorCode, 0);
}

TEST_F(WorkerPipelineTest, CorruptedFilesStillGetTheGoodOnesFinalisedAndEndWith500) {
    WorkerPhases phases = context.AllSucceed();
    phases.verification = [this] {
        context.error.Set(500);
        context.error.errorDetail = "\tb.bin";
        return false;
    };
    phases.finalisation = [this] {
        context.events.push_back("finalisation");
        context.error.Set(103, 5);
        return false;
    };
    RunWorker(context, phases);
    EXPECT_THAT(context.events, ElementsAre("post 12 0 5", "destination", "active", "download",
                                            "finalisation", "failed 3"));
    EXPECT_EQ(context.error.errorCode, 500);
    EXPECT_EQ(context.error.lastError, 0u);
    EXPECT_EQ(context.error.errorDetail, "\tb.bin");
}

TEST_F(WorkerPipelineTest, OtherVerificationFailuresSkipFinalisation) {
    WorkerPhases phases = context.AllSucceed();
    phases.verification = [this] {
        context.error.Set(22, 2);
        return false;
    };
    RunWorker(context, phases);
    EXPECT_EQ(context.events.back(), "failed 3");
    EXPECT_EQ(std::count(context.events.begin(), context.events.end(), "finalisation"), 0);
    EXPECT_EQ(context.error.errorCode, 22);
}

TEST_F(WorkerPipelineTest, CancelAfterAPhaseWinsOverItsOutcome) {
    context.cancelFromCheck = 2;  // noticed after the download phase
    WorkerPhases phases = context.AllSucceed();
    phases.download = [this] {
        context.error.Set(300, 12029);
        return false;
    };
    RunWorker(context, phases);
    EXPECT_EQ(context.events.back(), "failed 2");
    EXPECT_EQ(context.error.errorCode, 1);
    EXPECT_EQ(context.error.lastError, 0u);

    RecordingContext succeeded;
    succeeded.cancelFromCheck = 3;  // a verification that succeeded still counts as cancelled
    RunWorker(succeeded, succeeded.AllSucceed());
    EXPECT_EQ(succeeded.events.back(), "failed 3");
    EXPECT_EQ(succeeded.error.errorCode, 1);
}

TEST_F(WorkerPipelineTest, AssistantEndKeepsItsCodeThroughTheCancel) {
    context.cancelFromCheck = 1;
    context.error.Set(402);  // set by the window thread, which also signalled the cancel
    RunWorker(context, {context.Phase("destination", false),
                        context.Phase("download"),
                        context.Phase("verification"),
                        context.Phase("finalisation"),
                        {}});
    EXPECT_THAT(context.events,
                ElementsAre("post 12 0 5", "destination", "send 8 0 Download has been cancelled.",
                            "send 8 0 An error occurred during the download.", "failed 1"));
    EXPECT_EQ(context.error.errorCode, 402);
}

// The download stops on the cancel the assistant's end signalled and sets
// its own cancel code; the assistant's error is still the one reported.
TEST_F(WorkerPipelineTest, AssistantEndWinsOverThePhasesOwnCancelCode) {
    context.cancelFromCheck = 2;
    context.assistantEnded = true;
    WorkerPhases phases = context.AllSucceed();
    phases.download = [this] {
        context.error.Set(1);
        return false;
    };
    RunWorker(context, phases);
    ASSERT_GE(context.events.size(), 2u);
    EXPECT_EQ(context.events[context.events.size() - 2],
              "send 8 0 An error occurred during the download.");
    EXPECT_EQ(context.events.back(), "failed 2");
    EXPECT_EQ(context.error.errorCode, 402);
}

TEST_F(WorkerPipelineTest, DestinationNeedsItems) {
    context.itemCount = 0;
    RunWorker(context, context.AllSucceed());
    EXPECT_THAT(context.events, ElementsAre("failed 1"));
    EXPECT_EQ(context.error.errorCode, 999);
}

TEST_F(WorkerPipelineTest, FaultsEscapingAPhaseAreReportedWithThatPhase) {
    WorkerPhases phases = context.AllSucceed();
    phases.download = []() -> bool { throw std::bad_alloc(); };
    RunWorker(context, phases);
    EXPECT_EQ(context.events.back(), "failed 2");
    EXPECT_EQ(context.error.errorCode, 10);

    RecordingContext other;
    phases = other.AllSucceed();
    phases.finalisation = []() -> bool { throw std::runtime_error("unforeseen"); };
    RunWorker(other, phases);
    EXPECT_EQ(other.events.back(), "failed 4");
    EXPECT_EQ(other.error.errorCode, 999);
}

}  // namespace

// With the assistant program the run starts with its greeting; a greeting
// that cannot be sent ends the run before phase 1, reported as phase 0.
TEST_F(WorkerPipelineTest, GreetingComesFirstAndItsFailureEndsTheRunAsPhaseZero) {
    WorkerPhases phases = context.AllSucceed();
    phases.greeting = context.Phase("greeting");
    RunWorker(context, phases);
    EXPECT_EQ(context.events.at(0), "greeting");
    EXPECT_EQ(context.events.at(1), "post 12 0 5");

    context.events.clear();
    phases.greeting = [this] {
        context.events.push_back("greeting");
        context.error.Set(401, 2);
        return false;
    };
    RunWorker(context, phases);
    EXPECT_THAT(context.events, ElementsAre("greeting", "failed 0"));
    EXPECT_EQ(context.error.errorCode, 401);
}

// A content list the assistant never received is error 999, not the user's
// cancel: no "cancelled" status. A refusal by the assistant is a cancel.
TEST_F(WorkerPipelineTest, AssistantDestinationSendFailureShowsNoCancelledStatus) {
    WorkerPhases phases = context.AllSucceed();
    phases.greeting = context.Phase("greeting");
    phases.destination = [this] {
        context.error.Set(999, 32);
        return false;
    };
    RunWorker(context, phases);
    EXPECT_THAT(context.events, ElementsAre("greeting", "post 12 0 5", "failed 1"));

    context.events.clear();
    context.error = {};
    phases.destination = [] { return false; };
    RunWorker(context, phases);
    EXPECT_THAT(context.events, ElementsAre("greeting", "post 12 0 5",
                                            "send 8 0 Download has been cancelled.", "failed 1"));
}
