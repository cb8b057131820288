#include "support/CliRunner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// veltrum-cli report, run as a program on the fixture folder.
class TestCliReport : public QObject {
    Q_OBJECT

private slots:
    void moduleFolder();
    void filesInOrder();
    void failures_data();
    void failures();
    void indexNames_data();
    void indexNames();
    void gapSettings_data();
    void gapSettings();
    void outputIsInput_data();
    void outputIsInput();
    void specialInputs();
};

namespace {

const QString kFixtures = QStringLiteral(VELTRUM_TEST_DATA);
const QString kModule = kFixtures + QStringLiteral("/base/M1234/");

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Settings of the report runs, apart from the user's own.
QString DefaultConfig() {
    static const QTemporaryDir config;
    return config.path();
}

Run Report(const QStringList& args, const QString& config = DefaultConfig()) {
    CliRunner cli;
    cli.env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    cli.env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    cli.env.insert(QStringLiteral("KELVORA_CONFIG_DIR"), config);
    const CliResult r = cli.Run(QStringList{QStringLiteral("report")} + args);
    return {r.status, r.out, r.err};
}

QByteArray Lines(const QByteArray& text, int first, int count) {
    return text.split('\n').mid(first, count).join('\n');
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A copy of the fixture module folder M1234 in base.
bool CopyModule(const QString& base) {
    if (!QDir(base).mkdir(QStringLiteral("M1234")))
        return false;
    for (const QString& name : QDir(kModule).entryList(QDir::Files)) {
        if (!QFile::copy(kModule + name, base + QStringLiteral("/M1234/") + name))
            return false;
    }
    return true;
}

} // namespace

void TestCliReport::moduleFolder() {
    QFile expected(kFixtures + QStringLiteral("/report-M1234.csv"));
    QVERIFY(expected.open(QIODevice::ReadOnly));
    const Run run = Report({"--base", kFixtures + "/base", "--module", "M1234", "--csv", "-"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, expected.readAll());

    // Range 1 from 3 pm on 2026-12-03 until 3 pm on 2026-12-04: the night of December 3.
    const Run range = Report({"--base", kFixtures + "/base", "--module", "M1234", "--from",
                              "2026-12-03", "--until", "2026-12-04"});
    QCOMPARE(range.status, 0);
    QCOMPARE(range.out.count('\n'), 2);
    QVERIFY(range.out.split('\n')[1].startsWith("0,1796337000,1796347800,28800,2,"));
}

void TestCliReport::filesInOrder() {
    const QString events = QDir::temp().filePath(QStringLiteral("veltrum-report-events.csv"));
    // The second download repeats most of the first; old.kmM has version 2.9, still accepted.
    const Run run = Report({kModule + "2026-12-02_08-00-00.kmM", "--no-test-bursts",
                            kModule + "2026-12-01_08-00-00.kmM", kModule + "broken.kmM", "--events",
                            events, "--csv", "-"});
    QCOMPARE(run.status, 0);
    QVERIFY(run.err.contains("broken.kmM has invalid format."));
    QFile file(events);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QCOMPARE(text.count('\n'), 14); // header and 13 distinct events, LF line ends
    QVERIFY(!text.contains('\r'));
    QCOMPARE(Lines(text, 0, 3),
             QByteArray("index,startMs,durationMs,sensorFlags,valueMille,feedback,kind,"
                        "batteryClass,counted\n"
                        "0,1796076000000,500,1,100,2,5,3,1\n"
                        "1,1796076005000,400,1,100,2,4,3,1"));
    QCOMPARE(Lines(text, 4, 2), QByteArray("3,1796079600000,2000,5,300,2,4,2,1\n"
                                           "4,1796079601000,1500,10,250,1,4,2,1"));
    file.remove();
    QCOMPARE(run.out.count('\n'), 3); // two nights
}

void TestCliReport::failures_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("only invalid files")
        << QStringList{kModule + "broken.kmM"} << 1 << QByteArray("No data.");
    QTest::newRow("missing file") << QStringList{kModule + "none.kmM"} << 1
                                  << QByteArray("Cannot read");
    QTest::newRow("module without data")
        << QStringList{"--base", kFixtures + "/base", "--module", "Lab3"} << 1
        << QByteArray("No data.");
    QTest::newRow("no input") << QStringList{"--csv", "-"} << 2 << QByteArray("either");
    QTest::newRow("both inputs") << QStringList{"--base", kFixtures, "--module", "M", "x.kmM"} << 2
                                 << QByteArray("either");
    QTest::newRow("bad date") << QStringList{"--base", kFixtures, "--module",
                                             "M",      "--from",  "2026-13-01"}
                              << 2 << QByteArray("not a date");
    QTest::newRow("range without folder")
        << QStringList{"--from", "2026-12-01", "x.kmM"} << 2 << QByteArray("need --base");
    QTest::newRow("missing value")
        << QStringList{"x.kmM", "--csv"} << 2 << QByteArray("needs a value");
}

void TestCliReport::failures() {
    QFETCH(QStringList, args);
    const Run run = Report(args);
    QTEST(run.status, "status");
    QFETCH(QByteArray, message);
    QVERIFY2(run.err.contains(message), run.err.constData());
    QVERIFY(run.out.isEmpty());
}

// A folder named by the device name index ("Lab 3" -> Lab_3) is found by the module ID and by
// the index name.
void TestCliReport::indexNames_data() {
    QTest::addColumn<QString>("module");
    QTest::newRow("module ID") << "X77";
    QTest::newRow("index name") << "Lab 3";
    QTest::newRow("folder name") << "Lab_3";
}

void TestCliReport::indexNames() {
    QFETCH(QString, module);
    QTemporaryDir base;
    QVERIFY(QDir(base.path()).mkdir(QStringLiteral("Lab_3")));
    QVERIFY(QFile::copy(kFixtures + QStringLiteral("/base/Lab3/2026-12-01_08-00-00.kmM"),
                        base.filePath(QStringLiteral("Lab_3/2026-12-01_08-00-00.kmM"))));
    QFile index(base.filePath(QStringLiteral("VM_ID.Index")));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("K-1\tLab 1\r\nX77\tLab 3\r\n");
    index.close();
    const Run run = Report({"--base", base.path(), "--module", module});
    QVERIFY2(run.status == 0, run.err.constData());
    QVERIFY(run.out.startsWith("night,"));
    QVERIFY(run.out.count('\n') >= 2);
}

// The [DataMerger] gap settings apply as in the program, and missing ones are written back
// with their defaults.
void TestCliReport::gapSettings_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("nights");
    QTest::newRow("missing: defaults") << QByteArray() << 5;
    QTest::newRow("a night begins after 1 h") << QByteArray("[DataMerger]\nGapStart=3600\n") << 9;
}

