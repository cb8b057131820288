// Command scripts: loading with its error rules, and runs against the simulated module with
// nested loops, cancelling during a pause and failed commands.

#include "base/Texts.h"
#include "drivers/sim/SimCharger.h"
#include "link/CommWorker.h"
#include "link/Crc16.h"
#include "link/DeviceState.h"
#include "link/UsbLink.h"
#include "scripts/Script.h"
#include "scripts/ScriptOwner.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <mutex>

namespace {

class Owner : public CScriptOwner {
public:
    using CScriptOwner::CScriptOwner;
    bool OnCmdReply(CDevCmdReply& cmd) override {
        const bool repeat = CScriptOwner::OnCmdReply(cmd);
        marks << StatusOk();
        return repeat;
    }
    void OnRunEnd() override { ended = true; }
    QList<bool> marks;
    bool ended = false;
};

QByteArray Frame(const QByteArray& text) {
    return text + '\n' + QByteArray::number(CCrc16::Of(text));
}

} // namespace

class TestScript : public QObject {
    Q_OBJECT

    CCmdOwner m_main;
    QTemporaryDir m_dir;
    std::mutex m_logLock;
    QStringList m_log;

    QStringList Log() {
        std::lock_guard guard(m_logLock);
        return m_log;
    }

    void Load(CScript& script, const QByteArray& content) {
        script.SetLogHandler([this](const QString& line) {
            std::lock_guard guard(m_logLock);
            m_log << line;
        });
        script.LoadContent(content);
        std::lock_guard guard(m_logLock);
        m_log.clear();
    }

private slots:
    void initTestCase() {
        SetLanguage(Language::English);
        QVERIFY(SelectSimulatedChargerOnly());
        TheDevice().worker.SetMainOwner(&m_main);
        TheDevice().worker.Start();
    }
    // The worker is stopped as the program stops it, through the terminate command.
    void cleanupTestCase() {
        CTerminateCmd terminate;
        PostTerminate(terminate);
        QVERIFY(TheDevice().worker.wait(5000));
        TheDevice().worker.SetMainOwner(nullptr);
    }
    void init() {
        TheSimCharger().SetFaults({});
        TheSimCharger().ClearReceivedFrames();
    }

