#include "ui/common/FolderPicker.h"

#include "base/AppInfo.h"
#include "base/Reg.h"
#include "base/Texts.h"
#include "ui/common/TipDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

QString g_baseFolder;

} // namespace

const QString& BaseFolder() {
    return g_baseFolder;
}

bool MayCreateSubFolder(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
#ifdef Q_OS_UNIX
    // Creating an entry needs write and search rights on the folder.
    return access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
#else
    return QFileInfo(folder).isWritable();
#endif
}

CSelectPathDlg::CSelectPathDlg(const QString& initialFolder, QWidget* owner)
    : QFileDialog(owner), m_bMayCancel(!initialFolder.isEmpty()) {
    // Qt's own dialog, so that confirming can be refused and the buttons can be controlled.
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ShowDirsOnly);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setLabelText(QFileDialog::Accept, LoadText(TXT_SELECT_BASE_FOLDER));
    setDirectory(initialFolder.isEmpty() ? QDir::homePath() : initialFolder);
    if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setReadOnly(true);
    if (auto* buttons = findChild<QDialogButtonBox*>()) {
        if (QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel))
            cancel->setEnabled(m_bMayCancel);
    }
    connect(this, &QFileDialog::currentChanged, this, &CSelectPathDlg::OnFolderChanged);
    connect(this, &QFileDialog::directoryEntered, this, &CSelectPathDlg::OnFolderChanged);
    OnFolderChanged(directory().absolutePath());
}

QString CSelectPathDlg::Folder() const {
    const QStringList chosen = selectedFiles();
    return chosen.isEmpty() ? QString() : QDir::cleanPath(chosen.first());
}

void CSelectPathDlg::OnFolderChanged(const QString& path) {
    setWindowTitle(LoadText(TXT_SELECT_BASE_FOLDER) + QStringLiteral(" - ") + path);
    // Qt updates the OK button after this signal; the check has the last word.
    QTimer::singleShot(0, this, [this, path] {
        if (auto* buttons = findChild<QDialogButtonBox*>()) {
            if (QPushButton* ok = buttons->button(QDialogButtonBox::Open))
                ok->setEnabled(MayCreateSubFolder(path));
        }
    });
}

void CSelectPathDlg::accept() {
    if (MayCreateSubFolder(Folder()))
        QFileDialog::accept();
}

void CSelectPathDlg::reject() {
    if (m_bMayCancel)
        QFileDialog::reject();
}

bool ChooseBaseFolder(QWidget* owner) {
    CSelectPathDlg picker(g_baseFolder, owner);
    if (picker.exec() != QDialog::Accepted)
        return false;
    g_baseFolder = picker.Folder();
    CRegVT().SetDataPath(g_baseFolder);
    SetMainItemText(IDC_BASE_FOLDER, g_baseFolder);
    return true;
}

void LoadBaseFolder(QWidget* owner) {
    g_baseFolder = CRegVT().DataPath();
    if (!g_baseFolder.isEmpty())
        return;
    g_baseFolder = ProgramFolder();
    ChooseBaseFolder(owner);
}
