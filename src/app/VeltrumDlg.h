#pragma once

#include "link/ChargerControl.h"
#include "link/ConfigCmds.h"
#include "link/DevCmd.h"
#include "link/GetDataCmd.h"
#include "link/InfoView.h"
#include "ui/common/UsbDlg.h"
#include "ui/update/TransferProgress.h"

#include <QPointer>
#include <QTimer>

#include <memory>

class CIntelHexFile;
class CDeviceWatch;
class CKelvoraButton;
class COnlineState;
class COutput;
class CUpdatesMenu;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;

// The program's main window: the selected charger, the connected module and the base folder,
// the everyday actions as buttons and the service actions in menus chosen by the user role.
// It owns the commands these actions queue, reacts to the worker's reports, follows chargers
// being plugged in and out and writes the support file; the charger choice, the automatic
// identification and the keep-alive clock are its CChargerControl's.
class CVeltrumDlg : public CUsbCommDlg, private CInfoView {
    Q_OBJECT
public:
    // role: CRegVT::Role, fixed for the process. online: what the vendor server offers, with
    // the network watcher; without it the window offers no updates.
    explicit CVeltrumDlg(int role, COnlineState* online = nullptr, QWidget* parent = nullptr);
    ~CVeltrumDlg() override;

    int Role() const { return m_nRole; }

    bool OnCommand(int id) override;
    qintptr OnMessage(int message, qintptr wParam, qintptr lParam) override;
    bool GetTipText(int id, QString& text) override;

    // Ends the program through the worker; a download in progress is saved first.
    void OnClose() override;
    bool OnCmdStart(CDevCmdReply& cmd) override;
    bool OnCmdReply(CDevCmdReply& cmd) override;
    void OnCmdEnd(CDevCmdReply& cmd) override;
    bool OnCmdOk(CDevCmdReply& cmd) override;
    bool OnCmdError(CDevCmdReply& cmd) override;
    void OnCmdSent(bool real) override;
    void OnLinkFailed() override;

    // One second of the keep-alive clock (CChargerControl::Tick); the window's timer calls it
    // every 1000 ms.
    void OnTimer();
    // A charger was plugged in or out.
    void OnDeviceChange();

    // The keep-alive clock, so that tests can stop it and tick by hand.
    QTimer& Timer() { return m_timer; }
    COutput& Output() { return *m_output; }
    QComboBox& Chargers() { return *m_chargers; }
    QMenuBar& MenuBar() { return *m_menuBar; }
    // Null without online state.
    CUpdatesMenu* UpdatesMenu() { return m_updatesMenu.get(); }

public slots:
    // Enter and Esc do not close the main window.
    void reject() override {}

protected:
    void OnInitDialog() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateControls();
    void BuildMenus();
    // Enumerates and lists the accepted chargers; true when the identified one is still there.
    bool FillChargers();
    void ChooseCharger();
    void OnChargerActivated(int item);
    // Shows a change of the identities and tells the open device window.
    void OnIdentityChange(CChargerControl::Change change);
    void Download();
    // The download command is over, saved or failed.
    void DownloadEnded();
    void SwitchFeedback(bool on);
    void EraseData();
    // Asks for a module ID or info text and queues cmd with it.
    void AskModuleText(CSetParamCmd& cmd, int titleId, int labelId);
    // Queues cmd with text, identifying the module first when none is known.
    void SetModuleText(CSetParamCmd& cmd, const QString& text);
    void ParametersFromList();
    void SupportFile();
    void ReplyDump();
    void ToggleProtocol();
    void ChangeLanguage(const QString& code);
    // Starts the program anew with the same arguments and closes this one.
    void Restart();
    // Reads what the vendor server offers, follows the connectivity from now on and says once
    // when there is no internet.
    void StartOnline();
    // The Updates menu for what the server offers now.
    void RebuildUpdatesMenu();
    void ProgramUpdate();
    // The firmware updates of charger and module from a local file or the server's newest.
    // The image of a firmware update and its name: the newest of the family on the vendor
    // server, or a local file the user picks; none when there is none or the user cancelled.
    std::unique_ptr<CIntelHexFile> ChooseImage(bool web, const QString& family, QString& name);
    void ChargerUpdate(bool web);
    void ModuleUpdate(bool web);
    void UpdateChargerDisplay();
    void UpdateDeviceDisplay();
    void PostStateChanged(int what);
    // Opens a service window, modal to the main window; it is deleted when it closes.
    void OpenWindow(QDialog* window);
    // The FT240X dialog; the charger is identified again after it programmed the chip.
    void OpenEeprom();
    bool ProtocolAllowed() const;

    // CInfoView: the output list.
    void Clear() override;
    void AddText(const QString& text) override;

    const int m_nRole;
    // Taken at the start: the file may be renamed by the program's own update.
    const QString m_strProgramPath;
    COnlineState* const m_online;
    std::unique_ptr<CUpdatesMenu> m_updatesMenu;
    CTransferProgress m_transferProgress;
    QMenuBar* m_menuBar = nullptr;
    CKelvoraButton* m_connect = nullptr;
    CKelvoraButton* m_upload = nullptr;
    CKelvoraButton* m_graphs = nullptr;
    CKelvoraButton* m_on = nullptr;
    CKelvoraButton* m_off = nullptr;
    CKelvoraButton* m_browse = nullptr;
    QComboBox* m_chargers = nullptr;
    QLineEdit* m_moduleId = nullptr;
    QLineEdit* m_baseFolder = nullptr;
    QGroupBox* m_vibration = nullptr;
    QGroupBox* m_chargerGroup = nullptr;
    QGroupBox* m_deviceGroup = nullptr;
    QGroupBox* m_baseGroup = nullptr;
    QLabel* m_wait = nullptr;
    COutput* m_output = nullptr;

    CEraseDataCmd m_erase;
    CGetDataCmd m_download;
    CMotorCmd m_feedbackOff{false};
    CMotorCmd m_feedbackOn{true};
    CSetIdCmd m_setId;
    CSetInfoCmd m_setInfo;
    CSetValuesCmd m_setValues;
    CTerminateCmd m_terminate;
    CExitCommCmd m_exitComm;
    CChargerControl m_control;

    // Between the download's start and its end; the window closes only after it.
    bool m_bDownloading = false;
    bool m_bClosing = false;
    QTimer m_timer;
    CDeviceWatch* m_deviceWatch = nullptr;
    QPointer<QDialog> m_eeprom;
};
