#pragma once
// Shared set-up of the transfer tests: a canned server on 127.0.0.1, a fake
// control, a destination folder and a version file of their own under a
// temporary folder, English texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/CannedServer.h"
#include "tests/support/FakeDownloadControl.h"
#include "transfer/HttpTransfer.h"

class HttpTransferFixture : public ::testing::Test {
protected:
    static constexpr const char* kLastModified = "Wed, 01 Jul 2015 00:00:00 GMT";

    void SetUp() override;
    void TearDown() override;

    // An item for `urlPath` on the canned server, written to `fileName` in
    // the destination folder.
    kivtransfer::CONTENTDATA& AddItem(const std::string& urlPath, const std::string& fileName);
    std::string NativePath(const std::string& fileName) const;
    std::string WindowsPath(const std::string& fileName) const;
    void WriteLocal(const std::string& fileName, const std::string& bytes) const;
    std::string ReadLocal(const std::string& fileName) const;
    bool LocalExists(const std::string& fileName) const;
    // Success when the file holds exactly `expected`; else its length and
    // the first differing offset (the contents are too long to print).
    ::testing::AssertionResult LocalHolds(const std::string& fileName,
                                          const std::string& expected) const;

    // The file transfer of item `index` as the download phase starts it.
    bool Transfer(std::size_t index = 0);
    std::vector<kivtest::RecordedRequest> RequestsOf(const std::string& method) const;
    // The stored text of the version file's entry for `key`; false when absent.
    bool RecordedText(const std::string& key, std::string& storedText) const;

    // Where the direct layout keeps `fileName` until it is finalised.
    static std::string Part(const std::string& fileName) { return "." + fileName + ".kivpart"; }
    static std::string Content(std::size_t size);            // distinct bytes, so offsets show
    static std::string Sha256Hex(const std::string& bytes);  // upper case
    // The digest the item's transfers carried, when it still covers its file;
    // else "<not carried>".
    static std::string CarriedDigest(const kivtransfer::CONTENTDATA& item);
    // Content(size) as a file that stops sending after `sentBytes` until the server stops.
    static kivtest::CannedResponse StalledFile(std::size_t size, std::size_t sentBytes);

    kivtest::CannedServer server;
    FakeDownloadControl control;

private:
    std::string tempRoot_;
    std::string downloads_;
};
