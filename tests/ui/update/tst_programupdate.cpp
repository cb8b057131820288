// The program's own update end to end, in a temporary portable program folder, with the package
// served by a loopback server: a newer package replaces the program and keeps the old one,
// hostile packages and broken transfers change nothing, the update happens at most once per
// run, the progress window cancels, and a program of the package manager is told where its
// update comes from.

#include "base/AppInfo.h"
#include "base/Reg.h"
#include "base/Texts.h"
#include "data/TestMount.h"
#include "online/OnlineState.h"
#include "online/ProgramPackage.h"
#include "support/FakeNetwork.h"
#include "support/HttpResponder.h"
#include "support/TestZip.h"
#include "ui/update/ProgramUpdate.h"
#include "ui/update/TransferProgress.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

namespace {

constexpr const char* kVersions = "/fileadmin/user_upload/software/Versions.txt";
constexpr const char* kPackage = "/fileadmin/user_upload/software/Kelvora_Veltrum.zip";

QStringList Listing(const QString& folder) {
    QStringList entries;
    for (const QFileInfo& info : QDir(folder).entryInfoList(
             QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
        entries << info.fileName() + ": " + QString::fromLatin1(ReadTestFile(info.filePath()));
    return entries;
}

} // namespace

Q_DECLARE_METATYPE(QList<TestZipEntry>)

class TestProgramUpdate : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    HttpResponder m_server;
    QStringList m_boxes;
    QList<int> m_answers;
    QString m_folder;
    QString m_program;
    QString m_question; // 206 with both versions

    QByteArray Package(const QList<TestZipEntry>& entries) {
        const QString path = m_dir.filePath(QStringLiteral("served.zip"));
        if (!WriteTestZip(path, entries))
            qWarning("the test package could not be written");
        return ReadTestFile(path);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("KELVORA_CONFIG_DIR", m_dir.path().toLocal8Bit());
        QVERIFY(CRegVT().WriteString(QStringLiteral("ServerOrigin"), m_server.Origin()));
        SetLanguage(Language::English);
        SetMessageBoxHandler([this](const QString& text, unsigned, const QString&) {
            m_boxes << text;
            return m_answers.isEmpty() ? int(IDNO) : m_answers.takeFirst();
        });
        m_server.Set(QString::fromLatin1(kVersions), "Kelvora_Veltrum_4.7.0.zip\n");
        m_server.Set(QStringLiteral("/fileadmin/user_upload/Firmware/Versions.txt"),
                     "Kelvora_2.9.a43\n");
        m_question = FormatText(TXT_DOWNLOAD_VERSION,
                                {VersionNumberText(ProgramVersion()), QStringLiteral("4.7.0")});
    }
    void init() {
        m_boxes.clear();
        m_answers.clear();
        m_server.requests.clear();
        m_folder = m_dir.filePath(QStringLiteral("Veltrum"));
        QDir(m_folder).removeRecursively();
        QVERIFY(QDir().mkpath(m_folder));
        m_program = m_folder + QStringLiteral("/veltrum");
        QFile program(m_program);
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.write("old program");
    }

    // Yes to the question: the package is downloaded, the new program takes the place of the
    // old one, which stays as "veltrum 4.6.0"; the package is gone afterwards. A second run
    // offers nothing and asks the server nothing.
    void newerPackageReplaces() {
        m_server.Set(QString::fromLatin1(kPackage),
                     Package({{"veltrum", "new program", S_IFREG | 0755}, {"README", "read me"}}));
        CFakeNetwork network;
        COnlineState state(network);
        state.Start({});
        m_answers = {IDYES};
        QVERIFY(RunProgramUpdate(state, m_program));
        QCOMPARE(m_boxes, QStringList{m_question});
        QCOMPARE(Listing(m_folder), (QStringList{"README: read me", "veltrum: new program",
                                                 "veltrum 4.6.0: old program"}));
        QVERIFY(state.Updated());
        QCOMPARE(state.Offers({}, {}), 0u);

        m_server.requests.clear();
        QVERIFY(!RunProgramUpdate(state, m_program));
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_server.requests, QStringList());
    }

    // No: nothing is downloaded.
    void answerNo() {
        CFakeNetwork network;
        COnlineState state(network);
        state.Start({});
        m_server.requests.clear();
        QVERIFY(!RunProgramUpdate(state, m_program));
        QCOMPARE(m_boxes, QStringList{m_question});
        QCOMPARE(m_server.requests, QStringList());
        QCOMPARE(Listing(m_folder), QStringList{"veltrum: old program"});
    }

