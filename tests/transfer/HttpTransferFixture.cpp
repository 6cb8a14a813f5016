#include "tests/transfer/HttpTransferFixture.h"

#include <cryptopp/sha.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "env/Application.h"
#include "platform/FileStamp.h"
#include "platform/Language.h"
#include "platform/NativePath.h"
#include "transfer/VersionFile.h"
#include "transfer/WrittenDigest.h"

using kivtransfer::CONTENTDATA;
using kivtransfer::CVersionFile;
using kivtransfer::FileTransferRequest;

void HttpTransferFixture::SetUp() {
    char pattern[] = "/tmp/kiv-transfer-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    tempRoot_ = pattern;
    downloads_ = tempRoot_ + "/downloads";
    std::filesystem::create_directories(downloads_);
    setenv("XDG_STATE_HOME", (tempRoot_ + "/state").c_str(), 1);
    env::TheApp().ResetForTests();
    win::OverrideLanguage(win::Language::English);
    ASSERT_TRUE(win::FromNativePath(downloads_, control.destinationFolder));
}

void HttpTransferFixture::TearDown() {
    server.Stop();
    win::ResetLanguage();
    env::TheApp().ResetForTests();
    unsetenv("XDG_STATE_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(tempRoot_, ignored);
}

CONTENTDATA& HttpTransferFixture::AddItem(const std::string& urlPath, const std::string& fileName) {
    return control.AddItem(server.Url(urlPath), WindowsPath(fileName), fileName);
}

std::string HttpTransferFixture::NativePath(const std::string& fileName) const {
    return downloads_ + "/" + fileName;
}

std::string HttpTransferFixture::WindowsPath(const std::string& fileName) const {
    std::string path;
    EXPECT_TRUE(win::FromNativePath(NativePath(fileName), path));
    return path;
}

void HttpTransferFixture::WriteLocal(const std::string& fileName, const std::string& bytes) const {
    std::ofstream(NativePath(fileName), std::ios::binary) << bytes;
}

std::string HttpTransferFixture::ReadLocal(const std::string& fileName) const {
    std::ifstream in(NativePath(fileName), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool HttpTransferFixture::LocalExists(const std::string& fileName) const {
    return std::filesystem::exists(NativePath(fileName));
}

::testing::AssertionResult HttpTransferFixture::LocalHolds(const std::string& fileName,
                                                           const std::string& expected) const {
    const std::string actual = ReadLocal(fileName);
    if (actual == expected) {
        return ::testing::AssertionSuccess();
    }
    const auto mismatch =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    return ::testing::AssertionFailure()
           << fileName << " holds " << actual.size() << " bytes, expected " << expected.size()
           << "; first difference at offset " << (mismatch.first - actual.begin());
}

bool HttpTransferFixture::Transfer(std::size_t index) {
    const CONTENTDATA& item = *control.items.at(index);
    FileTransferRequest request;
    request.url = item.url;
    request.localPath = item.localPath;
    request.itemIndex = index;
    return FileTransfer(control, request);
}

std::vector<kivtest::RecordedRequest> HttpTransferFixture::RequestsOf(
    const std::string& method) const {
    std::vector<kivtest::RecordedRequest> selected;
    for (const kivtest::RecordedRequest& request : server.Requests()) {
        if (request.Method() == method) {
            selected.push_back(request);
        }
    }
    return selected;
}

bool HttpTransferFixture::RecordedText(const std::string& key, std::string& storedText) const {
    CVersionFile versionFile;
    versionFile.Open(env::GetVersionFilePath());
    return versionFile.GetStoredText(key, storedText) != 0;
}

std::string HttpTransferFixture::Content(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
    }
    return bytes;
}

std::string HttpTransferFixture::Sha256Hex(const std::string& bytes) {
    CryptoPP::byte digest[CryptoPP::SHA256::DIGESTSIZE];
    CryptoPP::SHA256().CalculateDigest(
        digest, reinterpret_cast<const CryptoPP::byte*>(bytes.data()), bytes.size());
    std::string text;
    for (const CryptoPP::byte value : digest) {
        text += "0123456789ABCDEF"[value >> 4];
        text += "0123456789ABCDEF"[value & 0x0F];
    }
    return text;
}

std::string HttpTransferFixture::CarriedDigest(const CONTENTDATA& item) {
    win::FileStamp stamp;
    std::string digest;
    if (item.writtenDigest && win::GetFileStamp(item.localPath, stamp) &&
        item.writtenDigest->DigestFor(stamp, digest)) {
        return digest;
    }
    return "<not carried>";
}

kivtest::CannedResponse HttpTransferFixture::StalledFile(std::size_t size, std::size_t sentBytes) {
    kivtest::CannedResponse stalled = kivtest::CannedResponse::File(Content(size), kLastModified);
    stalled.stallAfter = sentBytes;
    stalled.stallMs = -1;
    return stalled;
}
