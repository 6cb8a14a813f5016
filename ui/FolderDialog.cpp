#include "ui/FolderDialog.h"

#include <QDir>
#include <QWidget>

#include "control/ControlServices.h"
#include "platform/NativePath.h"
#include "resources/StringIds.h"
#include "ui/FolderBrowseWindow.h"
#include "ui/QtText.h"

namespace KIVTOOLCommon {

namespace {

// The native path of a list; "" for none and for lists without a path.
QString NativeFolderOf(const CItemIDList* list) {
    std::string windowsPath;
    std::string nativePath;
    if (list == nullptr || !list->GetPath(windowsPath) ||
        !win::ToNativePath(windowsPath, nativePath)) {
        return {};
    }
    return QString::fromStdString(nativePath);
}

}  // namespace

CFolderDialog::CFolderDialog(QWidget* owner, const CItemIDList* root, const CItemIDList* initial,
                             std::string prompt, unsigned flags)
    : owner_(owner), root_(root), initial_(initial), prompt_(std::move(prompt)), flags_(flags) {}

CFolderDialog::~CFolderDialog() = default;

QString CFolderDialog::StartFolder() const {
    // A folder deleted since opens at the root (the Desktop), and a Desktop
    // that was never made at home.
    for (const CItemIDList* list : {initial_, root_}) {
        const QString folder = NativeFolderOf(list);
        if (kivui::CFolderBrowseWindow::HasFileSystemPath(folder)) {
            return folder;
        }
    }
    return QDir::homePath();
}

int CFolderDialog::Browse() {
    result_ = CItemIDList();
    kivui::CFolderBrowseWindow window(owner_, kivui::LoadQString(textid::kBrowseForFolder),
                                      kivui::FromProcessText(prompt_));
    window.StartAt(StartFolder());
    window_ = &window;
    if (openHook_) {
        openHook_(window);
    }
    const int outcome = window.exec();
    window_ = nullptr;
    if (outcome != QDialog::Accepted) {
        return IDCANCEL;
    }
    std::string windowsPath;
    if (!win::FromNativePath(window.ChosenFolder().toStdString(), windowsPath) ||
        !result_.FromPath(windowsPath)) {
        // A folder our paths cannot name counts as no choice.
        result_ = CItemIDList();
        return IDCANCEL;
    }
    return IDOK;
}

std::string CFolderDialog::GetSelectedPath() const {
    std::string path;
    if (result_.IsEmpty() || !result_.GetPath(path)) {
        return {};
    }
    return path;
}

}  // namespace KIVTOOLCommon
