// The event download: reply fields, listing, file and folder names, the written data file, the
// device name index, and the save rules (declined, existing file, folder that cannot be made).

#include "TestMount.h"
#include "base/Texts.h"
#include "data/CDataArray.h"
#include "data/CDataFile.h"
#include "data/NameIndex.h"
#include "link/DeviceState.h"
#include "link/GetDataCmd.h"
#include "link/InfoCmd.h"
#include "link/InfoView.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// 2026-12-09 22:58:21 UTC, 23:58:21 in the test's time zone.
constexpr std::int64_t kDownloadTime = 1796857101;

// A download reply as the worker leaves it: ';' already TAB, no checksum line.
const QString kReply =
    QStringLiteral("ID\tK-1\nVersion\t3.2\nGelesen\t0\nMotor\t2\nRel. "
                   "Zeit\t1000000\t4294967295\t0\nTotal\t4096\nBenutzt\t3\n"
                   "Ersetzt\t0\nAkkuspannung [mV]\t0\t0\t990000\t7200\n3900\t3880\t21\n0\t0\t0\n"
                   "Index\tDauer\tZeit\tSensor\tWert\tFeedback\tms\tAusschluss\tAkku\n"
                   "1\t800\t900000\tA\t700\tV\t250\t\t3\n2\t12000\t900100\tB\t300\tL\t0\tX\t2\n3\t5"
                   "000\t990000\tA\t450\tV\t500\t\t1");

class LinesView : public CInfoView {
public:
    void Clear() override { lines.clear(); }
    void AddText(const QString& text) override { lines += text.split(u'\n'); }
    QStringList lines;
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// kReply marked as read ("Gelesen 1").
QString ReadReply(QString reply = kReply) {
    return reply.replace(QStringLiteral("Gelesen\t0"), QStringLiteral("Gelesen\t1"));
}

// kReply with more events, for files of several pages.
QString LongReply(int events) {
    QString reply = kReply.left(kReply.indexOf(QStringLiteral("\n1\t800")));
    for (int i = 1; i <= events; ++i)
        reply += QStringLiteral("\n%1\t800\t%2\tA\t700\tV\t250\t\t3").arg(i).arg(900000 + 10 * i);
    return reply;
}

// The folder's entries, hidden ones included.
QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden |
                                  QDir::System);
}

} // namespace

class TestDownload : public QObject {
    Q_OBJECT

    QStringList m_boxes;
    QList<int> m_answers;
    std::optional<QString> m_nameAnswer;

    static void Download(CGetDataCmd& cmd, const QString& reply, const QString& base) {
        cmd.m_strReply = reply;
        cmd.OnReply();
        cmd.downloadTime = kDownloadTime;
        cmd.m_strBaseFolder = base;
    }

private slots:
    void initTestCase() {
        SetLanguage(Language::English);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        SetTextInputHandler(
            [this](const QString&, const QString&, const QString&) { return m_nameAnswer; });
        CInfoCmdVM& module = TheDevice().moduleInfo;
        module.m_strLoader = QStringLiteral("Loader\t770\t1");
        module.m_strDiag = QStringLiteral("Diag\t0");
        CInfoCmdCB& charger = TheDevice().chargerInfo;
        charger.m_strSerial = QStringLiteral("SIM0001");
        charger.m_strVersion = QStringLiteral("1.4");
        charger.m_strLoader = QStringLiteral("Loader\t300\t16433");
    }
    void init() {
        SetMessageBoxHandler([this](const QString& text, unsigned, const QString&) {
            m_boxes << text;
            return m_answers.isEmpty() ? int(IDOK) : m_answers.takeFirst();
        });
        m_boxes.clear();
        m_answers.clear();
        m_nameAnswer.reset();
        LoadNameIndex(QStringLiteral("/nonexistent"));
    }

