#include <gtest/gtest.h>

#include <string>

#include "control/ErrorMessage.h"
#include "platform/Language.h"

using kivcontrol::CodeTag;
using kivcontrol::ComposeErrorMessage;
using kivcontrol::kPhaseAssistantEnded;
using kivcontrol::kPhaseCompletion;
using kivcontrol::kPhaseDestination;
using kivcontrol::kPhaseDownload;
using kivcontrol::kPhaseFinalisation;
using kivcontrol::kPhaseStart;
using kivcontrol::kPhaseVerification;

using kivtransfer::CONTENTDATA;
using kivtransfer::ContentList;
using kivtransfer::ErrorState;

namespace {

class ErrorMessageTest : public ::testing::Test {
protected:
    void SetUp() override { win::OverrideLanguage(win::Language::English); }
    void TearDown() override { win::ResetLanguage(); }

    std::string Compose(int phase, std::int32_t code, std::uint32_t lastError = 0,
                        const std::string& detail = "") {
        ErrorState error;
        error.Set(code, lastError);
        error.errorDetail = detail;
        std::string text = "stale";
        EXPECT_TRUE(ComposeErrorMessage(phase, error, items_, text)) << code;
        return text;
    }

    void AddItem(const std::string& name, std::uint32_t flags) {
        auto item = std::make_unique<CONTENTDATA>();
        item->name = name;
        item->flags = flags;
        items_.push_back(std::move(item));
    }

    ContentList items_;
};

TEST_F(ErrorMessageTest, NothingIsShownWithoutAFailureOrAfterACancel) {
    for (int phase : {0, 2, 7}) {
        for (std::int32_t code : {0, 1}) {
            ErrorState error;
            error.Set(code, 5);
            std::string text = "stale";
            EXPECT_FALSE(ComposeErrorMessage(phase, error, items_, text));
            EXPECT_EQ(text, "");
        }
    }
}

TEST_F(ErrorMessageTest, InternetAndHttpTextsFollowTheDownloadHeadline) {
    EXPECT_EQ(Compose(kPhaseDownload, 300, 12029),
              "File download failed.Could not connect to the server. Confirm that your computer "
              "is correctly connected to the Internet.[D:300 E:12029]");
    // Other codes say what the internet error table says of them, a code it
    // lacks shows its number.
    EXPECT_EQ(Compose(kPhaseDownload, 300, 12045),
              "File download failed.The certificate authority is invalid or incorrect\r\n"
              "[D:300 E:12045]");
    EXPECT_EQ(Compose(kPhaseDownload, 300, 12099),
              "File download failed.Error 12099 occurred while connecting to the Internet."
              "[D:300 E:12099]");
    // A refused redirect names both URLs after the tag.
    EXPECT_EQ(
        Compose(kPhaseDownload, 300, 12156, "https://a.example/f.zip -> http://b.example/f.zip"),
        "File download failed.The HTTP redirect request failed\r\n"
        "[D:300 E:12156]\n\nhttps://a.example/f.zip -> http://b.example/f.zip");
    EXPECT_EQ(Compose(kPhaseDownload, 301, 407),
              "File download failed.To continue, proxy server authentication is required."
              "[D:301 E:407]");
    EXPECT_EQ(Compose(kPhaseDownload, 301, 503),
              "File download failed.HTTP status 503 was returned. The server may be busy. Please "
              "retry later.[D:301 E:503]");
}

TEST_F(ErrorMessageTest, HresultShowsAsEightHexDigits) {
    EXPECT_EQ(
        Compose(kPhaseStart, 17, 0x80004005u),
        "Initialization of Kiv Downloader failed.Cannot connect the event.[D:17 E:0x80004005]");
    EXPECT_EQ(CodeTag(17, 0xFFFFFFFFu), "[D:17 E:0xFFFFFFFF]");
    // The largest positive value is still decimal.
    EXPECT_EQ(
        Compose(kPhaseStart, 17, 0x7FFFFFFFu),
        "Initialization of Kiv Downloader failed.Cannot connect the event.[D:17 E:2147483647]");
}

TEST_F(ErrorMessageTest, InitialisationHeadlineJapanese) {
    win::OverrideLanguage(win::Language::Japanese);
    EXPECT_EQ(
        Compose(kPhaseStart, 17, 0x80004005u),
        "Kiv Downloader の初期化に失敗しました。イベントを接続できません。[D:17 E:0x80004005]");
}

TEST_F(ErrorMessageTest, RefusedParameterReplacesTheHeadline) {
    EXPECT_EQ(Compose(kPhaseStart, 200, 0, "curl2"),
              "Parameter curl2 has not been specified, or is not a correct value.[D:200]");
    // A detail with a format sign is text, not a format.
    EXPECT_EQ(Compose(kPhaseStart, 200, 0, "%s%d"),
              "Parameter %s%d has not been specified, or is not a correct value.[D:200]");
}

TEST_F(ErrorMessageTest, CodesWithoutTextShowTheHeadlineAndTag) {
    EXPECT_EQ(Compose(kPhaseDownload, 501), "File download failed.[D:501]");
    EXPECT_EQ(Compose(kPhaseAssistantEnded, 501), "[D:501]");
    EXPECT_EQ(Compose(6, 999), "Internal error occurred.[D:999]");
    EXPECT_EQ(Compose(kPhaseDownload, 100, 112),
              "File download failed.There is not enough space on the disk.\r\n[D:100 E:112]");
    EXPECT_EQ(Compose(kPhaseDownload, 100, 5, "notes.txt"),
              "File download failed.Access is denied.\r\n[D:100 E:5]\n\n\tnotes.txt");
}

TEST_F(ErrorMessageTest, SystemTextOnlyForCodesThatAskForIt) {
    EXPECT_EQ(Compose(kPhaseFinalisation, 103, 5),
              "Renaming of the downloaded file failed.Access is denied.\r\n[D:103 E:5]");
    // Code 104 has no system text even with a system code.
    EXPECT_EQ(Compose(kPhaseDownload, 104, 112),
              "File download failed.The disk is full.[D:104 E:112]");
    // No system code, no system text.
    EXPECT_EQ(Compose(kPhaseStart, 11),
              "Initialization of Kiv Downloader failed.Mutex creation failed.[D:11]");
}

TEST_F(ErrorMessageTest, HeadlinesByPhase) {
    EXPECT_EQ(Compose(kPhaseDestination, 10),
              "Download location query failed.Memory is full.[D:10]");
    EXPECT_EQ(Compose(kPhaseVerification, 22),
              "An error occurred during file verification.Hash value calculation failed.[D:22]");
    EXPECT_EQ(Compose(kPhaseCompletion, 999),
              "An error occurred during termination processing.Internal error occurred.[D:999]");
}

TEST_F(ErrorMessageTest, AssistantStoppedNamesTheProduct) {
    EXPECT_EQ(Compose(kPhaseAssistantEnded, 402),
              "Processing in Kiv Downloader cannot be continued. The assistant program has stopped "
              "due to an unexpected error. \nRetry processing.[D:402]");
}

TEST_F(ErrorMessageTest, CorruptedFilesAreListedAfterTheTag) {
    AddItem("a.zip", CDF_BROKEN | CDF_PREPARED);
    AddItem("good.zip", CDF_PREPARED | CDF_FINALIZED);
    AddItem("b.zip", CDF_BROKEN);
    EXPECT_EQ(Compose(kPhaseVerification, 500),
              "The following files are corrupted. Download them again.[D:500]\n\n\ta.zip\n\tb.zip");
}

}  // namespace
