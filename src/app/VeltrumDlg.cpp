#include "app/VeltrumDlg.h"

#include "app/DeviceWatch.h"
#include "app/SupportFile.h"
#include "base/AppInfo.h"
#include "base/Reg.h"
#include "base/Texts.h"
#include "data/NameIndex.h"
#include "firmware/IntelHexFile.h"
#include "firmware/UpdateProcedure.h"
#include "graphs/Logos.h"
#include "link/CommWorker.h"
#include "link/DeviceState.h"
#include "link/InfoCmd.h"
#include "link/UsbLink.h"
#include "online/FirmwareNames.h"
#include "online/OnlineState.h"
#include "ui/common/AboutDlg.h"
#include "ui/common/FolderPicker.h"
#include "ui/common/MyButton.h"
#include "ui/common/Output.h"
#include "ui/common/OutputDlg.h"
#include "ui/common/PopupMenu.h"
#include "ui/graphs/GraphsDlg.h"
#include "ui/graphs/Merge.h"
#include "ui/scripts/UsbCommScriptDlg.h"
#include "ui/service/DebugDlg.h"
#include "ui/service/EepromDlg.h"
#include "ui/settings/FeedbackModeDlg.h"
#include "ui/settings/FeedbackThresholdDlg.h"
#include "ui/settings/InputDlg.h"
#include "ui/settings/ParameterDlg.h"
#include "ui/settings/ThresholdDlg.h"
#include "ui/settings/VendorLookup.h"
#include "ui/update/ProgramUpdate.h"
#include "ui/update/UpdateDlg.h"
#include "ui/update/UpdatesMenu.h"

#include <QActionGroup>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QVBoxLayout>

namespace {

// The window's layout in dialog units, converted with the units of the usual 8-point font.
QRect Dlu(int x, int y, int w, int h) {
    const auto px = [](int v, double unit) { return qRound(v * unit); };
    constexpr double kX = 1.5;
    constexpr double kY = 1.625;
    return {px(x, kX), px(y, kY), px(w, kX), px(h, kY)};
}

void Colour(QWidget* w) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::WindowText, kBrandColour);
    palette.setColor(QPalette::Text, kBrandColour);
    palette.setColor(QPalette::ButtonText, kBrandColour);
    w->setPalette(palette);
}

// A field the user reads but does not edit: no edit background, no text cursor, but its text
// can still be selected and copied.
void ShowReadOnly(QLineEdit* field) {
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    field->setPalette(palette);
}

// The longest lines the output list shows in the current language, with numbers of the widest
// likely size: the battery lines, the event count and a download's event line.
QStringList LongestOutputLines() {
    const QString millivolts = QStringLiteral("8888");
    QStringList lines{FormatText(TXT_BATTERY_OK, {millivolts}),
                      FormatText(TXT_BATTERY_LOW, {millivolts}),
                      FormatText(TXT_BATTERY_VERY_LOW, {millivolts})};
    lines += LoadText(TXT_RECHARGE).split(u'\n');
    lines +=
        (FormatText(TXT_EVENTS_AVAILABLE, {QStringLiteral("88888")}) + LoadText(TXT_READ_ALREADY))
            .split(u'\n');
    lines += LoadText(TXT_VM_NO_FIRMWARE).split(u'\n');
    CData event;
    event.startMs = QDateTime(QDate::currentDate(), QTime(23, 58, 58, 888)).toMSecsSinceEpoch();
    event.time = CTimeMs::FromMs(event.startMs);
    event.sensorFlags = SENSOR_A;
    event.durationMs = 88888;
    event.valueMille = 8888;
    event.feedback = 1;
    lines << CGetDataCmd::ListingLine(event);
    return lines;
}

QAction* FindAction(QMenuBar& bar, int id) {
    for (QAction* top : bar.actions()) {
        if (QMenu* menu = top->menu()) {
            for (QAction* action : menu->actions()) {
                if (CommandId(action) == id)
                    return action;
            }
        }
    }
    return nullptr;
}

} // namespace

CVeltrumDlg::CVeltrumDlg(int role, COnlineState* online, QWidget* parent)
    : CUsbCommDlg(QStringLiteral("IDD_VELTRUM"), parent), m_nRole(role),
      m_strProgramPath(ProgramPath()), m_online(online),
      m_control(role, [this](CChargerControl::Change change) { OnIdentityChange(change); }) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    CreateControls();
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &CVeltrumDlg::OnTimer);
    m_download.m_selectBaseFolder = [this](QString& baseFolder) {
        if (!ChooseBaseFolder(this))
            return false;
        baseFolder = BaseFolder();
        LoadNameIndex(baseFolder);
        return true;
    };
    SetMainWindow(this);
}