    void loading_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("runnable");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("lastLog");
        QTest::newRow("command and pause")
            << QByteArray("KelvoraScript\nCMD\tGP\nPAUSE\t500\n") << true << 2 << "PAUSE 500";
        QTest::newRow("nested loops, CR LF")
            << QByteArray(
                   "KelvoraScript\r\nLOOP\t2\r\nLOOP\t3\r\nCMD\tGP\r\nENDLOOP\r\nENDLOOP\r\n")
            << true << 3 << "ENDLOOP";
        QTest::newRow("empty line") << QByteArray("KelvoraScript\nCMD\tGP\n\nCMD\tGP\n") << false
                                    << 0 << "Fehler in Zeile 3";
        QTest::newRow("loop left open")
            << QByteArray("KelvoraScript\nLOOP\t2\nCMD\tGP\n") << false << 2 << "CMD GP";
        QTest::newRow("pause without number")
            << QByteArray("KelvoraScript\nCMD\tGP\nCMD\tGV\nPAUSE\tx\nCMD\tGP\n") << true << 2
            << "PAUSE x";
        QTest::newRow("header only")
            << QByteArray("KelvoraScript\n") << false << 0 << "KelvoraScript";
        QTest::newRow("wrong header")
            << QByteArray("kelvoraScript\nCMD\tGP\n") << false << 0 << "kelvoraScript";
        QTest::newRow("ENDLOOP without loop")
            << QByteArray("KelvoraScript\nENDLOOP\n") << false << 0 << "Fehler in Zeile 2";
        QTest::newRow("comment, command with TABs")
            << QByteArray("KelvoraScript\n// note\tx\nCMD\tSV0;1\t2\n") << true << 1
            << "CMD SV0;1 2";
        QTest::newRow("lower-case keyword")
            << QByteArray("KelvoraScript\ncmd\tGP\n") << false << 0 << "Fehler in Zeile 2";
        // Control characters would split the frame on the wire: the line is an error.
        QTest::newRow("command with ETX") << QByteArray("KelvoraScript\nCMD\tGP\nCMD\tGP\x03#CGV\n")
                                          << false << 0 << LoadText(TXT_CONTROL_CHARACTER);
        QTest::newRow("command with STX") << QByteArray("KelvoraScript\nCMD\t\x02GV\n") << false
                                          << 0 << LoadText(TXT_CONTROL_CHARACTER);
        QTest::newRow("command with CR inside") << QByteArray("KelvoraScript\nCMD\tGV\rGP\n")
                                                << false << 0 << LoadText(TXT_CONTROL_CHARACTER);
        // A count or pause that is negative or beyond 32 bits is no number: loading ends there.
        QTest::newRow("negative loop count")
            << QByteArray("KelvoraScript\nCMD\tGP\nLOOP\t-1\nCMD\tGP\nENDLOOP\n") << true << 1
            << "LOOP -1";
        QTest::newRow("loop count beyond 32 bits")
            << QByteArray("KelvoraScript\nCMD\tGP\nLOOP\t4294967296\nCMD\tGP\nENDLOOP\n") << true
            << 1 << "LOOP 4294967296";
        QTest::newRow("negative pause")
            << QByteArray("KelvoraScript\nCMD\tGP\nPAUSE\t-500\nCMD\tGP\n") << true << 1
            << "PAUSE -500";
        QTest::newRow("largest pause, sign and text after the number")
            << QByteArray("KelvoraScript\nPAUSE\t4294967295\nLOOP\t+2 times\nENDLOOP\n") << true
            << 2 << "ENDLOOP";
        QByteArray deep = "KelvoraScript\n";
        for (int i = 0; i <= CScript::kMaxDepth; ++i)
            deep += "LOOP\t1\n";
        QTest::newRow("nested too deep")
            << deep << false << 0
            << QStringLiteral("Fehler in Zeile %1").arg(CScript::kMaxDepth + 2);
    }
    void loading() {
        QFETCH(QByteArray, content);
        QFETCH(bool, runnable);
        QFETCH(int, entries);
        QFETCH(QString, lastLog);
        CScript script;
        QStringList log;
        script.SetLogHandler([&](const QString& line) { log << line; });
        QCOMPARE(script.LoadContent(content), runnable);
        QCOMPARE(script.IsRunnable(), runnable);
        QCOMPARE(script.Count(), entries);
        QCOMPARE(log.last(), lastLog);
    }

    // A script file that cannot be read is refused with a message, a special file without
    // waiting for it.
    void unreadableFile_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("message");
        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("missing.txt"))
                                 << int(TXT_NOT_FOUND_OR_INVALID);
        const QString fifo = m_dir.filePath(QStringLiteral("fifo.txt"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QTest::newRow("FIFO") << fifo << int(TXT_NOT_A_FILE);
        const QString zero = m_dir.filePath(QStringLiteral("zero.txt"));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));
        QTest::newRow("link to /dev/zero") << zero << int(TXT_NOT_A_FILE);
        const QString large = m_dir.filePath(QStringLiteral("large.txt"));
        QFile file(large);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("KelvoraScript\n") > 0 &&
                file.resize(CScript::kMaxSize + 1));
        QTest::newRow("too large") << large << int(TXT_TOO_LARGE);
    }
    void unreadableFile() {
        QFETCH(QString, path);
        QFETCH(int, message);
        QStringList boxes;
        SetMessageBoxHandler([&](const QString& text, unsigned, const QString&) {
            boxes << text;
            return int(IDOK);
        });
        CScript script;
        const bool loaded = script.Load(path);
        SetMessageBoxHandler(nullptr);
        QVERIFY(!loaded);
        QCOMPARE(script.Count(), 0);
        QCOMPARE(boxes, QStringList{FormatText(message, {path})});
    }

    // Two nested loops send GP six times and log each pass with its level.
    void nestedLoops() {
        CScript script;
        Load(script, "KelvoraScript\nLOOP\t2\nLOOP\t3\nCMD\tGP\nENDLOOP\nENDLOOP\n");
        Owner owner(script);
        QVERIFY(owner.Run());
        QTRY_VERIFY(owner.ended);
        QCOMPARE(TheSimCharger().ReceivedFrames(), QList<QByteArray>(6, Frame("GP")));
        QStringList loops = Log().filter(QStringLiteral("Schleife"));
        QCOMPARE(loops, (QStringList{"Schleife 1 von 2 (Ebene 1)", "Schleife 1 von 3 (Ebene 2)",
                                     "Schleife 2 von 3 (Ebene 2)", "Schleife 3 von 3 (Ebene 2)",
                                     "Schleifenende (Ebene 2)", "Schleife 2 von 2 (Ebene 1)",
                                     "Schleife 1 von 3 (Ebene 2)", "Schleife 2 von 3 (Ebene 2)",
                                     "Schleife 3 von 3 (Ebene 2)", "Schleifenende (Ebene 2)",
                                     "Schleifenende (Ebene 1)"}));
        QCOMPARE(Log().filter(QRegularExpression("^GP ")).size(), 6);
        QCOMPARE(owner.marks, QList<bool>(6, true));
    }

    // Cancel during a pause lets the pause finish, then ends the run before the next entry.
    void cancelDuringPause() {
        CScript script;
        Load(script, "KelvoraScript\nCMD\tGP\nPAUSE\t600\nCMD\tGP\n");
        Owner owner(script);
        QVERIFY(owner.Run());
        QTRY_VERIFY(Log().contains(QStringLiteral("PAUSE 600 ms")));
        QElapsedTimer timer;
        timer.start();
        owner.Cancel();
        QTRY_VERIFY(owner.ended);
        QVERIFY2(timer.elapsed() >= 400, "the pause was cut short");
        QCOMPARE(Log().last(), LoadText(TXT_SCRIPT_CANCELED));
        QCOMPARE(TheSimCharger().ReceivedFrames(), QList<QByteArray>{Frame("GP")});
    }

    // A failed command logs its error text and turns the mark red; it is not repeated and the
    // script goes on.
    void failedCommand() {
        CSimFaults faults;
        faults.errorReplies = 1;
        TheSimCharger().SetFaults(faults);
        CScript script;
        Load(script, "KelvoraScript\nCMD\tGP\nCMD\tGP\n");
        Owner owner(script);
        QVERIFY(owner.Run());
        QTRY_VERIFY(owner.ended);
        QCOMPARE(owner.marks, (QList<bool>{false, true}));
        QCOMPARE(TheSimCharger().ReceivedFrames(), QList<QByteArray>(2, Frame("GP")));
        QCOMPARE(Log().value(0), LoadText(TXT_INVALID_COMMAND));
    }

    // The charger goes away during a pause: the next commands fail at once with "Please attach
    // charger" and the run ends instead of waiting for replies that cannot come.
    void chargerGoneDuringPause() {
        CScript script;
        Load(script, "KelvoraScript\nCMD\tGP\nPAUSE\t300\nCMD\tGP\nCMD\tGV\n");
        Owner owner(script);
        QVERIFY(owner.Run());
        QTRY_VERIFY(Log().contains(QStringLiteral("PAUSE 300 ms")));
        TheDevice().link.Select(7);
        QTRY_VERIFY_WITH_TIMEOUT(owner.ended, 5000);
        TheDevice().link.Select(0);
        QCOMPARE(owner.marks, (QList<bool>{true, false, false}));
        QCOMPARE(Log().count(LoadText(TXT_NO_CHARGER)), 2);
        QCOMPARE(TheSimCharger().ReceivedFrames(), QList<QByteArray>{Frame("GP")});
    }

    // Closing during a long pause ends the run at once.
    void closeDuringPause() {
        CScript script;
        Load(script, "KelvoraScript\nPAUSE\t60000\nCMD\tGP\n");
        QElapsedTimer timer;
        timer.start();
        {
            Owner owner(script);
            QVERIFY(owner.Run());
            QTRY_VERIFY(Log().contains(QStringLiteral("PAUSE 60000 ms")));
        }
        QVERIFY(timer.elapsed() < 10000);
        QVERIFY(TheSimCharger().ReceivedFrames().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestScript)
#include "tst_script.moc"