    void replyFields_data() {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<bool>("read");
        QTest::newRow("motor 2") << "ID\tA\nVersion\t3.2\nGelesen\t1\nMotor\t2"
                                 << "A"
                                 << "kmM" << true;
        QTest::newRow("motor 1") << "ID\tA\nVersion\t3.2\nGelesen\t0\nMotor\t1"
                                 << "A"
                                 << "koM" << false;
        QTest::newRow("no motor line") << "ID\tA\nVersion\t3.2\nGelesen\t0\nTotal\t9"
                                       << "A"
                                       << "csv" << false;
        QTest::newRow("motor after the battery block")
            << "ID\tA\nV\nG\nAkkuspannung [mV]\t0\nMotor\t2"
            << "A"
            << "csv" << false;
        QTest::newRow("id elsewhere") << "XID\tA\nVersion\t3.2"
                                      << ""
                                      << "csv" << false;
        QTest::newRow("read mark must be exact") << "ID\tA\nV\nGelesen\t10"
                                                 << "A"
                                                 << "csv" << false;
    }
    void replyFields() {
        QFETCH(QString, reply);
        CGetDataCmd cmd;
        cmd.m_strReply = reply;
        cmd.OnReply();
        QTEST(cmd.moduleId, "id");
        QTEST(cmd.extension, "extension");
        QTEST(cmd.readAlready, "read");
        QCOMPARE(cmd.versionLine, reply.section(u'\n', 1, 1));
        QVERIFY(qAbs(cmd.downloadTime - QDateTime::currentSecsSinceEpoch()) < 5);
    }

