// The queue and the communication worker against the simulated charger: exchanges, owner
// notifications, the retry policy, aborting and stopping.

#include "base/Texts.h"
#include "drivers/sim/SimCharger.h"
#include "link/CmdOwner.h"
#include "link/CommWorker.h"
#include "link/Crc16.h"
#include "link/DevCmd.h"
#include "link/DeviceState.h"
#include "link/UsbLink.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

namespace {

class TestCmd : public CDevCmdReply {
public:
    explicit TestCmd(const QString& text, std::uint32_t kind = KIND_NONE,
                     std::uint32_t timeout = 300)
        : CDevCmdReply(text), m_timeout(timeout) {
        m_nKind = kind;
    }
    std::uint32_t GetTimeout() const override { return m_timeout; }

private:
    std::uint32_t m_timeout;
};

// Records the notifications it receives.
class Owner : public CCommOwner {
public:
    bool OnCmdStart(CDevCmdReply& cmd) override {
        events << "start " + cmd.m_strText;
        return startAnswer;
    }
    bool OnCmdOk(CDevCmdReply& cmd) override {
        events << "ok " + cmd.m_strText;
        return false;
    }
    bool OnCmdError(CDevCmdReply& cmd) override {
        events << QStringLiteral("error %1 %2").arg(cmd.m_strText).arg(cmd.m_nMsgId);
        return CCommOwner::OnCmdError(cmd);
    }
    void OnCmdEnd(CDevCmdReply& cmd) override { events << "end " + cmd.m_strText; }
    void OnEndDialog(int result) override { events << QStringLiteral("exit %1").arg(result); }
    void OnCmdSent(bool real) override { sent << real; }
    void OnLinkFailed() override { ++linkFailures; }

    bool startAnswer = true;
    QStringList events;
    QList<bool> sent;
    int linkFailures = 0;
};

struct Box {
    QString text;
    unsigned style;
};

CSimFaults DropReplies(int n) {
    CSimFaults faults;
    faults.dropReplies = n;
    return faults;
}

QByteArray Frame(const QByteArray& text) {
    return text + '\n' + QByteArray::number(CCrc16::Of(text));
}

} // namespace

class TestWorker : public QObject {
    Q_OBJECT

    Owner m_main;
    QList<Box> m_boxes;
    QList<int> m_answers; // answers of the next message boxes, first first
    QStringList m_protocol;

    void Reset() {
        m_boxes.clear();
        m_answers.clear();
        m_protocol.clear();
        m_main.events.clear();
        m_main.sent.clear();
        TheSimCharger().SetFaults({});
        TheSimCharger().ClearReceivedFrames();
    }

    // Waits until the worker has drained the queue, by sending a marker command behind it.
    void Drain(Owner& owner) {
        TestCmd marker(QStringLiteral("GP"));
        marker.m_pOwner = &owner;
        marker.Post();
        QTRY_VERIFY(owner.events.contains("end GP"));
    }

private slots:
    void initTestCase() {
        SetLanguage(Language::English);
        QVERIFY(SelectSimulatedChargerOnly());
        SetMessageBoxHandler([this](const QString& text, unsigned style, const QString&) {
            m_boxes.append({text, style});
            return m_answers.isEmpty() ? int(IDCANCEL) : m_answers.takeFirst();
        });
        SetProtocolHandler([this](const QString& line) { m_protocol << line; });
        TheDevice().worker.SetMainOwner(&m_main);
        TheDevice().worker.Start();
    }
    void init() { Reset(); }

    void queueKinds() {
        CQueue queue;
        TestCmd info(QStringLiteral("#CGV"), KIND_CB_INFO);
        TestCmd plain(QStringLiteral("GV"));
        queue.Add(&info);
        queue.Add(&info);
        queue.Add(&plain);
        queue.Add(&plain);
        QCOMPARE(queue.Size(), 3);
        QCOMPARE(queue.PendingKinds(), std::uint32_t(KIND_CB_INFO));
        QCOMPARE(queue.Take(), &info);
        QVERIFY(queue.IsActive());
        QCOMPARE(queue.PendingKinds(), 0u);
        queue.Add(&info); // may be queued again while it executes
        QCOMPARE(queue.Size(), 3);
        queue.Clear();
        QCOMPARE(queue.Size(), 0);
        QVERIFY(!queue.IsActive());
        QCOMPARE(queue.Take(), nullptr);
    }