CVeltrumDlg::~CVeltrumDlg() {
    SetTransferView(nullptr);
    if (TheDevice().worker.MainOwner() == this)
        TheDevice().worker.SetMainOwner(nullptr);
    SetProtocolHandler(nullptr);
}

void CVeltrumDlg::CreateControls() {
    m_menuBar = new QMenuBar(this);
    auto* logo = new QPushButton(this);
    logo->setFlat(true);
    logo->setIcon(QPixmap::fromImage(Logo90x20()));
    logo->setIconSize(Dlu(0, 0, 60, 19).size());
    logo->setFixedSize(Dlu(0, 0, 60, 19).size());
    logo->setCursor(Qt::PointingHandCursor);
    logo->setFocusPolicy(Qt::NoFocus);
    SetCommandId(logo, IDC_LOGO);

    const auto button = [](QWidget* parent, int id, const QString& text) {
        auto* b = new CKelvoraButton(100, text, parent);
        b->setAutoDefault(false);
        SetCommandId(b, id);
        return b;
    };
    const QSize actionSize = Dlu(0, 0, 60, 22).size();
    m_connect = button(this, IDC_CONNECT, LoadText(TXT_CONNECT));
    m_upload = button(this, IDC_UPLOAD, TemplateText("Upload\ndata"));
    m_graphs = button(this, ID_CREATE_GRAPHS, TemplateText("Create\ngraphs"));
    for (CKelvoraButton* b : {m_connect, m_upload, m_graphs})
        b->setFixedSize(actionSize.expandedTo(b->sizeHint()));

    m_vibration = new QGroupBox(TemplateText("Vibration"), this);
    SetCommandId(m_vibration, IDC_VIBRATION_GROUP);
    m_on = button(m_vibration, IDC_FEEDBACK_ON, TemplateText("On"));
    m_off = button(m_vibration, IDC_FEEDBACK_OFF, TemplateText("Off"));
    auto* onOff = new QHBoxLayout(m_vibration);
    onOff->setContentsMargins(4, 4, 4, 4);
    onOff->setSpacing(4);
    for (CKelvoraButton* b : {m_on, m_off}) {
        // Narrower than the style's least push-button width, which would widen the column,
        // but never narrower than the text.
        b->setMinimumSize(b->fontMetrics().horizontalAdvance(b->text()) + 12,
                          b->fontMetrics().height() + 10);
        b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        onOff->addWidget(b);
    }
    m_vibration->setFixedWidth(actionSize.width());
    m_vibration->hide();

    m_wait = new QLabel(TemplateText("Please wait ..."), this);
    m_wait->setAlignment(Qt::AlignCenter);
    m_wait->setWordWrap(true);
    // Hidden, it keeps its place, so that the buttons do not move when it shows.
    QSizePolicy keepPlace = m_wait->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_wait->setSizePolicy(keepPlace);
    m_wait->hide();

    m_output = new COutput(QStringLiteral("IDR_MENU_OUTPUT"), this);
    SetCommandId(m_output, IDC_OUTPUT);
    m_output->CreateStatusImages();
    m_output->SetPreferredWidth(m_output->WidthFor(LongestOutputLines()));

    m_chargerGroup = new QGroupBox(LoadText(TXT_CHARGER), this);
    SetCommandId(m_chargerGroup, IDC_CHARGER_GROUP);
    m_chargers = new QComboBox(m_chargerGroup);
    SetCommandId(m_chargers, IDC_CHARGERS);
    connect(m_chargers, &QComboBox::activated, this, &CVeltrumDlg::OnChargerActivated);
    (new QHBoxLayout(m_chargerGroup))->addWidget(m_chargers);

    m_deviceGroup = new QGroupBox(LoadText(TXT_MODULE), this);
    SetCommandId(m_deviceGroup, IDC_MODULE_GROUP);
    m_moduleId = new QLineEdit(m_deviceGroup);
    SetCommandId(m_moduleId, IDC_MODULE_ID);
    (new QHBoxLayout(m_deviceGroup))->addWidget(m_moduleId);

    m_baseGroup = new QGroupBox(TemplateText("Base folder"), this);
    SetCommandId(m_baseGroup, IDC_BASE_GROUP);
    m_baseFolder = new QLineEdit(m_baseGroup);
    SetCommandId(m_baseFolder, IDC_BASE_FOLDER);
    m_browse = button(m_baseGroup, IDC_BROWSE, QStringLiteral("..."));
    m_browse->setFixedWidth(Dlu(0, 0, 19, 0).width());
    auto* base = new QHBoxLayout(m_baseGroup);
    base->addWidget(m_baseFolder, 1);
    base->addWidget(m_browse);

    for (QLineEdit* field : {m_moduleId, m_baseFolder})
        ShowReadOnly(field);
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_vibration, m_wait, m_chargerGroup, m_chargers,
                                         m_deviceGroup, m_baseGroup, m_moduleId, m_baseFolder})
        Colour(w);

    // The buttons in a column left of the output list, which takes the room the window gets;
    // charger and module side by side below it, the base folder across the window.
    auto* actions = new QVBoxLayout;
    actions->addWidget(logo);
    actions->addSpacing(Dlu(0, 0, 0, 7).height());
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_connect, m_upload, m_graphs, m_vibration, m_wait})
        actions->addWidget(w);
    actions->addStretch();
    auto* upper = new QHBoxLayout;
    upper->addLayout(actions);
    upper->addWidget(m_output, 1);
    auto* identities = new QHBoxLayout;
    identities->addWidget(m_chargerGroup, 1);
    identities->addWidget(m_deviceGroup, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(m_menuBar);
    layout->addLayout(upper, 1);
    layout->addLayout(identities);
    layout->addWidget(m_baseGroup);
}

