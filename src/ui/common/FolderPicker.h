#pragma once

#include <QFileDialog>

// The base folder under which the data folders are kept ("DataPath"); never ends with a
// separator once chosen in the picker.
const QString& BaseFolder();

// Whether the user may create a sub-folder in folder.
bool MayCreateSubFolder(const QString& folder);

// The folder picker of the base folder: only folders in which the user may create a sub-folder
// can be confirmed. Without an initial folder it cannot be cancelled.
class CSelectPathDlg : public QFileDialog {
    Q_OBJECT
public:
    CSelectPathDlg(const QString& initialFolder, QWidget* owner);

    // The confirmed folder without a trailing separator.
    QString Folder() const;

public slots:
    void accept() override;
    void reject() override;

private:
    void OnFolderChanged(const QString& path);

    bool m_bMayCancel;
};

// Shows the picker; on OK the folder becomes the base folder, is stored as "DataPath" and shown
// in the main window. False when the user cancelled.
bool ChooseBaseFolder(QWidget* owner);
// The stored base folder; without one the program folder, and the picker is shown at once.
void LoadBaseFolder(QWidget* owner);