    // One exchange: notifications in order, frame on the wire, protocol lines, sent notices.
    void exchange() {
        Owner owner;
        TestCmd gp(QStringLiteral("GP"));
        gp.m_pOwner = &owner;
        CKeepAliveCmd keepAlive;
        keepAlive.Post();
        gp.Post();
        QTRY_VERIFY(owner.events.contains("end GP"));
        QCOMPARE(owner.events, (QStringList{"start GP", "ok GP", "end GP"}));
        QVERIFY(gp.m_strReply.contains(QRegularExpression("\\nK-104233\\n(.*\\n){4}\\d+\\t0\\n")));
        QCOMPARE(TheSimCharger().ReceivedFrames(), (QList<QByteArray>{Frame("KA"), Frame("GP")}));
        QCOMPARE(m_protocol.value(0), QStringLiteral("Cmd: KA"));
        QCOMPARE(m_protocol.value(1), QStringLiteral("Cmd: GP"));
        QVERIFY(m_protocol.value(2).contains(QRegularExpression("\\n\\d+;0\\n")));
        QTRY_COMPARE(m_main.sent, (QList<bool>{false, true}));
    }

    void startRefusedSendsNothing() {
        Owner owner;
        owner.startAnswer = false;
        TestCmd cmd(QStringLiteral("GV"));
        cmd.m_pOwner = &owner;
        cmd.Post();
        Owner other;
        Drain(other);
        QCOMPARE(owner.events, QStringList{"start GV"});
        QCOMPARE(TheSimCharger().ReceivedFrames(), QList<QByteArray>{Frame("GP")});
    }

