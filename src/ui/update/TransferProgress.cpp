#include "ui/update/TransferProgress.h"

#include "base/Texts.h"

#include <QApplication>
#include <QProgressDialog>

#include <algorithm>

namespace {

// The bar counts in thousandths, so that any size fits its int range.
constexpr int kSteps = 1000;

} // namespace

CTransferProgress::CTransferProgress() = default;

CTransferProgress::~CTransferProgress() {
    End();
}

bool CTransferProgress::Begin(const QString& name, bool file, std::function<void()> cancel) {
    if (!file) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_bCursor = true;
        return false;
    }
    m_dialog = std::make_unique<QProgressDialog>(QApplication::activeWindow());
    m_dialog->setWindowFlags(m_dialog->windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setWindowTitle(LoadText(TXT_UPDATES));
    m_dialog->setLabelText(FormatText(TXT_DOWNLOADING, {name}));
    m_dialog->setCancelButtonText(LoadText(TXT_BUTTON_CANCEL));
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumDuration(0);
    m_dialog->setMinimumWidth(360);
    m_dialog->setRange(0, 0); // busy until the size is known
    QObject::connect(m_dialog.get(), &QProgressDialog::canceled, m_dialog.get(),
                     [cancel = std::move(cancel)] { cancel(); });
    m_dialog->show();
    return true;
}

void CTransferProgress::Progress(qint64 received, qint64 total) {
    if (!m_dialog || total <= 0)
        return;
    m_dialog->setRange(0, kSteps);
    m_dialog->setValue(static_cast<int>(std::min(received, total) * kSteps / total));
}

void CTransferProgress::End() {
    m_dialog.reset();
    if (m_bCursor)
        QApplication::restoreOverrideCursor();
    m_bCursor = false;
}