void CVeltrumDlg::OnInitDialog() {
    CUsbCommDlg::OnInitDialog();
    // The connect button changes its command with the connection; it reports the current one.
    disconnect(m_connect, &QAbstractButton::clicked, this, nullptr);
    connect(m_connect, &QAbstractButton::clicked, this,
            [this] { OnCommand(CommandId(m_connect)); });
    setWindowIcon(ProgramIcon());

    if (FtdiAccessDenied())
        ShowMessage(FormatText(TXT_NO_ACCESS, {QStringLiteral(VELTRUM_UDEV_RULE)}), MB_OK,
                    QCoreApplication::applicationName());
    m_deviceWatch = new CDeviceWatch(this);
    connect(m_deviceWatch, &CDeviceWatch::Changed, this, &CVeltrumDlg::OnDeviceChange);

    LoadBaseFolder(this);
    m_baseFolder->setText(BaseFolder());
    qputenv("TMP", QFile::encodeName(BaseFolder()));
    LoadNameIndex(BaseFolder());

    SetTransferView(&m_transferProgress);
    BuildMenus();
    setWindowTitle(QStringLiteral("Kelvora Veltrum - ") + LoadText(TXT_ROLE_PATIENT + m_nRole + 1));

    Protocol()->ProtocolAllowed = ProtocolAllowed();
    SetProtocolHandler([this](const QString& line) { AppendProtocol(line); });
    TheDevice().worker.SetMainOwner(this);
    TheDevice().worker.Start();
    m_timer.start();

    FillChargers();
    ChooseCharger();
    UpdateDeviceDisplay();
    m_upload->setFocus();
    // The vendor server is asked once the window is up, and the charger is identified
    // meanwhile: a slow server or an error message never holds the window back.
    QTimer::singleShot(0, this, [this] { StartOnline(); });
}

void CVeltrumDlg::StartOnline() {
    if (!m_online)
        return;
    m_online->Start([this] { RebuildUpdatesMenu(); });
    if (!m_online->InternetAvailable())
        ShowMessageId(TXT_NO_INTERNET);
    RebuildUpdatesMenu();
}

