// The folder dialog: title and prompt, where it opens, what OK may choose,
// and the item-identifier list it gives back.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdlib>

#include "control/ControlServices.h"
#include "env/ItemIDList.h"
#include "platform/Language.h"
#include "platform/NativePath.h"
#include "tests/ui/DialogTestSupport.h"
#include "ui/FolderBrowseWindow.h"
#include "ui/FolderDialog.h"

namespace {

using KIVTOOLCommon::CFolderDialog;
using KIVTOOLCommon::CItemIDList;
using kivui::CFolderBrowseWindow;

CItemIDList ListFor(const QString& nativeFolder) {
    std::string windowsPath;
    EXPECT_TRUE(win::FromNativePath(nativeFolder.toStdString(), windowsPath));
    CItemIDList list;
    EXPECT_TRUE(list.FromPath(windowsPath));
    return list;
}

class FolderDialogTest : public ::testing::Test {
protected:
    FolderDialogTest() {
        win::OverrideLanguage(win::Language::English);
        EXPECT_TRUE(QDir(home.path()).mkpath("Desktop/drop"));
        EXPECT_TRUE(QDir(home.path()).mkpath("Downloads"));
        savedHome_ = qgetenv("HOME");
        hadConfigHome_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        savedConfigHome_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    }
    ~FolderDialogTest() override {
        qputenv("HOME", savedHome_);
        if (hadConfigHome_) {
            qputenv("XDG_CONFIG_HOME", savedConfigHome_);
        } else {
            qunsetenv("XDG_CONFIG_HOME");
        }
        win::ResetLanguage();
    }
    QString Folder(const QString& relative) const {
        return QDir::cleanPath(home.path() + "/" + relative);
    }

    QTemporaryDir home;
    CItemIDList desktop = CItemIDList::Desktop();

private:
    QByteArray savedHome_;
    bool hadConfigHome_ = false;
    QByteArray savedConfigHome_;
};

TEST_F(FolderDialogTest, PathlessEntryCannotBeChosen) {
    CFolderBrowseWindow window(nullptr, "Browse for Folder", "Select the download folder.");
    window.show();
    ASSERT_NE(window.OkButton(), nullptr);
    window.StartAt(Folder("Downloads"));
    EXPECT_TRUE(window.OkButton()->isEnabled());
    window.StartAt(QString());  // Qt's "Computer": no file-system path
    EXPECT_FALSE(window.OkButton()->isEnabled());

    EXPECT_FALSE(CFolderBrowseWindow::HasFileSystemPath(""));
    EXPECT_FALSE(CFolderBrowseWindow::HasFileSystemPath("relative/dir"));
    EXPECT_FALSE(CFolderBrowseWindow::HasFileSystemPath(Folder("missing")));
    EXPECT_TRUE(CFolderBrowseWindow::HasFileSystemPath(Folder("Downloads")));
}

TEST_F(FolderDialogTest, OpensAtTheInitialSelectionOrFallsBack) {
    const CItemIDList downloads = ListFor(Folder("Downloads"));
    CFolderDialog dialog(nullptr, &desktop, &downloads, "Select the download folder.", 0x41);
    EXPECT_EQ(dialog.StartFolder(), Folder("Downloads"));

    dialog.SetInitialSelection(&desktop);
    EXPECT_EQ(dialog.StartFolder(), Folder("Desktop"));

    const CItemIDList deleted = ListFor(Folder("gone"));
    dialog.SetInitialSelection(&deleted);
    EXPECT_EQ(dialog.StartFolder(), Folder("Desktop"));  // the root's folder

    dialog.SetInitialSelection(nullptr);
    EXPECT_EQ(dialog.StartFolder(), Folder("Desktop"));
}

TEST_F(FolderDialogTest, BrowseGivesTheChosenFolderAsAList) {
    const CItemIDList downloads = ListFor(Folder("Downloads"));
    CFolderDialog dialog(nullptr, &desktop, &downloads, "Select the download folder.", 0x41);
    QString title;
    QString prompt;
    dialog.SetOpenHook([&](QDialog& window) {
        title = window.windowTitle();
        auto& browse = static_cast<CFolderBrowseWindow&>(window);
        prompt = browse.Prompt()->text();
        browse.FileDialog()->setDirectory(Folder("Desktop"));
        browse.FileDialog()->selectFile(Folder("Desktop/drop"));
    });
    uitest::ModalWatch watch([](QWidget* modal) {
        auto* window = qobject_cast<CFolderBrowseWindow*>(modal);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(window->OkButton()->isEnabled());
        window->OkButton()->click();
    });
    ASSERT_EQ(dialog.Browse(), IDOK);
    EXPECT_EQ(title, "Browse for Folder");
    EXPECT_EQ(prompt, "Select the download folder.");
    EXPECT_EQ(dialog.CopySelection(), ListFor(Folder("Desktop/drop")));
    std::string expected;
    ASSERT_TRUE(win::FromNativePath(Folder("Desktop/drop").toStdString(), expected));
    EXPECT_EQ(dialog.GetSelectedPath(), expected);
    EXPECT_EQ(dialog.OpenWindow(), nullptr);
}

TEST_F(FolderDialogTest, CancelLeavesNoResult) {
    const CItemIDList downloads = ListFor(Folder("Downloads"));
    CFolderDialog dialog(nullptr, &desktop, &downloads, "Select the download folder.", 0x41);
    {
        uitest::ModalWatch accept(
            [](QWidget* modal) { qobject_cast<CFolderBrowseWindow*>(modal)->OkButton()->click(); });
        ASSERT_EQ(dialog.Browse(), IDOK);
    }
    EXPECT_EQ(dialog.GetSelectedPath().empty(), false);
    uitest::ModalWatch cancel(
        [](QWidget* modal) { qobject_cast<CFolderBrowseWindow*>(modal)->FileDialog()->reject(); });
    EXPECT_EQ(dialog.Browse(), IDCANCEL);
    EXPECT_TRUE(dialog.CopySelection().IsEmpty());
    EXPECT_EQ(dialog.GetSelectedPath(), "");
}

}  // namespace
