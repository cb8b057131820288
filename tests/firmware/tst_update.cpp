// Intel-hex image sources and the firmware update procedure against the simulated charger and
// module: exchanges, progress, loader failures and the restart from the loader start.

#include "base/Texts.h"
#include "drivers/sim/SimCharger.h"
#include "firmware/IntelHexFile.h"
#include "firmware/UpdateProcedure.h"
#include "link/CommWorker.h"
#include "link/Crc16.h"
#include "link/DeviceState.h"
#include "link/UsbLink.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

const QString kRecord1 = QStringLiteral(":10010000214601360121470136007EFE09D2190140");
const QString kRecord2 = QStringLiteral(":100110002146017E17C20001FF5F16002148011928");
const QString kEof = QStringLiteral(":00000001FF");

class Update : public CUpdateProcedure {
public:
    using CUpdateProcedure::CUpdateProcedure;
    // The transfer reports its end while the worker still holds the command for its last
    // notification: wait until the worker has let go of it before it is destroyed.
    ~Update() override { WaitForWorkerToPass(); }
    void OnProgress(const QString& text) override {
        progress << text;
        if (onProgress)
            onProgress(text);
    }
    void OnFinished(bool ok) override { result = ok ? 1 : 0; }

    QStringList progress;
    int result = -1; // -1 while running
    std::function<void(const QString&)> onProgress;
};

// What the charger receives for one command text: the text, and for module commands the
// checksum line.
QByteArray Wire(const QString& text, bool charger) {
    const QByteArray bytes = text.toLatin1();
    return charger ? bytes : bytes + '\n' + QByteArray::number(CCrc16::Of(bytes));
}

QList<QByteArray> Wire(const QStringList& texts, bool charger) {
    QList<QByteArray> frames;
    for (const QString& text : texts)
        frames << Wire(text, charger);
    return frames;
}

// The next n loader replies are the one-byte reply "3", neither ready nor accepted.
CSimFaults Rejects(int n) {
    CSimFaults faults;
    faults.loaderReplies = n;
    faults.loaderReply = "3";
    return faults;
}

} // namespace

class TestUpdate : public QObject {
    Q_OBJECT

    CCmdOwner m_main;
    QTemporaryDir m_dir;
    QStringList m_boxes;
    QList<int> m_answers;

    QString WriteImage(const QByteArray& content,
                       const QString& name = QStringLiteral("image.a43")) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path;
    }

    QString ThreeRecords() {
        return WriteImage("; test image\n" + kRecord1.toLatin1() + "\n" + kRecord2.toLatin1() +
                          "\n" + kEof.toLatin1() + "\n");
    }

