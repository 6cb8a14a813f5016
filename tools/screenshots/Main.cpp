// Renders the download dialog mid-download and during verification, and
// three message boxes, in English and Japanese, into PNG files.
// Usage: kiv_screenshots OUTPUT_FOLDER   (run with QT_QPA_PLATFORM=offscreen)
#include <QApplication>
#include <QDir>
#include <QImage>
#include <cstdio>
#include <string>

#include "WindowFrame.h"
#include "platform/Language.h"
#include "platform/Message.h"
#include "platform/Window.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/ControlMessages.h"
#include "ui/DialogColours.h"
#include "ui/KivDownloadControllerDlg.h"
#include "ui/MyMsgBox.h"
#include "ui/QtText.h"

namespace {

struct Shot {
    QString folder;
    QString language;
    int failures = 0;

    void Save(const QImage& image, const QString& name) {
        const QString path = QDir(folder).filePath(name + "-" + language + ".png");
        if (!image.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", path.toLocal8Bit().constData());
            ++failures;
            return;
        }
        std::printf("%s\n", path.toLocal8Bit().constData());
    }
};

class DialogDriver {
public:
    explicit DialogDriver(CKivDownloadControllerDlg& dialog) : dialog_(dialog) {}
    void Send(win::UINT message, win::WPARAM wParam = 0, win::LPARAM lParam = 0) {
        win::SendMessage(dialog_.Window(), message, wParam, lParam);
    }
    void SendText(win::UINT message, win::WPARAM wParam, const std::string& text) {
        Send(message, wParam, reinterpret_cast<win::LPARAM>(text.c_str()));
    }
    void SendName(const std::string& name) {
        Send(DLGM_FILENAME, reinterpret_cast<win::WPARAM>(name.c_str()));
    }
    void SendSize(win::UINT message, win::ULONGLONG value) {
        Send(message, Low32(value), High32(value));
    }

private:
    CKivDownloadControllerDlg& dialog_;
};

// The dialog as a worker leaves it: `step` files begun of three, the
// current one `percent` done.
QImage RenderDialog(bool verifying) {
    const std::string caption = res::LoadString(textid::kProductName);
    CKivDownloadControllerDlg dialog(nullptr, nullptr);
    dialog.Configure(caption, nullptr, nullptr, "https://example.com/help");
    dialog.show();
    DialogDriver driver(dialog);
    driver.Send(DLGM_SHOWLINK);
    driver.Send(DLGM_OVERALLBUSY, 0, win::SW_SHOW);
    driver.Send(DLGM_OVERALLRANGE, 0, 3);
    const win::ULONGLONG total = 52428800;
    if (verifying) {
        driver.SendName("KivSetup_2.4.1.zip");
        driver.SendText(DLGM_STATUS, 1, res::LoadString(textid::kVerifyingFile));
        driver.Send(DLGM_OVERALLSTEP, 0);
        driver.SendSize(DLGM_CURRENTTOTAL, total);
        driver.SendSize(DLGM_CURRENTPOS, total * 4 / 5);
        driver.Send(DLGM_RATETIME, 0, 3);
    } else {
        driver.SendText(DLGM_STATUS, 0, res::LoadString(textid::kDownloadingFiles));
        for (const char* name : {"KivSetup_2.4.1.zip", "KivData_2.4.1.dat"}) {
            driver.SendName(name);
            driver.Send(DLGM_OVERALLSTEP, 0);
        }
        driver.SendSize(DLGM_CURRENTTOTAL, total);
        driver.SendSize(DLGM_CURRENTPOS, 19398656);
        driver.Send(DLGM_RATETIME, 1234, 27);
    }
    QApplication::processEvents();
    return dialog.grab().toImage();
}

QImage RenderBox(const std::string& text, unsigned style) {
    CMyMsgBox box(text, res::LoadString(textid::kProductName), style);
    box.InitDialog();
    box.show();
    QApplication::processEvents();
    return shots::Framed(box.grab().toImage(), box.windowTitle(), box.IsCancellable());
}

void RenderLanguage(Shot& shot, win::Language language) {
    win::OverrideLanguage(language);
    shot.Save(RenderDialog(false), "dialog-download");
    shot.Save(RenderDialog(true), "dialog-verify");
    shot.Save(RenderBox(res::LoadString(textid::kCancelDownloadQuestion), 0x34), "msgbox-cancel");
    shot.Save(RenderBox(res::LoadString(textid::kExistingFilesHead) +
                            "\tKivSetup_2.4.1.zip\n\tKivData_2.4.1.dat\n" +
                            res::LoadString(textid::kResumeQuestion) +
                            res::LoadString(textid::kResumeButtons),
                        0x243),
              "msgbox-resume");
    shot.Save(RenderBox(res::LoadString(textid::kFileDownloadFailed) +
                            res::LoadString(textid::kInternetCannotConnect) + "[D:300 E:12029]",
                        0x30),
              "msgbox-error");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    kivui::ApplyUiStyle(application);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kiv_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    Shot shot{QString::fromLocal8Bit(argv[1]), {}};
    if (!QDir().mkpath(shot.folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    shot.language = "en";
    RenderLanguage(shot, win::Language::English);
    shot.language = "ja";
    RenderLanguage(shot, win::Language::Japanese);
    return shot.failures == 0 ? 0 : 1;
}
