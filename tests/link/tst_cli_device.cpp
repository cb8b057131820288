// veltrum-cli against the simulated module, with its state kept between runs: identification,
// two downloads, a parameter round trip and erasing.

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

} // namespace

class TestCliDevice : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    Result Run(const QStringList& args) {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KELVORA_SIMULATOR"), QStringLiteral("1"));
        env.insert(QStringLiteral("KELVORA_SIM_STATE"), m_dir.filePath(QStringLiteral("module.ini")));
        env.remove(QStringLiteral("KELVORA_SERIAL_PORTS"));
        env.insert(QStringLiteral("KELVORA_CONFIG_DIR"), m_dir.path());
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(VELTRUM_CLI), args);
        cli.waitForFinished(60000);
        return {cli.exitCode(), QString::fromUtf8(cli.readAllStandardOutput()),
                QString::fromUtf8(cli.readAllStandardError())};
    }

    QString Value(const QString& info, const QString& key) {
        const auto match = QRegularExpression(QStringLiteral("^%1: (.*)$").arg(QRegularExpression::escape(key)),
                                              QRegularExpression::MultilineOption)
                               .match(info);
        return match.captured(1);
    }

    QStringList DataFiles() {
        return QDir(m_dir.filePath(QStringLiteral("base/K-104233"))).entryList({QStringLiteral("*.kmM")}, QDir::Files);
    }

private slots:
    void initTestCase() { QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("base"))); }

    void info() {
        const Result r = Run({QStringLiteral("info")});
        QCOMPARE(r.status, 0);
        QCOMPARE(Value(r.out, QStringLiteral("charger.serial")), QStringLiteral("SIM0001"));
        QCOMPARE(Value(r.out, QStringLiteral("charger.firmware")), QString::number((1 << 16) + 4));
        QCOMPARE(Value(r.out, QStringLiteral("device.moduleId")), QStringLiteral("K-104233"));
        QCOMPARE(Value(r.out, QStringLiteral("device.eventsRead")), QStringLiteral("0"));
        QVERIFY(Value(r.out, QStringLiteral("device.events")).toInt() > 300);
        QVERIFY(r.out.contains(QStringLiteral("\nBattery voltage is okay (3850 mV).\n")));
        QVERIFY(r.out.contains(QRegularExpression(QStringLiteral("\n\\d+ events available\n"))));
    }

    // The first download is saved and readable; the second sees "Gelesen 1" and saves only
    // when told so.
    void downloadTwice() {
        const QString base = m_dir.filePath(QStringLiteral("base"));
        Result r = Run({QStringLiteral("download"), QStringLiteral("--base"), base});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("Events\n")));
        QVERIFY(r.out.contains(QStringLiteral("Events saved in\n\n")));
        QCOMPARE(DataFiles().size(), 1);

        const QString file = m_dir.filePath(QStringLiteral("base/K-104233/") + DataFiles().first());
        const Result report = Run({QStringLiteral("report"), file, QStringLiteral("--events"), QStringLiteral("-")});
        QCOMPARE(report.status, 0);
        QVERIFY(report.out.count(u'\n') > 300);

        r = Run({QStringLiteral("download"), QStringLiteral("--base"), base});
        QCOMPARE(r.status, 0);
        QVERIFY(!r.out.contains(QStringLiteral("Events saved in")));
        QCOMPARE(DataFiles().size(), 1);
        QCOMPARE(Value(Run({QStringLiteral("info")}).out, QStringLiteral("device.eventsRead")), QStringLiteral("1"));

        QThread::sleep(1); // a new file name
        r = Run({QStringLiteral("download"), QStringLiteral("--base"), base, QStringLiteral("--yes")});
        QCOMPARE(r.status, 0);
        QCOMPARE(DataFiles().size(), 2);
    }

    void parameterRoundTrip() {
        QCOMPARE(Run({QStringLiteral("set-params"), QStringLiteral("0;4;60;25;55;22")}).status, 0);
        const Result r = Run({QStringLiteral("get-params")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("0\t60\n1\t25\n2\t55\n3\t22\n4\t3400\n")));
        QCOMPARE(r.out.count(u'\n'), 32);
        const Result bad = Run({QStringLiteral("set-params"), QStringLiteral("30;4;1;2;3;4")});
        QCOMPARE(bad.status, 1);
        QCOMPARE(bad.err.trimmed(), QStringLiteral("Invalid command!"));
    }

    void erase() {
        const Result refused = Run({QStringLiteral("erase")});
        QCOMPARE(refused.status, 2);
        QVERIFY(Value(Run({QStringLiteral("info")}).out, QStringLiteral("device.events")).toInt() > 0);
        QCOMPARE(Run({QStringLiteral("erase"), QStringLiteral("--yes")}).status, 0);
        QCOMPARE(Value(Run({QStringLiteral("info")}).out, QStringLiteral("device.events")), QStringLiteral("0"));
    }

    void identityAndFeedback() {
        QCOMPARE(Run({QStringLiteral("set-id"), QStringLiteral("K-2")}).status, 0);
        QCOMPARE(Run({QStringLiteral("set-info"), QStringLiteral("Night splint")}).status, 0);
        const Result info = Run({QStringLiteral("info")});
        QCOMPARE(Value(info.out, QStringLiteral("device.moduleId")), QStringLiteral("K-2"));
        QCOMPARE(Value(info.out, QStringLiteral("device.info")), QStringLiteral("Night splint"));
        const Result off = Run({QStringLiteral("feedback"), QStringLiteral("off")});
        QCOMPARE(off.status, 0);
        QCOMPARE(off.out, QStringLiteral("Bio feedback is switched off.\n"));
        QCOMPARE(Run({QStringLiteral("read-mem"), QStringLiteral("200")}).out, QStringLiteral("2000\t00100000 00000000\n"));
        QCOMPARE(Run({QStringLiteral("adc"), QStringLiteral("Bat")}).out, QStringLiteral("Bat\t3712\t3650\n"));
        QCOMPARE(Run({QStringLiteral("hw-test"), QStringLiteral("15")}).status, 0);
    }
};

QTEST_GUILESS_MAIN(TestCliDevice)
#include "tst_cli_device.moc"
