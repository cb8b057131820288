// veltrum-cli against the simulated module, with its state kept between runs: identification,
// two downloads, a parameter round trip, input that never reaches the module, and erasing; and
// against a device on a pseudo-terminal that answers slowly.

#include "link/Crc16.h"
#include "support/CliRunner.h"
#include "support/RawPty.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <unistd.h>

#include <cstdlib>

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
        CliRunner cli;
        cli.env.insert(QStringLiteral("KELVORA_SIMULATOR"), QStringLiteral("1"));
        cli.env.insert(QStringLiteral("KELVORA_SIM_STATE"),
                       m_dir.filePath(QStringLiteral("module.ini")));
        cli.env.remove(QStringLiteral("KELVORA_SERIAL_PORTS"));
        cli.env.insert(QStringLiteral("KELVORA_CONFIG_DIR"), m_dir.path());
        cli.env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        const CliResult r = cli.Run(args);
        return {r.status, r.Out(), r.Err()};
    }

    QString Value(const QString& info, const QString& key) {
        const auto match =
            QRegularExpression(QStringLiteral("^%1: (.*)$").arg(QRegularExpression::escape(key)),
                               QRegularExpression::MultilineOption)
                .match(info);
        return match.captured(1);
    }

    QStringList DataFiles() {
        return QDir(m_dir.filePath(QStringLiteral("base/K-104233")))
            .entryList({QStringLiteral("*.kmM")}, QDir::Files);
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
        const Result report =
            Run({QStringLiteral("report"), file, QStringLiteral("--events"), QStringLiteral("-")});
        QCOMPARE(report.status, 0);
        QVERIFY(report.out.count(u'\n') > 300);

        r = Run({QStringLiteral("download"), QStringLiteral("--base"), base});
        QCOMPARE(r.status, 0);
        QVERIFY(!r.out.contains(QStringLiteral("Events saved in")));
        QCOMPARE(DataFiles().size(), 1);
        QCOMPARE(Value(Run({QStringLiteral("info")}).out, QStringLiteral("device.eventsRead")),
                 QStringLiteral("1"));

        QThread::sleep(1); // a new file name
        r = Run(
            {QStringLiteral("download"), QStringLiteral("--base"), base, QStringLiteral("--yes")});
        QCOMPARE(r.status, 0);
        QCOMPARE(DataFiles().size(), 2);
    }

    void parameterRoundTrip() {
        QCOMPARE(Run({QStringLiteral("set-params"), QStringLiteral("0;4;60;25;55;22")}).status, 0);
        const Result r = Run({QStringLiteral("get-params")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("0\t60\n1\t25\n2\t55\n3\t22\n4\t3400\n")));
        QCOMPARE(r.out.count(u'\n'), 32);
    }

    // Parameters outside the block and texts the module would give back changed are usage
    // errors: nothing goes to the module (no "Cmd:" protocol line with --verbose), nothing
    // changes.
    void refusedInput_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("parameters past the last one")
            << QStringList{"set-params", "30;4;1;2;3;4"} << "Invalid parameters: 30;4;1;2;3;4";
        QTest::newRow("parameter value beyond 16 bits")
            << QStringList{"set-params", "0;1;99999999999"}
            << "Invalid parameters: 0;1;99999999999";
        QTest::newRow("ID with a field separator")
            << QStringList{"set-id", "x;y"} << "may not contain";
        QTest::newRow("info with a control character")
            << QStringList{"set-info", "a\002b"} << "may not contain";
    }
    void refusedInput() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Result r = Run(QStringList{QStringLiteral("--verbose")} + args);
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY2(!r.err.contains(QStringLiteral("Cmd:")), qPrintable(r.err));
        const Result params = Run({QStringLiteral("get-params")});
        QVERIFY(params.out.startsWith(QStringLiteral("0\t60\n1\t25\n2\t55\n3\t22\n")));
        QCOMPARE(Value(Run({QStringLiteral("info")}).out, QStringLiteral("device.moduleId")),
                 QStringLiteral("K-104233"));
    }

    void erase() {
        const Result refused = Run({QStringLiteral("erase")});
        QCOMPARE(refused.status, 2);
        QVERIFY(Value(Run({QStringLiteral("info")}).out, QStringLiteral("device.events")).toInt() >
                0);
        QCOMPARE(Run({QStringLiteral("erase"), QStringLiteral("--yes")}).status, 0);
        QCOMPARE(Value(Run({QStringLiteral("info")}).out, QStringLiteral("device.events")),
                 QStringLiteral("0"));
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
        QCOMPARE(Run({QStringLiteral("read-mem"), QStringLiteral("200")}).out,
                 QStringLiteral("2000\t00100000 00000000\n"));
        QCOMPARE(Run({QStringLiteral("adc"), QStringLiteral("Bat")}).out,
                 QStringLiteral("Bat\t3712\t3650\n"));
        QCOMPARE(Run({QStringLiteral("hw-test"), QStringLiteral("15")}).status, 0);
    }

    // A reply whose bytes keep arriving, each well within the command's timeout (2 s for GP),
    // is awaited however long it takes as a whole: here longer than 30 s.
    void slowReplyIsAwaited() {
        const RawPty pty;
        const int master = pty.Master();
        CliRunner cli;
        cli.env.remove(QStringLiteral("KELVORA_SIMULATOR"));
        cli.env.insert(QStringLiteral("KELVORA_SERIAL_PORTS"),
                       pty.Path() + QStringLiteral("@PTY01"));
        cli.env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));

        const QByteArray text = "K-104233;slow but alive";
        const QByteArray reply =
            '\x02' + text + '\n' + QByteArray::number(CCrc16::Of(text)) + '\x03';
        QByteArray received;
        qsizetype sent = -1; // -1 until the command has arrived
        QElapsedTimer clock;
        clock.start();
        qint64 nextByteAt = 0;
        const CliResult r = cli.Run({QStringLiteral("send"), QStringLiteral("GP")}, 90000, [&] {
            char buffer[64];
            for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;)
                received.append(buffer, got);
            if (sent < 0 && received.contains('\x03')) {
                sent = 0;
                nextByteAt = clock.elapsed();
            }
            if (sent >= 0 && sent < reply.size() && clock.elapsed() >= nextByteAt) {
                (void)::write(master, reply.constData() + sent++, 1);
                nextByteAt += 1200;
            }
        });
        const qint64 took = clock.elapsed();
        QVERIFY2(r.status == 0, qPrintable(r.Err()));
        QCOMPARE(r.Out(), QStringLiteral("GP\tK-104233\tslow but alive\n"));
        QVERIFY(took > 30000);
    }
};

QTEST_GUILESS_MAIN(TestCliDevice)
#include "tst_cli_device.moc"
