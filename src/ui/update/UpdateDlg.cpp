#include "ui/update/UpdateDlg.h"

#include "base/Texts.h"
#include "firmware/IntelHexFile.h"
#include "graphs/Brand.h"
#include "graphs/Logos.h"
#include "link/CommWorker.h"
#include "link/DeviceState.h"
#include "ui/common/MyButton.h"
#include "ui/common/ToolTip.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

// The update procedure, reporting to its window.
class CUpdateDlg::CProcedure : public CUpdateProcedure {
public:
    CProcedure(CUpdateDlg& dlg, bool charger, const QString& name, CIntelHexFile& image)
        : CUpdateProcedure(charger, name, image), m_dlg(dlg) {}
    void OnProgress(const QString& text) override { m_dlg.OnProgress(text); }
    void OnFinished(bool ok) override { m_dlg.OnFinished(ok); }

private:
    CUpdateDlg& m_dlg;
};

// Ends the window with IDOK once the worker has taken it from the queue, that is after the
// worker has finished its last look at the update command, which the window owns.
class CUpdateDlg::CDoneCmd : public CDevCmdNoReply {
public:
    CDoneCmd() : CDevCmdNoReply(QString()) {}
    void Execute() override { TheDevice().worker.PostEndDialog(m_pOwner, IDOK); }
};

namespace {

void Teal(QWidget* w) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::WindowText, kBrandColour);
    palette.setColor(QPalette::Text, kBrandColour);
    w->setPalette(palette);
}

} // namespace

CUpdateDlg::CUpdateDlg(bool charger, const QString& name, CIntelHexFile& image, QWidget* parent,
                       std::function<void()> upload)
    : CUsbCommDlg(QStringLiteral("IDD_UPDATE"), parent),
      m_procedure(std::make_unique<CProcedure>(*this, charger, name, image)),
      m_done(std::make_unique<CDoneCmd>()), m_upload(std::move(upload)) {
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(LoadText(charger ? TXT_CHARGER : TXT_MODULE));
    setWindowIcon(ProgramIcon());

    auto* warning = new QLabel(TemplateText("Firmware update.\n\nDo not cancel operation!"), this);
    SetCommandId(warning, IDC_UPDATE_WARNING);
    QFont bold = warning->font();
    bold.setBold(true);
    warning->setFont(bold);
    Teal(warning);
    // Which image: the file without its folder, or the name on the server.
    auto* imageName = new QLabel(QFileInfo(name).fileName(), this);
    imageName->setToolTip(name);
    imageName->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->setSpacing(8);
    layout->addWidget(warning);
    layout->addWidget(imageName);

    if (!charger) {
        m_confirm = new QGroupBox(TemplateText("Please confirm"), this);
        SetCommandId(m_confirm, IDC_UPDATE_CONFIRM);
        Teal(m_confirm);
        m_uploaded = new QCheckBox(TemplateText("Data uploaded"), m_confirm);
        SetCommandId(m_uploaded, IDC_DATA_UPLOADED);
        m_uploadButton = new CKelvoraButton(100, TemplateText("Upload\ndata"), m_confirm);
        m_uploadButton->setAutoDefault(false);
        m_uploadButton->setMinimumSize(90, 38);
        SetCommandId(m_uploadButton, IDC_UPLOAD);
        auto* row = new QHBoxLayout(m_confirm);
        row->addWidget(m_uploaded);
        row->addStretch();
        row->addWidget(m_uploadButton);
        connect(m_uploaded, &QCheckBox::toggled, this, [this](bool checked) {
            m_update->setEnabled(checked);
            m_uploadButton->setEnabled(!checked);
        });
        layout->addWidget(m_confirm);
    }

    m_wait = new QLabel(TemplateText("Please wait ..."), this);
    SetCommandId(m_wait, IDC_UPDATE_WAIT);
    Teal(m_wait);
    m_progress = new QLabel(this);
    SetCommandId(m_progress, IDC_UPDATE_PROGRESS);
    m_progress->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Teal(m_progress);
    m_update = new CKelvoraButton(100, TemplateText("Update"), this);
    SetCommandId(m_update, IDC_UPDATE_START);
    m_update->setMinimumSize(90, 28);
    m_update->setDefault(true);
    m_update->setEnabled(charger);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_wait);
    bottom->addWidget(m_progress);
    bottom->addStretch();
    bottom->addWidget(m_update);
    layout->addSpacing(4);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(320);
    ShowTransfer(false);
}

CUpdateDlg::~CUpdateDlg() = default;

bool CUpdateDlg::OnCommand(int id) {
    switch (id) {
    case IDC_UPDATE_START:
        if (!m_bTransferring && m_update->isEnabled())
            Start();
        return true;
    case IDC_UPLOAD:
        if (m_upload && m_uploadButton && m_uploadButton->isEnabled() && !m_bTransferring)
            m_upload();
        return true;
    default:
        return CUsbCommDlg::OnCommand(id);
    }
}

void CUpdateDlg::Start() {
    if (!m_procedure->Start())
        return;
    m_progress->clear();
    ShowTransfer(true);
}

void CUpdateDlg::ShowTransfer(bool on) {
    m_bTransferring = on;
    m_update->setVisible(!on);
    m_wait->setVisible(on);
    m_progress->setVisible(on);
    if (m_confirm)
        m_confirm->setEnabled(!on);
}

void CUpdateDlg::OnProgress(const QString& text) {
    m_progress->setText(text);
}

void CUpdateDlg::OnFinished(bool ok) {
    if (!ok) {
        ShowTransfer(false);
        return;
    }
    // Ends through the queue: ending at once would free the update command while the worker
    // still reports its end.
    m_done->m_pOwner = this;
    m_done->Post();
}

QString ChooseFirmwareImage(QWidget* parent, const QString& folder) {
    QFileDialog dialog(parent, QString(), folder, QStringLiteral("Intel hex (*.a43)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(QStringLiteral("a43"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