    void folderNames_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("cleaned");
        QTest::newRow("slash and blank") << "AB C/1"
                                         << "AB_C_1";
        QTest::newRow("all twelve") << "\\/*\"><|?:;, x"
                                    << "____________x";
        QTest::newRow("parent folder") << ".."
                                       << "_.";
        QTest::newRow("hidden") << ".K-1"
                                << "_K-1";
        QTest::newRow("point inside") << "K.1"
                                      << "K.1";
    }
    void folderNames() {
        QFETCH(QString, folder);
        QFETCH(QString, cleaned);
        CGetDataCmd cmd;
        Download(cmd, kReply, QStringLiteral("/data"));
        const QString path = cmd.MakeFileName(folder, QStringLiteral("kmM"));
        QCOMPARE(folder, cleaned);
        QCOMPARE(path, QStringLiteral("/data/%1/2026-12-09_23-58-21.kmM").arg(cleaned));
    }

    // The data file as a golden file, then read back by the data file reader without loss.
    void writtenFile() {
        QTemporaryDir base;
        CGetDataCmd cmd;
        Download(cmd, kReply, base.path());
        LinesView view;
        cmd.ShowResult(view);
        const QString path = base.filePath(QStringLiteral("K-1/2026-12-09_23-58-21.kmM"));
        QCOMPARE(cmd.m_strSavedPath, path);
        QCOMPARE(m_boxes,
                 QStringList{FormatText(TXT_EVENTS_SAVED, {QDir::toNativeSeparators(path)})});
        QCOMPARE(ReadAll(path), ReadAll(QStringLiteral(VELTRUM_TEST_DATA "/download/golden.kmM")));

        CDataFile file;
        QVERIFY(file.Open(path));
        QString message;
        QVERIFY(file.Validate(768, message));
        QCOMPARE(file.id, QStringLiteral("K-1"));
        QCOMPARE(file.clockOffset, 0);
        QCOMPARE(file.downloadTime, kDownloadTime);
        CDataArray events;
        events.LoadFile(file, std::nullopt);
        QCOMPARE(events.GetCount(), 2); // the excluded event is never loaded
        QCOMPARE(events.GetAt(0)->startMs, (kDownloadTime - 1000000 + 900000) * 1000 + 250 - 800);

        const QByteArray listing =
            ReadAll(base.filePath(QStringLiteral("K-1/2026-12-09_23-58-21.txt")));
        QCOMPARE(listing.count("\r\n"), view.lines.size());
        QVERIFY(view.lines.value(3).endsWith(QStringLiteral(", B, 12000 ms, 300, L, 2 *")));
    }

    // Line 1 must give a clock offset of 0 when read back, in every locale.
    void downloadTimeLine_data() {
        QTest::addColumn<QString>("locale");
        QTest::newRow("C") << "C";
        QTest::newRow("German") << "de_DE";
        QTest::newRow("US, 12-hour clock") << "en_US";
        QTest::newRow("Hungarian, blanks in the date") << "hu_HU";
        QTest::newRow("Japanese") << "ja_JP";
    }
    void downloadTimeLine() {
        QFETCH(QString, locale);
        const QLocale previous;
        QLocale::setDefault(QLocale(locale));
        const QString text = DownloadTimeText(kDownloadTime + 13 * 3600); // 12:58:21 local
        QLocale::setDefault(previous);
        CInfoHeader header;
        header.ParseText(
            (text + QStringLiteral("\t%1\nID\tK\nVersion\t3.2\n").arg(kDownloadTime + 13 * 3600))
                .toUtf8());
        QCOMPARE(header.clockOffset, 0);
        QCOMPARE(text.count(u' '), locale == QStringLiteral("en_US") ? 2 : 1);
    }

    // A download marked read asks "Save again?" only when a data file of the module holds its
    // events: the one before may never have been saved. The earlier download was made an hour
    // before, its clocks read a second apart.
    void readDownload_data() {
        QTest::addColumn<QString>("earlier");
        QTest::addColumn<bool>("asked");
        QTest::newRow("saved before") << kReply << true;
        QTest::newRow("saved before, as a read download") << ReadReply() << true;
        QTest::newRow("nothing saved before") << QString() << false;
        QTest::newRow("fewer events saved before")
            << kReply.left(kReply.lastIndexOf(u'\n')) << false;
        QTest::newRow("another module's file in the folder")
            << QString(kReply).replace(QStringLiteral("ID\tK-1"), QStringLiteral("ID\tK-2"))
            << false;
    }
    void readDownload() {
        QFETCH(QString, earlier);
        QFETCH(bool, asked);
        QTemporaryDir base;
        QString earlierPath;
        if (!earlier.isEmpty()) {
            CGetDataCmd before;
            Download(
                before,
                earlier.replace(QStringLiteral("Zeit\t1000000"), QStringLiteral("Zeit\t996399")),
                base.path());
            before.downloadTime = kDownloadTime - 3600;
            QString folder = QStringLiteral("K-1");
            QVERIFY(before.SaveDataFile(folder, QStringLiteral("kmM")));
            earlierPath = before.m_strSavedPath;
            m_boxes.clear();
        }
        CGetDataCmd cmd;
        Download(cmd, ReadReply(), base.path());
        m_answers = {IDNO};
        LinesView view;
        cmd.ShowResult(view);
        QCOMPARE(view.lines.size(), 6); // the events are listed all the same, under two dates
        if (asked) {
            QCOMPARE(m_boxes, QStringList{LoadText(TXT_ALREADY_UPLOADED)});
            QCOMPARE(cmd.m_strHeldIn, earlierPath);
            QVERIFY(cmd.m_strSavedPath.isEmpty());
            QCOMPARE(Entries(base.filePath(QStringLiteral("K-1"))).size(), 2); // the earlier files
        } else {
            const QString path = base.filePath(QStringLiteral("K-1/2026-12-09_23-58-21.kmM"));
            QCOMPARE(m_boxes,
                     QStringList{FormatText(TXT_EVENTS_SAVED, {QDir::toNativeSeparators(path)})});
            QVERIFY(cmd.m_strHeldIn.isEmpty());
            QCOMPARE(cmd.m_strSavedPath, path);
        }
    }

    // A save that failed (a folder that cannot be written): the module marked the events read
    // all the same, and the next download saves them without asking.
    void failedSaveThenReadDownload() {
        QTemporaryDir base;
        const QString folder = base.filePath(QStringLiteral("K-1"));
        QVERIFY(QDir().mkdir(folder));
        {
            // Root writes into any folder: it needs a read-only file system.
            CTmpfs readOnly(folder, "size=64k", MS_RDONLY);
            if (::geteuid() == 0 && !readOnly.Mounted())
                QSKIP("a read-only folder for root needs a read-only mount, which is not allowed "
                      "here");
            if (::geteuid() != 0)
                QVERIFY(
                    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            CGetDataCmd first;
            Download(first, kReply, base.path());
            first.downloadTime = kDownloadTime - 60;
            LinesView view;
            first.ShowResult(view);
            QCOMPARE(m_boxes.size(), 1);
            QVERIFY(m_boxes[0].startsWith(QStringLiteral("The data file ")));
            QVERIFY(first.m_strSavedPath.isEmpty());
            QVERIFY(Entries(folder).isEmpty());
        }
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner));
        m_boxes.clear();
        m_answers = {IDNO};
        CGetDataCmd again;
        Download(again, ReadReply(), base.path());
        LinesView view;
        again.ShowResult(view);
        QCOMPARE(again.m_strSavedPath,
                 base.filePath(QStringLiteral("K-1/2026-12-09_23-58-21.kmM")));
        QCOMPARE(m_boxes, QStringList{FormatText(
                              TXT_EVENTS_SAVED, {QDir::toNativeSeparators(again.m_strSavedPath)})});
    }

    // Both files are in place when the message is shown, so that a program ended while it is
    // open keeps them.
    void bothFilesBeforeMessage() {
        QTemporaryDir base;
        const QString listing = base.filePath(QStringLiteral("K-1/2026-12-09_23-58-21.txt"));
        QStringList seen;
        SetMessageBoxHandler([&](const QString& text, unsigned, const QString&) {
            seen << text + (QFileInfo::exists(listing) ? QStringLiteral(" +listing") : QString());
            return int(IDOK);
        });
        CGetDataCmd cmd;
        Download(cmd, kReply, base.path());
        LinesView view;
        cmd.ShowResult(view);
        QCOMPARE(seen, QStringList{FormatText(TXT_EVENTS_SAVED,
                                              {QDir::toNativeSeparators(cmd.m_strSavedPath)}) +
                                   QStringLiteral(" +listing")});
        QCOMPARE(cmd.m_strListingPath, listing);
    }

    // On a file system with room for the data file but not for its listing: the data file is
    // kept whole, the listing is not left cut off, and one message says so.
    void fullDisk() {
        QTemporaryDir sizes;
        CGetDataCmd dry;
        Download(dry, LongReply(300), sizes.path());
        LinesView view;
        dry.ShowResult(view);
        const qint64 dataBytes = QFileInfo(dry.m_strSavedPath).size();
        QVERIFY(QFileInfo(dry.m_strListingPath).size() > 2 * 4096);

        QTemporaryDir base;
        CTmpfs disk(base.path(), "size=256k");
        if (!disk.Mounted())
            QSKIP("mounting a small tmpfs needs root, which this run does not have");
        QVERIFY(QDir(base.path()).mkdir(QStringLiteral("K-1")));
        // Fill it, then free the data file's pages and no more than one page beyond.
        QFile filler(base.filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        const qint64 pages = (dataBytes + 4095) / 4096;
        QVERIFY(filler.resize(filler.size() / 4096 * 4096 - pages * 4096));
        filler.close();

        m_boxes.clear();
        CGetDataCmd cmd;
        Download(cmd, LongReply(300), base.path());
        cmd.ShowResult(view);
        const QString data = base.filePath(QStringLiteral("K-1/2026-12-09_23-58-21.kmM"));
        const QString listing = base.filePath(QStringLiteral("K-1/2026-12-09_23-58-21.txt"));
        QCOMPARE(m_boxes, QStringList{FormatText(TXT_LISTING_NOT_WRITTEN,
                                                 {QDir::toNativeSeparators(data),
                                                  QDir::toNativeSeparators(listing)})});
        QCOMPARE(cmd.m_strSavedPath, data);
        QVERIFY(cmd.m_strListingPath.isEmpty());
        QCOMPARE(ReadAll(data), ReadAll(dry.m_strSavedPath));
        QCOMPARE(Entries(base.filePath(QStringLiteral("K-1"))),
                 QStringList{QFileInfo(data).fileName()});
    }

    // A name index that is a FIFO, a device or too large is not used (and never written): every
    // module is named by its ID, with one message, and nothing waits or reads without end.
    void unusableNameIndex_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("link to /dev/zero") << "zero";
        QTest::newRow("beyond the limit") << "big";
    }
    void unusableNameIndex() {
        QFETCH(QString, kind);
        QTemporaryDir base;
        const QString index = base.filePath(QStringLiteral("VM_ID.Index"));
        if (kind == QStringLiteral("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(index).constData(), 0644), 0);
        } else if (kind == QStringLiteral("zero")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), index));
        } else {
            QFile big(index);
            QVERIFY(big.open(QIODevice::WriteOnly));
            QVERIFY(big.write("K-1\tLab 3\r\n") > 0);
            QVERIFY(big.resize(kMaxNameIndexBytes + 1));
        }
        QElapsedTimer timer;
        timer.start();
        LoadNameIndex(base.path());
        QCOMPARE(m_boxes, QStringList{FormatText(
                              450, {QDir::toNativeSeparators(index), QStringLiteral("4")})});
        QCOMPARE(LookupName(QStringLiteral("K-1")), std::optional<QString>(QStringLiteral("K-1")));
        m_nameAnswer = QStringLiteral("Lab 3");
        QCOMPARE(AskName(QStringLiteral("K-2")), QStringLiteral("Lab 3"));

        m_boxes.clear();
        CGetDataCmd cmd;
        Download(cmd, kReply, base.path());
        LinesView view;
        cmd.ShowResult(view);
        QCOMPARE(cmd.m_strSavedPath, base.filePath(QStringLiteral("K-1/2026-12-09_23-58-21.kmM")));
        QVERIFY(timer.elapsed() < 10000);
        if (kind == QStringLiteral("big"))
            QCOMPARE(QFileInfo(index).size(), kMaxNameIndexBytes + 1);
    }

    void noModuleIdNotSaved() {
        QTemporaryDir base;
        CGetDataCmd cmd;
        Download(cmd, QString(kReply).replace(QStringLiteral("ID\tK-1"), QStringLiteral("XX")),
                 base.path());
        LinesView view;
        cmd.ShowResult(view);
        QCOMPARE(m_boxes, QStringList{LoadText(TXT_NO_MODULE_ID)});
        QVERIFY(cmd.m_strSavedPath.isEmpty());
    }

    void existingFileKept() {
        QTemporaryDir base;
        QDir(base.path()).mkdir(QStringLiteral("K-1"));
        const QString path = base.filePath(QStringLiteral("K-1/2026-12-09_23-58-21.kmM"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("earlier download");
        old.close();
        CGetDataCmd cmd;
        Download(cmd, kReply, base.path());
        QString folder = QStringLiteral("K-1");
        QVERIFY(!cmd.SaveDataFile(folder, QStringLiteral("kmM")));
        QCOMPARE(m_boxes,
                 QStringList{FormatText(TXT_FILE_EXISTS, {QDir::toNativeSeparators(path)})});
        QCOMPARE(ReadAll(path), QByteArray("earlier download"));
        QCOMPARE(
            QDir(base.filePath(QStringLiteral("K-1"))).entryList(QDir::Files | QDir::Hidden).size(),
            1);
    }

    // A folder that cannot be made offers another base folder; Cancel gives up.
    void folderCannotBeMade() {
        QTemporaryDir base;
        QFile blocker(base.filePath(QStringLiteral("K-1")));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
        blocker.close();
        CGetDataCmd cmd;
        Download(cmd, kReply, base.path());
        QString folder = QStringLiteral("K-1");
        m_answers = {IDCANCEL};
        QVERIFY(!cmd.SaveDataFile(folder, QStringLiteral("kmM")));
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(m_boxes[0].startsWith(QStringLiteral("Folder K-1 could not be created")));

        QTemporaryDir other;
        cmd.m_selectBaseFolder = [&](QString& chosen) {
            chosen = other.path();
            return true;
        };
        m_answers = {IDOK};
        QVERIFY(cmd.SaveDataFile(folder, QStringLiteral("kmM")));
        QVERIFY(cmd.m_strSavedPath.startsWith(other.path()));
    }

    // A folder in which nothing can be created (even for root): the download is reported as not
    // saved, and nothing half-written stays behind.
    void writeFailureReported() {
        if (!QFileInfo(QStringLiteral("/proc/self/fd")).isDir())
            QSKIP("needs Linux's /proc");
        CGetDataCmd cmd;
        Download(cmd, kReply, QStringLiteral("/proc/self"));
        QString folder = QStringLiteral("fd");
        QVERIFY(!cmd.SaveDataFile(folder, QStringLiteral("kmM")));
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(m_boxes[0].startsWith(
            QStringLiteral("The data file /proc/self/fd/2026-12-09_23-58-21.kmM could not")));
        QVERIFY(cmd.m_strSavedPath.isEmpty());
    }

    void nameIndex() {
        QTemporaryDir base;
        LoadNameIndex(base.path());
        QCOMPARE(LookupName(QStringLiteral("12")), std::optional<QString>(QStringLiteral("12")));
        m_nameAnswer = QStringLiteral("Ignored");
        QCOMPARE(AskName(QStringLiteral("12")), QStringLiteral("Ignored"));
        QVERIFY(!QFile::exists(base.filePath(QStringLiteral("VM_ID.Index"))));

        QFile index(base.filePath(QStringLiteral("VM_ID.Index")));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("12\tLab3\r\n7\tM\xFC"
                    "ller"); // no line end after the last line
        index.close();
        LoadNameIndex(base.path());
        QCOMPARE(LookupName(QStringLiteral("12")), std::optional<QString>(QStringLiteral("Lab3")));
        QCOMPARE(LookupName(QStringLiteral("7")),
                 std::optional<QString>(QString::fromUtf8("Müller")));
        QCOMPARE(LookupName(QStringLiteral("1")), std::nullopt);
        QCOMPARE(NameOrId(QStringLiteral("1")), QStringLiteral("1"));

        m_nameAnswer = QStringLiteral("Room 1");
        QCOMPARE(AskName(QStringLiteral("1")), QStringLiteral("Room 1"));
        QCOMPARE(LookupName(QStringLiteral("1")), std::optional<QString>(QStringLiteral("Room 1")));
        QCOMPARE(ReadAll(index.fileName()), QByteArray("12\tLab3\r\n7\tM\xFC"
                                                       "ller\r\n1\tRoom 1\r\n"));
        m_nameAnswer.reset();
        QCOMPARE(AskName(QStringLiteral("5")), QStringLiteral("5"));
        LoadNameIndex(base.path());
        QCOMPARE(LookupName(QStringLiteral("7")),
                 std::optional<QString>(QString::fromUtf8("Müller")));
    }

    // A module without an index entry is named by the user; the folder follows the name.
    void askedNameBecomesFolder() {
        QTemporaryDir base;
        QFile index(base.filePath(QStringLiteral("VM_ID.Index")));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.close();
        LoadNameIndex(base.path());
        m_nameAnswer = QStringLiteral("Dr. Weiss/Patient 4");
        CGetDataCmd cmd;
        Download(cmd, kReply, base.path());
        LinesView view;
        cmd.ShowResult(view);
        QCOMPARE(cmd.m_strSavedPath,
                 base.filePath(QStringLiteral("Dr._Weiss_Patient_4/2026-12-09_23-58-21.kmM")));
    }
};

int main(int argc, char* argv[]) {
    // A fixed time zone without daylight saving questions for the golden file (CET in December).
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Veltrum"));
    TestDownload test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_download.moc"
