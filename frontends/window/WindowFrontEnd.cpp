#include "frontends/window/WindowFrontEnd.h"

#include <QApplication>
#include <QEventLoop>
#include <cstdio>

#include "control/ProcessLauncher.h"
#include "frontends/terminal/TerminalInterrupt.h"
#include "frontends/window/WindowBrowserHost.h"
#include "frontends/window/WindowDialogFactory.h"
#include "frontends/window/WindowFolderBrowser.h"
#include "frontends/window/WindowFrame.h"
#include "frontends/window/WindowLauncher.h"
#include "frontends/window/WindowPageLink.h"
#include "frontends/window/WindowPageView.h"
#include "host/ControlModule.h"
#include "host/ExitStatus.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "ui/ApplicationSetup.h"
#include "ui/QtFolderBrowser.h"
#include "ui/QtMessageBoxService.h"
#include "ui/QtProxyCredentialPrompt.h"
#include "ui/QtText.h"
#include "ui/QtThreadDispatcher.h"

using kivcontrol::ControlServices;
using kivcontrol::CProcessLauncher;
using kivcontrol::IMessageBoxService;

namespace {

// A program started without one gets its QApplication here.
std::unique_ptr<QApplication> MakeApplication() {
    static int argc = 1;
    static char name[] = "kiv-downloader";
    static char* argv[] = {name, nullptr};
    auto application = std::make_unique<QApplication>(argc, argv);
    kivui::SetUpApplication(*application);
    return application;
}

// The object's size as the page gives it; template 201's for what it leaves out.
QSize ObjectSizeFor(const HostPage& page) {
    const QSize fallback = CWindowPageView::DefaultObjectSize();
    return QSize(page.width.value_or(0) > 0 ? *page.width : fallback.width(),
                 page.height.value_or(0) > 0 ? *page.height : fallback.height());
}

// The control's boxes, shown to the page first.
class CLinkedMessageBoxes : public IMessageBoxService {
public:
    CLinkedMessageBoxes(IMessageBoxService& boxes, IWindowPageLink* link)
        : boxes_(boxes), link_(link) {}

    int ShowMessageBox(win::HWND owner, const std::string& text, const std::string& caption,
                       unsigned style) override {
        if (link_ != nullptr) link_->MessageShown(text, style);
        return boxes_.ShowMessageBox(owner, text, caption, style);
    }
    int ShowStandardMessageBox(const std::string& text, const std::string& caption,
                               unsigned style) override {
        if (link_ != nullptr) link_->MessageShown(text, style);
        return boxes_.ShowStandardMessageBox(text, caption, style);
    }

private:
    IMessageBoxService& boxes_;
    IWindowPageLink* link_;
};

}  // namespace

// The control's services on Qt. Each lives until the control is gone, which
// may be after the window (a worker that outlived the waits), so none is a
// widget and boxes run in the application object's thread.
struct CWindowFrontEnd::Services {
    Services(const WindowFrontEndParts& parts, const HostOptions& options, CWindowPageView& view)
        : boxes(QCoreApplication::instance()),
          linkedBoxes(boxes, parts.pageLink),
          qtFolders(QCoreApplication::instance()),
          folders(parts.folderDialog != nullptr ? *parts.folderDialog : qtFolders,
                  options.destination),
          launcher(parts.programs != nullptr ? *parts.programs : processes,
                   !options.noOpen && HasDesktopDisplay()),
          dialogs(view, &launcher),
          proxy(QCoreApplication::instance()) {}

    ControlServices Get() {
        ControlServices services;
        services.messageBoxes = &linkedBoxes;
        services.folderBrowser = &folders;
        services.dialogFactory = &dialogs;
        services.browser = &browser;
        services.launcher = &launcher;
        services.proxyPrompt = &proxy;
        return services;
    }

