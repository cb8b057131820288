#pragma once

#include <QFileDialog>

// The base folder under which the data folders are kept ("DataPath"); never ends with a
// separator once chosen in the picker.
const QString& BaseFolder();

// Whether the user may create a sub-folder in folder.
bool MayCreateSubFolder(const QString& folder);

// Why folder cannot be the base folder: it is no folder, or the user may not create sub-folders
// in it. Empty when it can.
QString FolderRefusal(const QString& folder);

class QLabel;

// The folder picker of the base folder: only folders in which the user may create a sub-folder
// can be confirmed, and the picker says why another cannot. A path can be typed or pasted into
// its name field. Without an initial folder it cannot be cancelled.
class CSelectPathDlg : public QFileDialog {
    Q_OBJECT
public:
    CSelectPathDlg(const QString& initialFolder, QWidget* owner);

    // The confirmed folder without a trailing separator; empty until one is confirmed.
    QString Folder() const;
    // Why the folder shown or typed cannot be chosen; empty when it can.
    QString Refusal() const;

public slots:
    void accept() override;
    void reject() override;

private:
    void OnFolderChanged(const QString& path);
    // The folder the picker would confirm: the typed one, else the one selected or shown.
    QString Candidate() const;
    void ShowRefusal(const QString& folder);

    bool m_bMayCancel;
    QLabel* m_refusal;
    QString m_strFolder;
};

// Shows the picker; on OK the folder becomes the base folder, is stored as "DataPath" and shown
// in the main window. False when the user cancelled.
bool ChooseBaseFolder(QWidget* owner);
// The stored base folder; without one the program folder, and the picker is shown at once.
void LoadBaseFolder(QWidget* owner);