private slots:
    void initTestCase() {
        SetLanguage(Language::English);
        QVERIFY(SelectSimulatedChargerOnly());
        SetMessageBoxHandler([this](const QString& text, unsigned, const QString&) {
            m_boxes << text;
            return m_answers.isEmpty() ? int(IDCANCEL) : m_answers.takeFirst();
        });
        TheDevice().worker.SetMainOwner(&m_main);
        TheDevice().worker.Start();
    }
    // The worker is stopped as the program stops it, through the terminate command.
    void cleanupTestCase() {
        CTerminateCmd terminate;
        PostTerminate(terminate);
        QVERIFY(TheDevice().worker.wait(5000));
        TheDevice().worker.SetMainOwner(nullptr);
    }
    void init() {
        m_boxes.clear();
        m_answers.clear();
        TheSimCharger().SetFaults({});
        TheSimCharger().ClearReceivedFrames();
    }

    // Record lines are found behind blank and comment lines, with either line end; an image
    // that is not complete and well-formed does not open.
    void imageSource_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("records");
        const QByteArray r1 = kRecord1.toLatin1();
        const QByteArray eof = kEof.toLatin1();
        const QStringList both{kRecord1, kEof};
        QTest::newRow("text before, LF") << "\n\nMSP430 image\n" + r1 + "\n" + eof + "\n" << both;
        QTest::newRow("text before, CR LF") << "\r\n; v2.8\r\n" + r1 + "\r\n" + eof + "\r\n"
                                            << both;
        QTest::newRow("no line end at the end") << r1 + "\n" + eof << both;
        QTest::newRow("lower-case hex")
            << r1.toLower() + "\n" + eof << QStringList{kRecord1.toLower(), kEof};
        QTest::newRow("no records") << QByteArray("hello\n\n") << QStringList();
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("truncated, no end record") << r1 + "\n" << QStringList();
        QTest::newRow("cut inside a record") << r1.left(20) + "\n" + eof << QStringList();
        QTest::newRow("wrong checksum") << r1.left(r1.size() - 1) + "2\n" + eof << QStringList();
        QTest::newRow("byte count disagrees") << ":0201000021FF\n" + eof << QStringList();
        QTest::newRow("not hex") << ":10010000214601360121470136007EFE09D21901G0\n" + eof
                                 << QStringList();
        QTest::newRow("record after the end") << eof + "\n" + r1 + "\n" << QStringList();
        QTest::newRow("no data record") << ":020000040000FA\n" + eof << QStringList();
    }
    void imageSource() {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, records);
        CLocalIntelHexFile image;
        const QString path = WriteImage(content);
        QCOMPARE(image.Open(path), !records.isEmpty());
        QStringList read;
        for (bool more = !image.m_strLine.isEmpty(); more; more = image.NextLine())
            read << image.m_strLine;
        QCOMPARE(read, records);
        QVERIFY(image.m_strLine.isEmpty());
        // Re-opening after Close starts again from the first record.
        image.Close();
        QCOMPARE(image.Open(path), !records.isEmpty());
        QCOMPARE(image.m_strLine, records.value(0));
    }

    // Loader start, one exchange per record, then "Ready"; module texts carry the checksum
    // line, charger texts do not.
    void transfer_data() {
        QTest::addColumn<bool>("charger");
        QTest::newRow("module") << false;
        QTest::newRow("charger") << true;
    }
    void transfer() {
        QFETCH(bool, charger);
        CLocalIntelHexFile image;
        Update update(charger, ThreeRecords(), image);
        QVERIFY(update.Start());
        QTRY_COMPARE(update.result, 1);
        const QString prefix = charger ? QStringLiteral("#C") : QString();
        QCOMPARE(TheSimCharger().ReceivedFrames(),
                 Wire({prefix + "UPKelvora", prefix + "IH" + kRecord1, prefix + "IH" + kRecord2,
                       prefix + "IH" + kEof},
                      charger));
        QCOMPARE(update.progress, (QStringList{":10010000", ":10011000", ":00000001", "Ready"}));
        QVERIFY(m_boxes.isEmpty());
        QVERIFY(image.m_strLine.isEmpty());
    }

    // An image that cannot be sent whole is refused with a message before anything is sent:
    // the loader start already erases the flash. Special files are refused without waiting.
    void refusedImageSendsNothing_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("message");
        QTest::newRow("damaged") << WriteImage(kRecord1.toLatin1() + "\n", "damaged.a43") << 275;
        QTest::newRow("end record only") << WriteImage(kEof.toLatin1() + "\n", "eof.a43") << 275;
        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("missing.a43")) << 275;
        const QString fifo = m_dir.filePath(QStringLiteral("fifo.a43"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QTest::newRow("FIFO") << fifo << 451;
        const QString zero = m_dir.filePath(QStringLiteral("zero.a43"));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));
        QTest::newRow("link to /dev/zero") << zero << 451;
        const QString large = m_dir.filePath(QStringLiteral("large.a43"));
        QFile file(large);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(CLocalIntelHexFile::kMaxSize + 1));
        QTest::newRow("too large") << large << 469;
    }
    void refusedImageSendsNothing() {
        QFETCH(QString, path);
        QFETCH(int, message);
        CLocalIntelHexFile image;
        Update update(false, path, image);
        QVERIFY(!update.Start());
        QCOMPARE(m_boxes, QStringList{FormatText(message, {path})});
        QTest::qWait(100);
        QVERIFY(TheSimCharger().ReceivedFrames().isEmpty());
        QCOMPARE(update.result, -1);
    }

    // A two-byte loader reply fails with message 111; after the silent repetition (from the
    // loader start) the second failure asks, and Cancel ends the transfer.
    void twoByteReplyFails() {
        CSimFaults faults;
        faults.loaderReplies = 2;
        TheSimCharger().SetFaults(faults);
        CLocalIntelHexFile image;
        Update update(true, ThreeRecords(), image);
        QVERIFY(update.Start());
        QTRY_COMPARE(update.result, 0);
        QCOMPARE(m_boxes, QStringList{LoadText(TXT_UPDATE_FAILED) + LoadText(TXT_PLEASE_RETRY)});
        QCOMPARE(TheSimCharger().ReceivedFrames(), Wire({"#CUPKelvora", "#CUPKelvora"}, true));
        QVERIFY(update.progress.isEmpty());
    }

    // A record the loader rejects restarts the transfer from the loader start; when that fails
    // too, the user's Retry starts it once more, and the first record follows the start.
    void restartFromLoaderStart() {
        CLocalIntelHexFile image;
        Update update(false, ThreeRecords(), image);
        m_answers = {IDRETRY};
        update.onProgress = [&](const QString& text) {
            if (text == u":10011000" && update.progress.count(text) == 1)
                TheSimCharger().SetFaults(Rejects(2)); // this record and the next start
        };
        QVERIFY(update.Start());
        QTRY_COMPARE(update.result, 1);
        const QString r1 = "IH" + kRecord1;
        const QString r2 = "IH" + kRecord2;
        QCOMPARE(TheSimCharger().ReceivedFrames(),
                 Wire({"UPKelvora", r1, r2, "UPKelvora", "UPKelvora", r1, r2, "IH" + kEof}, false));
        QCOMPARE(m_boxes, QStringList{LoadText(TXT_UPDATE_FAILED) + LoadText(TXT_CHECK_PLACEMENT) +
                                      LoadText(TXT_PLEASE_RETRY)});
        QCOMPARE(update.progress.last(), QStringLiteral("Ready"));
    }
};

QTEST_GUILESS_MAIN(TestUpdate)
#include "tst_update.moc"
