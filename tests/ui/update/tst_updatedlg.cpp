// The firmware update windows against the simulated charger and module, with scripted
// message-box answers: the confirmation of the module update, the transfer and its progress,
// loader failures with Cancel and Retry, a damaged image, and closing during the transfer.

#include "base/Texts.h"
#include "drivers/sim/SimCharger.h"
#include "firmware/IntelHexFile.h"
#include "link/CommWorker.h"
#include "link/Crc16.h"
#include "link/DeviceState.h"
#include "link/UsbLink.h"
#include "support/Controls.h"
#include "ui/update/UpdateDlg.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kRecord1 = QStringLiteral(":10010000214601360121470136007EFE09D2190140");
const QString kRecord2 = QStringLiteral(":100110002146017E17C20001FF5F16002148011928");
const QString kEof = QStringLiteral(":00000001FF");

// A data record of 16 bytes at address, with its checksum.
QString Record(int address) {
    QByteArray bytes;
    bytes.append(char(16)).append(char(address >> 8)).append(char(address & 0xFF)).append('\0');
    for (int i = 0; i < 16; ++i)
        bytes += char(address + i);
    int sum = 0;
    for (char b : bytes)
        sum += static_cast<unsigned char>(b);
    bytes += char(-sum);
    return u':' + QString::fromLatin1(bytes.toHex().toUpper());
}

// The command texts the charger received; module texts carry their checksum line.
QStringList Frames() {
    QStringList texts;
    for (const QByteArray& frame : TheSimCharger().ReceivedFrames())
        texts << QString::fromLatin1(frame);
    return texts;
}

QString Wire(const QString& text, bool charger) {
    return charger ? text : text + u'\n' + QString::number(CCrc16::Of(text.toLatin1()));
}

QStringList Wire(const QStringList& texts, bool charger) {
    QStringList frames;
    for (const QString& text : texts)
        frames << Wire(text, charger);
    return frames;
}

// The update window with a hook on its progress, which runs while the worker waits.
class Window : public CUpdateDlg {
public:
    Window(bool charger, const QString& name, CIntelHexFile& image)
        : CUpdateDlg(charger, name, image, nullptr, [this] { ++uploads; }) {}
    void OnProgress(const QString& text) override {
        progress << text;
        if (onProgress)
            onProgress(text);
        CUpdateDlg::OnProgress(text);
    }
    QStringList progress;
    std::function<void(const QString&)> onProgress;
    int uploads = 0;
};

} // namespace

class TestUpdateDlg : public QObject {
    Q_OBJECT

    CCmdOwner m_main;
    QTemporaryDir m_dir;
    QStringList m_boxes;
    QList<int> m_answers;

    QString WriteImage(const QStringList& records, const QString& name = "image.a43") {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("; test image\r\n" + records.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
        return path;
    }

    // Opens the window; for the module the confirmation is given, so that Update can start.
    static void Open(Window& window, bool charger) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (!charger)
            Control<QCheckBox>(window, IDC_DATA_UPLOADED)->click();
    }
    static void ClickUpdate(Window& window) {
        QAbstractButton* update = Control<QAbstractButton>(window, IDC_UPDATE_START);
        QVERIFY(update->isVisible() && update->isEnabled());
        update->click();
    }
    // Ready: Update shown, no wait text, no progress.
    static bool Ready(Window& window) {
        return Control<QAbstractButton>(window, IDC_UPDATE_START)->isVisible() &&
               !Control<QLabel>(window, IDC_UPDATE_WAIT)->isVisible() &&
               !Control<QLabel>(window, IDC_UPDATE_PROGRESS)->isVisible() && !window.Transferring();
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        SetLanguage(Language::English);
        QVERIFY(SelectSimulatedChargerOnly());
        SetMessageBoxHandler([this](const QString& text, unsigned, const QString&) {
            m_boxes << text;
            return m_answers.isEmpty() ? int(IDCANCEL) : m_answers.takeFirst();
        });
        TheDevice().worker.SetMainOwner(&m_main);
        TheDevice().worker.Start();
    }
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

    // The title names the target; the module window starts with "Update" disabled until "Data
    // uploaded" is checked, which disables the upload button; the button downloads the data.
    void confirmation() {
        CLocalIntelHexFile image;
        Window charger(true, WriteImage({kRecord1, kEof}), image);
        charger.show();
        QCOMPARE(charger.windowTitle(), LoadText(TXT_CHARGER));
        QVERIFY(!Control<QCheckBox>(charger, IDC_DATA_UPLOADED));
        QVERIFY(Control<QAbstractButton>(charger, IDC_UPDATE_START)->isEnabled());

        Window module(false, WriteImage({kRecord1, kEof}), image);
        module.show();
        QCOMPARE(module.windowTitle(), LoadText(TXT_MODULE));
        auto* update = Control<QAbstractButton>(module, IDC_UPDATE_START);
        auto* uploaded = Control<QCheckBox>(module, IDC_DATA_UPLOADED);
        auto* upload = Control<QAbstractButton>(module, IDC_UPLOAD);
        QVERIFY(!update->isEnabled() && upload->isEnabled());
        upload->click();
        QCOMPARE(module.uploads, 1);
        uploaded->click();
        QVERIFY(update->isEnabled() && !upload->isEnabled());
        uploaded->click();
        QVERIFY(!update->isEnabled() && upload->isEnabled());
        QCOMPARE(LoadText(IDC_DATA_UPLOADED),
                 QStringLiteral("Caution!\nData will be erased during updating."));
        QTest::qWait(100);
        QVERIFY(TheSimCharger().ReceivedFrames().isEmpty());
    }

