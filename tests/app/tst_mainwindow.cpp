// The main window against the simulated charger, with scripted message-box answers: charger
// choice and identification by role, menus by role, arrival and removal, the silent automatic
// identification, battery lines, the keep-alive clock, erase, feedback on and off, closing during
// a download, the language menu, the support file and reply dump, the settings dialogs, module
// ID and info, the vendor's parameter list, the service windows and closing through the worker;
// the window's layout and Qt's own texts in German.

#include "app/SupportFile.h"
#include "app/VeltrumApp.h"
#include "app/VeltrumDlg.h"
#include "base/Reg.h"
#include "base/Texts.h"
#include "drivers/sim/SimCharger.h"
#include "link/CommWorker.h"
#include "link/DeviceState.h"
#include "link/InfoCmd.h"
#include "link/UsbLink.h"
#include "support/HttpResponder.h"
#include "support/SimFrames.h"
#include "ui/common/FolderPicker.h"
#include "ui/common/MsgBox.h"
#include "ui/common/MyButton.h"
#include "ui/common/Output.h"
#include "ui/common/OutputDlg.h"
#include "ui/settings/InputDlg.h"
#include "ui/settings/ValuesDlg.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

enum Role : int { Patient = -1, Plus, Dentist, Configuration, Admin };

// The window with a hook that runs on the user-interface thread just before a successful
// exchange is handled, while the worker waits.
class Window : public CVeltrumDlg {
public:
    using CVeltrumDlg::CVeltrumDlg;
    bool OnCmdOk(CDevCmdReply& cmd) override {
        if (beforeOk)
            beforeOk(cmd);
        return CVeltrumDlg::OnCmdOk(cmd);
    }
    std::function<void(CDevCmdReply&)> beforeOk;
};

void InstallChargers(int count) {
    std::vector<std::unique_ptr<CFtDriver>> drivers;
    for (int i = 0; i < count; ++i)
        drivers.push_back(std::make_unique<CSimDriver>());
    TheDevice().link.SetDrivers(std::move(drivers));
}

QStringList Lines(COutput& list) {
    QStringList lines;
    for (int i = 0; i < list.count(); ++i)
        lines << list.item(i)->text();
    return lines;
}

QStringList MenuTitles(QMenuBar& bar) {
    QStringList titles;
    for (QAction* action : bar.actions())
        titles << action->text();
    return titles;
}

bool HasCommand(QMenuBar& bar, int id) {
    for (QAction* top : bar.actions()) {
        for (QAction* action : top->menu()->actions()) {
            if (CommandId(action) == id)
                return true;
        }
    }
    return false;
}

QLineEdit* Field(QWidget& window, int id) {
    for (auto* edit : window.findChildren<QLineEdit*>()) {
        if (CommandId(edit) == id)
            return edit;
    }
    return nullptr;
}

QAbstractButton* Button(QWidget& window, int id) {
    for (auto* button : window.findChildren<QAbstractButton*>()) {
        if (CommandId(button) == id)
            return button;
    }
    return nullptr;
}

QAction* MenuItem(QMenuBar& bar, int id) {
    for (QAction* top : bar.actions()) {
        for (QAction* action : top->menu()->actions()) {
            if (CommandId(action) == id)
                return action;
        }
    }
    return nullptr;
}

// The program's own message box, answered with a click on the button of the given answer.
int AnswerInBox(const QString& text, unsigned style, const QString& caption, int answer) {
    CMsgBox box(text, caption, style, QApplication::activeWindow());
    QTimer::singleShot(0, &box, [&box, answer] {
        if (answer == IDOK || answer == IDYES || answer == IDRETRY)
            box.FirstButton().click();
        else if (box.SecondButton())
            box.SecondButton()->click();
        else
            box.reject();
    });
    return box.exec();
}

// Runs act on the modal dialog of type T once it shows, inside its event loop; closes it
// afterwards should act have left it open (a failed check).
template <typename T> void OnModal(std::function<void(T&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* dlg = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dlg || !dlg->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(*dlg);
        if (dlg->isVisible())
            dlg->close();
    });
    timer->start();
}