void CVeltrumDlg::BuildMenus() {
    m_menuBar->clear();
    QList<QPair<QString, int>> popups;
    switch (m_nRole) {
    case CRegVT::RolePlus:
        popups = {{"IDR_MENU_VM", 0}};
        break;
    case CRegVT::RoleDentist:
        popups = {{"IDR_MENU_VM_CONFIG", 0}};
        break;
    case CRegVT::RoleConfiguration:
        popups = {{"IDR_MENU_VM_CONFIG", 0}, {"IDR_MENU_COMM", 0}};
        break;
    case CRegVT::RoleAdmin:
        popups = {{"IDR_MENU_CB", 0}, {"IDR_MENU_VM_ADMIN", 0}, {"IDR_MENU_COMM", 0}};
        break;
    default:
        break;
    }
    popups += {{"IDR_MENU", 0}, {"IDR_MENU", 1}};
    QActionGroup* languages = nullptr;
    for (const auto& [name, index] : popups) {
        std::unique_ptr<QMenu> loaded = LoadPopupMenu(name, index);
        if (!loaded)
            continue;
        QMenu* menu = loaded.release();
        menu->setParent(m_menuBar, menu->windowFlags());
        for (QAction* action : menu->actions()) {
            // The shortcuts belong to the window's accelerators; the menu only shows them.
            if (!action->shortcut().isEmpty()) {
                action->setText(action->text() + u'\t' +
                                action->shortcut().toString(QKeySequence::NativeText));
                action->setShortcut(QKeySequence());
            }
            const int id = CommandId(action);
            if (id == ID_SET_FEEDBACK_MODE && m_nRole != CRegVT::RoleAdmin)
                menu->removeAction(action);
            if (id == ID_LANGUAGE_GERMAN || id == ID_LANGUAGE_ENGLISH) {
                // One language at a time.
                if (!languages)
                    languages = new QActionGroup(menu);
                languages->addAction(action);
                action->setCheckable(true);
                action->setChecked((id == ID_LANGUAGE_GERMAN) ==
                                   (CurrentLanguage() == Language::German));
            }
        }
        MenuTip().Attach(menu);
        m_menuBar->addMenu(menu);
    }
    connect(m_menuBar, &QMenuBar::triggered, this,
            [this](QAction* action) { OnCommand(CommandId(action)); });
    if (m_online)
        m_updatesMenu = std::make_unique<CUpdatesMenu>(*m_menuBar, MenuTip());
}

bool CVeltrumDlg::ProtocolAllowed() const {
    return m_nRole >= CRegVT::RoleConfiguration;
}

bool CVeltrumDlg::OnCommand(int id) {
    switch (id) {
    case IDC_UPLOAD:
    case ID_UPLOAD:
        Download();
        return true;
    case IDC_FEEDBACK_ON:
    case IDC_FEEDBACK_OFF:
        if (m_nRole == CRegVT::RoleAdmin)
            SwitchFeedback(id == IDC_FEEDBACK_ON);
        return true;
    case IDC_BROWSE:
        if (ChooseBaseFolder(this))
            LoadNameIndex(BaseFolder());
        return true;
    case IDC_LOGO: {
        CAboutDlg about(this);
        about.exec();
        return true;
    }
    case ID_LANGUAGE_GERMAN:
    case ID_LANGUAGE_ENGLISH:
        ChangeLanguage(id == ID_LANGUAGE_GERMAN ? QStringLiteral("de") : QStringLiteral("en"));
        return true;
    case ID_SUPPORT_FILE:
        SupportFile();
        return true;
    case ID_PROTOCOL_WINDOW:
        if (ProtocolAllowed())
            ToggleProtocol();
        return true;
    case ID_CLEAR_PROTOCOL:
        if (ProtocolAllowed())
            SupportFile();
        return true;
    case ID_SAVE_PROTOCOL:
        if (ProtocolAllowed() && Protocol())
            Protocol()->Save();
        return true;
    case ID_ERASE_DATA:
        EraseData();
        return true;
    case ID_REPLY_DUMP:
        ReplyDump();
        return true;
    case ID_CLEAR_OUTPUT:
        m_output->Clear();
        return true;
    case ID_SAVE_OUTPUT:
        m_output->SaveAs();
        return true;
    case ID_SCRIPT_WINDOW:
        if (m_nRole >= CRegVT::RoleDentist)
            OpenWindow(new CUsbCommScriptDlg(this));
        return true;
    case ID_DEBUG:
        OpenWindow(new CDebugDlg(this));
        return true;
    case ID_CB_EEPROM:
        OpenEeprom();
        return true;
    case ID_CREATE_GRAPHS:
        // Configuration and Admin see every module and may add the battery classes.
        CMerge::Run(BaseFolder(), m_nRole > CRegVT::RoleDentist,
                    TheDevice().moduleInfo.m_strModuleId, m_nRole > CRegVT::RoleDentist, NameOrId,
                    this);
        return true;
    case ID_CB_UPDATE:
    case ID_WEB_CB_UPDATE:
        ChargerUpdate(id == ID_WEB_CB_UPDATE);
        return true;
    case ID_VM_UPDATE:
    case ID_WEB_VM_UPDATE:
        ModuleUpdate(id == ID_WEB_VM_UPDATE);
        return true;
    case ID_PROGRAM_UPDATE:
        ProgramUpdate();
        return true;
    case ID_SET_FEEDBACK_THRESHOLDS: {
        CFeedbackThresholdDlg dlg(this);
        dlg.exec();
        return true;
    }
    case ID_SET_FEEDBACK_MODE: {
        CFeedbackModeDlg dlg(this);
        dlg.exec();
        return true;
    }
    case ID_SET_THRESHOLDS: {
        CThresholdDlg dlg(this);
        dlg.exec();
        return true;
    }
    case ID_SET_PARAMETERS: {
        CParameterDlg dlg(this);
        dlg.exec();
        return true;
    }
    case ID_SET_MODULE_ID:
        AskModuleText(m_setId, TXT_SET_MODULE_ID, TXT_MODULE_ID);
        return true;
    case ID_SET_INFO:
        AskModuleText(m_setInfo, TXT_SET_INFO, TXT_INFO);
        return true;
    case ID_PARAMETERS_FROM_LIST:
        ParametersFromList();
        return true;
    case ID_MODULE_ID_FROM_LIST: {
        const QString id = ModuleIdFromList(this);
        if (!id.isEmpty())
            SetModuleText(m_setId, id);
        return true;
    }
    default:
        return CUsbCommDlg::OnCommand(id);
    }
}