    // An image of three records: the loader start and three records, each shown by its start
    // while it is sent, then "Ready" and the window ends with IDOK once the worker has left the
    // last exchange. Charger texts go without the checksum line, module texts with it.
    void transfer_data() {
        QTest::addColumn<bool>("charger");
        QTest::newRow("charger") << true;
        QTest::newRow("module") << false;
    }
    void transfer() {
        QFETCH(bool, charger);
        CLocalIntelHexFile image;
        Window window(charger, WriteImage({kRecord1, kRecord2, kEof}), image);
        Open(window, charger);
        // Slow replies, so that the progress can be watched.
        CSimFaults slow;
        slow.byteDelayMs = 150;
        TheSimCharger().SetFaults(slow);
        ClickUpdate(window);
        auto* progress = Control<QLabel>(window, IDC_UPDATE_PROGRESS);
        QTRY_COMPARE(progress->text(), QStringLiteral(":10010000"));
        QVERIFY(progress->isVisible() && Control<QLabel>(window, IDC_UPDATE_WAIT)->isVisible());
        QVERIFY(!Control<QAbstractButton>(window, IDC_UPDATE_START)->isVisible());
        if (!charger)
            QVERIFY(!Control<QCheckBox>(window, IDC_DATA_UPLOADED)->isEnabled());
        TheSimCharger().SetFaults({});
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(IDOK));
        QCOMPARE(progress->text(), QStringLiteral("Ready"));
        QCOMPARE(window.progress, (QStringList{":10010000", ":10011000", ":00000001", "Ready"}));
        const QString prefix = charger ? QStringLiteral("#C") : QString();
        QCOMPARE(Frames(), Wire({prefix + "UPKelvora", prefix + "IH" + kRecord1,
                                 prefix + "IH" + kRecord2, prefix + "IH" + kEof},
                                charger));
        QVERIFY(m_boxes.isEmpty());
    }

    // A two-byte loader reply is a failure (message 111); after the silent repetition from the
    // loader start the user is asked, and Cancel brings the window back to ready.
    void twoByteReply() {
        CSimFaults faults;
        faults.loaderReplies = 2;
        faults.loaderReply = "12";
        TheSimCharger().SetFaults(faults);
        CLocalIntelHexFile image;
        Window window(true, WriteImage({kRecord1, kEof}), image);
        Open(window, true);
        ClickUpdate(window);
        QTRY_COMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0], LoadText(TXT_UPDATE_FAILED) + LoadText(TXT_PLEASE_RETRY));
        QTRY_VERIFY(Ready(window));
        QVERIFY(window.isVisible());
        QCOMPARE(Frames(), (QStringList{"#CUPKelvora", "#CUPKelvora"}));
    }

    // A record the loader rejects at record 200, and the silent repetition rejected as well:
    // after the user's Retry the transfer starts again with the loader start and record 1.
    void retryAtRecord200() {
        QStringList records;
        for (int i = 0; i < 249; ++i)
            records << Record(i * 16);
        records << kEof;
        CLocalIntelHexFile image;
        Window window(false, WriteImage(records), image);
        Open(window, false);
        window.onProgress = [&](const QString&) {
            if (window.progress.size() == 200) {
                CSimFaults rejects;
                rejects.loaderReplies = 2;
                rejects.loaderReply = "3";
                TheSimCharger().SetFaults(rejects);
            }
        };
        m_answers = {IDRETRY};
        ClickUpdate(window);
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 60000);
        QCOMPARE(window.result(), int(IDOK));
        QCOMPARE(m_boxes, QStringList{LoadText(TXT_UPDATE_FAILED) + LoadText(TXT_CHECK_PLACEMENT) +
                                      LoadText(TXT_PLEASE_RETRY)});
        const QStringList frames = Frames();
        QCOMPARE(frames.size(), 1 + 200 + 2 + 250);
        QCOMPARE(frames.mid(199, 5), Wire({"IH" + records[198], "IH" + records[199], "UPKelvora",
                                           "UPKelvora", "IH" + records[0]},
                                          false));
        QCOMPARE(frames.last(), Wire("IH" + kEof, false));
    }

    // A damaged image is refused with message 275 before anything is sent; the window stays
    // ready.
    void damagedImage() {
        CLocalIntelHexFile image;
        const QString path = WriteImage({kRecord1, kRecord2.left(20)}, "damaged.a43");
        Window window(true, path, image);
        Open(window, true);
        ClickUpdate(window);
        QCOMPARE(m_boxes, QStringList{FormatText(TXT_NOT_FOUND_OR_INVALID, {path})});
        QVERIFY(Ready(window));
        QTest::qWait(100);
        QVERIFY(TheSimCharger().ReceivedFrames().isEmpty());
    }

    // Closing during the transfer: the window is disabled and ends with 2 once the worker has
    // taken its exit; no record follows.
    void closeDuringTransfer() {
        CLocalIntelHexFile image;
        Window window(true, WriteImage({kRecord1, kRecord2, kRecord1, kRecord2, kEof}), image);
        Open(window, true);
        CSimFaults slow;
        slow.byteDelayMs = 100;
        TheSimCharger().SetFaults(slow);
        ClickUpdate(window);
        QTRY_COMPARE(TheSimCharger().ReceivedFrames().size(), 2);
        QVERIFY(!window.close());
        QVERIFY(!window.isEnabled());
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(window.result(), 2);
        const qsizetype sent = TheSimCharger().ReceivedFrames().size();
        QVERIFY(sent < 5);
        QTest::qWait(500);
        QCOMPARE(TheSimCharger().ReceivedFrames().size(), sent);
        QVERIFY(m_boxes.isEmpty());
    }
};

QTEST_MAIN(TestUpdateDlg)
#include "tst_updatedlg.moc"
