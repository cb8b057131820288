#include "ui/common/OutputDlg.h"

#include "base/Texts.h"
#include "ui/common/Output.h"

#include <QEvent>
#include <QMenu>
#include <QVBoxLayout>

COutputDlg::COutputDlg(QWidget* owner)
    : CTipDialog(QStringLiteral("IDD_OUTPUT"), owner), m_owner(owner),
      m_list(new COutput(QStringLiteral("IDR_MENU_COMM"), this)) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Frameless, but window lists and task switchers name it.
    setWindowTitle(TemplateText("Protocol"));
    SetCommandId(m_list, IDC_OUTPUT);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(m_list);
    resize(483, 328);
    if (m_owner)
        m_owner->installEventFilter(this);
    FollowOwner();
}

void COutputDlg::Append(const QString& text) {
    m_list->AddText(text);
}

bool COutputDlg::Toggle() {
    if (isVisible()) {
        hide();
        return false;
    }
    FollowOwner();
    show();
    return true;
}

void COutputDlg::Save() {
    m_list->SaveAs();
}

bool COutputDlg::WriteTo(QIODevice& file) const {
    return m_list->WriteTo(file);
}

void COutputDlg::Clear() {
    m_list->Clear();
}

bool COutputDlg::OnCommand(int id) {
    // The pop-up's commands are the owner's commands of the same ids.
    if (auto* owner = qobject_cast<CTipDialog*>(m_owner))
        return owner->OnCommand(id);
    return false;
}

void COutputDlg::OnInitMenu(QMenu& menu) {
    if (ProtocolAllowed)
        return;
    for (QAction* action : menu.actions()) {
        if (CommandId(action) == ID_PROTOCOL_WINDOW)
            menu.removeAction(action);
    }
}

void COutputDlg::FollowOwner() {
    if (!m_owner)
        return;
    const QRect frame = m_owner->frameGeometry();
    move(frame.right() + 1 + 10, frame.top());
}

bool COutputDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_owner) {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
            event->type() == QEvent::Show)
            FollowOwner();
        else if (event->type() == QEvent::EnabledChange)
            setEnabled(m_owner->isEnabled());
        return false;
    }
    return CTipDialog::eventFilter(watched, event);
}
