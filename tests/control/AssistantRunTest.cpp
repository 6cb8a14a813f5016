// Whole runs in the protected layout: the control starts an assistant
// program, which chooses the destination and places the finished files,
// while the worker may write only to its work folders. A scripted assistant
// answers with exactly the replies a case needs; the project's own
// assistant program does a real run.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <optional>
#include <string>
#include <thread>

#include "assistant/KivDownloadAssistant.h"
#include "env/Application.h"
#include "env/Locations.h"
#include "env/Settings.h"
#include "platform/FifoEvents.h"
#include "platform/File.h"
#include "platform/FileApi.h"
#include "platform/Landlock.h"
#include "platform/NamedEventBackend.h"
#include "platform/NativePath.h"
#include "platform/Process.h"
#include "platform/ProcessSettings.h"
#include "platform/Registry.h"
#include "tests/control/ControlRunFixture.h"

using kivassistant::CKivDownloadAssistant;

namespace {

using namespace ctltest;

class AssistantRunTest : public ControlRunFixture {
protected:
    void SetUp() override {
#ifndef KIV_SCRIPTED_ASSISTANT
        GTEST_SKIP() << "the scripted assistant program is not built";
#else
        assistantProgram = KIV_SCRIPTED_ASSISTANT;
#endif
        win::SetProtectedLayout(true);
        env::ResetPlatformTestForTests();
        ASSERT_TRUE(win::InstallFifoEventBackend());
    }
    void TearDown() override {
        control.reset();  // the assistant ends with the control, while its folders exist
        win::SetNamedEventBackend(nullptr);
        win::SetProtectedLayout(false);
        env::ResetPlatformTestForTests();
    }

    // One entry per request: greeting; content list; one per placed file.
    void Script(const std::string& script) {
        script_.emplace("KIV_ASSISTANT_SCRIPT", script);
    }
    std::string Destination() const {
        return "3:" + DownloadsWindows();
    }

    std::string WorkFileNative() const {
        std::string lowTemp;
        std::string native;
        if (!env::GetLowTempFolder(lowTemp) || !win::ToNativePath(lowTemp, native)) return {};
        return native + "/dlcwork.tmp";
    }
    bool BoxShown(const std::string& text) const {
        for (const ShownBox& box : fakes.boxes.Boxes()) {
            if (box.text.find(text) != std::string::npos) return true;
        }
        return false;
    }
    bool DataArrived() {
        for (const DialogMessage& position : fakes.dialogs.Log().Of(DLGM_CURRENTPOS)) {
            if (position.wParam != 0) return true;
        }
        return false;
    }
    bool KillAssistant() {
        CKivDownloadAssistant* assistant = control->Run().Assistant();
        return assistant != nullptr && win::TerminateProcess(assistant->ProcessHandle(), 1);
    }

