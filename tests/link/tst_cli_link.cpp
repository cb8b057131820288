// veltrum-cli as a user runs it: the chargers it lists and the frames it exchanges with a device
// peer on a pseudo-terminal, its messages and its exit status.

#include "base/Texts.h"
#include "drivers/serial/SerialDriver.h"
#include "link/Crc16.h"
#include "support/CliRunner.h"
#include "support/RawPty.h"

#include <QTemporaryDir>
#include <QTest>

#include <poll.h>
#include <unistd.h>

#include <functional>

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
    QList<QByteArray> frames; // payloads the peer received
};

QByteArray Reply(const QByteArray& text) {
    return '\x02' + text + '\n' + QByteArray::number(CCrc16::Of(text)) + '\x03';
}

// A pseudo-terminal whose master side plays the device.
class PtyPeer {
public:
    QString Path() const { return m_pty.Path(); }
    // What the chip's side wrote, waiting up to a second for the first byte.
    QByteArray ReadMaster() {
        pollfd pfd{m_pty.Master(), POLLIN, 0};
        QByteArray bytes;
        if (::poll(&pfd, 1, 1000) > 0) {
            QTest::qWait(50);
            char buffer[256];
            ssize_t got = 0;
            while ((got = ::read(m_pty.Master(), buffer, sizeof buffer)) > 0)
                bytes.append(buffer, got);
        }
        return bytes;
    }
    void WriteMaster(const QByteArray& bytes) {
        (void)::write(m_pty.Master(), bytes.constData(), bytes.size());
    }

    // Runs veltrum-cli; every frame it sends is answered with answer(payload) (nothing when empty).
    Result Run(const QStringList& args, const std::function<QByteArray(const QByteArray&)>& answer,
               const QString& serial = QStringLiteral("PTY01")) {
        CliRunner cli;
        cli.env.remove(QStringLiteral("KELVORA_SIMULATOR"));
        cli.env.insert(QStringLiteral("KELVORA_SERIAL_PORTS"), m_pty.Path() + u'@' + serial);
        cli.env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        cli.env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        Result result;
        QByteArray incoming;
        bool inFrame = false;
        auto pump = [&] {
            char buffer[256];
            ssize_t got = 0;
            while ((got = ::read(m_pty.Master(), buffer, sizeof buffer)) > 0) {
                for (ssize_t i = 0; i < got; ++i) {
                    if (buffer[i] == 0x02) {
                        inFrame = true;
                        incoming.clear();
                    } else if (buffer[i] == 0x03 && inFrame) {
                        inFrame = false;
                        result.frames.append(incoming);
                        const QByteArray reply = answer(incoming);
                        if (!reply.isEmpty())
                            (void)::write(m_pty.Master(), reply.constData(), reply.size());
                    } else if (inFrame) {
                        incoming.append(buffer[i]);
                    }
                }
            }
        };
        const CliResult r = cli.Run(args, 60000, pump);
        result.status = r.status;
        result.out = r.Out();
        result.err = r.Err();
        return result;
    }

private:
    RawPty m_pty;
};

QByteArray Silent(const QByteArray&) {
    return QByteArray();
}

} // namespace