    CQtMessageBoxService boxes;
    CLinkedMessageBoxes linkedBoxes;
    CQtFolderBrowser qtFolders;
    CWindowFolderBrowser folders;
    CProcessLauncher processes;
    CWindowLauncher launcher;
    CWindowBrowserHost browser;
    CWindowDialogFactory dialogs;
    CQtProxyCredentialPrompt proxy;
};

std::string WindowTitleFor(const HostPage& page) {
    if (!page.title.empty()) return page.title;
    if (!page.source.empty()) return page.source;
    return res::LoadString(textid::kProductName);
}

int CWindowFrontEnd::Run(const HostPage& page, CControlModule& module, const HostOptions& options) {
    com::ComPtr<com::IKivDownloadControl> control;
    const com::HRESULT created = module.CreateControl(control);
    if (com::FAILED(created) || !control) {
        std::fprintf(stderr, "kiv-downloader: the control could not be created (0x%08X)\n",
                     static_cast<unsigned>(created));
        return kExitFailure;
    }
    return RunControl(page, std::move(control), options);
}

int CWindowFrontEnd::RunControl(const HostPage& page, com::ComPtr<com::IKivDownloadControl> control,
                                const HostOptions& options) {
    std::unique_ptr<QApplication> ownApplication;
    if (QCoreApplication::instance() == nullptr) ownApplication = MakeApplication();
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application == nullptr) {
        std::fprintf(stderr, "kiv-downloader: the window needs a widget application\n");
        return kExitFailure;
    }
    // The window closes before the control's release is over: that must not end the program.
    const bool quitOnLastWindow = application->quitOnLastWindowClosed();
    application->setQuitOnLastWindowClosed(false);
    const int status = RunInWindow(page, std::move(control), options);
    application->setQuitOnLastWindowClosed(quitOnLastWindow);
    return status;
}

int CWindowFrontEnd::RunInWindow(const HostPage& page,
                                 com::ComPtr<com::IKivDownloadControl> control,
                                 const HostOptions& options) {
    CQtThreadDispatcher dispatcher;
    CWindowFrame frame(kivui::FromProcessText(WindowTitleFor(page)), ObjectSizeFor(page));
    auto services = std::make_shared<Services>(parts_, options, frame.PageView());
    int status = kExitFailure;
    bool finished = false;
    QEventLoop loop;
    CWindowSession session(
        frame, services->browser,
        [&](int runStatus) {
            status = runStatus;
            finished = true;
            loop.exit();
        },
        parts_.timings);
    services->browser.SetTopLevelWindow(frame.PageView().Hwnd());
    services->browser.SetActions({[&frame] {
                                      frame.raise();
                                      frame.activateWindow();
                                  },
                                  [&session] { session.RequestQuit(); }});
    frame.SetCloseRequestHandler([&session] { session.RequestLeave(); });
    dispatcher.SetQuitHandler([&session](int) { session.RequestLeave(); });
    frame_ = &frame;
    session_ = &session;
    // SIGTERM, SIGHUP and Ctrl+C in the terminal that started the window end
    // the run as leaving the page does, without asking (exit 1, partial files
    // kept); one more ends the program at once. All go before the session does.
    QObject signalContext;
    kivterm::CTerminalInterrupt stopSignals;
    const auto stop = [&signalContext, &session] {
        kivterm::CTerminalInterrupt::ArmImmediateExit();
        QMetaObject::invokeMethod(
            &signalContext, [&session] { session.Stop(); }, Qt::QueuedConnection);
    };
    stopSignals.Start(stop, stop);

    frame.show();
    session.Start(std::move(control), services->Get(), MakeParameterBag(page, {}), services);
    if (parts_.pageLink != nullptr) parts_.pageLink->SessionStarted(session);
    if (!finished) loop.exec();
    if (parts_.pageLink != nullptr) parts_.pageLink->SessionEnded(session);

    frame_ = nullptr;
    session_ = nullptr;
    dispatcher.SetQuitHandler({});
    services->browser.SetActions({});
    return status;
}

std::unique_ptr<IFrontEnd> MakeWindowFrontEnd() {
    return std::make_unique<CWindowFrontEnd>();
}
