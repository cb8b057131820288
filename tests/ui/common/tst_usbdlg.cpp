// The device window bases against the simulated charger: closing through the queue, the
// default handling of failed exchanges with scripted message-box answers, the protocol pane and
// the Connect/Disconnect shortcuts.

#include "base/Texts.h"
#include "drivers/sim/SimCharger.h"
#include "link/CommWorker.h"
#include "link/DeviceState.h"
#include "link/UsbLink.h"
#include "ui/common/OutputDlg.h"
#include "ui/common/UsbDlg.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

class TestCmd : public CDevCmdReply {
public:
    TestCmd(const QString& text, std::uint32_t timeout) : CDevCmdReply(text), m_timeout(timeout) {}
    std::uint32_t GetTimeout() const override { return m_timeout; }

private:
    std::uint32_t m_timeout;
};

// A device window that records what reaches it.
class TestDlg : public CUsbCommDlg {
public:
    TestDlg() : CUsbCommDlg(QStringLiteral("IDD_TEST"), nullptr) {}
    bool OnCmdOk(CDevCmdReply& cmd) override {
        events << "ok " + cmd.m_strText;
        return false;
    }
    void OnCmdEnd(CDevCmdReply& cmd) override { events << "end " + cmd.m_strText; }
    void OnEndDialog(int result) override {
        events << QStringLiteral("exit %1").arg(result);
        CUsbCommDlg::OnEndDialog(result);
    }
    QStringList events;
};

// A command behind the others that reports when it has run.
class Marker : public CCommOwner {
public:
    Marker() : m_cmd(QStringLiteral("#CGV"), 300) { m_cmd.m_pOwner = this; }
    void Post() { m_cmd.Post(); }
    void OnCmdEnd(CDevCmdReply&) override { done = true; }
    bool done = false;

private:
    TestCmd m_cmd;
};

// The main window's side of the Connect/Disconnect shortcuts.
class MainDlg : public CTipDialog {
public:
    MainDlg() : CTipDialog(QStringLiteral("IDD_VELTRUM"), nullptr) {}
    qintptr OnMessage(int message, qintptr, qintptr) override {
        messages << message;
        return 0;
    }
    QList<int> messages;
};

CSimFaults Faults(int drop, int errors = 0, const QByteArray& word = "INV_CMD") {
    CSimFaults faults;
    faults.dropReplies = drop;
    faults.errorReplies = errors;
    faults.errorWord = word;
    return faults;
}

} // namespace

Q_DECLARE_METATYPE(CSimFaults)

class TestUsbDlg : public QObject {
    Q_OBJECT

    struct Box {
        QString text;
        unsigned style;
    };
    QList<Box> m_boxes;
    QList<int> m_answers;

private slots:
    void initTestCase() {
        SetLanguage(Language::English);
        QVERIFY(SelectSimulatedChargerOnly());
        SetMessageBoxHandler([this](const QString& text, unsigned style, const QString&) {
            m_boxes.append({text, style});
            return m_answers.isEmpty() ? int(IDCANCEL) : m_answers.takeFirst();
        });
        TheDevice().worker.Start();
    }
    void init() {
        TheDevice().link.Select(0);
        m_boxes.clear();
        m_answers.clear();
        TheSimCharger().SetFaults({});
        TheSimCharger().ClearReceivedFrames();
    }