qintptr CVeltrumDlg::OnMessage(int message, qintptr wParam, qintptr lParam) {
    switch (message) {
    case WM_DEV_CONNECT:
        m_control.Connect();
        return 0;
    case WM_DEV_DISCONNECT:
        m_control.Disconnect();
        return 0;
    default:
        return CUsbCommDlg::OnMessage(message, wParam, lParam);
    }
}

bool CVeltrumDlg::GetTipText(int id, QString& text) {
    switch (id) {
    case IDC_LOGO:
        text = FormatText(TXT_LOGO_TIP, {VersionText()});
        return true;
    case IDC_CHARGERS:
    case IDC_MODULE_ID: {
        const bool charger = id == IDC_CHARGERS;
        const CInfoCmd& info = charger ? static_cast<const CInfoCmd&>(TheDevice().chargerInfo)
                                       : TheDevice().moduleInfo;
        text = charger ? info.m_strVersion : TheDevice().moduleInfo.m_strInfo;
        // The family of the identified firmware and its newest version on the server.
        const QString family = charger ? ChargerFirmwareFamily(info.m_nHwVariant)
                                       : ModuleFirmwareFamily(info.m_nHwVariant);
        const std::uint32_t newest = m_online ? m_online->NewestFirmware(family) : 0;
        if (info.m_nVersion >= 0 && newest > 0) {
            if (!text.isEmpty())
                text += u'\n';
            text += FormatText(TXT_NEWEST_FIRMWARE, {family + u' ' + FirmwareVersionText(newest)});
        }
        return true;
    }
    default:
        return false;
    }
}

void CVeltrumDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    CUsbCommDlg::keyPressEvent(event);
}

void CVeltrumDlg::OnClose() {
    if (m_bClosing)
        return;
    m_bClosing = true;
    m_timer.stop();
    CWndQueue::Get().CloseAll();
    setEnabled(false);
    // The module marks its events read as it sends them: a download in progress is finished
    // and saved first, the worker is told to end when it is over (DownloadEnded).
    if (!m_bDownloading)
        PostTerminate(m_terminate);
}

bool CVeltrumDlg::OnCmdStart(CDevCmdReply& cmd) {
    if (&cmd == &m_download) {
        m_bDownloading = true;
        m_wait->show();
    }
    return true;
}

bool CVeltrumDlg::OnCmdReply(CDevCmdReply& cmd) {
    const bool again = CUsbCommDlg::OnCmdReply(cmd);
    // A failed exchange that is not repeated has dropped the queue: no end report follows.
    if (&cmd == &m_download && cmd.m_nError != ERR_NONE && !again)
        DownloadEnded();
    return again;
}