    // A package that would write outside the folder or bring a link is refused: the folder and
    // its surroundings stay as they were, and the update may be tried again.
    void hostilePackage_data() {
        QTest::addColumn<QList<TestZipEntry>>("entries");
        const TestZipEntry program{"veltrum", "new program", S_IFREG | 0755};
        QTest::newRow("../x") << QList<TestZipEntry>{program, {"../x", "evil"}};
        QTest::newRow("absolute path") << QList<TestZipEntry>{program, {"/tmp/veltrum-x", "e"}};
        QTest::newRow("link") << QList<TestZipEntry>{program, {"lib", "/tmp", S_IFLNK | 0777}};
    }
    void hostilePackage() {
        QFETCH(QList<TestZipEntry>, entries);
        m_server.Set(QString::fromLatin1(kPackage), Package(entries));
        CFakeNetwork network;
        COnlineState state(network);
        state.Start({});
        m_answers = {IDYES};
        QVERIFY(!RunProgramUpdate(state, m_program));
        QCOMPARE(m_boxes.size(), 2);
        QVERIFY2(m_boxes[1].startsWith(QStringLiteral("The update package Kelvora_Veltrum.zip "
                                                      "was refused")),
                 qPrintable(m_boxes[1]));
        QCOMPARE(Listing(m_folder), QStringList{"veltrum: old program"});
        QCOMPARE(Listing(m_dir.path()).filter(QStringLiteral("x:")), QStringList());
        QVERIFY(!QFile::exists(QStringLiteral("/tmp/veltrum-x")));
        QVERIFY(!state.Updated());
    }

    // A download that breaks off leaves the program untouched and no package behind.
    void interruptedDownload() {
        HttpResponder::Answer cut;
        cut.body = QByteArray(3000, 'P');
        cut.declaredSize = 100000;
        m_server.Set(QString::fromLatin1(kPackage), cut);
        CFakeNetwork network;
        COnlineState state(network);
        state.Start({});
        m_answers = {IDYES};
        QVERIFY(!RunProgramUpdate(state, m_program));
        QCOMPARE(m_boxes.size(), 2);
        QVERIFY2(m_boxes[1].contains(QStringLiteral("could not be fetched")),
                 qPrintable(m_boxes[1]));
        QCOMPARE(Listing(m_folder), QStringList{"veltrum: old program"});
        QVERIFY(!state.Updated());
    }

    // The download shows a progress window; its Cancel ends the download at once, silently,
    // and nothing changes.
    void cancelInProgressWindow() {
        HttpResponder::Answer slow;
        slow.body = Package({{"veltrum", "new program", S_IFREG | 0755}});
        slow.trickleMs = 50;
        m_server.Set(QString::fromLatin1(kPackage), slow);
        CFakeNetwork network;
        COnlineState state(network);
        state.Start({});
        CTransferProgress view;
        SetTransferView(&view);
        QString label;
        bool clicked = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* window = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            if (!window || clicked)
                return;
            label = window->labelText();
            clicked = true;
            window->findChild<QAbstractButton*>()->click();
        });
        poll.start(100);
        m_answers = {IDYES};
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!RunProgramUpdate(state, m_program));
        SetTransferView(nullptr);
        QVERIFY(clicked);
        QVERIFY(timer.elapsed() < slow.body.size() * slow.trickleMs / 2);
        QCOMPARE(label, FormatText(TXT_DOWNLOADING, {QStringLiteral("Kelvora_Veltrum.zip")}));
        QCOMPARE(m_boxes, QStringList{m_question});
        QCOMPARE(Listing(m_folder), QStringList{"veltrum: old program"});
        QVERIFY(!view.Window());
    }

    // A program folder that may not be written is a program of the package manager: the offer
    // says where the update comes from, and nothing is downloaded. Root writes into any folder:
    // it takes a read-only file system.
    void packageManagerInstall() {
        CTmpfs readOnly(m_folder, "size=64k", MS_RDONLY);
        if (::geteuid() == 0 && !readOnly.Mounted())
            QSKIP("a read-only folder for root needs a read-only mount, which is not allowed here");
        if (::geteuid() != 0)
            QVERIFY(
                QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        CFakeNetwork network;
        COnlineState state(network);
        state.Start({});
        m_server.requests.clear();
        QVERIFY(!RunProgramUpdate(state, m_program));
        QCOMPARE(m_boxes, QStringList{FormatText(
                              TXT_UPDATE_BY_PACKAGE_MANAGER,
                              {VersionNumberText(ProgramVersion()), QStringLiteral("4.7.0")})});
        QCOMPARE(m_server.requests, QStringList());
        readOnly.Unmount();
        QVERIFY(QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner));
    }
};

QTEST_MAIN(TestProgramUpdate)
#include "tst_programupdate.moc"
