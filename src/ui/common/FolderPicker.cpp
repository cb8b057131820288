#include "ui/common/FolderPicker.h"

#include "base/AppInfo.h"
#include "base/Reg.h"
#include "base/Texts.h"
#include "ui/common/TipDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
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

QString FolderRefusal(const QString& folder) {
    const QString shown = QDir::toNativeSeparators(folder);
    if (!QFileInfo(folder).isDir())
        return FormatText(TXT_NOT_A_FOLDER, {shown});
    if (!MayCreateSubFolder(folder))
        return FormatText(TXT_FOLDER_NOT_WRITABLE, {shown});
    return QString();
}

CSelectPathDlg::CSelectPathDlg(const QString& initialFolder, QWidget* owner)
    : QFileDialog(owner), m_bMayCancel(!initialFolder.isEmpty()), m_refusal(new QLabel(this)) {
    // Qt's own dialog, so that confirming can be refused and the buttons can be controlled.
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ShowDirsOnly);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setLabelText(QFileDialog::Accept, LoadText(TXT_SELECT_BASE_FOLDER));
    setDirectory(initialFolder.isEmpty() ? QDir::homePath() : initialFolder);
    // The reason a folder cannot be chosen, in a line across the foot of the picker.
    m_refusal->setWordWrap(true);
    QPalette palette = m_refusal->palette();
    palette.setColor(QPalette::WindowText, QColor(192, 0, 0));
    m_refusal->setPalette(palette);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(m_refusal, grid->rowCount(), 0, 1, grid->columnCount());
    if (auto* buttons = findChild<QDialogButtonBox*>()) {
        if (QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel))
            cancel->setEnabled(m_bMayCancel);
    }
    connect(this, &QFileDialog::currentChanged, this, &CSelectPathDlg::OnFolderChanged);
    connect(this, &QFileDialog::directoryEntered, this, &CSelectPathDlg::OnFolderChanged);
    if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        connect(name, &QLineEdit::textEdited, this, [this] { OnFolderChanged(Candidate()); });
    OnFolderChanged(directory().absolutePath());
}

QString CSelectPathDlg::Folder() const {
    return m_strFolder;
}

QString CSelectPathDlg::Candidate() const {
    const auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString typed = name ? name->text().trimmed() : QString();
    if (!typed.isEmpty())
        return QDir::cleanPath(directory().absoluteFilePath(QDir::fromNativeSeparators(typed)));
    const QStringList chosen = selectedFiles();
    return chosen.isEmpty() ? directory().absolutePath() : QDir::cleanPath(chosen.first());
}

QString CSelectPathDlg::Refusal() const {
    return m_refusal->text();
}

void CSelectPathDlg::ShowRefusal(const QString& folder) {
    m_refusal->setText(folder.isEmpty() ? QString() : FolderRefusal(folder));
    m_refusal->setVisible(!m_refusal->text().isEmpty());
}

void CSelectPathDlg::OnFolderChanged(const QString& path) {
    setWindowTitle(LoadText(TXT_SELECT_BASE_FOLDER) + QStringLiteral(" - ") + path);
    // A path still being typed is no folder yet: that is said only when it is confirmed.
    ShowRefusal(QFileInfo(path).isDir() ? path : QString());
    // Qt updates the OK button after this signal; the check has the last word.
    QTimer::singleShot(0, this, [this, path] {
        if (auto* buttons = findChild<QDialogButtonBox*>()) {
            if (QPushButton* ok = buttons->button(QDialogButtonBox::Open))
                ok->setEnabled(MayCreateSubFolder(path));
        }
    });
}

void CSelectPathDlg::accept() {
    // The typed path has the last word, also over a folder still selected in the list.
    const QString folder = Candidate();
    if (!MayCreateSubFolder(folder)) {
        ShowRefusal(folder);
        return;
    }
    m_strFolder = folder;
    QDialog::accept();
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