void TestCliReport::gapSettings() {
    QFETCH(QByteArray, stored);
    QFETCH(int, nights);
    QTemporaryDir config;
    QFile file(config.filePath(QStringLiteral("Kelvora.conf")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(stored);
    file.close();
    const Run run = Report({"--base", kFixtures + "/base", "--module", "M1234"}, config.path());
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out.count('\n'), nights + 1);
    const QByteArray settings = ReadAll(file.fileName());
    for (const char* value : {"GapEpisode=3", "GapTest=20"})
        QVERIFY2(settings.contains(value), settings.constData());
    QVERIFY(settings.contains(stored.isEmpty() ? "GapStart=32400" : "GapStart=3600"));
}

// An output that is one of the input data files (by any path to it) is refused before anything
// is written; the file stays as it was. %1 is the base folder of a copy of the module.
void TestCliReport::outputIsInput_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("victim");
    const QString file = QStringLiteral("%1/M1234/2026-12-02_08-00-00.kmM");
    QTest::newRow("--csv over a named file") << QStringList{file, "--csv", file} << file;
    QTest::newRow("--events over a file of the module")
        << QStringList{"--base", "%1", "--module", "M1234", "--events", "%1/M1234/old.kmM"}
        << "%1/M1234/old.kmM";
    QTest::newRow("--csv by another path")
        << QStringList{"--base", "%1",    "--module",
                       "M1234",  "--csv", "%1/M1234/../M1234/./2026-12-02_08-00-00.kmM"}
        << file;
    QTest::newRow("--csv through a link") << QStringList{file, "--csv", "%1/link.csv"} << file;
    QTest::newRow("--pdf over a named file") << QStringList{file, "--pdf", file} << file;
}

void TestCliReport::outputIsInput() {
    QFETCH(QStringList, args);
    QFETCH(QString, victim);
    QTemporaryDir base;
    QVERIFY(CopyModule(base.path()));
    victim = victim.arg(base.path());
    QVERIFY(QFile::link(victim, base.filePath(QStringLiteral("link.csv"))));
    for (QString& arg : args)
        arg = arg.contains(QStringLiteral("%1")) ? arg.arg(base.path()) : arg;
    const QByteArray before = ReadAll(victim);
    QVERIFY(!before.isEmpty());
    const Run run = Report(args);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains("is one of the input data files"), run.err.constData());
    QVERIFY(run.out.isEmpty());
    QCOMPARE(ReadAll(victim), before);
}

// A FIFO and a link to a device given as data files: refused at once, each with its reason.
void TestCliReport::specialInputs() {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo.kmM"));
    const QString zero = dir.filePath(QStringLiteral("zero.kmM"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));
    QElapsedTimer timer;
    timer.start();
    const Run run = Report({fifo, zero});
    QCOMPARE(run.status, 1);
    QVERIFY(timer.elapsed() < 30000);
    for (const QString& path : {fifo, zero})
        QVERIFY2(run.err.contains((path + QStringLiteral(" is not a regular file.")).toUtf8()),
                 run.err.constData());
    QVERIFY(run.err.contains("No data."));
}

QTEST_GUILESS_MAIN(TestCliReport)
#include "tst_cli_report.moc"
