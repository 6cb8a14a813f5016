#pragma once
// The folder dialog's window: a prompt over Qt's own (non-native) directory
// dialog. Only an entry with a file-system path can be chosen: while the
// selection has none (Qt's "Computer" view), OK stays disabled.
#include <QDialog>
#include <QString>

class QFileDialog;
class QLabel;
class QPushButton;

namespace kivui {

class CFolderBrowseWindow : public QDialog {
    Q_OBJECT
public:
    CFolderBrowseWindow(QWidget* owner, const QString& title, const QString& prompt);

    // Opens at `nativeFolder` ("" opens at the entries without a path).
    void StartAt(const QString& nativeFolder);
    // The chosen folder after OK ("" when none).
    QString ChosenFolder() const { return chosen_; }

    QFileDialog* FileDialog() const { return files_; }
    QPushButton* OkButton() const;
    QLabel* Prompt() const { return prompt_; }

    // Whether `nativePath` may be chosen: an absolute path of a folder.
    static bool HasFileSystemPath(const QString& nativePath);

private:
    // The folder OK would choose: the selected entry, else the open folder.
    QString CandidateFolder() const;
    void UpdateOkButton();
    void TakeChoice();

    QLabel* prompt_;
    QFileDialog* files_;
    QString chosen_;
};

}  // namespace kivui
