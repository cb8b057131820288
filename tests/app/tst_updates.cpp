// The main window's updates against the simulated charger and a loopback vendor server: the
// notice without internet, the Updates menu following the connectivity and the identified
// firmware, the firmware update windows from the server and from a file with their checks and
// after-steps, and the newest firmware in the tips.

#include "app/VeltrumDlg.h"
#include "base/Reg.h"
#include "base/Texts.h"
#include "drivers/sim/SimCharger.h"
#include "link/CommWorker.h"
#include "link/DeviceState.h"
#include "link/UsbLink.h"
#include "online/OnlineState.h"
#include "support/FakeNetwork.h"
#include "support/HttpResponder.h"
#include "support/SimFrames.h"
#include "ui/common/ToolTip.h"
#include "ui/update/UpdateDlg.h"
#include "ui/update/UpdatesMenu.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

enum Role : int { Patient = -1, Admin = 3 };

constexpr const char* kSoftware = "/fileadmin/user_upload/software/Versions.txt";
constexpr const char* kFirmware = "/fileadmin/user_upload/Firmware/Versions.txt";
const QByteArray kImage = "; 2.9\r\n:10010000214601360121470136007EFE09D2190140\r\n"
                          ":100110002146017E17C20001FF5F16002148011928\r\n:00000001FF\r\n";

QStringList Items(QMenu* menu) {
    QStringList items;
    if (menu) {
        for (QAction* action : menu->actions())
            items << action->text();
    }
    return items;
}

// Runs the update window that the command opens: confirms, starts and lets it end by itself,
// or closes it at once.
class UpdateRunner : public QObject {
public:
    explicit UpdateRunner(bool start) : m_bStart(start) {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            auto* dlg = qobject_cast<CUpdateDlg*>(QApplication::activeModalWidget());
            if (!dlg || dlg == m_dlg)
                return;
            m_dlg = dlg;
            m_bOpened = true;
            title = dlg->windowTitle();
            for (auto* label : dlg->findChildren<QLabel*>())
                texts << label->text();
            if (!m_bStart) {
                dlg->close();
                return;
            }
            for (auto* box : dlg->findChildren<QCheckBox*>())
                box->click();
            for (auto* button : dlg->findChildren<QAbstractButton*>()) {
                if (CommandId(button) == IDC_UPDATE_START)
                    button->click();
            }
        });
        m_poll.start(50);
    }
    // A window was opened (it is gone once the command returns).
    bool Opened() const { return m_bOpened; }
    QString title;
    QStringList texts;

private:
    bool m_bStart;
    bool m_bOpened = false;
    QTimer m_poll;
    QPointer<CUpdateDlg> m_dlg;
};

} // namespace

class TestUpdates : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    QTemporaryDir m_base;
    HttpResponder m_server;
    QStringList m_boxes;
    QList<int> m_answers;

    struct Program {
        CFakeNetwork network;
        COnlineState online{network};
        std::unique_ptr<CVeltrumDlg> window;
    };

    std::unique_ptr<Program> Open(int role, bool internet = true) {
        auto program = std::make_unique<Program>();
        program->network.Switch(internet);
        program->window = std::make_unique<CVeltrumDlg>(role, &program->online);
        program->window->show();
        if (!QTest::qWaitForWindowExposed(program->window.get()))
            qWarning("the main window was not shown");
        return program;
    }
    static void Close(CVeltrumDlg& window) {
        window.close();
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(TheDevice().worker.wait(5000));
    }
    static void WaitForModule() {
        QTRY_COMPARE(TheDevice().moduleInfo.m_strModuleId, QStringLiteral("K-104233"));
        QTRY_VERIFY(!TheDevice().link.IsOpen());
    }

