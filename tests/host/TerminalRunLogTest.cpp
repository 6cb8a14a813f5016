// The terminal's account of a run, fed the engine's reports directly: what
// its lines and its summary say of retries, sizes, files checked before the
// download and downloads that stopped.
#include <gtest/gtest.h>

#include <fstream>

#include "frontends/terminal/TerminalConsole.h"
#include "frontends/terminal/TerminalRunLog.h"
#include "platform/Language.h"
#include "platform/NativePath.h"
#include "tests/env/EnvTestHelpers.h"
#include "tests/host/TerminalTestIo.h"

namespace {

using kivtransfer::CONTENTDATA;
using kivtransfer::ErrorState;

class TerminalRunLogTest : public ::testing::Test {
protected:
    TerminalRunLogTest() { win::OverrideLanguage(win::Language::English); }
    ~TerminalRunLogTest() override { win::ResetLanguage(); }

    CONTENTDATA Item(const std::string& name, std::uint64_t size) {
        CONTENTDATA item;
        item.name = name;
        item.url = "http://127.0.0.1/" + name;
        item.localPath = folder_.Windows(name);
        item.size = size;
        return item;
    }

    envtest::TempFolder folder_;
    termtest::CapturedTerminal terminal_;
    kivterm::CTerminalConsole console_{terminal_.Io()};
    kivterm::CTerminalRunLog log_{console_, {}};
};

TEST_F(TerminalRunLogTest, LinesAndSummaryCountWhatArrivedAndNameOnlyFilesThatAreThere) {
    CONTENTDATA unknown = Item("stream.bin", 0);
    CONTENTDATA checked = Item("kept.bin", 2048);
    checked.hash = std::string(64, 'A');
    checked.flags = CDF_COMPLETE | CDF_UNRECORDED;  // its hash matched in preparation
    CONTENTDATA stopped = Item("gone.bin", 5u << 20);
    std::ofstream(folder_.Native("stream.bin")) << "x";
    std::ofstream(folder_.Native("kept.bin")) << "x";

    log_.FileStarted(unknown, 0, 3);
    ErrorState failure;
    failure.Set(302, 13);  // a code whose system text ends in CR LF
    log_.FileRetrying(unknown, failure, 2, 11);
    failure.Set(304);
    log_.FileRetrying(unknown, failure, 2, 11);  // bytes came between: 2 in a row, 3rd attempt
    log_.FileDone(unknown, 20);
    log_.FileStarted(checked, 1, 3);
    log_.FileDone(checked, 0);
    log_.FileStarted(stopped, 2, 3);
    log_.FileStopped(stopped, 3u << 20);  // its file was deleted (a full disk)

    const std::string err = terminal_.Err();
    for (const char* line : {
             "(1/3) Downloading stream.bin (size unknown) from http://127.0.0.1/stream.bin\n",
             "Retrying stream.bin (attempt 2 of 11): Could not get HTTP status.The data is "
             "invalid. [D:302 E:13]\n",
             "Retrying stream.bin (attempt 3; 2 of 11 in a row since data last arrived): ",
             "Done: stream.bin, 20B received in ", "(2/3) kept.bin: already complete\n"}) {
        EXPECT_NE(err.find(line), std::string::npos) << line << "\n" << err;
    }
    EXPECT_EQ(err.find("\\x0d"), std::string::npos) << err;

    const std::string summary = log_.Summary(false);
    EXPECT_NE(summary.find("stream.bin     ?  not checked        " + folder_.Native("stream.bin") +
                           "\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("kept.bin    2.0K  SHA-256 verified   " + folder_.Native("kept.bin")),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("gone.bin    5.0M  stopped, not kept\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Downloaded: 2 files, 3.0M in "), std::string::npos) << summary;
}

TEST_F(TerminalRunLogTest, TheTerminalsOwnTextsFollowTheLanguage) {
    win::OverrideLanguage(win::Language::Japanese);
    CONTENTDATA item = Item("a.bin", 100);
    std::ofstream(folder_.Native("a.bin")) << "x";
    log_.FileStarted(item, 0, 1);
    log_.FileDone(item, 100);
    log_.FileVerified(item, true);
    EXPECT_NE(terminal_.Err().find("完了: a.bin、100B を "), std::string::npos) << terminal_.Err();
    EXPECT_NE(terminal_.Err().find("検証済み: a.bin (SHA-256)"), std::string::npos);
    EXPECT_NE(log_.Summary(false).find("ダウンロード: 1 ファイル、100B を "), std::string::npos)
        << log_.Summary(false);
}

}  // namespace