void CVeltrumDlg::OnCmdEnd(CDevCmdReply& cmd) {
    if (&cmd == &m_download)
        m_wait->hide();
    cmd.ShowResult(*this);
    if (&cmd == &m_download)
        DownloadEnded();
}

void CVeltrumDlg::DownloadEnded() {
    m_bDownloading = false;
    m_wait->hide();
    if (m_bClosing)
        PostTerminate(m_terminate);
}

bool CVeltrumDlg::OnCmdOk(CDevCmdReply& cmd) {
    m_control.OnCmdOk(cmd);
    if (&cmd == &m_setValues)
        ShowMessageId(TXT_PARAMETERS_SET);
    // The new module ID or info text, or after an erase the module's event count and read
    // marks, show once the module is identified again.
    if (&cmd == &m_setId || &cmd == &m_setInfo || &cmd == &m_erase)
        m_control.Connect();
    return false;
}

bool CVeltrumDlg::OnCmdError(CDevCmdReply& cmd) {
    if (m_control.OnCmdError(cmd))
        return false;
    if (CUsbCommDlg::OnCmdError(cmd))
        return true;
    m_control.OnCmdFailed(cmd);
    return false;
}

void CVeltrumDlg::OnLinkFailed() {
    // Without hotplug notices a charger that went away shows up only here: look again.
    if (!m_deviceWatch->Active())
        OnDeviceChange();
}

void CVeltrumDlg::OnCmdSent(bool real) {
    m_control.OnCmdSent(real);
}

void CVeltrumDlg::OnTimer() {
    m_control.Tick();
}

void CVeltrumDlg::OnDeviceChange() {
    if (FillChargers())
        return;
    if (FtdiAccessDenied())
        ShowMessage(FormatText(TXT_NO_ACCESS, {QStringLiteral(VELTRUM_UDEV_RULE)}), MB_OK,
                    QCoreApplication::applicationName());
    // The chip whose EEPROM the dialog shows is gone.
    if (m_eeprom)
        m_eeprom->reject();
    ChooseCharger();
}

bool CVeltrumDlg::FillChargers() {
    const QSignalBlocker blocker(m_chargers);
    m_chargers->clear();
    const int kept = m_control.Enumerate();
    for (const CChargerEntry& charger : m_control.Chargers())
        m_chargers->addItem(charger.serial, charger.index);
    if (m_chargers->count() == 1)
        m_chargers->setCurrentIndex(0);
    else
        m_chargers->setCurrentIndex(kept);
    return kept >= 0;
}

void CVeltrumDlg::ChooseCharger() {
    // With none to choose, a charger that another program holds (or this user may not open)
    // is named as the reason.
    if (m_chargers->count() != 1)
        m_chargers->setPlaceholderText(LoadText(m_chargers->count() == 0
                                                    ? NoChargerMessage(TheDevice().link.Devices())
                                                    : TXT_SELECT_CHARGER));
    m_control.Choose();
}

void CVeltrumDlg::OnChargerActivated(int item) {
    if (item < 0)
        m_control.Select(-1);
    else if (m_chargers->itemText(item) != TheDevice().chargerInfo.m_strSerial)
        m_control.Select(m_chargers->itemData(item).toInt());
}

void CVeltrumDlg::OnIdentityChange(CChargerControl::Change change) {
    if (change == CChargerControl::MODULE_GONE) {
        Clear();
        change = CChargerControl::MODULE;
    }
    PostStateChanged(change);
    UpdateChargerDisplay();
    UpdateDeviceDisplay();
    RebuildUpdatesMenu();
}

void CVeltrumDlg::Download() {
    if (!TheDevice().moduleInfo.IsConnected())
        m_control.Connect();
    m_download.m_strBaseFolder = BaseFolder();
    m_download.Post();
}

void CVeltrumDlg::SwitchFeedback(bool on) {
    const QString text = FormatText(TXT_SWITCH_FEEDBACK, {LoadText(on ? TXT_ON : TXT_OFF)});
    if (ShowMessage(text, MB_YESNO, QCoreApplication::applicationName()) != IDYES)
        return;
    Download();
    (on ? m_feedbackOn : m_feedbackOff).Post();
}

void CVeltrumDlg::EraseData() {
    if (ShowMessageId(TXT_ERASE, MB_YESNO) != IDYES)
        return;
    if (!TheDevice().moduleInfo.IsConnected())
        m_control.Connect();
    m_erase.Post();
}

