#include "tests/host/WindowTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "env/Application.h"
#include "frontends/window/WindowFrame.h"
#include "frontends/window/WindowPageView.h"
#include "platform/Language.h"
#include "platform/Message.h"
#include "platform/Window.h"
#include "resources/StringTable.h"
#include "transfer/ControlMessages.h"
#include "ui/ButtonEx.h"
#include "ui/KivDownloadControllerDlg.h"
#include "ui/MessageText.h"
#include "ui/MyMsgBox.h"

namespace wintest {

namespace {

constexpr int kStepMs = 10;
constexpr unsigned kFolderDialogTitle = 24;

// Loaded once, as the program loads it; it stays mapped for the process.
CControlModule& TheModule() {
    static std::unique_ptr<CControlModule> module = [] {
        std::string error;
        std::unique_ptr<CControlModule> loaded =
            CControlModule::Load(KIV_CONTROL_MODULE_PATH, error);
        if (loaded == nullptr) ADD_FAILURE() << error;
        return loaded;
    }();
    return *module;
}

// The program's open box, if any: answered with its first button.
bool AnswerProgramBox(std::vector<ShownBox>& boxes) {
    auto* box = qobject_cast<CMyMsgBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return false;
    boxes.push_back({box->windowTitle(), box->TextControl()->Text()});
    box->Button(0)->click();
    return true;
}

}  // namespace

bool RecordingLauncher::Launch(const std::vector<std::string>& argv) {
    std::lock_guard hold(mutex_);
    launched_.push_back(argv);
    return true;
}

std::vector<std::vector<std::string>> RecordingLauncher::Launched() const {
    std::lock_guard hold(mutex_);
    return launched_;
}

int HeldFolderDialog::Browse(win::HWND /*owner*/, const std::string& /*prompt*/, unsigned /*flags*/,
                             const KIVTOOLCommon::CItemIDList& /*initialSelection*/,
                             KIVTOOLCommon::CItemIDList& /*result*/) {
    ++calls_;
    bool closed = false;
    const win::HWND window = win::CreateWindow(
        [&closed](win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                  win::LPARAM lParam) -> win::LRESULT {
            if (message == win::WM_CLOSE || message == MBM_DISMISS) {
                closed = true;
                return 0;
            }
            return win::DefWindowProc(hwnd, message, wParam, lParam);
        },
        res::LoadString(kFolderDialogTitle), 0);
    open_ = true;
    win::RunModalLoop([&closed] { return closed; });
    open_ = false;
    win::DestroyWindow(window);
    return IDCANCEL;
}

WindowRunFixture::WindowRunFixture() {
    std::filesystem::create_directories(root_.Native("downloads"));
    std::filesystem::create_directories(root_.Native("runtime"));
    win::OverrideLanguage(win::Language::English);
    env::TheApp().ResetForTests();
}

WindowRunFixture::~WindowRunFixture() {
    server.Stop();
    env::TheApp().ResetForTests();
    win::ResetLanguage();
}

HostPage WindowRunFixture::PageFor(const std::string& name) const {
    HostPage page;
    page.source = "test.html";
    page.title = "Downloads";
    page.params = {{"contentscount", "1"}, {"curl1", server.Url("/" + name)}};
    return page;
}

void WindowRunFixture::ServeStalling(const std::string& content, std::size_t sentBytes,
                                     int stallMs) {
    server.Enqueue(kivtest::CannedResponse::File(content, kLastModified));
    kivtest::CannedResponse stalled = kivtest::CannedResponse::File(content, kLastModified);
    stalled.stallAfter = sentBytes;
    stalled.stallMs = stallMs;
    server.Enqueue(stalled);
}

HostOptions WindowRunFixture::OptionsToDownloads() const {
    HostOptions options;
    options.destination = DownloadsNative();
    return options;
}

int WindowRunFixture::RunWindow(const HostPage& page, const HostOptions& options,
                                const std::function<void(CWindowFrontEnd&)>& step) {
    WindowFrontEndParts parts;
    parts.folderDialog = &folderDialog;
    parts.programs = &programs;
    CWindowFrontEnd frontEnd(parts);
    QElapsedTimer clock;
    clock.start();
    QTimer user;
    user.setInterval(kStepMs);
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (frontEnd.Frame() == nullptr) return;
        if (AnswerProgramBox(boxes)) return;
        if (clock.elapsed() > kRunBoundMs && !boundPassed) {
            // A run that never ends fails instead of hanging the tests.
            boundPassed = true;
            AnswerLeaveQuestion(frontEnd, CWindowLeaveQuestion::LeaveButtonText());
            frontEnd.Session()->RequestLeave();
            return;
        }
        if (step) step(frontEnd);
    });
    user.start();
    const int status = frontEnd.Run(page, TheModule(), options);
    user.stop();
    EXPECT_FALSE(boundPassed) << "the run did not end within " << kRunBoundMs << " ms";
    return status;
}

std::string WindowRunFixture::DownloadsNative(const std::string& name) const {
    return name.empty() ? root_.Native("downloads") : root_.Native("downloads/" + name);
}

std::string WindowRunFixture::ReadDownload(const std::string& name) const {
    std::ifstream in(DownloadsNative(name), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

CKivDownloadControllerDlg* DialogOf(CWindowFrontEnd& frontEnd) {
    if (frontEnd.Frame() == nullptr) return nullptr;
    return qobject_cast<CKivDownloadControllerDlg*>(frontEnd.Frame()->PageView().Dialog());
}

win::HWND ControlWindowOf(CWindowFrontEnd& frontEnd) {
    if (frontEnd.Frame() == nullptr) return nullptr;
    const win::HWND dialog = frontEnd.Frame()->PageView().DialogWindow();
    return dialog != nullptr ? win::GetParent(dialog) : nullptr;
}

bool AnswerLeaveQuestion(CWindowFrontEnd& frontEnd, const QString& button) {
    if (frontEnd.Session() == nullptr) return false;
    QMessageBox* box = frontEnd.Session()->LeaveQuestion().Box();
    if (box == nullptr) return false;
    for (QAbstractButton* candidate : box->buttons()) {
        if (candidate->text() == button) {
            candidate->click();
            return true;
        }
    }
    return false;
}

win::LRESULT AskControlIfBrowserBoxOpen(CWindowFrontEnd& frontEnd) {
    return win::SendMessage(ControlWindowOf(frontEnd), CTLM_BROWSERDIALOG, 0, 0);
}

}  // namespace wintest
