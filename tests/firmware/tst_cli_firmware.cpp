// veltrum-cli update, script, check-updates and lookup-params against the simulated charger
// and a vendor server on 127.0.0.1 started by the test.

#include "HttpResponder.h"

#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KELVORA_SIMULATOR"), QStringLiteral("1"));
        env.remove(QStringLiteral("KELVORA_SERIAL_PORTS"));
        env.remove(QStringLiteral("KELVORA_SIM_STATE"));
        env.insert(QStringLiteral("KELVORA_CONFIG_DIR"), m_dir.path());
        env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        cli.setProcessEnvironment(env);
        QEventLoop loop;
        connect(&cli, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        cli.start(QStringLiteral(VELTRUM_CLI), args);
        loop.exec();
        Result result;
        result.status =
            cli.state() == QProcess::NotRunning && cli.exitStatus() == QProcess::NormalExit
                ? cli.exitCode()
                : -1;
        if (result.status < 0)
            cli.kill();
        result.out =
            QString::fromUtf8(cli.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        result.err = QString::fromUtf8(cli.readAllStandardError());
        return result;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        WriteFile(QStringLiteral("Kelvora.conf"),
                  "[Veltrum]\nServerOrigin=" + m_server.Origin().toLatin1() + "\n");
        m_server.Set(QStringLiteral("/fileadmin/user_upload/software/Versions.txt"),
                     "Kelvora_Veltrum_4.7.0.zip\r\nKelvora_Veltrum_4.8.0.zip\r\n");
        m_server.Set(
            QStringLiteral("/fileadmin/user_upload/Firmware/Versions.txt"),
            "VarerizEzu_1.9.a43\nVorozizEvu_2_1.5.a43\n\nKelvora_4_2.9.a43\nKelvora_2.1.a43\n");
        m_server.Set(QStringLiteral("/fileadmin/user_upload/Firmware/Kelvora_4_2.9.a43"), kImage);
        m_server.Set(QStringLiteral("/fileadmin/user_upload/Firmware/VM_Param.txt"),
                     "K-1042;1;1\nK-104233;12;34\n");
    }

    void update_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("out");
        const QString image = WriteFile(QStringLiteral("fw.a43"), kImage);
        const QString damaged = WriteFile(QStringLiteral("damaged.a43"), kImage.left(60));
        const QStringList progress{":10010000", ":10011000", ":00000001", "Ready"};
        QTest::newRow("charger from file")
            << QStringList{"update", "--charger", image} << 0
            << progress +
                   QStringList{"Successfully updated firmware of Vareriz-Ezu.", "firmware: 1.4"};
        QTest::newRow("module from file")
            << QStringList{"update", "--device", image, "--yes"} << 0
            << progress + QStringList{"Successfully updated firmware of Kelvora.", "firmware: 2.7"};
        QTest::newRow("module without --yes")
            << QStringList{"update", "--device", image} << 2 << QStringList();
        QTest::newRow("damaged image")
            << QStringList{"update", "--charger", damaged} << 1 << QStringList();
        QTest::newRow("module from the server")
            << QStringList{"update", "--device", "--web", "--yes"} << 0
            << progress + QStringList{"Successfully updated firmware of Kelvora.", "firmware: 2.7"};
    }
    void update() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QStringList, out);
        const Result result = Run(args);
        QCOMPARE(result.status, status);
        QCOMPARE(result.out, out);
        if (QTest::currentDataTag() == QByteArray("damaged image"))
            QVERIFY(result.err.contains(QStringLiteral("not found or invalid!")));
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
    }

    void checkUpdates() {
        const Result result = Run({QStringLiteral("check-updates")});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out, (QStringList{"program.version: 4.6.0", "program.server: 4.7.0",
                                          "charger.firmware: 1.4", "charger.server: 1.5",
                                          "device.firmware: 2.7", "device.server: 2.9"}));
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