    std::optional<envtest::ScopedEnvVar> script_;
};

// The worker tries to write into the destination once it is confined: the
// kernel refuses, and the run still succeeds through the assistant.
TEST_F(AssistantRunTest, ConfinedWorkerCannotWriteTheDestinationYetTheRunSucceeds) {
    if (win::LandlockAbiVersion() == 0) GTEST_SKIP() << "this kernel offers no Landlock";
    const std::string content = PatternContent(70000);
    server.ServeContent(content, kLastModified);
    Script("1;2=1," + Destination() + ";4=0");
    std::atomic<int> probeErrno{-1};
    const std::string probe = DownloadsNative("written-by-the-worker");
    onWorkerConfined = [&probeErrno, probe] {
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        probeErrno = fd >= 0 ? 0 : errno;
        if (fd >= 0) ::close(fd);
    };
    Start(Page({{"/a.bin", Sha256Hex(content)}}));
    ASSERT_TRUE(PumpUntilBrowserQuits());

    EXPECT_EQ(probeErrno, EACCES);
    EXPECT_FALSE(Exists("written-by-the-worker"));
    // The confined worker keeps its settings in its own store, out of the
    // user's, which later runs trust.
    std::string temporaryFiles;
    EXPECT_FALSE(env::ReadSettingString(env::GetCompanyName(), env::GetProductName(),
                                        env::kTemporaryFilesPath, temporaryFiles));
    std::thread([&temporaryFiles] {
        win::UseLowIntegrityStore();
        EXPECT_TRUE(env::ReadSettingString(env::GetCompanyName(), env::GetProductName(),
                                           env::kTemporaryFilesPath, temporaryFiles));
    }).join();
    EXPECT_EQ(control->Run().Error().errorCode, 0);
    EXPECT_TRUE(control->Run().ResumeAllowed()) << "the kind-2 reply came before the folder";
    EXPECT_TRUE(BoxShown("The download completed successfully."));
}

TEST_F(AssistantRunTest, RefusedDestinationEndsTheRunAsCancelledWithoutMessage) {
    Script("1;2=0,3");  // kind 3 without data: the user gave up
    Start(Page({{"/a.bin", ""}}));
    ASSERT_TRUE(PumpUntilBrowserQuits());

    EXPECT_EQ(control->Run().Error().errorCode, 1);
    EXPECT_EQ(fakes.boxes.Count(), 0u);
    EXPECT_EQ(fakes.dialogs.Log().StatusTexts().back(), "Download has been cancelled.");
    EXPECT_TRUE(server.Requests().empty()) << "nothing is fetched without a destination";
}

// Kind 7 means nothing to the control and counts as success; kind 4 with a
// system code fails the run with 103 and that code.
TEST_F(AssistantRunTest, PlaceFileRepliesDecideTheRunsOutcome) {
    const std::string content = PatternContent(3000);
    server.ServeContent(content, kLastModified);
    Script("1;" + Destination() + ";7");
    Start(Page({{"/a.bin", ""}}));
    ASSERT_TRUE(PumpUntilBrowserQuits());
    EXPECT_EQ(control->Run().Error().errorCode, 0);
    EXPECT_TRUE(BoxShown("The download completed successfully."));
    ASSERT_TRUE(Release());

    fakes.browser.quits = 0;
    Script("1;" + Destination() + ";4=5");
    Start(Page({{"/a.bin", ""}}));
    ASSERT_TRUE(PumpUntilBrowserQuits());
    EXPECT_EQ(control->Run().Error().errorCode, 103);
    EXPECT_EQ(control->Run().Error().lastError, 5u);
    EXPECT_TRUE(BoxShown("Renaming of the downloaded file failed."));
    EXPECT_TRUE(BoxShown("[D:103 E:5]"));
}

TEST_F(AssistantRunTest, AssistantEndingDuringTheDownloadStopsTheRunWithItsMessage) {
    ServeStalledFile(PatternContent(200000), 40000);
    Script("1;" + Destination() + ";hang");
    Start(Page({{"/big.bin", ""}}));
    ASSERT_TRUE(PumpUntil([this] { return DataArrived(); }));

    ASSERT_TRUE(KillAssistant());
    ASSERT_TRUE(PumpUntilBrowserQuits());
    EXPECT_TRUE(control->Run().AssistantEnded());
    EXPECT_TRUE(BoxShown("The assistant program has stopped due to an unexpected error."));
    ASSERT_TRUE(Release());  // waits for the worker, which reports the failure again
    EXPECT_EQ(fakes.boxes.Count(), 1u) << "told once, though the worker also stops";
}

TEST_F(AssistantRunTest, AssistantEndingAfterACancelChangesNothing) {
    ServeStalledFile(PatternContent(200000), 40000);
    Script("1;" + Destination() + ";hang");
    Start(Page({{"/big.bin", ""}}));
    ASSERT_TRUE(PumpUntil([this] { return DataArrived(); }));
    ASSERT_TRUE(PressDialogCancel(control->Run().PauseMutex(), control->Run().CancelEvent()));
    ASSERT_TRUE(PumpUntilBrowserQuits());

    ASSERT_TRUE(KillAssistant());
    PumpUntil([] { return false; }, 300);  // time for the end notice to arrive
    EXPECT_EQ(control->Run().Error().errorCode, 1);
    EXPECT_EQ(fakes.boxes.Count(), 0u);
}

// A work file another program holds cannot be replaced: the file error box,
// then the greeting's failure (401) with its message.
TEST_F(AssistantRunTest, LockedWorkFileFailsTheGreeting) {
    Script("1;3");
    const std::string workFile = WorkFileNative();
    ASSERT_FALSE(workFile.empty());
    std::string windowsWorkFile;
    ASSERT_TRUE(win::FromNativePath(workFile, windowsWorkFile));
    ASSERT_TRUE(win::MakeSureDirectoryPathExists(windowsWorkFile));
    win::CFile holder;
    ASSERT_TRUE(holder.Open(windowsWorkFile, win::CFile::modeCreate | win::CFile::modeWrite |
                                                 win::CFile::shareExclusive));
    Start(Page({{"/a.bin", ""}}));
    ASSERT_TRUE(PumpUntilBrowserQuits());

    EXPECT_EQ(control->Run().Error().errorCode, 401);
    EXPECT_TRUE(BoxShown("dlcwork.tmp")) << "the file error box names the file";
    EXPECT_TRUE(BoxShown("Could not initialize the assistant program."));
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(AssistantRunTest, AssistantThatCannotStartFailsTheControlsCreation) {
    assistantProgram = "/no/such/folder/kivdownloadcontrol";
    Start(Page({{"/a.bin", ""}}));
    ASSERT_TRUE(PumpUntil([this] { return fakes.boxes.Count() == 1; }));
    EXPECT_EQ(control->Run().Error().errorCode, 400);
    EXPECT_TRUE(BoxShown("Could not start the assistant program."));
    EXPECT_EQ(fakes.dialogs.Created(), 0);
}

// The project's own assistant program: files reach the destination only
// through it, visible and verified.
TEST_F(AssistantRunTest, CompleteRunWithTheAssistantProgramPlacesVerifiedFiles) {
#ifndef KIV_ASSISTANT_STANDIN
    GTEST_SKIP() << "the assistant program is not built";
#else
    assistantProgram = KIV_ASSISTANT_STANDIN;
    envtest::ScopedEnvVar destination("KIVDL_DESTINATION", root_.Native("downloads"));
    envtest::ScopedEnvVar existing("KIVDL_EXISTING", "restart");
    const std::string content = PatternContent(120000);
    server.ServeContent(content, kLastModified);
    Start(Page({{"/one.bin", Sha256Hex(content)}, {"/two.bin", Sha256Hex(content)}}));
    ASSERT_TRUE(PumpUntilBrowserQuits());

    EXPECT_EQ(control->Run().Error().errorCode, 0);
    for (const char* name : {"one.bin", "two.bin"}) {
        EXPECT_EQ(ReadDownload(name), content) << name;
        EXPECT_FALSE(IsHidden(name)) << name;
    }
    EXPECT_EQ(fakes.folders.Calls(), 0) << "the assistant chose the folder";
    EXPECT_TRUE(BoxShown("The download completed successfully."));
#endif
}

}  // namespace
