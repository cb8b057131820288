#include "ui/common/ToolTip.h"

#include "base/Texts.h"

#include <QAction>
#include <QMenu>
#include <QVariant>

CTipWindow::CTipWindow(int maxWidth) : QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint) {
    setWordWrap(true);
    setMaximumWidth(maxWidth);
    setTextFormat(Qt::PlainText);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMargin(3);
}

void CTipWindow::ShowAt(const QPoint& at, const QString& text) {
    if (text.isEmpty()) {
        hide();
        return;
    }
    setText(text);
    adjustSize();
    move(at);
    show();
}

CToolTip::CToolTip(int maxWidth, TextSource source)
    : CTipWindow(maxWidth), m_source(std::move(source)) {}

void CToolTip::AddTool(QWidget* control, const QString& text) {
    m_tools.insert(control, text);
}

void CToolTip::AddTool(QWidget* control, int textId) {
    AddTool(control, LoadText(textId));
}

void CToolTip::MouseOver(QWidget* control) {
    if (!control) {
        Deactivate();
        return;
    }
    if (control == m_last)
        return;
    m_last = control;
    const auto tool = m_tools.constFind(control);
    if (tool == m_tools.cend()) {
        hide();
        return;
    }
    const QString text = tool->isEmpty() && m_source ? m_source(control) : *tool;
    ShowAt(control->mapToGlobal(QPoint(control->width() + 16, 0)), text);
}

void CToolTip::Deactivate() {
    m_last = nullptr;
    hide();
}

CMenuTip::CMenuTip(int maxWidth) : CTipWindow(maxWidth) {}

void CMenuTip::Attach(QMenu* menu) {
    connect(menu, &QMenu::hovered, this,
            [this, menu](QAction* action) { OnHovered(menu, action); });
    connect(menu, &QMenu::aboutToHide, this, &QWidget::hide);
}

QString CMenuTip::TextOf(const QAction* action) {
    if (!action || action->menu() || action->isSeparator() || !action->isEnabled())
        return QString();
    const int id = CommandId(action);
    return id > 0 ? LoadText(id) : QString();
}

void CMenuTip::OnHovered(QMenu* menu, QAction* action) {
    hide();
    const QRect item = menu->actionGeometry(action);
    if (item.isEmpty())
        return;
    ShowAt(menu->mapToGlobal(item.bottomRight()), TextOf(action));
}

void SetCommandId(QObject* object, int id) {
    object->setProperty("commandId", id);
}

int CommandId(const QObject* object) {
    return object->property("commandId").toInt();
}
