// The verification phase: which items are hashed, how a mismatch is flagged
// and recorded in the version file, and what the dialog is told.
#include <gtest/gtest.h>

#include <string>

#include "env/Application.h"
#include "platform/LastError.h"
#include "tests/transfer/WorkFilesTestEnv.h"
#include "transfer/VerificationPhase.h"
#include "transfer/VersionFile.h"

using kivtransfer::CONTENTDATA;
using kivtransfer::CVersionFile;
using kivtransfer::VerificationPhase;

namespace {

using worktest::AssistantModeControl;

constexpr const char* kAbcUpper =
    "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
constexpr const char* kAbcLower =
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr const char* kOtherHash =
    "0000000000000000000000000000000000000000000000000000000000000000";
constexpr const char* kLastModified = "Wed, 01 Jul 2015 00:00:00 GMT";

class VerificationPhaseTest : public worktest::IsolatedEnvironment {
protected:
    // An item whose file holds "abc" and which the version file records.
    CONTENTDATA& AddAbcItem(FakeDownloadControl& control, const std::string& name,
                            const std::string& hash) {
        const std::string path = WriteFile(name, "abc");
        CONTENTDATA& item = control.AddItem("http://127.0.0.1/" + name, path, name);
        item.hash = hash;
        item.flags = CDF_PREPARED | CDF_COMPLETE;
        if (!hash.empty()) {
            control.counters.AddFileToVerify(3);
        }
        Record(control.HasAssistant() ? item.url : item.localPath, path);
        return item;
    }
    static void Record(const std::string& key, const std::string& path) {
        CVersionFile versionFile;
        versionFile.Open(env::GetVersionFilePath());
        ASSERT_TRUE(versionFile.Set(key, path, kLastModified, 0));
        ASSERT_TRUE(versionFile.Save());
    }
    // The stored text of `key`, or "<none>".
    static std::string Stored(const std::string& key) {
        CVersionFile versionFile;
        versionFile.Open(env::GetVersionFilePath());
        std::string text;
        return versionFile.GetStoredText(key, text) ? text : "<none>";
    }
};

TEST_F(VerificationPhaseTest, LowerCaseHashMatchesAndTheEntryIsRemoved) {
    FakeDownloadControl control;
    const CONTENTDATA& item = AddAbcItem(control, "a.bin", kAbcLower);
    ASSERT_TRUE(VerificationPhase(control));
    EXPECT_EQ(control.error.errorCode, 0);
    EXPECT_FALSE(item.flags & CDF_BROKEN);
    EXPECT_EQ(Stored(item.localPath), "<none>");
}

TEST_F(VerificationPhaseTest, DialogIsToldTheFileItsSizeAndTheEnd) {
    FakeDownloadControl control;
    AddAbcItem(control, "a.bin", kAbcUpper);
    ASSERT_TRUE(VerificationPhase(control));

    std::vector<RecordedMessage> sends;
    for (const RecordedMessage& m : control.Messages()) {
        if (m.kind == RecordedMessage::Kind::Send) sends.push_back(m);
    }
    ASSERT_EQ(sends.size(), 7u);
    EXPECT_EQ(sends[0].message, DLGM_OVERALLRANGE);
    EXPECT_EQ(sends[0].lParam, 1);
    // The overall bar counts the bytes to hash.
    EXPECT_EQ(sends[1].message, DLGM_RUNBYTES);
    EXPECT_EQ(sends[1].Value64(), control.counters.VerifyTotalBytes());
    EXPECT_EQ(sends[2].message, DLGM_FILENAME);
    EXPECT_EQ(sends[2].text, "a.bin");
    EXPECT_EQ(sends[3].message, DLGM_STATUS);
    EXPECT_EQ(sends[3].wParam, 1u);
    EXPECT_EQ(sends[3].text, "Verifying file.");
    EXPECT_EQ(sends[4].message, DLGM_OVERALLSTEP);
    EXPECT_EQ(sends[5].message, DLGM_CURRENTTOTAL);
    EXPECT_EQ(sends[5].Value64(), 3u);
    EXPECT_EQ(sends[6].message, DLGM_CURRENTPOS);
    EXPECT_EQ(sends[6].Value64(), 3u);
}

TEST_F(VerificationPhaseTest, UncheckedItemsAreNotHashedButTheirEntriesGo) {
    FakeDownloadControl control;
    // Their files are missing: hashing them would fail the phase with 22.
    CONTENTDATA& noHash = control.AddItem("u1", root_.Windows() + "\\nohash.bin", "nohash.bin");
    CONTENTDATA& unrecorded = control.AddItem("u2", root_.Windows() + "\\unrec.bin", "unrec.bin");
    unrecorded.hash = kAbcUpper;
    unrecorded.flags = CDF_COMPLETE | CDF_UNRECORDED;
    Record(noHash.localPath, noHash.localPath);
    Record(unrecorded.localPath, unrecorded.localPath);

    ASSERT_TRUE(VerificationPhase(control));
    EXPECT_TRUE(control.MessagesOf(DLGM_FILENAME).empty());
    EXPECT_TRUE(control.MessagesOf(DLGM_OVERALLRANGE).empty());
    EXPECT_EQ(Stored(noHash.localPath), "<none>");
    EXPECT_EQ(Stored(unrecorded.localPath), "<none>");
}

TEST_F(VerificationPhaseTest, TwoBrokenOfThreeAreFlaggedMarkedAndFail500) {
    FakeDownloadControl control;
    CONTENTDATA& first = AddAbcItem(control, "a.bin", kOtherHash);
    CONTENTDATA& second = AddAbcItem(control, "b.bin", kAbcUpper);
    CONTENTDATA& third = AddAbcItem(control, "c.bin", kOtherHash);

    EXPECT_FALSE(VerificationPhase(control));
    EXPECT_EQ(control.error.errorCode, 500);
    EXPECT_TRUE(first.flags & CDF_BROKEN);
    EXPECT_FALSE(second.flags & CDF_BROKEN);
    EXPECT_TRUE(third.flags & CDF_BROKEN);
    EXPECT_EQ(Stored(first.localPath), "FILEBROKEN");
    EXPECT_EQ(Stored(second.localPath), "<none>");
    EXPECT_EQ(Stored(third.localPath), "FILEBROKEN");
    EXPECT_EQ(control.MessagesOf(DLGM_FILENAME).size(), 3u);  // a mismatch does not stop the phase
}

TEST_F(VerificationPhaseTest, BrokenFileWithoutEntryIsMarkedSoTheNextRunStartsOver) {
    FakeDownloadControl control;
    CONTENTDATA& item = control.AddItem("u1", WriteFile("a.bin", "abc"), "a.bin");
    item.hash = kOtherHash;
    EXPECT_FALSE(VerificationPhase(control));
    EXPECT_EQ(control.error.errorCode, 500);
    EXPECT_EQ(Stored(item.localPath), "FILEBROKEN");
}

TEST_F(VerificationPhaseTest, AssistantModeKeysEntriesByUrl) {
    AssistantModeControl control;
    CONTENTDATA& good = AddAbcItem(control, "a.bin", kAbcUpper);
    CONTENTDATA& bad = AddAbcItem(control, "b.bin", kOtherHash);
    EXPECT_FALSE(VerificationPhase(control));
    EXPECT_EQ(Stored(good.url), "<none>");
    EXPECT_EQ(Stored(bad.url), "FILEBROKEN");
}

TEST_F(VerificationPhaseTest, MissingFileIs22WithItsSystemCodeAndStopsThePhase) {
    FakeDownloadControl control;
    CONTENTDATA& gone = control.AddItem("u1", root_.Windows() + "\\gone.bin", "gone.bin");
    gone.hash = kAbcUpper;
    CONTENTDATA& later = AddAbcItem(control, "b.bin", kAbcUpper);
    EXPECT_FALSE(VerificationPhase(control));
    EXPECT_EQ(control.error.errorCode, 22);
    EXPECT_EQ(control.error.lastError, win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Stored(later.localPath), kLastModified);
}

TEST_F(VerificationPhaseTest, CancelWhileHashingFailsTheDigest) {
    FakeDownloadControl control;
    CONTENTDATA& item = AddAbcItem(control, "a.bin", kAbcUpper);
    control.Cancel();
    EXPECT_FALSE(VerificationPhase(control));
    EXPECT_EQ(control.error.errorCode, 22);
    EXPECT_FALSE(item.flags & CDF_BROKEN);
    EXPECT_EQ(Stored(item.localPath), kLastModified);  // nothing was decided
}

}  // namespace
