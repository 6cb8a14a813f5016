#include "tests/control/ControlRunFixture.h"

#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/sha.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "env/Application.h"
#include "platform/FileApi.h"
#include "platform/Language.h"

using kivcontrol::ControlServices;
using kivcontrol::ControlTimings;
using kivcontrol::CParamTagBag;
using kivcontrol::CreateControl;
using kivcontrol::ReleaseControl;

namespace ctltest {

std::string Sha256Hex(const std::string& bytes) {
    std::string digest;
    CryptoPP::SHA256 hash;
    CryptoPP::StringSource source(
        bytes, true,
        new CryptoPP::HashFilter(hash, new CryptoPP::HexEncoder(new CryptoPP::StringSink(digest))));
    return digest;
}

std::string PatternContent(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
    return bytes;
}

ControlRunFixture::ControlRunFixture() {
    std::filesystem::create_directories(root_.Native("downloads"));
    std::filesystem::create_directories(root_.Native("runtime"));
    win::OverrideLanguage(win::Language::English);
    env::TheApp().ResetForTests();
}

ControlRunFixture::~ControlRunFixture() {
    control.reset();
    server.Stop();
    env::TheApp().ResetForTests();
    win::ResetLanguage();
}

ControlTimings ControlRunFixture::FastTimings() {
    ControlTimings fast;
    fast.completionPauseMs = 20;
    fast.teardownPollMs = 10;
    fast.transfer.retryPauseMs = 10;
    fast.transfer.resetPauseMs = 10;
    fast.transfer.leavePromptPauseMs = 10;
    return fast;
}

CParamTagBag ControlRunFixture::Page(
    const std::vector<std::pair<std::string, std::string>>& items) const {
    CParamTagBag page;
    page.Add("contentscount", std::to_string(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        page.Add("curl" + number, server.Url(items[i].first));
        if (!items[i].second.empty()) page.Add("hash" + number, items[i].second);
    }
    return page;
}

void ControlRunFixture::ServeStalledFile(const std::string& content, std::size_t sentBytes) {
    server.Enqueue(kivtest::CannedResponse::File(content, kLastModified));
    kivtest::CannedResponse stalled = kivtest::CannedResponse::File(content, kLastModified);
    stalled.stallAfter = sentBytes;
    stalled.stallMs = -1;
    server.Enqueue(stalled);
}

void ControlRunFixture::Start(const CParamTagBag& page) {
    ControlServices services = fakes.Services();
    services.assistantProgram = assistantProgram;
    services.onWorkerConfined = onWorkerConfined;
    control = CreateControl(services, timings);
    control->LoadProperties(page);
    ASSERT_NE(control->CreateControlWindow(fakes.browser.Window()), nullptr);
}

bool ControlRunFixture::Release() {
    // The flag outlives this call: a deferred release sets it from the worker.
    auto released = std::make_shared<std::atomic<bool>>(false);
    ReleaseControl(std::move(control), [released] { *released = true; });
    return *released;
}

std::string ControlRunFixture::ReadDownload(const std::string& name) const {
    std::ifstream in(DownloadsNative(name), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool ControlRunFixture::IsHidden(const std::string& name) const {
    const win::DWORD attributes = win::GetFileAttributes(root_.Windows("downloads/" + name));
    return attributes != win::INVALID_FILE_ATTRIBUTES &&
           (attributes & win::FILE_ATTRIBUTE_HIDDEN) != 0;
}

bool ControlRunFixture::Exists(const std::string& name) const {
    return std::filesystem::exists(DownloadsNative(name));
}

}  // namespace ctltest
