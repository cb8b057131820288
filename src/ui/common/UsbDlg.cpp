#include "ui/common/UsbDlg.h"

#include "link/CommWorker.h"
#include "ui/common/OutputDlg.h"

#include <QCloseEvent>

CUsbDlg::CUsbDlg(const QString& templateName, QWidget* parent) : CTipDialog(templateName, parent) {}

CUsbDlg::~CUsbDlg() = default;

void CUsbDlg::OnInitDialog() {
    CTipDialog::OnInitDialog();
    m_protocol = new COutputDlg(this);
}

void CUsbDlg::OnEndDialog(int result) {
    done(result);
}

void CUsbDlg::AppendProtocol(const QString& text) {
    if (m_protocol)
        m_protocol->Append(text);
}

void CUsbDlg::reject() {
    // Esc closes like the title bar, so a device window never ends behind the worker's back.
    OnClose();
}

void CUsbDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    OnClose();
}

CUsbCommDlg::CUsbCommDlg(const QString& templateName, QWidget* parent)
    : CUsbDlg(templateName, parent) {
    m_exitCmd.m_pOwner = this;
}

void CUsbCommDlg::OnClose() {
    setEnabled(false);
    PostExit(m_exitCmd);
}

bool CUsbCommDlg::OnCmdReply(CDevCmdReply& cmd) {
    return CCommOwner::OnCmdReply(cmd);
}

bool CUsbCommDlg::OnCommand(int id) {
    switch (id) {
    case IDC_CONNECT:
    case ID_CONNECT:
        PostToMainWindow(WM_DEV_CONNECT);
        return true;
    case IDC_DISCONNECT:
    case ID_DISCONNECT:
        PostToMainWindow(WM_DEV_DISCONNECT);
        return true;
    default:
        return CUsbDlg::OnCommand(id);
    }
}
