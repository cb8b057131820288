#include "ui/scripts/UsbCommScriptDlg.h"

#include "base/Texts.h"
#include "ui/common/MyButton.h"
#include "ui/common/OutputDlg.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLocale>
#include <QThread>

namespace {

CKelvoraButton* Button(int id, const QString& text, QWidget* parent) {
    auto* button = new CKelvoraButton(110, text, parent);
    SetCommandId(button, id);
    button->setAutoDefault(false);
    return button;
}

// The start time of a run, in the date and time format of the user's language.
QString StartTime() {
    const QLocale locale(CurrentLanguage() == Language::German ? QLocale::German
                                                               : QLocale::English);
    const QDateTime now = QDateTime::currentDateTime();
    return locale.toString(now.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(now.time(), QStringLiteral("HH:mm:ss"));
}

} // namespace

const QColor CUsbCommScriptDlg::kStatusOk = QColor(0, 255, 0);
const QColor CUsbCommScriptDlg::kStatusFailed = QColor(255, 0, 0);

CUsbCommScriptDlg::CUsbCommScriptDlg(QWidget* parent)
    : CUsbDlg(QStringLiteral("IDD_COMM_SCRIPT"), parent), m_runner(m_script, *this),
      m_load(Button(IDC_LOAD_SCRIPT, TemplateText("Load\nscript"), this)),
      m_run(Button(IDC_RUN_SCRIPT, LoadText(TXT_RUN_SCRIPT), this)), m_status(new QFrame(this)) {
    setWindowTitle(TemplateText("Command script"));
    // The runner logs from its own thread: the lines reach the pane through this thread's
    // events, in the order they were written, and never make the runner wait for the window.
    m_script.SetLogHandler([this](const QString& line) {
        if (QThread::currentThread() == thread())
            AppendProtocol(line);
        else
            QMetaObject::invokeMethod(
                this, [this, line] { AppendProtocol(line); }, Qt::QueuedConnection);
    });

    const QSize buttonSize = m_run->sizeHint().expandedTo(m_load->sizeHint()) + QSize(24, 12);
    m_load->setFixedSize(buttonSize);
    m_run->setFixedSize(buttonSize);
    m_run->setEnabled(false);
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_status->setAutoFillBackground(true);
    m_status->setFixedSize(buttonSize.height() / 2, buttonSize.height() / 2);
    ShowStatus(true);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_load);
    layout->addWidget(m_run);
    layout->addWidget(m_status);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CUsbCommScriptDlg::~CUsbCommScriptDlg() {
    // Lines logged from here on have no window to go to.
    m_script.SetLogHandler(nullptr);
    m_runner.Close();
}

void CUsbCommScriptDlg::OnInitDialog() {
    CUsbDlg::OnInitDialog();
    // Re-read the button's command on each click: it is Cancel while a script runs.
    disconnect(m_run, &QAbstractButton::clicked, this, nullptr);
    connect(m_run, &QAbstractButton::clicked, this, [this] { OnCommand(CommandId(m_run)); });
    Protocol()->Toggle();
}

bool CUsbCommScriptDlg::OnCommand(int id) {
    switch (id) {
    case IDC_LOAD_SCRIPT: {
        const QString path =
            QFileDialog::getOpenFileName(this, m_load->text().replace(u'\n', u' '), QString(),
                                         QStringLiteral("Skripte (*.txt)"));
        if (!path.isEmpty())
            Load(path);
        return true;
    }
    case IDC_RUN_SCRIPT:
    case IDC_CANCEL_SCRIPT:
        RunOrCancel();
        return true;
    case ID_CLEAR_PROTOCOL:
        Protocol()->Clear();
        return true;
    case ID_SAVE_PROTOCOL:
        Protocol()->Save();
        return true;
    default:
        return CUsbDlg::OnCommand(id);
    }
}

void CUsbCommScriptDlg::Load(const QString& path) {
    m_run->setEnabled(m_script.Load(path));
}

void CUsbCommScriptDlg::RunOrCancel() {
    if (m_runner.IsRunning()) {
        m_runner.Cancel();
        return;
    }
    if (!m_script.IsRunnable())
        return;
    Protocol()->Clear();
    AppendProtocol(StartTime());
    if (m_runner.Run())
        ShowRunning(true);
}

void CUsbCommScriptDlg::ShowRunning(bool running) {
    m_load->setEnabled(!running);
    m_run->setText(LoadText(running ? TXT_CANCEL_SCRIPT : TXT_RUN_SCRIPT));
    SetCommandId(m_run, running ? IDC_CANCEL_SCRIPT : IDC_RUN_SCRIPT);
}

void CUsbCommScriptDlg::ShowStatus(bool ok) {
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::Window, ok ? kStatusOk : kStatusFailed);
    m_status->setPalette(palette);
}

QColor CUsbCommScriptDlg::StatusColour() const {
    return m_status->palette().color(QPalette::Window);
}

void CUsbCommScriptDlg::OnClose() {
    if (m_bClosing)
        return;
    m_bClosing = true;
    setEnabled(false);
    m_runner.Close();
    // Ended from the event loop, not inside the close event that may have called this: only
    // there does a window that deletes itself on close get deleted.
    QMetaObject::invokeMethod(
        this, [this] { done(IDCANCEL); }, Qt::QueuedConnection);
}

bool CUsbCommScriptDlg::OnCmdReply(CDevCmdReply&) {
    return false;
}

bool CUsbCommScriptDlg::CRunner::OnCmdReply(CDevCmdReply& cmd) {
    const bool again = CScriptOwner::OnCmdReply(cmd);
    m_window.ShowStatus(StatusOk());
    return again;
}

void CUsbCommScriptDlg::CRunner::OnRunEnd() {
    m_window.ShowRunning(false);
}