    // Closing while a command waits for its reply: the wait is cut short, but the window stays
    // (disabled) until the worker has taken the exit command, then ends with 2.
    void closeWhileCommandWaits() {
        TheSimCharger().SetFaults(Faults(1));
        TestDlg dlg;
        dlg.show();
        TestCmd slow(QStringLiteral("GP"), 12000);
        slow.m_pOwner = &dlg;
        slow.Post();
        QTRY_COMPARE(TheSimCharger().ReceivedFrames().size(), 1);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!dlg.close());
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.isEnabled());
        QTRY_VERIFY(!dlg.isVisible());
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(dlg.result(), 2);
        QCOMPARE(dlg.events, QStringList{"exit 2"});
        QVERIFY(!TheDevice().queue.IsActive() || TheDevice().queue.Size() == 0);
    }

    // Esc closes the same way; with no charger selected the window ends at once.
    void escWithoutCharger() {
        TheDevice().link.Select(-1);
        TestDlg dlg;
        dlg.show();
        // Only the press: the window disables itself on it, so the release would go nowhere.
        QTest::keyPress(&dlg, Qt::Key_Escape);
        QTRY_COMPARE(dlg.events, QStringList{"exit 2"});
        QVERIFY(!dlg.isVisible());
    }

    void errorPolicy_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<CSimFaults>("faults");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("frames"); // frames of the command that reached the charger
        QTest::addColumn<QList<unsigned>>("styles");
        QTest::addColumn<QString>("text");  // text of the last box
        QTest::addColumn<bool>("nextSent"); // a command queued behind it still runs
        const QString noResponse =
            LoadText(TXT_NO_RESPONSE) + LoadText(TXT_CHECK_PLACEMENT) + LoadText(TXT_PLEASE_RETRY);
        QTest::newRow("first failure repeated silently")
            << "GP" << Faults(1) << QList<int>{} << 2 << QList<unsigned>{} << QString() << true;
        QTest::newRow("second failure asks, Retry succeeds")
            << "GP" << Faults(2) << QList<int>{IDRETRY} << 3 << QList<unsigned>{MB_RETRYCANCEL}
            << noResponse << true;
        QTest::newRow("Cancel drops the queue")
            << "GP" << Faults(2) << QList<int>{IDCANCEL} << 2 << QList<unsigned>{MB_RETRYCANCEL}
            << noResponse << false;
        QTest::newRow("charger command without placement hint")
            << "#CGV" << Faults(2) << QList<int>{IDCANCEL} << 2 << QList<unsigned>{MB_RETRYCANCEL}
            << LoadText(TXT_NO_RESPONSE) + LoadText(TXT_PLEASE_RETRY) << false;
        QTest::newRow("low battery: OK box, no retry")
            << "GP" << Faults(0, 1, "LOW_BATT") << QList<int>{IDOK} << 1 << QList<unsigned>{MB_OK}
            << LoadText(TXT_BATTERY_TOO_LOW) << false;
        QTest::newRow("invalid command: contact the maker")
            << "GP" << Faults(0, 1, "INV_CMD") << QList<int>{IDOK} << 1 << QList<unsigned>{MB_OK}
            << LoadText(TXT_INVALID_COMMAND) + LoadText(TXT_CONTACT_MAKER) << false;
    }
    void errorPolicy() {
        QFETCH(QString, command);
        QFETCH(CSimFaults, faults);
        QFETCH(QList<int>, answers);
        QFETCH(int, frames);
        QFETCH(QList<unsigned>, styles);
        QFETCH(QString, text);
        QFETCH(bool, nextSent);
        m_answers = answers;
        TheSimCharger().SetFaults(faults);
        TestDlg dlg;
        dlg.show();
        TestCmd cmd(command, 300);
        TestCmd next(QStringLiteral("#CGV"), 300);
        cmd.m_pOwner = next.m_pOwner = &dlg;
        cmd.Post();
        next.Post();
        // Once the command has ended or its last box was answered, a marker behind the rest
        // tells when the worker is through.
        QTRY_VERIFY(dlg.events.contains("end " + command) ||
                    (!styles.isEmpty() && m_boxes.size() == styles.size()));
        Marker marker;
        marker.Post();
        QTRY_VERIFY(marker.done);

        const QByteArray sent = command.toLatin1();
        qsizetype count = 0;
        for (const QByteArray& frame : TheSimCharger().ReceivedFrames())
            count += frame.startsWith(sent) ? 1 : 0;
        if (command != u"#CGV")
            QCOMPARE(int(count), frames);
        QList<unsigned> shown;
        for (const Box& box : m_boxes)
            shown << box.style;
        QCOMPARE(shown, styles);
        if (!m_boxes.isEmpty())
            QCOMPARE(m_boxes.last().text, text);
        QCOMPARE(dlg.events.contains("end #CGV"), nextSent);
        QCOMPARE(dlg.events.contains("ok " + command),
                 answers.value(0) == IDRETRY || styles.isEmpty());
        // Close it the regular way before it goes out of scope.
        dlg.close();
        QTRY_VERIFY(!dlg.isVisible());
    }

    // The protocol pane sits 10 px right of the window, tops aligned, and follows it.
    void protocolPaneFollows() {
        TheDevice().link.Select(-1);
        TestDlg dlg;
        dlg.move(40, 40);
        dlg.show();
        QVERIFY(dlg.Protocol());
        QVERIFY(!dlg.Protocol()->isVisible());
        QVERIFY(dlg.Protocol()->Toggle());
        QTRY_COMPARE(dlg.Protocol()->pos(),
                     QPoint(dlg.frameGeometry().right() + 11, dlg.frameGeometry().top()));
        dlg.move(100, 120);
        QTRY_COMPARE(dlg.Protocol()->pos(),
                     QPoint(dlg.frameGeometry().right() + 11, dlg.frameGeometry().top()));
        dlg.setEnabled(false);
        QVERIFY(!dlg.Protocol()->isEnabled());
        QVERIFY(!dlg.Protocol()->Toggle());
        QVERIFY(!dlg.Protocol()->isVisible());
        dlg.setEnabled(true);
        QVERIFY(dlg.Protocol()->isEnabled());
        dlg.close();
        QTRY_VERIFY(!dlg.isVisible());
    }

    // F9 and F10 ask the main window to connect and disconnect.
    void connectShortcuts() {
        TheDevice().link.Select(-1);
        MainDlg main;
        SetMainWindow(&main);
        TestDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QTest::keyClick(&dlg, Qt::Key_F9);
        QTest::keyClick(&dlg, Qt::Key_F10);
        QTRY_COMPARE(main.messages, (QList<int>{WM_DEV_CONNECT, WM_DEV_DISCONNECT}));
        SetMainWindow(nullptr);
        dlg.close();
        QTRY_VERIFY(!dlg.isVisible());
    }

    void cleanupTestCase() {
        CTerminateCmd terminate;
        PostTerminate(terminate);
        QVERIFY(TheDevice().worker.wait(5000));
        SetMessageBoxHandler(nullptr);
    }
};

QTEST_MAIN(TestUsbDlg)
#include "tst_usbdlg.moc"
