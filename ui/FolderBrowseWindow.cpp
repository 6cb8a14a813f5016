#include "ui/FolderBrowseWindow.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kivui {

CFolderBrowseWindow::CFolderBrowseWindow(QWidget* owner, const QString& title,
                                         const QString& prompt)
    : QDialog(owner), prompt_(new QLabel(prompt, this)), files_(new QFileDialog(this)) {
    setWindowTitle(title);
    setModal(true);
    prompt_->setWordWrap(true);

    // Qt's own dialog (a native one could not be checked or closed from here),
    // embedded as a widget so the prompt sits above it.
    files_->setOption(QFileDialog::DontUseNativeDialog, true);
    files_->setOption(QFileDialog::ShowDirsOnly, true);
    files_->setFileMode(QFileDialog::Directory);
    files_->setAcceptMode(QFileDialog::AcceptOpen);
    files_->setWindowFlags(Qt::Widget);
    files_->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt_);
    layout->addWidget(files_);

    connect(files_, &QFileDialog::accepted, this, &CFolderBrowseWindow::TakeChoice);
    connect(files_, &QFileDialog::rejected, this, &QDialog::reject);
    // Qt enables its button on its own updates; ours run after them.
    connect(files_, &QFileDialog::currentChanged, this, &CFolderBrowseWindow::UpdateOkButton);
    connect(files_, &QFileDialog::directoryEntered, this, &CFolderBrowseWindow::UpdateOkButton);
    resize(560, 420);
}

QPushButton* CFolderBrowseWindow::OkButton() const {
    auto* box = files_->findChild<QDialogButtonBox*>();
    return box != nullptr ? box->button(QDialogButtonBox::Open) : nullptr;
}

void CFolderBrowseWindow::StartAt(const QString& nativeFolder) {
    files_->setDirectory(nativeFolder);
    UpdateOkButton();
}

bool CFolderBrowseWindow::HasFileSystemPath(const QString& nativePath) {
    if (nativePath.isEmpty() || QDir::isRelativePath(nativePath)) {
        return false;
    }
    return QFileInfo(nativePath).isDir();
}

QString CFolderBrowseWindow::CandidateFolder() const {
    const QStringList selected = files_->selectedFiles();
    if (!selected.isEmpty() && !selected.front().isEmpty()) {
        return selected.front();
    }
    return files_->directory().path();
}

void CFolderBrowseWindow::UpdateOkButton() {
    QPushButton* ok = OkButton();
    if (ok == nullptr) {
        return;
    }
    // Qt's "Computer" view shows an empty directory path.
    const bool atComputer = files_->directoryUrl().toLocalFile().isEmpty();
    if (atComputer && files_->selectedFiles().join(QString()).isEmpty()) {
        ok->setEnabled(false);
        return;
    }
    if (!HasFileSystemPath(CandidateFolder())) {
        ok->setEnabled(false);
    }
}

void CFolderBrowseWindow::TakeChoice() {
    const QString folder = CandidateFolder();
    if (!HasFileSystemPath(folder)) {
        // Qt accepted an entry we do not take (e.g. typed text): stay open.
        files_->show();
        return;
    }
    chosen_ = QDir::cleanPath(folder);
    accept();
}

}  // namespace kivui
