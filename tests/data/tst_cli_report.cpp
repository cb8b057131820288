#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

// veltrum-cli report, run as a program on the fixture folder.
class TestCliReport : public QObject {
    Q_OBJECT

private slots:
    void moduleFolder();
    void filesInOrder();
    void failures_data();
    void failures();
};

namespace {

const QString kFixtures = QStringLiteral(VELTRUM_TEST_DATA);
const QString kModule = kFixtures + QStringLiteral("/base/M1234/");

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run Report(const QStringList& args) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VELTRUM_CLI), QStringList{QStringLiteral("report")} + args);
    process.waitForFinished(60000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

QByteArray Lines(const QByteArray& text, int first, int count) {
    return text.split('\n').mid(first, count).join('\n');
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

QTEST_GUILESS_MAIN(TestCliReport)
#include "tst_cli_report.moc"