private slots:
    void initTestCase() {
        QVERIFY(m_config.isValid() && m_base.isValid());
        qputenv("KELVORA_CONFIG_DIR", m_config.path().toLocal8Bit());
        QVERIFY(CRegVT().SetDataPath(m_base.path()));
        QVERIFY(CRegVT().WriteString(QStringLiteral("ServerOrigin"), m_server.Origin()));
        SetLanguage(Language::English);
        SetMessageBoxHandler([this](const QString& text, unsigned, const QString&) {
            m_boxes << text;
            return m_answers.isEmpty() ? int(IDCANCEL) : m_answers.takeFirst();
        });
        // The simulated module: family Kelvora_4, version 2.7; the charger: VorozizEvu_2, 1.4.
        m_server.Set(kSoftware, "Kelvora_Veltrum_4.7.0.zip\n");
        m_server.Set(kFirmware, "Kelvora_2.5.a43\nKelvora_4_2.9.a43\nVorozizEvu_2_1.6.a43\n");
        m_server.Set(QStringLiteral("/fileadmin/user_upload/Firmware/Kelvora_4_2.9.a43"), kImage);
        m_server.Set(QStringLiteral("/fileadmin/user_upload/Firmware/VorozizEvu_2_1.6.a43"),
                     kImage);
        std::vector<std::unique_ptr<CFtDriver>> drivers;
        drivers.push_back(std::make_unique<CSimDriver>());
        TheDevice().link.SetDrivers(std::move(drivers));
    }
    void init() {
        m_boxes.clear();
        m_answers.clear();
        m_server.requests.clear();
        TheDevice().Reset();
        TheSimCharger().SetFaults({});
        TheSimCharger().WithModule([](CSimModule& m) { m.batteryMv = 3850; });
        TheSimCharger().ClearReceivedFrames();
    }

    // Without internet at the start: the notice once, no Updates menu. The internet coming:
    // both lists are read, and the menu offers the program and both firmwares at the right end
    // of the menu bar. Losing it removes the menu; regaining it reads the version list again
    // (the firmware list only once).
    void menuFollowsConnectivity() {
        auto program = Open(Patient, false);
        CVeltrumDlg& window = *program->window;
        QTRY_COMPARE(m_boxes, QStringList{LoadText(TXT_NO_INTERNET)});
        WaitForModule();
        QVERIFY(!window.UpdatesMenu()->Menu());
        QCOMPARE(m_server.requests, QStringList());

        program->network.Switch(true);
        QCOMPARE(m_server.requests, (QStringList{kSoftware, kFirmware}));
        QMenu* menu = window.UpdatesMenu()->Menu();
        QVERIFY(menu);
        QCOMPARE(menu->title(), QStringLiteral("Updates"));
        QCOMPARE(Items(menu), (QStringList{"Veltrum 4.7.0", "Kelvora 2.9", "Vareriz-Ezu 1.6"}));
        QWidget* corner = window.MenuBar().cornerWidget(Qt::TopRightCorner);
        QVERIFY(corner && corner->isVisible());
        QVERIFY(corner->geometry().right() >= window.MenuBar().width() - 10);
        QVERIFY(corner->geometry().left() >
                window.MenuBar().actionGeometry(window.MenuBar().actions().last()).right());
        QCOMPARE(CMenuTip::TextOf(menu->actions().first()), LoadText(ID_PROGRAM_UPDATE));

        program->network.Switch(false);
        QVERIFY(!window.UpdatesMenu()->Menu());
        QVERIFY(!corner->isVisible());

        program->network.Switch(true);
        QCOMPARE(m_server.requests, (QStringList{kSoftware, kFirmware, kSoftware}));
        QCOMPARE(Items(window.UpdatesMenu()->Menu()).size(), 3);
        QCOMPARE(m_boxes.size(), 1);
        Close(window);
    }

    // The firmware items follow the identification: without a module only the program and the
    // charger are offered; a module that is disconnected takes its item away.
    void menuFollowsIdentification() {
        auto program = Open(Admin);
        CVeltrumDlg& window = *program->window;
        QVERIFY(m_boxes.isEmpty());
        QTRY_COMPARE(Items(window.UpdatesMenu()->Menu()),
                     (QStringList{"Veltrum 4.7.0", "Vareriz-Ezu 1.6"}));
        QTest::keyClick(&window, Qt::Key_F9);
        WaitForModule();
        QCOMPARE(Items(window.UpdatesMenu()->Menu()),
                 (QStringList{"Veltrum 4.7.0", "Kelvora 2.9", "Vareriz-Ezu 1.6"}));
        QTest::keyClick(&window, Qt::Key_F10);
        QTRY_COMPARE(Items(window.UpdatesMenu()->Menu()),
                     (QStringList{"Veltrum 4.7.0", "Vareriz-Ezu 1.6"}));
        Close(window);
    }

    // The tips of the charger list and the module ID name the firmware family and its newest
    // version on the server.
    void newestFirmwareInTips() {
        auto program = Open(Patient);
        CVeltrumDlg& window = *program->window;
        WaitForModule();
        QString tip;
        QVERIFY(window.GetTipText(IDC_CHARGERS, tip));
        QVERIFY2(tip.endsWith(QStringLiteral("\nNewest firmware on the server: VorozizEvu_2 1.6")),
                 qPrintable(tip));
        QVERIFY(window.GetTipText(IDC_MODULE_ID, tip));
        QVERIFY2(tip.endsWith(QStringLiteral("Newest firmware on the server: Kelvora_4 2.9")),
                 qPrintable(tip));
        Close(window);
    }

    // The module update from the server is refused below 3,600 mV, before anything is fetched;
    // at 3,600 mV the window updates with the server's newest image, then the module is
    // disconnected, the success is reported and it is identified anew.
    void moduleFromServer_data() {
        QTest::addColumn<int>("millivolts");
        QTest::newRow("3599 mV refused") << 3599;
        QTest::newRow("3600 mV") << 3600;
    }
    void moduleFromServer() {
        QFETCH(int, millivolts);
        TheSimCharger().WithModule([millivolts](CSimModule& m) { m.batteryMv = millivolts; });
        auto program = Open(Patient);
        CVeltrumDlg& window = *program->window;
        WaitForModule();
        TheSimCharger().ClearReceivedFrames();
        m_server.requests.clear();
        UpdateRunner runner(true);
        window.OnCommand(ID_WEB_VM_UPDATE);
        if (millivolts < 3600) {
            QCOMPARE(m_boxes, QStringList{LoadText(TXT_BATTERY_TOO_LOW)});
            QVERIFY(!runner.Opened());
            QCOMPARE(m_server.requests, QStringList());
            QTest::qWait(100);
            QCOMPARE(Frames(), QStringList());
        } else {
            QVERIFY(runner.Opened());
            QCOMPARE(runner.title, QStringLiteral("Kelvora"));
            QVERIFY(runner.texts.contains(QStringLiteral("Kelvora_4_2.9.a43")));
            QCOMPARE(m_server.requests,
                     QStringList{"/fileadmin/user_upload/Firmware/Kelvora_4_2.9.a43"});
            QCOMPARE(m_boxes, QStringList{FormatText(TXT_FIRMWARE_UPDATED, {"Kelvora"})});
            QTRY_COMPARE(Frames().size(), 6);
            QCOMPARE(Frames().mid(0, 2),
                     (QStringList{"UPKelvora", "IH:10010000214601360121470136007EFE09D2190140"}));
            QCOMPARE(Frames().mid(4), (QStringList{"EC", "GP"}));
        }
        Close(window);
    }

    // From a local file the battery is not checked; a window closed without updating still
    // disconnects and identifies the module, without the success message.
    void moduleFromFile_data() {
        QTest::addColumn<bool>("start");
        QTest::newRow("updated") << true;
        QTest::newRow("closed") << false;
    }
    void moduleFromFile() {
        QFETCH(bool, start);
        const QString path = m_base.filePath(QStringLiteral("Kelvora_4_2.9.a43"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kImage);
        file.close();
        TheSimCharger().WithModule([](CSimModule& m) { m.batteryMv = 3599; });
        auto program = Open(Admin);
        CVeltrumDlg& window = *program->window;
        QTest::keyClick(&window, Qt::Key_F9);
        WaitForModule();
        TheSimCharger().ClearReceivedFrames();
        bool chosen = false;
        QTimer chooser;
        // Types the path into the file name field, which the dialog takes as it stands (a
        // selection in its list would wait until the dialog has read the folder).
        connect(&chooser, &QTimer::timeout, this, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                chosen = true;
                dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
                static_cast<QDialog*>(dialog)->accept();
            }
        });
        chooser.start(50);
        UpdateRunner runner(start);
        window.OnCommand(ID_VM_UPDATE);
        QVERIFY(chosen && runner.Opened());
        if (start) {
            QCOMPARE(m_boxes, QStringList{FormatText(TXT_FIRMWARE_UPDATED, {"Kelvora"})});
            QTRY_COMPARE(Frames().size(), 6);
            QCOMPARE(Frames().mid(4), (QStringList{"EC", "GP"}));
        } else {
            QVERIFY(m_boxes.isEmpty());
            QTRY_COMPARE(Frames(), (QStringList{"EC", "GP"}));
        }
        QTRY_COMPARE(TheDevice().moduleInfo.m_strModuleId, QStringLiteral("K-104233"));
        Close(window);
    }

    // The charger update from the server: loader texts without checksum, then "#CEC", the
    // success message and "#CGV".
    void chargerFromServer() {
        auto program = Open(Admin);
        CVeltrumDlg& window = *program->window;
        QTRY_VERIFY(TheDevice().chargerInfo.m_nVersion > 0);
        QTRY_VERIFY(!TheDevice().link.IsOpen());
        TheSimCharger().ClearReceivedFrames();
        UpdateRunner runner(true);
        window.OnCommand(ID_WEB_CB_UPDATE);
        QCOMPARE(runner.title, QStringLiteral("Vareriz-Ezu"));
        QCOMPARE(m_boxes, QStringList{FormatText(TXT_FIRMWARE_UPDATED, {"Vareriz-Ezu"})});
        QTRY_COMPARE(Frames(),
                     (QStringList{"#CUPKelvora", "#CIH:10010000214601360121470136007EFE09D2190140",
                                  "#CIH:100110002146017E17C20001FF5F16002148011928",
                                  "#CIH:00000001FF", "#CEC", "#CGV"}));
        Close(window);
    }
};

QTEST_MAIN(TestUpdates)
#include "tst_updates.moc"
