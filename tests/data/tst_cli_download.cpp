// veltrum-cli download against the simulated module: a save that failed is made good by the
// next download, and a download whose events a data file holds already is not saved again
// without --yes.

#include "TestMount.h"
#include "support/CliRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <unistd.h>

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

} // namespace

class TestCliDownload : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    Result Run(const QStringList& args) {
        CliRunner cli;
        cli.env.insert(QStringLiteral("KELVORA_SIMULATOR"), QStringLiteral("1"));
        cli.env.insert(QStringLiteral("KELVORA_SIM_STATE"),
                       m_dir.filePath(QStringLiteral("module.ini")));
        cli.env.insert(QStringLiteral("KELVORA_CONFIG_DIR"), m_dir.path());
        cli.env.remove(QStringLiteral("KELVORA_SERIAL_PORTS"));
        cli.env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        const CliResult r = cli.Run(args);
        return {r.status, r.Out(), r.Err()};
    }

private slots:
    void failedSaveMadeGood() {
        const QString base = m_dir.filePath(QStringLiteral("base"));
        const QString folder = base + QStringLiteral("/K-104233");
        QVERIFY(QDir().mkpath(folder));
        const QStringList download{QStringLiteral("download"), QStringLiteral("--base"), base};
        {
            // Root writes into any folder: it needs a read-only file system.
            CTmpfs readOnly(folder, "size=64k", MS_RDONLY);
            if (::geteuid() == 0 && !readOnly.Mounted())
                QSKIP("a read-only folder for root needs a read-only mount, which is not allowed "
                      "here");
            if (::geteuid() != 0)
                QVERIFY(
                    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            const Result failed = Run(download);
            QCOMPARE(failed.status, 1);
            QVERIFY2(failed.err.contains(QStringLiteral("could not be written")),
                     qPrintable(failed.err));
        }
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner));
        QVERIFY(QDir(folder).isEmpty());

        // The module has marked its events read; no file holds them, so they are saved.
        const Result saved = Run(download);
        QCOMPARE(saved.status, 0);
        QVERIFY2(saved.out.contains(QStringLiteral("Events saved in\n\n")), qPrintable(saved.err));
        const QStringList files = QDir(folder).entryList(QDir::Files);
        QCOMPARE(files.size(), 2); // data file and listing
        const QString data = QDir(folder).filePath(files.filter(QStringLiteral(".kmM")).value(0));

        // Now a file holds them: not saved again, and said so; the events are safe, so exit 0.
        const Result repeated = Run(download);
        QCOMPARE(repeated.status, 0);
        QCOMPARE(
            repeated.err,
            QStringLiteral("not saved: the events are already in %1; use --yes to save again\n")
                .arg(QDir::toNativeSeparators(data)));
        QCOMPARE(QDir(folder).entryList(QDir::Files), files);

        QThread::sleep(1); // a new file name
        const Result again = Run(download + QStringList{QStringLiteral("--yes")});
        QCOMPARE(again.status, 0);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 4);
    }
};

QTEST_GUILESS_MAIN(TestCliDownload)
#include "tst_cli_download.moc"