void CVeltrumDlg::AskModuleText(CSetParamCmd& cmd, int titleId, int labelId) {
    CInputDlg input(titleId, labelId, CSetParamCmd::kMaxText, this);
    // A module without an ID could not be told apart from none: an empty ID is not sent.
    if (input.exec() == QDialog::Accepted && (&cmd != &m_setId || !input.Text().isEmpty()))
        SetModuleText(cmd, input.Text());
}

void CVeltrumDlg::SetModuleText(CSetParamCmd& cmd, const QString& text) {
    if (!TheDevice().moduleInfo.IsConnected())
        m_control.Connect();
    cmd.SetArgs(text);
    cmd.Post();
}

void CVeltrumDlg::ParametersFromList() {
    const QString moduleId = TheDevice().moduleInfo.m_strModuleId;
    if (moduleId.isEmpty())
        return;
    const QString args = ConfirmedListParameters(moduleId);
    if (args.isEmpty())
        return;
    m_setValues.SetArgs(args);
    m_setValues.Post();
}

void CVeltrumDlg::SupportFile() {
    QBuffer protocol;
    protocol.open(QIODevice::WriteOnly);
    Protocol()->WriteTo(protocol);
    const QString folder = SupportFolder(BaseFolder(), TheDevice().moduleInfo.m_strModuleId);
    const QString path = WriteSupportFile(folder, QDateTime::currentDateTime(), protocol.data());
    if (path.isEmpty())
        return;
    // Emptied before the box, so that no line that arrives while it is open gets lost.
    Protocol()->Clear();
    ShowMessage(FormatText(TXT_SUPPORT_FILE_SAVED, {QDir::toNativeSeparators(path)}), MB_OK,
                QCoreApplication::applicationName());
}

void CVeltrumDlg::ReplyDump() {
    CCommWorker& worker = TheDevice().worker;
    WriteReplyDump(BaseFolder(), QDateTime::currentDateTime(),
                   QByteArray(worker.Buffer(), qMax(0, worker.LastLength())));
}

void CVeltrumDlg::ToggleProtocol() {
    const bool shown = Protocol()->Toggle();
    if (QAction* item = FindAction(*m_menuBar, ID_PROTOCOL_WINDOW)) {
        item->setCheckable(true);
        item->setChecked(shown);
    }
}

void CVeltrumDlg::ChangeLanguage(const QString& code) {
    const bool saved = CReg().WriteStringAt(QString(), QStringLiteral("Language"), code);
    // The check mark shows the language of the next start, also when the write failed or the
    // user restarts later.
    const bool german = StartLanguage(QLocale::system().name()) == Language::German;
    if (QAction* item = FindAction(*m_menuBar, german ? ID_LANGUAGE_GERMAN : ID_LANGUAGE_ENGLISH))
        item->setChecked(true);
    if (saved && ShowMessageId(TXT_RESTART, MB_YESNO) == IDYES)
        Restart();
}

void CVeltrumDlg::Restart() {
    QProcess::startDetached(m_strProgramPath, QCoreApplication::arguments().mid(1));
    OnClose();
}

void CVeltrumDlg::RebuildUpdatesMenu() {
    if (!m_updatesMenu)
        return;
    const CInfoCmdCB& cb = TheDevice().chargerInfo;
    const CInfoCmdVM& vm = TheDevice().moduleInfo;
    const CFirmwareTarget module{ModuleFirmwareFamily(vm.m_nHwVariant), vm.m_nVersion};
    const CFirmwareTarget charger{ChargerFirmwareFamily(cb.m_nHwVariant), cb.m_nVersion};
    CUpdatesOffer offer;
    offer.mask = m_online->Offers(module, charger);
    if (offer.mask & COnlineState::OFFER_PROGRAM)
        offer.program = VersionNumberText(m_online->ServerVersion());
    if (offer.mask & COnlineState::OFFER_MODULE)
        offer.module = FirmwareVersionText(m_online->NewestFirmware(module.family));
    if (offer.mask & COnlineState::OFFER_CHARGER)
        offer.charger = FirmwareVersionText(m_online->NewestFirmware(charger.family));
    m_updatesMenu->Show(offer);
}