// The open dialog of that class among the window's children, or none.
QDialog* ChildWindow(QWidget& window, const QString& className) {
    for (auto* dialog : window.findChildren<QDialog*>()) {
        if (dialog->inherits(className.toLatin1().constData()) && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

QString ConnectText(QWidget& window) {
    for (auto* button : window.findChildren<QAbstractButton*>()) {
        if (CommandId(button) == IDC_CONNECT || CommandId(button) == IDC_DISCONNECT)
            return button->text();
    }
    return QString();
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    QTemporaryDir m_base;
    QStringList m_boxes;
    QStringList m_captions;
    QList<int> m_answers;
    // Whether each box was shown on the user-interface thread.
    QList<bool> m_boxOnGuiThread;
    // Answer through the program's message box instead of returning the answer.
    bool m_realBoxes = false;

    std::unique_ptr<Window> Open(int role, int chargers = 1) {
        InstallChargers(chargers);
        auto window = std::make_unique<Window>(role);
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("the main window did not become active");
        return window;
    }

    // Closes the window as the title bar does and waits for the worker to end it.
    static void Close(Window& window) {
        window.close();
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(TheDevice().worker.wait(5000));
        QCOMPARE(window.result(), 2);
    }

    void WaitForModule(Window& window) {
        QTRY_COMPARE(Field(window, IDC_MODULE_ID)->text(), QStringLiteral("K-104233"));
        QTRY_VERIFY(!TheDevice().link.IsOpen());
    }

private slots:
    void initTestCase() {
        QVERIFY(m_config.isValid() && m_base.isValid());
        qputenv("KELVORA_CONFIG_DIR", m_config.path().toLocal8Bit());
        QVERIFY(CRegVT().SetDataPath(m_base.path()));
        SetLanguage(Language::English);
        SetMessageBoxHandler([this](const QString& text, unsigned style, const QString& caption) {
            m_boxes << text;
            m_captions << caption;
            m_boxOnGuiThread << (QThread::currentThread() == qApp->thread());
            const int answer = m_answers.isEmpty() ? int(IDCANCEL) : m_answers.takeFirst();
            return m_realBoxes ? AnswerInBox(text, style, caption, answer) : answer;
        });
    }
    void init() {
        m_boxes.clear();
        m_captions.clear();
        m_answers.clear();
        m_boxOnGuiThread.clear();
        m_realBoxes = false;
        TheDevice().Reset();
        TheSimCharger().SetFaults({});
        TheSimCharger().WithModule([](CSimModule& m) {
            m.batteryMv = 3850;
            m.moduleId = "K-104233";
            m.info = "Patient 17, upper splint";
        });
        TheSimCharger().ClearReceivedFrames();
        // An empty base folder: no data files, no module folders of earlier downloads.
        QDir(m_base.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_base.path()));
    }

    // One charger at start is selected and identified; the module is identified with it for
    // Patient, Plus and Dentist, only on Connect for Configuration and Admin. The role also
    // decides caption and menus.
    void oneChargerByRole_data() {
        QTest::addColumn<int>("role");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("menus");
        QTest::addColumn<bool>("feedbackMode");
        QTest::newRow("Patient") << int(Patient) << true << "Kelvora Veltrum - Patient"
                                 << QStringList{"Language", "Info"} << false;
        QTest::newRow("Plus") << int(Plus) << true << "Kelvora Veltrum - Plus"
                              << QStringList{"Zur-Udure", "Language", "Info"} << false;
        QTest::newRow("Dentist") << int(Dentist) << true << "Kelvora Veltrum - Dentist"
                                 << QStringList{"Zur-Udure", "Language", "Info"} << false;
        QTest::newRow("Configuration")
            << int(Configuration) << false << "Kelvora Veltrum - Configuration"
            << QStringList{"Zur-Udure", "Protocol", "Language", "Info"} << false;
        QTest::newRow("Admin") << int(Admin) << false << "Kelvora Veltrum - Admin"
                               << QStringList{"Vareriz-Ezu", "Zur-Udure", "Protocol", "Language",
                                              "Info"}
                               << true;
    }
    void oneChargerByRole() {
        QFETCH(int, role);
        QFETCH(bool, automatic);
        QFETCH(QString, caption);
        QFETCH(QStringList, menus);
        QFETCH(bool, feedbackMode);
        auto window = Open(role);
        QCOMPARE(window->windowTitle(), caption);
        QCOMPARE(MenuTitles(window->MenuBar()), menus);
        QCOMPARE(HasCommand(window->MenuBar(), ID_SET_FEEDBACK_MODE), feedbackMode);
        QCOMPARE(window->Chargers().count(), 1);
        QCOMPARE(window->Chargers().currentText(), QStringLiteral("SIM0001"));
        QTRY_VERIFY(TheDevice().chargerInfo.m_nVersion > 0);
        if (automatic) {
            WaitForModule(*window);
        } else {
            QTest::qWait(500);
            QCOMPARE(Frames(), QStringList{"#CGV"});
            QCOMPARE(ConnectText(*window), QStringLiteral("Connect\nKelvora"));
            QTest::keyClick(window.get(), Qt::Key_F9);
            WaitForModule(*window);
        }
        QCOMPARE(ConnectText(*window), QStringLiteral("Disconnect\nKelvora"));
        QVERIFY(m_boxes.isEmpty());

        // F10 disconnects: identity gone, "EC" to the module, list emptied.
        QTest::keyClick(window.get(), Qt::Key_F10);
        QTRY_COMPARE(Field(*window, IDC_MODULE_ID)->text(), QString());
        QCOMPARE(window->Output().count(), 0);
        QTRY_COMPARE(Frames().last(), QStringLiteral("EC"));
        QCOMPARE(ConnectText(*window), QStringLiteral("Connect\nKelvora"));
        Close(*window);
    }

    // Two chargers: none is chosen, the list asks for a choice, and closing sends nothing.
    void twoChargers() {
        auto window = Open(Admin, 2);
        QCOMPARE(window->Chargers().count(), 2);
        QCOMPARE(window->Chargers().currentIndex(), -1);
        QCOMPARE(window->Chargers().placeholderText(), QStringLiteral("Please select charger"));
        QCOMPARE(TheDevice().link.Selected(), -1);
        Close(*window);
        QCOMPARE(Frames(), QStringList{});
    }

    // Closing with a charger sends "EC" through the worker.
    void closeWithCharger() {
        auto window = Open(Configuration);
        QTRY_VERIFY(TheDevice().chargerInfo.m_nVersion > 0);
        Close(*window);
        QCOMPARE(Frames().last(), QStringLiteral("EC"));
    }

    // Unplugging the selected charger resets both identities; plugging it in again identifies
    // it anew.
    void removeAndArrive() {
        auto window = Open(Patient);
        WaitForModule(*window);
        InstallChargers(0);
        window->OnDeviceChange();
        QCOMPARE(window->Chargers().count(), 0);
        QCOMPARE(window->Chargers().placeholderText(), QStringLiteral("Please attach charger"));
        QCOMPARE(TheDevice().link.Selected(), -1);
        QCOMPARE(TheDevice().chargerInfo.m_strSerial, QString());
        QVERIFY(!TheDevice().moduleInfo.IsConnected());
        QCOMPARE(Field(*window, IDC_MODULE_ID)->text(), QString());
        QCOMPARE(ConnectText(*window), QStringLiteral("Connect\nKelvora"));

        InstallChargers(1);
        window->OnDeviceChange();
        QCOMPARE(window->Chargers().currentText(), QStringLiteral("SIM0001"));
        WaitForModule(*window);
        Close(*window);
    }

    // The module looked for automatically after the charger does not answer: no box, no
    // repetition.
    void silentAutomaticIdentification() {
        InstallChargers(1);
        Window window(Patient);
        window.beforeOk = [](CDevCmdReply& cmd) {
            if (&cmd == &TheDevice().chargerInfo) {
                CSimFaults faults;
                faults.dropReplies = 3;
                TheSimCharger().SetFaults(faults);
            }
        };
        window.show();
        QTRY_VERIFY(Frames().contains("GP"));
        QTest::qWait(int(CInfoCmdVM::kTimeout) + 1000); // the reply wait runs out
        QCOMPARE(Frames(), (QStringList{"#CGV", "GP"}));
        QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join(" | ")));
        QCOMPARE(Field(window, IDC_MODULE_ID)->text(), QString());
        TheSimCharger().SetFaults({});
        Close(window);
    }

    void batteryLines_data() {
        QTest::addColumn<int>("millivolts");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("state");
        const QStringList hint{"", "Please recharge your Kelvora", "before the next use."};
        QTest::newRow("3600 okay")
            << 3600 << QStringList{"Battery voltage is okay (3600 mV)."} << 1;
        QTest::newRow("3599 low") << 3599 << QStringList{"Battery voltage is low (3599 mV)."} + hint
                                  << 2;
        QTest::newRow("3499 very low")
            << 3499 << QStringList{"Battery voltage is very low (3499 mV)."} + hint << 3;
    }
    void batteryLines() {
        QFETCH(int, millivolts);
        QFETCH(QStringList, lines);
        QFETCH(int, state);
        TheSimCharger().WithModule([millivolts](CSimModule& m) { m.batteryMv = millivolts; });
        auto window = Open(Configuration);
        QTRY_VERIFY(TheDevice().chargerInfo.m_nVersion > 0);
        QTest::keyClick(window.get(), Qt::Key_F9);
        WaitForModule(*window);
        QCOMPARE(Lines(window->Output()).mid(0, lines.size()), lines);
        QCOMPARE(window->Output().item(0)->data(Qt::UserRole).toInt(), state);
        QVERIFY(Lines(window->Output()).last().endsWith("events available"));
        Close(*window);
    }

    // With a module identified and no other traffic, a keep-alive goes out every 117 s; the
    // fifth idle period (585 s) ends the connection.
    void keepAlive() {
        auto window = Open(Configuration);
        window->Timer().stop();
        QTRY_VERIFY(TheDevice().chargerInfo.m_nVersion > 0);
        QTest::keyClick(window.get(), Qt::Key_F9);
        WaitForModule(*window);
        QVERIFY(window->Output().count() > 0);
        TheSimCharger().ClearReceivedFrames();
        for (int keepAlive = 1; keepAlive <= 4; ++keepAlive) {
            for (int second = 1; second < CChargerControl::kIdleSeconds; ++second)
                window->OnTimer();
            QTest::qWait(50);
            QCOMPARE(Frames().size(), keepAlive - 1);
            window->OnTimer();
            QTRY_COMPARE(Frames().size(), keepAlive);
            QCOMPARE(Frames().last(), QStringLiteral("KA"));
            QCoreApplication::processEvents(); // the send re-arms the countdown
        }
        for (int second = 1; second < CChargerControl::kIdleSeconds; ++second)
            window->OnTimer();
        QCOMPARE(Field(*window, IDC_MODULE_ID)->text(), QStringLiteral("K-104233"));
        window->OnTimer();
        QCOMPARE(Field(*window, IDC_MODULE_ID)->text(), QString());
        QVERIFY(!TheDevice().moduleInfo.IsConnected());
        QCOMPARE(window->Output().count(), 0);
        QCOMPARE(ConnectText(*window), QStringLiteral("Connect\nKelvora"));
        QTest::qWait(100);
        QCOMPARE(Frames().size(), 4);
        Close(*window);
    }

    // Shift+Ctrl+F11 erases in every role once confirmed, connecting first when needed, and
    // identifies the module again to show what is left.
    void erase_data() {
        QTest::addColumn<int>("role");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("frames");
        QTest::newRow("Patient") << int(Patient) << int(IDYES) << QStringList{"EDKelvora", "GP"};
        QTest::newRow("Plus") << int(Plus) << int(IDYES) << QStringList{"EDKelvora", "GP"};
        QTest::newRow("Dentist") << int(Dentist) << int(IDYES) << QStringList{"EDKelvora", "GP"};
        QTest::newRow("Configuration")
            << int(Configuration) << int(IDYES) << QStringList{"GP", "EDKelvora", "GP"};
        QTest::newRow("Admin") << int(Admin) << int(IDYES) << QStringList{"GP", "EDKelvora", "GP"};
        QTest::newRow("Admin, No") << int(Admin) << int(IDNO) << QStringList{};
    }
    void erase() {
        QFETCH(int, role);
        QFETCH(int, answer);
        QFETCH(QStringList, frames);
        auto window = Open(role);
        QTRY_VERIFY(TheDevice().chargerInfo.m_nVersion > 0);
        if (role <= Dentist)
            WaitForModule(*window);
        else
            QTRY_VERIFY(!TheDevice().link.IsOpen());
        TheSimCharger().ClearReceivedFrames();
        m_answers << answer;
        QTest::keyClick(window.get(), Qt::Key_F11, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(m_boxes, QStringList{LoadText(TXT_ERASE)});
        if (!frames.isEmpty())
            QTRY_COMPARE(Frames(), frames);
        QTest::qWait(100);
        QCOMPARE(Frames(), frames);
        // Identified again after the erase: the list no longer shows the old event count.
        if (!frames.isEmpty()) {
            QTRY_VERIFY(TheDevice().moduleInfo.IsConnected());
            QTRY_VERIFY(!Lines(window->Output()).isEmpty());
            QVERIFY(!Lines(window->Output()).join(u'\n').contains("events available"));
        }
        Close(*window);
        TheSimCharger().WithModule([](CSimModule& m) { m.erased = false; });
    }

    // On and Off (Admin) ask, download, then switch the feedback. The module's answer is parsed
    // on the worker thread, and its box is the program's own box on the user-interface thread.
    void feedbackSwitch_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<int>("state"); // text of "on" or "off"
        QTest::newRow("On") << int(IDC_FEEDBACK_ON) << "ME" << int(TXT_ON);
        QTest::newRow("Off") << int(IDC_FEEDBACK_OFF) << "MD" << int(TXT_OFF);
    }
    void feedbackSwitch() {
        QFETCH(int, button);
        QFETCH(QString, frame);
        QFETCH(int, state);
        TheSimCharger().WithModule([&](CSimModule& m) { m.motorEnabled = frame != u"ME"; });
        auto window = Open(Admin);
        QTRY_VERIFY(TheDevice().chargerInfo.m_nVersion > 0);
        QTest::keyClick(window.get(), Qt::Key_F9);
        WaitForModule(*window);
        TheSimCharger().ClearReceivedFrames();
        QAbstractButton* onOff = Button(*window, button);
        QVERIFY(onOff && onOff->isVisible());

        m_realBoxes = true;
        m_answers << IDYES;
        onOff->click();
        const QString switched = FormatText(TXT_FEEDBACK_SWITCHED, {LoadText(state)});
        QTRY_VERIFY(m_boxes.contains(switched));
        QCOMPARE(m_boxes.first(), FormatText(TXT_SWITCH_FEEDBACK, {LoadText(state)}));
        QCOMPARE(m_boxOnGuiThread, QList<bool>(m_boxes.size(), true));
        QCOMPARE(Frames(), (QStringList{"GD", frame}));
        QCOMPARE(TheSimCharger().WithModule([](CSimModule& m) { return m.motorEnabled; }),
                 frame == u"ME");
        Close(*window);
    }

    // Closing the window while a download runs: the window stays until the download in progress
    // is saved (the module has marked its events read by then), then ends through the worker.
    void closeDuringDownload() {
        const QDir folder(m_base.filePath("K-104233"));
        QDir(folder).removeRecursively();
        // Forty events of a fresh module (an earlier test may have erased the simulated one).
        const QList<CSimEvent> events = CSimModule().events.mid(0, 40);
        QCOMPARE(events.size(), 40);
        TheSimCharger().WithModule([&](CSimModule& m) {
            m.events = events;
            m.eventsRead = false;
        });
        auto window = Open(Configuration);
        QTRY_VERIFY(TheDevice().chargerInfo.m_nVersion > 0);
        QTest::keyClick(window.get(), Qt::Key_F9);
        WaitForModule(*window);
        CSimFaults trickle;
        trickle.byteDelayMs = 1;
        TheSimCharger().SetFaults(trickle);
        TheSimCharger().ClearReceivedFrames();

        QTest::keyClick(window.get(), Qt::Key_F11);
        QTRY_VERIFY(Frames().contains("GD"));
        window->close();
        QVERIFY(window->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 30000);
        QVERIFY(TheDevice().worker.wait(5000));
        QCOMPARE(window->result(), 2);
        QCOMPARE(Frames(), (QStringList{"GD", "EC"}));

        // The data file and its listing, complete, and no temporary file beside them.
        const QStringList data = folder.entryList({"*.kmM"}, QDir::Files);
        QCOMPARE(data.size(), 1);
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden).size(), 2);
        QCOMPARE(m_boxes,
                 QStringList{FormatText(
                     TXT_EVENTS_SAVED, {QDir::toNativeSeparators(folder.filePath(data.first()))})});
        QFile file(folder.filePath(data.first()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        qsizetype index = 0;
        while (index < lines.size() && !lines[index].startsWith("Index"))
            ++index;
        const auto isEvent = [](const QByteArray& line) { return line.contains('\t'); };
        QCOMPARE(std::count_if(lines.begin() + index + 1, lines.end(), isEvent), 40);
    }

    // A download that fails while the window waits for it ends the same way once the user has
    // given up on it: one silent repetition, Retry/Cancel, Cancel, and the window closes.
    void closeDuringFailingDownload() {
        auto window = Open(Configuration);
        QTRY_VERIFY(TheDevice().chargerInfo.m_nVersion > 0);
        QTest::keyClick(window.get(), Qt::Key_F9);
        WaitForModule(*window);
        CSimFaults silent;
        silent.dropReplies = 2;
        TheSimCharger().SetFaults(silent);
        TheSimCharger().ClearReceivedFrames();

        QTest::keyClick(window.get(), Qt::Key_F11);
        QTRY_VERIFY(Frames().contains("GD"));
        window->close();
        QVERIFY(window->isVisible());
        m_answers << IDCANCEL;
        QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 30000);
        QVERIFY(TheDevice().worker.wait(5000));
        QCOMPARE(m_boxes, QStringList{LoadText(TXT_NO_RESPONSE) + LoadText(TXT_CHECK_PLACEMENT) +
                                      LoadText(TXT_PLEASE_RETRY)});
        QCOMPARE(Frames(), (QStringList{"GD", "GD", "EC"}));
        QVERIFY(!QDir(m_base.filePath("K-104233")).exists());
    }

    // The language items are exclusive, and the one saved for the next start is checked,
    // whether the restart is accepted or not.
    void languageMenu() {
        auto window = Open(Patient, 0);
        QAction* german = MenuItem(window->MenuBar(), ID_LANGUAGE_GERMAN);
        QAction* english = MenuItem(window->MenuBar(), ID_LANGUAGE_ENGLISH);
        QVERIFY(german && english);
        QVERIFY(english->isChecked() && !german->isChecked());
        m_answers << IDNO << IDNO;
        german->trigger();
        QCOMPARE(m_boxes, QStringList{LoadText(TXT_RESTART)});
        QVERIFY(german->isChecked());
        QVERIFY(!english->isChecked());
        QString saved;
        QVERIFY(CReg().ReadString(QString(), QStringLiteral("Language"), saved));
        QCOMPARE(saved, QStringLiteral("de"));
        english->trigger();
        QVERIFY(english->isChecked());
        QVERIFY(!german->isChecked());
        QVERIFY(CReg().ReadString(QString(), QStringLiteral("Language"), saved));
        QCOMPARE(saved, QStringLiteral("en"));
        QCOMPARE(CurrentLanguage(), Language::English);
        Close(*window);
    }

    // Create support file writes the protocol when there is one; Clear protocol does the same
    // for Configuration and Admin and nothing for the other roles.
    void supportFile_data() {
        QTest::addColumn<int>("role");
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("protocol");
        QTest::addColumn<bool>("written");
        QTest::newRow("create, empty protocol")
            << int(Admin) << int(ID_SUPPORT_FILE) << false << false;
        QTest::newRow("create, Patient") << int(Patient) << int(ID_SUPPORT_FILE) << true << true;
        QTest::newRow("clear, Configuration")
            << int(Configuration) << int(ID_CLEAR_PROTOCOL) << true << true;
        QTest::newRow("clear, Patient") << int(Patient) << int(ID_CLEAR_PROTOCOL) << true << false;
        QTest::newRow("clear, Plus") << int(Plus) << int(ID_CLEAR_PROTOCOL) << true << false;
        QTest::newRow("clear, Dentist") << int(Dentist) << int(ID_CLEAR_PROTOCOL) << true << false;
    }
    void supportFile() {
        QFETCH(int, role);
        QFETCH(int, command);
        QFETCH(bool, protocol);
        QFETCH(bool, written);
        auto window = Open(role, 0);
        if (protocol)
            WriteProtocol(QStringLiteral("Cmd: GP"));
        QVERIFY(window->OnCommand(command));
        const QStringList files = QDir(m_base.path()).entryList({"Support_*.txt"}, QDir::Files);
        QCOMPARE(files.size(), written ? 1 : 0);
        // A written protocol is emptied; the box about it starts the next one.
        const QStringList left = Lines(window->Protocol()->List());
        if (written)
            QVERIFY2(left.value(0).startsWith("MsgBox: ") && !left.contains("Cmd: GP"),
                     qPrintable(left.join(" | ")));
        else
            QCOMPARE(left.size(), protocol ? 1 : 0);
        // The user is told where the file went.
        QCOMPARE(m_boxes, written ? QStringList{FormatText(TXT_SUPPORT_FILE_SAVED,
                                                           {QDir::toNativeSeparators(
                                                               m_base.filePath(files.value(0)))})}
                                  : QStringList{});
        if (written) {
            QFile file(QDir(m_base.path()).filePath(files.first()));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(QRegularExpression("^Support_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.txt$")
                        .match(files.first())
                        .hasMatch());
            const QByteArray text = file.readAll();
            QVERIFY2(text.startsWith("Kelvora support file\r\nVeltrum Version 4.6.0\r\n"),
                     text.constData());
            QVERIFY(text.endsWith("\r\nCmd: GP\r\n"));
        }
        Close(*window);
    }

    // With a module connected the support file goes into the module's folder, and the message
    // names it there.
    void supportFileInModuleFolder() {
        auto window = Open(Patient);
        WaitForModule(*window);
        QVERIFY(window->Protocol()->List().count() > 0);
        QVERIFY(window->OnCommand(ID_SUPPORT_FILE));
        const QDir folder(m_base.filePath("K-104233"));
        const QStringList files = folder.entryList({"Support_*.txt"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY(QDir(m_base.path()).entryList({"Support_*.txt"}, QDir::Files).isEmpty());
        QCOMPARE(m_boxes, QStringList{FormatText(
                              TXT_SUPPORT_FILE_SAVED,
                              {QDir::toNativeSeparators(folder.filePath(files.first()))})});
        Close(*window);
    }

    // The reply dump writes the last reply behind the time.
    void replyDump() {
        auto window = Open(Patient);
        WaitForModule(*window);
        QVERIFY(window->OnCommand(ID_REPLY_DUMP));
        const QStringList files = QDir(m_base.path()).entryList({"klv_*"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QFile file(QDir(m_base.path()).filePath(files.first()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("\tK-104233") || text.contains("\nK-104233"));
        QVERIFY(text.contains('\t'));
        Close(*window);
    }

    // The support file's folder stays below the base folder whatever the module calls itself.
    void supportFolder_data() {
        QTest::addColumn<QString>("moduleId");
        QTest::addColumn<QString>("folder");
        QTest::newRow("no module") << ""
                                   << "/base";
        QTest::newRow("module") << "K-104233"
                                << "/base/K-104233";
        QTest::newRow("parent") << "../x"
                                << "/base/___x";
        QTest::newRow("separators") << "a/b\\c"
                                    << "/base/a_b_c";
        QTest::newRow("hidden") << ".k"
                                << "/base/_k";
    }
    void supportFolder() {
        QFETCH(QString, moduleId);
        QFETCH(QString, folder);
        QCOMPARE(SupportFolder("/base", moduleId), folder);
    }

    // The folder picker accepts only folders in which a sub-folder can be created.
    void writableFolder() {
        QVERIFY(MayCreateSubFolder(m_base.path()));
        QVERIFY(!MayCreateSubFolder(m_base.filePath("missing")));
        QFile file(m_base.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(!MayCreateSubFolder(file.fileName()));
        QDir().mkdir(m_base.filePath("locked"));
        QFile::setPermissions(m_base.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
        const bool root = QFileInfo(m_base.filePath("locked")).isWritable();
        if (!root)
            QVERIFY(!MayCreateSubFolder(m_base.filePath("locked")));
        QFile::setPermissions(m_base.filePath("locked"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(m_base.filePath("locked")).removeRecursively();
    }

    // At the first size the list shows its battery, event-count and event lines whole, in
    // either language.
    void firstSizeShowsLinesWhole_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("millivolts");
        QTest::newRow("English, very low") << int(Language::English) << 3499;
        QTest::newRow("German, very low") << int(Language::German) << 3499;
        QTest::newRow("German, okay") << int(Language::German) << 3850;
    }
    void firstSizeShowsLinesWhole() {
        QFETCH(int, language);
        QFETCH(int, millivolts);
        SetLanguage(Language(language));
        TheSimCharger().WithModule([millivolts](CSimModule& m) { m.batteryMv = millivolts; });
        auto window = Open(Patient);
        WaitForModule(*window);
        const QString battery = window->Output().item(0)->text();
        QVERIFY(battery.contains(QString::number(millivolts)));
        COutput& list = window->Output();
        QVERIFY2(list.sizeHintForColumn(0) <= list.viewport()->width(), qPrintable(battery));
        // The download's event lines as well.
        QTest::keyClick(window.get(), Qt::Key_F11);
        QTRY_VERIFY(list.count() > 20);
        QVERIFY2(list.sizeHintForColumn(0) <= list.viewport()->width(),
                 qPrintable(list.item(list.count() - 1)->text()));
        Close(*window);
        SetLanguage(Language::English);
    }

    // The output list takes the room of a larger window; at its minimum size the window still
    // shows every control at no less than its own minimum.
    void layoutGrowsAndKeepsControls() {
        SetLanguage(Language::German);
        auto window = Open(Admin);
        QTRY_VERIFY(TheDevice().chargerInfo.m_nVersion > 0);
        QTest::keyClick(window.get(), Qt::Key_F9);
        WaitForModule(*window);
        QVERIFY(Button(*window, IDC_FEEDBACK_ON)->isVisible());

        const QSize first = window->size();
        const QSize list = window->Output().size();
        window->resize(first + QSize(300, 200));
        QTRY_COMPARE(window->Output().size(), list + QSize(300, 200));

        window->resize(1, 1);
        QTRY_COMPARE(window->size(), window->minimumSize());
        QVERIFY(window->minimumSize().isValid());
        QList<QWidget*> controls;
        for (auto* w : window->findChildren<QAbstractButton*>())
            controls << w;
        for (auto* w : window->findChildren<QLineEdit*>())
            controls << w;
        for (auto* w : window->findChildren<QGroupBox*>())
            controls << w;
        controls << &window->Chargers() << &window->Output();
        for (QWidget* w : controls) {
            if (!w->isVisible())
                continue;
            const QRect place(w->mapTo(window.get(), QPoint(0, 0)), w->size());
            QVERIFY2(window->rect().contains(place),
                     qPrintable(w->objectName() + w->metaObject()->className()));
            // A minimum of its own counts instead of the widget's hint, as in layouts.
            const QSize least(
                w->minimumWidth() > 0 ? w->minimumWidth() : w->minimumSizeHint().width(),
                w->minimumHeight() > 0 ? w->minimumHeight() : w->minimumSizeHint().height());
            QVERIFY2(w->width() >= least.width() && w->height() >= least.height(),
                     qPrintable(QString::number(CommandId(w))));
        }
        // The fields are read-only and look it: no white edit background.
        for (int id : {IDC_MODULE_ID, IDC_BASE_FOLDER}) {
            QLineEdit* field = Field(*window, id);
            QVERIFY(field->isReadOnly());
            QCOMPARE(field->palette().color(QPalette::Base),
                     window->palette().color(QPalette::Window));
        }
        Close(*window);
        SetLanguage(Language::English);
    }

    // Qt's own texts follow the German user interface: key names, standard buttons.
    void qtTextsInGerman() {
        QTranslator english;
        QVERIFY(!LoadQtTranslation(english, Language::English));
        QTranslator german;
        QVERIFY2(LoadQtTranslation(german, Language::German),
                 "Qt's German translation is not installed (qt6-translations-l10n)");
        QCoreApplication::installTranslator(&german);
        const QString key = QKeySequence(Qt::CTRL | Qt::Key_F12).toString(QKeySequence::NativeText);
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        const QString cancel = buttons.button(QDialogButtonBox::Cancel)->text();
        QCoreApplication::removeTranslator(&german);
        QCOMPARE(key, QStringLiteral("Strg+F12"));
        QCOMPARE(cancel, QStringLiteral("Abbrechen"));
    }

    // "Create graphs" on a base folder without data says so and opens no window.
    void createGraphsWithoutData() {
        auto window = Open(Admin, 0);
        QVERIFY(window->OnCommand(ID_CREATE_GRAPHS));
        QCOMPARE(m_boxes, QStringList{LoadText(TXT_NO_DATA)});
        Close(*window);
    }

    // Each settings item opens its dialog; without a module the main window identifies it
    // first and the dialog reads the parameters then. Disconnecting (F10 in the dialog) leaves
    // no module, and the dialog closes.
    void settingsDialogs_data() {
        QTest::addColumn<int>("role");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("frames");
        QTest::newRow("feedback thresholds, Plus") << int(Plus) << int(ID_SET_FEEDBACK_THRESHOLDS)
                                                   << "Thresholds [‰]" << QStringList{"GV"};
        QTest::newRow("thresholds, Dentist") << int(Dentist) << int(ID_SET_THRESHOLDS)
                                             << "Thresholds [‰]" << QStringList{"GV", "ACSense"};
        QTest::newRow("thresholds, Configuration, not connected")
            << int(Configuration) << int(ID_SET_THRESHOLDS) << "Thresholds [‰]"
            << QStringList{"GP", "GV", "ACSense"};
        QTest::newRow("feedback mode, Admin, not connected")
            << int(Admin) << int(ID_SET_FEEDBACK_MODE) << "Feedback Mode"
            << QStringList{"GP", "GV"};
        QTest::newRow("parameters, Admin, not connected")
            << int(Admin) << int(ID_SET_PARAMETERS) << "Parameter" << QStringList{"GP", "GV"};
    }
    void settingsDialogs() {
        QFETCH(int, role);
        QFETCH(int, command);
        QFETCH(QString, title);
        QFETCH(QStringList, frames);
        auto window = Open(role);
        QTRY_VERIFY(TheDevice().chargerInfo.m_nVersion > 0);
        if (role <= Dentist)
            WaitForModule(*window);
        QTRY_VERIFY(!TheDevice().link.IsOpen());
        TheSimCharger().ClearReceivedFrames();
        QAction* item = MenuItem(window->MenuBar(), command);
        QVERIFY(item);
        bool closed = false;
        OnModal<CValuesDlg>([&](CValuesDlg& dlg) {
            QCOMPARE(dlg.windowTitle(), title);
            QTRY_COMPARE(Frames(), frames);
            QCOMPARE(Field(*window, IDC_MODULE_ID)->text(), QStringLiteral("K-104233"));
            QVERIFY(QTest::qWaitForWindowActive(&dlg));
            QTest::keyClick(&dlg, Qt::Key_F10);
            QTRY_VERIFY(!dlg.isVisible());
            QCOMPARE(dlg.result(), 2);
            closed = true;
        });
        item->trigger();
        QVERIFY(closed);
        QCOMPARE(Field(*window, IDC_MODULE_ID)->text(), QString());
        QVERIFY(m_boxes.isEmpty());
        Close(*window);
    }

    // Set module ID and Set info send what was entered (identifying the module first when
    // none is known), and the module is identified again, so that the window shows it.
    void moduleText_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<QString>("moduleId");
        QTest::addColumn<QString>("info");
        const QString id = QStringLiteral("K-104233");
        const QString info = QStringLiteral("Patient 17, upper splint");
        QTest::newRow("module ID") << int(ID_SET_MODULE_ID) << true << "K-2000"
                                   << QStringList{"SP0K-2000", "GP"} << "K-2000" << info;
        QTest::newRow("module ID, not connected")
            << int(ID_SET_MODULE_ID) << false << "K-2000" << QStringList{"GP", "SP0K-2000", "GP"}
            << "K-2000" << info;
        QTest::newRow("empty module ID")
            << int(ID_SET_MODULE_ID) << true << "" << QStringList{} << id << info;
        QTest::newRow("info") << int(ID_SET_INFO) << true << "Night splint"
                              << QStringList{"SP2Night splint", "GP"} << id << "Night splint";
        QTest::newRow("empty info")
            << int(ID_SET_INFO) << true << "" << QStringList{"SP2", "GP"} << id << "";
    }
    void moduleText() {
        QFETCH(int, command);
        QFETCH(bool, connected);
        QFETCH(QString, typed);
        QFETCH(QStringList, frames);
        QFETCH(QString, moduleId);
        QFETCH(QString, info);
        auto window = Open(Admin);
        QTRY_VERIFY(TheDevice().chargerInfo.m_nVersion > 0);
        if (connected) {
            QTest::keyClick(window.get(), Qt::Key_F9);
            WaitForModule(*window);
        }
        QTRY_VERIFY(!TheDevice().link.IsOpen());
        TheSimCharger().ClearReceivedFrames();
        OnModal<CInputDlg>([&](CInputDlg& dlg) {
            QCOMPARE(dlg.Edit().maxLength(), 29);
            QTest::keyClicks(&dlg.Edit(), typed);
            QTest::keyClick(&dlg.Edit(), Qt::Key_Return);
        });
        MenuItem(window->MenuBar(), command)->trigger();
        if (!frames.isEmpty())
            QTRY_COMPARE(Frames(), frames);
        QTRY_VERIFY(!TheDevice().link.IsOpen());
        QCOMPARE(Frames(), frames);
        QTRY_COMPARE(Field(*window, IDC_MODULE_ID)->text(),
                     connected || !frames.isEmpty() ? moduleId : QString());
        if (!frames.isEmpty())
            QCOMPARE(TheDevice().moduleInfo.m_strInfo, info);
        QVERIFY(m_boxes.isEmpty());
        Close(*window);
    }

    // Alt+F6 offers the vendor's parameters for the connected module and writes them on OK;
    // Shift+Alt+F12 sets the module ID that the list confirms. Nothing is sent when the list has
    // no (valid) entry, the user declines, or the server fails.
    void vendorList_data() {
        QTest::addColumn<bool>("parameters"); // Alt+F6, else Shift+Alt+F12
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("boxes"); // caption, part of the text, ...
        QTest::addColumn<QStringList>("frames");
        const QByteArray list = "K-1;0;1;1\nK-104233;0;4;60;25;55;22\nK-77;K-77;x\nK-78;K-79\n";
        const QString app = QCoreApplication::applicationName();
        QTest::newRow("parameters, OK")
            << true << "" << 200 << list << QList<int>{IDOK, IDOK}
            << QStringList{LoadText(TXT_NEW_PARAMETERS), "0;4;60;25;55;22", app,
                           LoadText(TXT_PARAMETERS_SET)}
            << QStringList{"SV0;4;60;25;55;22"};
        QTest::newRow("parameters, Cancel")
            << true << "" << 200 << list << QList<int>{IDCANCEL}
            << QStringList{LoadText(TXT_NEW_PARAMETERS), "0;4;60;25;55;22"} << QStringList{};
        QTest::newRow("parameters, not listed") << true << "" << 200 << QByteArray("K-1;0;1;1\n")
                                                << QList<int>{} << QStringList{} << QStringList{};
        QTest::newRow("parameters, invalid entry")
            << true << "" << 200 << QByteArray("K-104233;0;4;60\n") << QList<int>{IDOK}
            << QStringList{app, FormatText(TXT_INVALID_PARAMETERS, {"0;4;60"})} << QStringList{};
        QTest::newRow("parameters, server error")
            << true << "" << 500 << list << QList<int>{IDOK}
            << QStringList{LoadText(TXT_UPDATES), "VM_Param.txt with the error 500"}
            << QStringList{};
        QTest::newRow("module ID confirmed") << false << "K-77" << 200 << list << QList<int>{}
                                             << QStringList{} << QStringList{"SP0K-77", "GP"};
        QTest::newRow("module ID not confirmed")
            << false << "K-78" << 200 << list << QList<int>{} << QStringList{} << QStringList{};
        QTest::newRow("module ID not listed")
            << false << "K-7" << 200 << list << QList<int>{} << QStringList{} << QStringList{};
    }
    void vendorList() {
        QFETCH(bool, parameters);
        QFETCH(QString, typed);
        QFETCH(int, status);
        QFETCH(QByteArray, list);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, frames);
        HttpResponder server;
        server.Set(QStringLiteral("/fileadmin/user_upload/Firmware/VM_Param.txt"), list, status);
        QVERIFY(CRegVT().WriteString(QStringLiteral("ServerOrigin"), server.Origin()));
        auto window = Open(Patient);
        WaitForModule(*window);
        TheSimCharger().ClearReceivedFrames();
        m_answers = answers;
        if (parameters) {
            QTest::keyClick(window.get(), Qt::Key_F6, Qt::AltModifier);
        } else {
            OnModal<CInputDlg>([&](CInputDlg& dlg) {
                QCOMPARE(dlg.windowTitle(), LoadText(TXT_SET_MODULE_ID));
                QTest::keyClicks(&dlg.Edit(), typed);
                QTest::keyClick(&dlg.Edit(), Qt::Key_Return);
            });
            QTest::keyClick(window.get(), Qt::Key_F12, Qt::ShiftModifier | Qt::AltModifier);
        }
        QCOMPARE(server.requests.size(), 1);
        if (!frames.isEmpty())
            QTRY_COMPARE(Frames(), frames);
        QTRY_COMPARE(m_boxes.size(), boxes.size() / 2);
        QTRY_VERIFY(!TheDevice().link.IsOpen());
        QCOMPARE(Frames(), frames);
        for (qsizetype i = 0; i < m_boxes.size(); ++i) {
            QCOMPARE(m_captions[i], boxes[2 * i]);
            QVERIFY2(m_boxes[i].contains(boxes[2 * i + 1]), qPrintable(m_boxes[i]));
        }
        QCOMPARE(Field(*window, IDC_MODULE_ID)->text(),
                 frames.contains("GP") ? typed : QStringLiteral("K-104233"));
        CRegVT().WriteString(QStringLiteral("ServerOrigin"), QString());
        Close(*window);
    }

    // The service commands open their windows: the script window from Dentist on, the test
    // dialog and the FT240X dialog from the Admin menus.
    void serviceWindows_data() {
        QTest::addColumn<int>("role");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("windowClass");
        QTest::addColumn<bool>("opens");
        QTest::newRow("script, Plus")
            << int(Plus) << int(ID_SCRIPT_WINDOW) << "CUsbCommScriptDlg" << false;
        QTest::newRow("script, Dentist")
            << int(Dentist) << int(ID_SCRIPT_WINDOW) << "CUsbCommScriptDlg" << true;
        QTest::newRow("test dialog") << int(Admin) << int(ID_DEBUG) << "CDebugDlg" << true;
        QTest::newRow("FT240X") << int(Admin) << int(ID_CB_EEPROM) << "CEepromDlg" << true;
    }
    void serviceWindows() {
        QFETCH(int, role);
        QFETCH(int, command);
        QFETCH(QString, windowClass);
        QFETCH(bool, opens);
        auto window = Open(role);
        QTRY_VERIFY(TheDevice().chargerInfo.m_nVersion > 0);
        QVERIFY(window->OnCommand(command));
        QPointer<QDialog> opened = ChildWindow(*window, windowClass);
        QCOMPARE(bool(opened), opens);
        QVERIFY(m_boxes.isEmpty());
        if (opened) {
            QVERIFY(opened->isVisible());
            opened->close();
            QTRY_VERIFY(!opened);
        }
        Close(*window);
    }

    // After the FT240X dialog programmed the chip, the charger is identified again; unplugging
    // the charger closes the dialog with Cancel.
    void eepromDialogAndCharger() {
        auto window = Open(Admin);
        QTRY_VERIFY(TheDevice().chargerInfo.m_nVersion > 0);
        QTRY_VERIFY(!TheDevice().link.IsOpen());
        TheSimCharger().ClearReceivedFrames();
        QVERIFY(window->OnCommand(ID_CB_EEPROM));
        QPointer<QDialog> dialog = ChildWindow(*window, QStringLiteral("CEepromDlg"));
        QVERIFY(dialog);
        int result = -1;
        connect(dialog, &QDialog::finished, this, [&result](int r) { result = r; });
        Button(*dialog, IDC_EEPROM_PROGRAM)->click();
        QTRY_VERIFY(!dialog);
        QCOMPARE(result, int(QDialog::Accepted));
        QTRY_COMPARE(Frames(), QStringList{"#CGV"});

        QVERIFY(window->OnCommand(ID_CB_EEPROM));
        dialog = ChildWindow(*window, QStringLiteral("CEepromDlg"));
        QVERIFY(dialog);
        connect(dialog, &QDialog::finished, this, [&result](int r) { result = r; });
        InstallChargers(0);
        window->OnDeviceChange();
        QTRY_VERIFY(!dialog);
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(m_boxes.isEmpty());
        Close(*window);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
