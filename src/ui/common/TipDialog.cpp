#include "ui/common/TipDialog.h"

#include "base/Texts.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QShortcut>

namespace {

// The width of tips, so that long texts wrap.
constexpr int kTipWidth = 200;

QPointer<CTipDialog> g_mainWindow;

// The nearest widget from w upwards that carries a command id, within the dialog.
QWidget* ControlWithId(QWidget* w, const QWidget* dialog) {
    for (; w && w != dialog; w = w->parentWidget()) {
        if (CommandId(w) > 0)
            return w;
    }
    return nullptr;
}

} // namespace

const QList<CAccelerator>& Accelerators() {
    static const QList<CAccelerator> table = {
        {"F8", ID_CREATE_GRAPHS},
        {"F9", ID_CONNECT},
        {"F10", ID_DISCONNECT},
        {"F11", ID_UPLOAD},
        {"F12", ID_PROTOCOL_WINDOW},
        {"Ctrl+F12", ID_CLEAR_PROTOCOL},
        {"Alt+F12", ID_SAVE_PROTOCOL},
        {"Shift+Ctrl+F11", ID_ERASE_DATA},
        {"Shift+Ctrl+F12", ID_SCRIPT_WINDOW},
        {"Alt+F6", ID_PARAMETERS_FROM_LIST},
        {"Shift+Alt+F12", ID_MODULE_ID_FROM_LIST},
        {"Shift+Ctrl+Alt+F2", ID_REPLY_DUMP},
        {"Shift+Ctrl+F6", ID_HW_TEST_16},
    };
    return table;
}

CTipDialog::CTipDialog(const QString& templateName, QWidget* parent)
    : QDialog(parent), m_strTemplate(templateName + LanguageSuffix()), m_menuTip(kTipWidth),
      m_toolTip(kTipWidth, [this](QWidget* control) {
          const int id = CommandId(control);
          QString text;
          return GetTipText(id, text) ? text : LoadText(id);
      }) {}

bool CTipDialog::GetTipText(int, QString&) {
    return false;
}

bool CTipDialog::OnCommand(int) {
    return false;
}

void CTipDialog::OnInitMenu(QMenu&) {}

qintptr CTipDialog::OnMessage(int, qintptr, qintptr) {
    return 0;
}

void CTipDialog::OnInitDialog() {
    InstallTips();
    InstallAccelerators();
}

void CTipDialog::showEvent(QShowEvent* event) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CTipDialog::InstallTips() {
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
        const int id = CommandId(child);
        if (id <= 0)
            continue;
        m_toolTip.AddTool(child);
        if (auto* button = qobject_cast<QAbstractButton*>(child))
            connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
    }
}

void CTipDialog::InstallAccelerators() {
    for (const CAccelerator& accel : Accelerators()) {
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(accel.key)), this);
        const int id = accel.command;
        connect(shortcut, &QShortcut::activated, this, [this, id] {
            m_toolTip.Deactivate();
            OnCommand(id);
        });
    }
}

bool CTipDialog::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Enter:
        if (auto* widget = qobject_cast<QWidget*>(watched))
            m_toolTip.MouseOver(ControlWithId(widget, this));
        break;
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::Hide:
        m_toolTip.Deactivate();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void SetMainWindow(CTipDialog* window) {
    g_mainWindow = window;
}

void PostToMainWindow(int message, qintptr wParam, qintptr lParam) {
    if (CTipDialog* main = g_mainWindow) {
        QMetaObject::invokeMethod(
            main, [main, message, wParam, lParam] { main->OnMessage(message, wParam, lParam); },
            Qt::QueuedConnection);
    }
}

bool SetMainItemText(int id, const QString& text) {
    CTipDialog* main = g_mainWindow;
    if (!main)
        return false;
    for (QWidget* child : main->findChildren<QWidget*>()) {
        if (CommandId(child) != id)
            continue;
        if (auto* button = qobject_cast<QAbstractButton*>(child))
            button->setText(text);
        else if (auto* edit = qobject_cast<QLineEdit*>(child))
            edit->setText(text);
        else if (auto* label = qobject_cast<QLabel*>(child))
            label->setText(text);
        else
            child->setWindowTitle(text);
        return true;
    }
    return false;
}