void CVeltrumDlg::ProgramUpdate() {
    if (!m_online)
        return;
    if (RunProgramUpdate(*m_online, m_strProgramPath)) {
        RebuildUpdatesMenu();
        if (ShowMessageId(TXT_RESTART, MB_YESNO) == IDYES)
            Restart();
    }
}

std::unique_ptr<CIntelHexFile> CVeltrumDlg::ChooseImage(bool web, const QString& family,
                                                        QString& name) {
    if (web) {
        const std::uint32_t newest = m_online ? m_online->NewestFirmware(family) : 0;
        if (newest == 0)
            return nullptr;
        name = FirmwareFileName(family, newest);
        return std::make_unique<CRemoteIntelHexFile>();
    }
    name = ChooseFirmwareImage(this, BaseFolder());
    if (name.isEmpty())
        return nullptr;
    return std::make_unique<CLocalIntelHexFile>();
}

void CVeltrumDlg::ChargerUpdate(bool web) {
    QString name;
    const std::unique_ptr<CIntelHexFile> image =
        ChooseImage(web, ChargerFirmwareFamily(TheDevice().chargerInfo.m_nHwVariant), name);
    if (!image)
        return;
    CUpdateVorozizEvuDlg dialog(name, *image, this);
    const int result = dialog.exec();
    // The charger leaves its loader; the new firmware then identifies itself.
    m_exitComm.Post();
    if (result == IDOK)
        ShowMessage(FormatText(TXT_FIRMWARE_UPDATED, {LoadText(TXT_CHARGER)}), MB_OK,
                    QCoreApplication::applicationName());
    TheDevice().chargerInfo.Post();
    m_menuBar->update();
}

void CVeltrumDlg::ModuleUpdate(bool web) {
    const CInfoCmdVM& module = TheDevice().moduleInfo;
    if (web && module.m_nBatteryMv < CUpdateProcedure::kMinBatteryMv) {
        ShowMessageId(TXT_BATTERY_TOO_LOW);
        return;
    }
    QString name;
    const std::unique_ptr<CIntelHexFile> image =
        ChooseImage(web, ModuleFirmwareFamily(module.m_nHwVariant), name);
    if (!image)
        return;
    CUpdateVibModuleDlg dialog(name, *image, this, [this] { Download(); });
    const int result = dialog.exec();
    // The module restarts with its new firmware: it is identified anew in every case.
    m_control.Disconnect();
    if (result == IDOK)
        ShowMessage(FormatText(TXT_FIRMWARE_UPDATED, {LoadText(TXT_MODULE)}), MB_OK,
                    QCoreApplication::applicationName());
    m_control.Connect();
    m_menuBar->update();
}

void CVeltrumDlg::UpdateChargerDisplay() {
    const bool trm = TheDevice().chargerInfo.m_nHwVariant & 1;
    m_chargerGroup->setTitle(trm ? QStringLiteral("TRM") : LoadText(TXT_CHARGER));
}

void CVeltrumDlg::UpdateDeviceDisplay() {
    const CInfoCmdVM& module = TheDevice().moduleInfo;
    m_moduleId->setText(module.m_strModuleId);
    m_deviceGroup->setTitle(LoadText(TXT_MODULE));
    m_vibration->setVisible(module.m_nVersion >= 1 && m_nRole == CRegVT::RoleAdmin);
    const bool known = module.IsConnected();
    m_connect->setText(LoadText(known ? TXT_DISCONNECT : TXT_CONNECT));
    SetCommandId(m_connect, known ? IDC_DISCONNECT : IDC_CONNECT);
    m_menuBar->update();
}

void CVeltrumDlg::PostStateChanged(int what) {
    QPointer<CTipDialog> target = qobject_cast<CTipDialog*>(QApplication::activeWindow());
    if (!target || target == this)
        return;
    QMetaObject::invokeMethod(
        target, [target, what] { target->OnMessage(WM_DEV_IDENTITY, what, 0); },
        Qt::QueuedConnection);
}

void CVeltrumDlg::OpenWindow(QDialog* window) {
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->open();
}

void CVeltrumDlg::OpenEeprom() {
    auto* dialog = new CEepromDlg(this);
    connect(dialog, &QDialog::accepted, this, [] { TheDevice().chargerInfo.Post(); });
    m_eeprom = dialog;
    OpenWindow(dialog);
}

void CVeltrumDlg::Clear() {
    m_output->Clear();
}

void CVeltrumDlg::AddText(const QString& text) {
    m_output->AddText(text);
}
