// veltrum-cli update, script, check-updates and lookup-params against the simulated charger
// and a vendor server on 127.0.0.1 started by the test.

#include "support/CliRunner.h"
#include "support/HttpResponder.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

struct Result {
    int status = -1;
    QStringList out;
    QString err;
};

const QByteArray kImage = ":10010000214601360121470136007EFE09D2190140\r\n"
                          ":100110002146017E17C20001FF5F16002148011928\r\n"
                          ":00000001FF\r\n";

} // namespace

class TestCliFirmware : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    HttpResponder m_server;

    QString WriteFile(const QString& name, const QByteArray& content) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path;
    }

    // Runs veltrum-cli while this thread keeps serving HTTP.
    Result Run(const QStringList& args) {
        CliRunner cli;
        cli.env.insert(QStringLiteral("KELVORA_SIMULATOR"), QStringLiteral("1"));
        cli.env.remove(QStringLiteral("KELVORA_SERIAL_PORTS"));
        cli.env.remove(QStringLiteral("KELVORA_SIM_STATE"));
        cli.env.insert(QStringLiteral("KELVORA_CONFIG_DIR"), m_dir.path());
        cli.env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        cli.env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        const CliResult r = cli.Run(args);
        return {r.status, r.Out().split(u'\n', Qt::SkipEmptyParts), r.Err()};
    }

    // The files of a working server, and the settings that name it.
    void ServeFiles(const QString& origin = QString()) {
        WriteFile(QStringLiteral("Kelvora.conf"),
                  "[Veltrum]\nServerOrigin=" +
                      (origin.isEmpty() ? m_server.Origin() : origin).toLatin1() + "\n");
        m_server.Set(QStringLiteral("/fileadmin/user_upload/software/Versions.txt"),
                     "Kelvora_Veltrum_4.7.0.zip\r\nKelvora_Veltrum_4.8.0.zip\r\n");
        m_server.Set(
            QStringLiteral("/fileadmin/user_upload/Firmware/Versions.txt"),
            "VarerizEzu_1.9.a43\nVorozizEvu_2_1.5.a43\n\nKelvora_4_2.9.a43\nKelvora_2.1.a43\n");
        m_server.Set(QStringLiteral("/fileadmin/user_upload/Firmware/Kelvora_4_2.9.a43"), kImage);
        m_server.Set(QStringLiteral("/fileadmin/user_upload/Firmware/VM_Param.txt"),
                     "K-1042;1;1\nK-104233;12;34\n");
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        ServeFiles();
    }
    void cleanup() { ServeFiles(); }

    void update_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<QString>("err"); // a part of stderr
        const QString image = WriteFile(QStringLiteral("fw.a43"), kImage);
        const QString damaged = WriteFile(QStringLiteral("damaged.a43"), kImage.left(60));
        const QString fifo = m_dir.filePath(QStringLiteral("fifo.a43"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        const QStringList progress{":10010000", ":10011000", ":00000001", "Ready"};
        QTest::newRow("charger from file")
            << QStringList{"update", "--charger", image} << 0
            << progress +
                   QStringList{"Successfully updated firmware of Vareriz-Ezu.", "firmware: 1.4"}
            << "";
        QTest::newRow("module from file")
            << QStringList{"update", "--device", image, "--yes"} << 0
            << progress + QStringList{"Successfully updated firmware of Kelvora.", "firmware: 2.7"}
            << "";
        QTest::newRow("module without --yes")
            << QStringList{"update", "--device", image} << 2 << QStringList() << "--yes";
        QTest::newRow("damaged image") << QStringList{"update", "--charger", damaged} << 1
                                       << QStringList() << "not found or invalid!";
        QTest::newRow("image is a FIFO") << QStringList{"update", "--charger", fifo} << 1
                                         << QStringList() << "is not a regular file";
        QTest::newRow("image is /dev/zero") << QStringList{"update", "--charger", "/dev/zero"} << 1
                                            << QStringList() << "is not a regular file";
        QTest::newRow("module from the server")
            << QStringList{"update", "--device", "--web", "--yes"} << 0
            << progress + QStringList{"Successfully updated firmware of Kelvora.", "firmware: 2.7"}
            << "";
    }
    void update() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QStringList, out);
        QFETCH(QString, err);
        const Result result = Run(args);
        QCOMPARE(result.status, status);
        QCOMPARE(result.out, out);
        QVERIFY2(result.err.contains(err), qPrintable(result.err));
    }

    void script() {
        const QString script = WriteFile(QStringLiteral("loop.txt"),
                                         "KelvoraScript\r\nLOOP\t2\r\nCMD\tGV\r\nENDLOOP\r\n");
        const Result result = Run({QStringLiteral("script"), script});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out.mid(0, 5), (QStringList{"KelvoraScript", "LOOP 2", "CMD GV", "ENDLOOP",
                                                    "Schleife 1 von 2 (Ebene 1)"}));
        QCOMPARE(result.out.filter(QRegularExpression("^GV ")).size(), 2);
        QCOMPARE(result.out.last(), QStringLiteral("Schleifenende (Ebene 1)"));

        const QString broken = WriteFile(QStringLiteral("broken.txt"), "KelvoraScript\nLOOP\t2\n");
        QCOMPARE(Run({QStringLiteral("script"), broken}).status, 1);
        const Result device = Run({QStringLiteral("script"), QStringLiteral("/dev/zero")});
        QCOMPARE(device.status, 1);
        QCOMPARE(device.err, QStringLiteral("/dev/zero is not a regular file.\n"));
    }

    void checkUpdates() {
        const Result result = Run({QStringLiteral("check-updates")});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out, (QStringList{"program.version: 4.6.0", "program.server: 4.7.0",
                                          "charger.firmware: 1.4", "charger.server: 1.5",
                                          "device.firmware: 2.7", "device.server: 2.9"}));
    }

    // Every failure of the server is named on stderr and ends with exit status 1, without Qt's
    // own diagnostics.
    void serverFailures_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        const QStringList check{"check-updates"};
        const QStringList web{"update", "--device", "--web", "--yes"};
        const QStringList lookup{"lookup-params", "12"};
        const QString programs = QStringLiteral("software/Versions.txt");
        const QString firmware = QStringLiteral("Firmware/Versions.txt");
        const QString params = QStringLiteral("Firmware/VM_Param.txt");
        QTest::newRow("check-updates, server error")
            << check << programs << 500 << QByteArray("oops") << "with the error 500";
        QTest::newRow("check-updates, TLS failure")
            << check << QString() << 0 << QByteArray() << "could not be fetched";
        QTest::newRow("check-updates, empty list")
            << check << firmware << 200 << QByteArray() << "is empty";
        QTest::newRow("update, empty list") << web << firmware << 200 << QByteArray() << "is empty";
        QTest::newRow("update, redirect loop")
            << web << firmware << 302 << QByteArray() << "in a loop";
        QTest::newRow("lookup-params, empty list")
            << lookup << params << 200 << QByteArray() << "is empty";
        QTest::newRow("lookup-params, redirect loop")
            << lookup << params << 302 << QByteArray() << "in a loop";
    }
    void serverFailures() {
        QFETCH(QStringList, args);
        QFETCH(QString, file);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        const QString path = QStringLiteral("/fileadmin/user_upload/") + file;
        const QByteArray self =
            status == 302 ? "Location: " + path.toLatin1() + "\r\n" : QByteArray();
        if (file.isEmpty()) // a server that does not speak TLS
            ServeFiles(QString(m_server.Origin())
                           .replace(QStringLiteral("http:"), QStringLiteral("https:")));
        else
            m_server.Set(path, HttpResponder::Answer{status, body, self});
        const Result result = Run(args);
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QVERIFY2(!result.err.contains(QStringLiteral("no entry")), qPrintable(result.err));
        QVERIFY2(!result.err.contains(QRegularExpression(QStringLiteral("^Q[A-Za-z]+::"),
                                                         QRegularExpression::MultilineOption)),
                 qPrintable(result.err));
    }

    void lookupParams_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("out");
        QTest::newRow("found") << "K-104233" << 0 << QStringList{"12;34"};
        QTest::newRow("prefix of another ID") << "K-10" << 1 << QStringList();
    }
    void lookupParams() {
        QFETCH(QString, id);
        QFETCH(int, status);
        QFETCH(QStringList, out);
        const Result result = Run({QStringLiteral("lookup-params"), id});
        QCOMPARE(result.status, status);
        QCOMPARE(result.out, out);
    }
};

QTEST_GUILESS_MAIN(TestCliFirmware)
#include "tst_cli_firmware.moc"
