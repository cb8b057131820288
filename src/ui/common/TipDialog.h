#pragma once

#include "base/CmdIds.h"
#include "ui/common/ToolTip.h"

#include <QDialog>

class QMenu;

// Messages of the main window, posted to it by the device windows.
enum MainWindowMessage : int {
    WM_DEV_IDENTITY = 0x8001, // the device identity changed
    WM_DEV_CONNECT = 0x8002,
    WM_DEV_DISCONNECT = 0x8003,
};

// The base of the program's dialogs. Once initialised, every child with a command id gets the
// string-table entry of that id as tip (or the text of GetTipText, asked when the tip shows),
// buttons with a command id report it to OnCommand, and the shared keyboard shortcuts work in
// every dialog.
class CTipDialog : public QDialog {
    Q_OBJECT
public:
    // templateName without language suffix, e.g. "IDD_OUTPUT".
    CTipDialog(const QString& templateName, QWidget* parent);

    // The template name with the language suffix, e.g. "IDD_OUTPUT_EN".
    const QString& TemplateName() const { return m_strTemplate; }

    // A tip computed when it is shown; false leaves the string-table entry.
    virtual bool GetTipText(int id, QString& text);
    // A button, menu item or shortcut command; true when handled.
    virtual bool OnCommand(int id);
    // A pop-up menu of this dialog is about to open.
    virtual void OnInitMenu(QMenu& menu);
    // A message posted or sent to the dialog (the main window's messages).
    virtual qintptr OnMessage(int message, qintptr wParam, qintptr lParam);

    CToolTip& ToolTip() { return m_toolTip; }
    CMenuTip& MenuTip() { return m_menuTip; }

protected:
    // Runs once, before the dialog is first shown; the base installs tips and commands.
    virtual void OnInitDialog();

    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void InstallTips();
    void InstallAccelerators();

    QString m_strTemplate;
    CMenuTip m_menuTip;
    CToolTip m_toolTip;
    bool m_bInitialised = false;
};

// The shortcuts of every dialog (the accelerator table "ACCEL"): key and command id.
struct CAccelerator {
    const char* key;
    int command;
};
const QList<CAccelerator>& Accelerators();

// The main window of the program; the device windows post their requests to it.
void SetMainWindow(CTipDialog* window);
// Posts a message to the main window; nothing happens without one.
void PostToMainWindow(int message, qintptr wParam = 0, qintptr lParam = 0);
// Sets the text of the main window's control with that id; false when there is none.
bool SetMainItemText(int id, const QString& text);