    // The first failure is repeated silently, the second asks; Cancel drops the queue.
    void retryPolicy_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("sends");
        QTest::addColumn<bool>("ended");
        QTest::newRow("cancel") << int(IDCANCEL) << 2 << false;
        QTest::newRow("retry") << int(IDRETRY) << 3 << true;
    }
    void retryPolicy() {
        QFETCH(int, answer);
        QFETCH(int, sends);
        QFETCH(bool, ended);
        TheSimCharger().SetFaults(DropReplies(2));
        m_answers = {answer};
        Owner owner;
        Owner next;
        TestCmd gp(QStringLiteral("GP"));
        TestCmd behind(QStringLiteral("GP"));
        gp.m_pOwner = &owner;
        behind.m_pOwner = &next;
        gp.Post();
        behind.Post();
        QTRY_COMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].style, unsigned(MB_RETRYCANCEL));
        QCOMPARE(m_boxes[0].text, LoadText(TXT_NO_RESPONSE) + LoadText(TXT_CHECK_PLACEMENT) +
                                      LoadText(TXT_PLEASE_RETRY));
        if (ended) {
            QTRY_VERIFY(next.events.contains("end GP"));
            QCOMPARE(TheSimCharger().ReceivedFrames().count(Frame("GP")), sends + 1);
        } else {
            QTRY_COMPARE(TheDevice().queue.Size(), 0);
            QCOMPARE(TheSimCharger().ReceivedFrames().count(Frame("GP")), sends);
            Owner other;
            Drain(other);
        }
        QCOMPARE(owner.events.count(QStringLiteral("error GP %1").arg(TXT_NO_RESPONSE)), 2);
        QCOMPARE(owner.events.contains("end GP"), ended);
        QCOMPARE(next.events.contains("start GP"), ended);
        QVERIFY(m_protocol.contains(
            QStringLiteral("MsgBox: %1\n%2 [%3]")
                .arg(QCoreApplication::applicationName(), m_boxes[0].text, AnswerName(answer))));
    }

    void silentRetryAfterBadChecksum() {
        CSimFaults faults;
        faults.badChecksums = 1;
        TheSimCharger().SetFaults(faults);
        Owner owner;
        TestCmd gp(QStringLiteral("GP"));
        gp.m_pOwner = &owner;
        gp.Post();
        QTRY_VERIFY(owner.events.contains("end GP"));
        QCOMPARE(owner.events,
                 (QStringList{"start GP", QStringLiteral("error GP %1").arg(TXT_TRANSMISSION),
                              "ok GP", "end GP"}));
        QVERIFY(m_boxes.isEmpty());
    }

    // Error words that cannot be mended by repeating show an OK box and drop the queue.
    void finalErrors_data() {
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<QString>("text");
        QTest::newRow("low battery") << QByteArray("LOW_BATT") << LoadText(TXT_BATTERY_TOO_LOW);
        QTest::newRow("invalid command")
            << QByteArray("INV_CMD") << LoadText(TXT_INVALID_COMMAND) + LoadText(TXT_CONTACT_MAKER);
        QTest::newRow("buffer") << QByteArray("BUFFER_CRC")
                                << LoadText(TXT_BUFFER_CORRUPTED) + LoadText(TXT_READ_DATA);
    }
    void finalErrors() {
        QFETCH(QByteArray, word);
        QFETCH(QString, text);
        CSimFaults faults;
        faults.errorReplies = 1;
        faults.errorWord = word;
        TheSimCharger().SetFaults(faults);
        Owner owner;
        Owner next;
        TestCmd gp(QStringLiteral("GP"));
        TestCmd behind(QStringLiteral("GP"));
        gp.m_pOwner = &owner;
        behind.m_pOwner = &next;
        gp.Post();
        behind.Post();
        QTRY_COMPARE(m_boxes.size(), 1);
        QTRY_COMPARE(TheDevice().queue.Size(), 0);
        QCOMPARE(m_boxes[0].style, unsigned(MB_OK));
        QCOMPARE(m_boxes[0].text, text);
        Owner other;
        Drain(other);
        QCOMPARE(TheSimCharger().ReceivedFrames().count(Frame("GP")), 2);
        QVERIFY(next.events.isEmpty());
    }

    // Clearing the queue ends a long reply wait at once; no further notification follows.
    void clearAbortsLongWait() {
        TheSimCharger().SetFaults(DropReplies(1));
        Owner owner;
        TestCmd slow(QStringLiteral("UP"), KIND_NONE, 12000);
        slow.m_pOwner = &owner;
        slow.Post();
        QTRY_VERIFY(owner.events.contains("start UP"));
        QTRY_COMPARE(TheSimCharger().ReceivedFrames().size(), 1);
        QElapsedTimer timer;
        timer.start();
        TheDevice().queue.Clear();
        Owner other;
        Drain(other);
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(owner.events, QStringList{"start UP"});
    }

    // A charger that cannot be opened (here: gone) fails the command that needs it, through
    // the owner's normal path with "Please attach charger" and a Retry/Cancel box (no silent
    // repetition, no placement hint); Cancel drops the queue, Retry opens the link again. A
    // keep-alive is dropped unsent. The main owner is told, so that it looks for chargers again.
    void linkFailureFailsCommands_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("cancel") << int(IDCANCEL);
        QTest::newRow("retry with the charger back") << int(IDRETRY);
    }
    void linkFailureFailsCommands() {
        QFETCH(int, answer);
        TheDevice().link.Select(7);
        m_main.linkFailures = 0;
        SetMessageBoxHandler([this, answer](const QString& text, unsigned style, const QString&) {
            m_boxes.append({text, style});
            if (answer == IDRETRY)
                TheDevice().link.Select(0);
            return answer;
        });
        Owner owner;
        TestCmd gp(QStringLiteral("GP"));
        TestCmd behind(QStringLiteral("GV"));
        gp.m_pOwner = &owner;
        behind.m_pOwner = &owner;
        CKeepAliveCmd keepAlive;
        keepAlive.Post();
        gp.Post();
        behind.Post();
        if (answer == IDRETRY) {
            QTRY_VERIFY(owner.events.contains("end GV"));
            QCOMPARE(owner.events,
                     (QStringList{"start GP", QStringLiteral("error GP %1").arg(TXT_NO_CHARGER),
                                  "ok GP", "end GP", "start GV", "ok GV", "end GV"}));
        } else {
            QTRY_COMPARE(m_boxes.size(), 1);
            Owner other;
            TheDevice().link.Select(0);
            Drain(other);
            QCOMPARE(owner.events,
                     (QStringList{"start GP", QStringLiteral("error GP %1").arg(TXT_NO_CHARGER)}));
        }
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text, LoadText(TXT_NO_CHARGER) + LoadText(TXT_PLEASE_RETRY));
        QCOMPARE(m_boxes[0].style, unsigned(MB_RETRYCANCEL));
        QTRY_VERIFY(m_main.linkFailures >= 1);
        QVERIFY(!m_protocol.contains(QStringLiteral("Cmd: KA")));
        QVERIFY(!TheSimCharger().ReceivedFrames().contains(Frame("KA")));
        QCOMPARE(TheDevice().queue.Size(), 0);
        SetMessageBoxHandler([this](const QString& text, unsigned style, const QString&) {
            m_boxes.append({text, style});
            return m_answers.isEmpty() ? int(IDCANCEL) : m_answers.takeFirst();
        });
    }

    // A command text with a control character other than TAB is never sent: the command fails
    // with its message in an OK box.
    void controlCharactersNotSent_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("ETX") << QStringLiteral("GP\x03#CGV");
        QTest::newRow("STX") << QStringLiteral("\x02GP");
        QTest::newRow("line feed") << QStringLiteral("GP\n1234");
        QTest::newRow("NUL") << QString(QStringLiteral("GP")).append(QChar(0));
        QTest::newRow("DEL") << QStringLiteral("GP\x7F");
    }
    void controlCharactersNotSent() {
        QFETCH(QString, text);
        Owner owner;
        TestCmd cmd(text);
        cmd.m_pOwner = &owner;
        cmd.Post();
        QTRY_COMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text, LoadText(TXT_CONTROL_CHARACTER));
        QCOMPARE(m_boxes[0].style, unsigned(MB_OK));
        QCOMPARE(owner.events,
                 (QStringList{"start " + text,
                              QStringLiteral("error %1 %2").arg(text).arg(TXT_CONTROL_CHARACTER)}));
        Owner other;
        Drain(other);
        QCOMPARE(TheSimCharger().ReceivedFrames(), QList<QByteArray>{Frame("GP")});

        // TAB stays allowed: the text goes out (the module does not know it).
        TestCmd tab(QStringLiteral("XX\t1"));
        tab.m_pOwner = &other;
        tab.Post();
        QTRY_VERIFY(
            other.events.contains(QStringLiteral("error XX\t1 %1").arg(TXT_INVALID_COMMAND)));
        QVERIFY(TheSimCharger().ReceivedFrames().contains(Frame("XX\t1")));
    }

    void exitDialog() {
        Owner dialog;
        CExitDlgCmd exit;
        exit.m_pOwner = &dialog;
        PostExit(exit);
        QTRY_COMPARE(dialog.events, QStringList{"exit 2"});

        TheDevice().link.Select(-1);
        dialog.events.clear();
        PostExit(exit);
        QTRY_COMPARE(dialog.events, QStringList{"exit 2"});
        TheDevice().link.Select(0);
    }

    // Stopping the worker: "EC" only goes to a charger that is selected and can be opened;
    // the worker ends in every case.
    void terminate_data() {
        QTest::addColumn<int>("selection");
        QTest::addColumn<bool>("endOfCommunication");
        QTest::newRow("no charger selected") << -1 << false;
        QTest::newRow("charger cannot be opened") << 7 << false;
        QTest::newRow("charger selected") << 0 << true;
    }
    void terminate() {
        QFETCH(int, selection);
        QFETCH(bool, endOfCommunication);
        if (!TheDevice().worker.isRunning())
            TheDevice().worker.Start();
        TheDevice().link.Select(selection);
        CTerminateCmd terminate;
        PostTerminate(terminate);
        QVERIFY(TheDevice().worker.wait(5000));
        QTRY_COMPARE(m_main.events, QStringList{"exit 2"});
        QCOMPARE(TheSimCharger().ReceivedFrames(),
                 endOfCommunication ? QList<QByteArray>{"EC"} : QList<QByteArray>{});
    }

    void cleanupTestCase() {
        TheDevice().worker.SetMainOwner(nullptr);
        SetMessageBoxHandler(nullptr);
        SetProtocolHandler(nullptr);
    }
};

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_worker.moc"