class TestCliLink : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetLanguage(Language::English); }

    void listsSerialPort() {
        PtyPeer peer;
        const Result r = peer.Run({QStringLiteral("list")}, Silent);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("PTY01\tVareriz-Ezu\tKelvora GmbH\n"));
        QVERIFY(r.frames.isEmpty());
    }

    void listsSimulator() {
        CliRunner cli;
        cli.env.insert(QStringLiteral("KELVORA_SIMULATOR"), QStringLiteral("1"));
        cli.env.remove(QStringLiteral("KELVORA_SERIAL_PORTS"));
        const CliResult r = cli.Run({QStringLiteral("list")}, 10000);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray("SIM0001\tVareriz-Ezu\tKelvora GmbH\n"));
    }

    void sendFramesAndPrintsReply() {
        PtyPeer peer;
        const Result r =
            peer.Run({QStringLiteral("send"), QStringLiteral("GP")}, [](const QByteArray& frame) {
                return frame.startsWith("GP") ? Reply("2.7\nK-1\n0\nInfo\n3700\n4\n12;1")
                                              : QByteArray();
            });
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("GP\t2.7\tK-1\t0\tInfo\t3700\t4\t12\t1\n"));
        // The command with its checksum, then the end of communication without one.
        QCOMPARE(r.frames,
                 (QList<QByteArray>{"GP\n" + QByteArray::number(CCrc16::Of("GP")), "EC"}));
    }

    void chargerCommandWithoutChecksum() {
        PtyPeer peer;
        const Result r =
            peer.Run({QStringLiteral("send"), QStringLiteral("#CGV")},
                     [](const QByteArray&) { return Reply("Version;1.4\nSN;PTY01\n3"); });
        QCOMPARE(r.status, 0);
        QCOMPARE(r.frames.value(0), QByteArray("#CGV"));
        QCOMPARE(r.out, QStringLiteral("#CGV\tVersion\t1.4\tSN\tPTY01\t3\n"));
    }

    // Failures: the message on stderr, status 1; a missing reply is repeated once silently.
    void failures_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("sends");
        QTest::addColumn<QString>("message");
        QTest::newRow("error word") << Reply("E;INV_CMD") << 1 << "Invalid command!";
        QTest::newRow("no reply") << QByteArray() << 2 << "No response!";
        QTest::newRow("bad checksum") << QByteArray("\x02GV\n1\x03") << 2 << "Transmission error!";
        QTest::newRow("garbage") << QByteArray("\x02\xFF\xFE\x01") << 2 << "Transmission error!";
    }
    void failures() {
        QFETCH(QByteArray, reply);
        QFETCH(int, sends);
        QFETCH(QString, message);
        PtyPeer peer;
        const Result r =
            peer.Run({QStringLiteral("send"), QStringLiteral("GV")},
                     [&](const QByteArray& frame) { return frame == "EC" ? QByteArray() : reply; });
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err.trimmed(), message);
        QCOMPARE(r.frames.count("GV\n" + QByteArray::number(CCrc16::Of("GV"))), sends);
        QVERIFY(r.out.isEmpty());
    }

    // Usage errors (status 2) send nothing and say what is wrong; a charger that is not
    // attached is a device failure (status 1).
    void usage_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList() << 2 << "no command given";
        QTest::newRow("unknown command")
            << QStringList{"frobnicate"} << 2 << "unknown command frobnicate";
        QTest::newRow("unknown option")
            << QStringList{"--bogus", "list"} << 2 << "unknown option --bogus";
        QTest::newRow("send without text")
            << QStringList{"send"} << 2 << "send takes one command text";
        QTest::newRow("unknown charger") << QStringList{"--charger", "NOPE", "send", "GP"} << 1
                                         << "no charger with serial number NOPE";
        QTest::newRow("empty charger")
            << QStringList{"--charger", "", "send", "GP"} << 2 << "--charger needs a serial number";
        QTest::newRow("empty charger, list")
            << QStringList{"--charger", "", "list"} << 2 << "--charger needs a serial number";
        QTest::newRow("charger without value")
            << QStringList{"--charger"} << 2 << "--charger needs a serial number";
        QTest::newRow("send with ETX")
            << QStringList{"send", "GP\x03#CGV"} << 2 << LoadText(TXT_CONTROL_CHARACTER);
        QTest::newRow("send with STX")
            << QStringList{"send", "\x02GP"} << 2 << LoadText(TXT_CONTROL_CHARACTER);
        QTest::newRow("send with line feed")
            << QStringList{"send", "GP\n1"} << 2 << LoadText(TXT_CONTROL_CHARACTER);
        QTest::newRow("help") << QStringList{"--help"} << 0 << QString();
    }
    void usage() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, message);
        PtyPeer peer;
        const Result r = peer.Run(args, Silent);
        QCOMPARE(r.status, status);
        QVERIFY(r.frames.isEmpty());
        if (status == 0) {
            QVERIFY(r.out.contains("list"));
            QVERIFY(r.out.contains("send TEXT"));
        } else {
            QVERIFY2(r.err.contains(message), qPrintable(r.err));
        }
    }

    // A charger on a serial port serves one program at a time: while one holds the port, a
    // second run is refused with "in use" and sends nothing; the first one's exchange goes on
    // undisturbed.
    void serialPortIsExclusive() {
        PtyPeer peer;
        CSerialDriver driver(peer.Path() + QStringLiteral("@PTY01"));
        FtOpenError error = FtOpenError::Failed;
        auto first = driver.Open(0, error);
        QVERIFY(first);
        QCOMPARE(error, FtOpenError::None);
        FtOpenError second = FtOpenError::None;
        QVERIFY(!driver.Open(0, second));
        QCOMPARE(second, FtOpenError::Busy);

        const Result r = peer.Run({QStringLiteral("send"), QStringLiteral("GP")},
                                  [](const QByteArray&) { return Reply("stolen"); });
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err.trimmed(), LoadText(TXT_CHARGER_BUSY).trimmed());
        QVERIFY(r.frames.isEmpty());

        first->Write("\x02GV\x03", 4);
        QCOMPARE(peer.ReadMaster(), QByteArray("\x02GV\x03"));
        peer.WriteMaster(Reply("1.4"));
        QVERIFY(first->SetTimeouts(500, 100));
        QByteArray got;
        char buffer[64];
        std::uint32_t count = 0;
        while (got.size() < Reply("1.4").size() && first->Read(buffer, sizeof buffer, count) &&
               count > 0)
            got.append(buffer, count);
        QCOMPARE(got, Reply("1.4"));

        first.reset();
        QVERIFY(driver.Open(0, error));
    }

    // "eeprom" prints the chip's fields; "--set" programs them only with --yes and under the
    // dialog's rules, and the simulated chip keeps them in its state file for the next run.
    void eepromRoundTrip() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        CliRunner cli;
        cli.env.insert(QStringLiteral("KELVORA_SIMULATOR"), QStringLiteral("1"));
        cli.env.insert(QStringLiteral("KELVORA_SIM_STATE"),
                       dir.filePath(QStringLiteral("sim.ini")));
        cli.env.remove(QStringLiteral("KELVORA_SERIAL_PORTS"));
        auto fields = [](const CliResult& r) { return r.Out().split(u'\n', Qt::SkipEmptyParts); };

        const CliResult factory = cli.Run({QStringLiteral("eeprom")}, 10000);
        QCOMPARE(factory.status, 0);
        for (const char* line :
             {"manufacturer: Kelvora GmbH", "description: Vareriz-Ezu", "serial: SIM0001",
              "maxPower: 400", "cbus5: SLEEP", "cbus6: PWREN"})
            QVERIFY2(fields(factory).contains(QLatin1String(line)), qPrintable(factory.Out()));

        const QStringList set{QStringLiteral("eeprom"), QStringLiteral("--set"),
                              QStringLiteral("serial=B-17"), QStringLiteral("cbus5=BITBANG_WR"),
                              QStringLiteral("maxPower=250")};
        QCOMPARE(cli.Run(set, 10000).status, 2);
        const QList<QStringList> refused{
            {QStringLiteral("serial=") + QString(21, u'7')}, // 44 characters together
            {QStringLiteral("maxPower=501")},
            {QStringLiteral("cbus6=22")},
            {QStringLiteral("colour=red")}};
        for (const QStringList& args : refused) {
            const CliResult r =
                cli.Run(QStringList{QStringLiteral("eeprom"), QStringLiteral("--set")}
                            << args << QStringLiteral("--yes"),
                        10000);
            QVERIFY2(r.status == 2 && !r.err.isEmpty(), qPrintable(args.join(u' ')));
        }
        QCOMPARE(fields(cli.Run({QStringLiteral("eeprom")}, 10000)), fields(factory));

        const CliResult programmed = cli.Run(set + QStringList{QStringLiteral("--yes")}, 10000);
        QCOMPARE(programmed.status, 0);
        const CliResult again = cli.Run({QStringLiteral("eeprom")}, 10000);
        QCOMPARE(fields(again), fields(programmed));
        for (const char* line : {"serial: B-17", "cbus5: BITBANG_WR", "maxPower: 250",
                                 "cbus6: PWREN", "serialNumberEnable: 0"})
            QVERIFY2(fields(again).contains(QLatin1String(line)), qPrintable(again.Out()));
    }
};

QTEST_GUILESS_MAIN(TestCliLink)
#include "tst_cli_link.moc"
