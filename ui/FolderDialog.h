#pragma once
// The folder-browse dialog for the destination query: a prompt over Qt's own
// directory dialog, titled with the platform's title of such a dialog,
// opening at the initial selection and keeping the last chosen folder as an
// item-identifier list.
#include <QPointer>
#include <functional>
#include <string>

#include "env/ItemIDList.h"
#include "ui/FolderBrowseWindow.h"

class QDialog;
class QWidget;

namespace KIVTOOLCommon {

// Browse flags: file-system folders only, new dialog style.
constexpr unsigned BIF_RETURNONLYFSDIRS = 0x1;
constexpr unsigned BIF_NEWDIALOGSTYLE = 0x40;

class CFolderDialog {
public:
    // `root` and `initial` are borrowed and must outlive the dialog (either may be null).
    CFolderDialog(QWidget* owner, const CItemIDList* root, const CItemIDList* initial,
                  std::string prompt, unsigned flags);
    virtual ~CFolderDialog();
    CFolderDialog(const CFolderDialog&) = delete;
    CFolderDialog& operator=(const CFolderDialog&) = delete;

    // Borrowed; used by the next Browse.
    void SetInitialSelection(const CItemIDList* initial) { initial_ = initial; }
    // Modal on the calling (UI) thread: 1 when a folder was chosen, else 2.
    // Every browse replaces the result; a cancelled one leaves none.
    int Browse();
    // The chosen folder's Windows-form path, "" without a result.
    std::string GetSelectedPath() const;
    // A copy of the result (none without one).
    CItemIDList CopySelection() const { return result_; }

    // Called with the window just before it runs, e.g. to let it be closed
    // from outside.
    void SetOpenHook(std::function<void(QDialog&)> hook) { openHook_ = std::move(hook); }
    // The window while Browse runs (null otherwise), so it can be closed from outside.
    kivui::CFolderBrowseWindow* OpenWindow() const { return window_; }
    // The native folder Browse opens at for the current initial selection.
    QString StartFolder() const;

    const std::string& Prompt() const { return prompt_; }
    unsigned Flags() const { return flags_; }

private:
    QWidget* owner_;
    const CItemIDList* root_;
    const CItemIDList* initial_;
    std::string prompt_;
    unsigned flags_;
    CItemIDList result_;
    QPointer<kivui::CFolderBrowseWindow> window_;
    std::function<void(QDialog&)> openHook_;
};

}  // namespace KIVTOOLCommon
