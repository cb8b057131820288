// The vendor server access: version lists and firmware names, and the HTTP reader against a
// server on 127.0.0.1 started by the test.

#include "base/Reg.h"
#include "base/Texts.h"
#include "firmware/IntelHexFile.h"
#include "online/FirmwareNames.h"
#include "online/KelvoraHttp.h"
#include "online/OnlineState.h"
#include "support/FakeNetwork.h"
#include "support/HttpResponder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <chrono>

namespace {

constexpr const char* kVersions = "/fileadmin/user_upload/software/Versions.txt";

struct Box {
    QString text;
    QString caption;
};

// The threads of the process that carry Qt's network transfers.
int NetworkThreads() {
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("QNetworkAccess"))
            ++count;
    }
    return count;
}

// A transfer view that records what it is shown and cancels when told to.
class RecordingView : public CTransferView {
public:
    bool Begin(const QString& name, bool file, std::function<void()> cancel) override {
        events << QStringLiteral("begin %1 %2").arg(name, file ? "file" : "list");
        m_cancel = std::move(cancel);
        return false;
    }
    void Progress(qint64 received, qint64 total) override {
        lastProgress = {received, total};
        if (cancelAt >= 0 && received >= cancelAt && m_cancel)
            m_cancel();
    }
    void End() override {
        events << QStringLiteral("end");
        m_cancel = nullptr;
    }
    QStringList events;
    QPair<qint64, qint64> lastProgress{-1, -1};
    qint64 cancelAt = -1; // cancel once this many bytes have arrived

private:
    std::function<void()> m_cancel;
};

constexpr const char* kFirmwareVersions = "/fileadmin/user_upload/Firmware/Versions.txt";
constexpr const char* kPackage = "/fileadmin/user_upload/software/Kelvora_Veltrum.zip";

} // namespace

class TestOnline : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    HttpResponder m_server;
    QList<Box> m_boxes;

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("KELVORA_CONFIG_DIR", m_dir.path().toLocal8Bit());
        SetLanguage(Language::English);
        QCOMPARE(CKelvoraHttp::ServerOrigin(), QStringLiteral("https://www.kelvora.de"));
        QVERIFY(CRegVT().WriteString(QStringLiteral("ServerOrigin"), m_server.Origin() + u'/'));
        QCOMPARE(CKelvoraHttp::ServerOrigin(), m_server.Origin());
        SetMessageBoxHandler([this](const QString& text, unsigned, const QString& caption) {
            m_boxes.append({text, caption});
            return int(IDOK);
        });
    }
    void init() {
        m_boxes.clear();
        // Qt's own diagnostics ("device not open", "invalid nullptr parameter") are faults.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    }

    void programVersion_data() {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<quint64>("version");
        QTest::newRow("first match wins")
            << QStringList{"readme", "Kelvora_Veltrum_1.2.3.zip", "Kelvora_Veltrum_1.3.0.zip"}
            << "Kelvora_Veltrum" << quint64(0x0001'0002'0003);
        QTest::newRow("two numbers only")
            << QStringList{"Kelvora_Veltrum_1.2.zip"} << "Kelvora_Veltrum" << quint64(0);
        QTest::newRow("other prefix")
            << QStringList{"Kelvora_Tool_5.0.0"} << "Kelvora_Veltrum" << quint64(0);
        QTest::newRow("empty list") << QStringList() << "Kelvora_Veltrum" << quint64(0);
    }
    void programVersion() {
        QFETCH(QStringList, list);
        QFETCH(QString, prefix);
        QFETCH(quint64, version);
        QCOMPARE(CKelvoraHttp::FindProgramVersion(list, prefix), version);
    }

    void firmwareVersion_data() {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<quint32>("version");
        QTest::newRow("any extension")
            << QStringList{"VarerizEzu_2.10.hex"} << "VarerizEzu" << quint32(2 * 65536 + 10);
        QTest::newRow("variant family") << QStringList{"Kelvora_2.1.a43", "Kelvora_4_3.2.a43"}
                                        << "Kelvora_4" << quint32(3 * 65536 + 2);
        QTest::newRow("variant is no version")
            << QStringList{"Kelvora_4_3.2.a43"} << "Kelvora" << quint32(0);
        QTest::newRow("one number") << QStringList{"TRM_3_7.a43"} << "TRM_3" << quint32(0);
    }
    void firmwareVersion() {
        QFETCH(QStringList, list);
        QFETCH(QString, prefix);
        QFETCH(quint32, version);
        QCOMPARE(CKelvoraHttp::FindFirmwareVersion(list, prefix), version);
    }

    void firmwareNames() {
        QCOMPARE(ChargerFirmwareFamily(0), QStringLiteral("VarerizEzu"));
        QCOMPARE(ChargerFirmwareFamily(3), QStringLiteral("TRM_3"));
        QCOMPARE(ChargerFirmwareFamily(2), QStringLiteral("VorozizEvu_2"));
        QCOMPARE(ModuleFirmwareFamily(0), QStringLiteral("Kelvora"));
        QCOMPARE(ModuleFirmwareFamily(4), QStringLiteral("Kelvora_4"));
        QCOMPARE(FirmwareFileName(QStringLiteral("Kelvora_4"), 2 * 65536 + 10),
                 QStringLiteral("Kelvora_4_2.10.a43"));
    }

    void allowedUrls_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("https") << "https://www.kelvora.de/x" << true;
        QTest::newRow("http loopback") << "http://127.0.0.1:8080/x" << true;
        QTest::newRow("http loopback v6") << "http://[::1]:8080/x" << true;
        QTest::newRow("http elsewhere") << "http://www.kelvora.de/x" << false;
        QTest::newRow("http localhost name") << "http://localhost/x" << false;
        QTest::newRow("ftp") << "ftp://127.0.0.1/x" << false;
    }
    void allowedUrls() {
        QFETCH(QString, url);
        QFETCH(bool, allowed);
        QCOMPARE(CKelvoraHttp::IsAllowedUrl(QUrl(url)), allowed);
    }

    // Lines come UTF-8 decoded without their line ends; empty lines are left out of a list.
    void versionList() {
        m_server.Set(QStringLiteral("/fileadmin/user_upload/Firmware/Versions.txt"),
                     "Kelvora_4_2.9.a43\r\n\r\nGr\xc3\xb6\xc3\x9f"
                     "e_1.0\nlast");
        CKelvoraHttp http;
        QStringList list;
        QCOMPARE(http.ReadVersionList(QStringLiteral("/Firmware/"), list), 3);
        QCOMPARE(list,
                 (QStringList{"Kelvora_4_2.9.a43", QStringLiteral("Gr\u00f6\u00dfe_1.0"), "last"}));
        QVERIFY(m_boxes.isEmpty());
    }

    // A web page instead of the file, and a missing file, report "File %1 not found.".
    void missingFile_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("error page") << 200 << QByteArray("<!DOCTYPE html>\n<html>gone</html>\n");
        QTest::newRow("lower-case page")
            << 200 << QByteArray("<!doctype html>\n<html>gone</html>\n");
        QTest::newRow("404") << 404 << QByteArray("nothing here");
    }
    void missingFile() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        m_server.Set(QStringLiteral("/fileadmin/user_upload/Firmware/Kelvora_9.9.a43"), body,
                     status);
        CKelvoraHttp http;
        QString first;
        QVERIFY(!http.OpenFirmwareFile(QStringLiteral("Kelvora_9.9.a43"), first));
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text, QStringLiteral("File Kelvora_9.9.a43 not found."));
        QCOMPARE(m_boxes[0].caption, LoadText(TXT_UPDATES));
        QVERIFY(!http.ReadLine(first));

        CRemoteIntelHexFile image;
        QVERIFY(!image.Open(QStringLiteral("Kelvora_9.9.a43")));
        QVERIFY(image.m_strLine.isEmpty());
    }

    void remoteImage() {
        m_server.Set(QStringLiteral("/fileadmin/user_upload/Firmware/Kelvora_2.8.a43"),
                     "\r\n:10010000214601360121470136007EFE09D2190140\r\n:00000001FF\r\n");
        CRemoteIntelHexFile image;
        QVERIFY(image.Open(QStringLiteral("Kelvora_2.8.a43")));
        QCOMPARE(image.m_strLine, QStringLiteral(":10010000214601360121470136007EFE09D2190140"));
        QVERIFY(image.NextLine());
        QCOMPARE(image.m_strLine, QStringLiteral(":00000001FF"));
        QVERIFY(!image.NextLine());
    }

    void lookupParameters() {
        m_server.Set(QStringLiteral("/fileadmin/user_upload/Firmware/VM_Param.txt"),
                     "K-104233;1;2;3\nK-1;7;8\n");
        CKelvoraHttp http;
        QString value;
        QVERIFY(http.LookupParameters(QStringLiteral("K-1"), value));
        QCOMPARE(value, QStringLiteral("7;8"));
        QVERIFY(http.LookupParameters(QStringLiteral("K-104233"), value));
        QCOMPARE(value, QStringLiteral("1;2;3"));
        QVERIFY(!http.LookupParameters(QStringLiteral("K-10"), value));
    }

    // The package arrives byte for byte, also past the first block; an error page is no package.
    void download() {
        QByteArray package(10000, '\0');
        for (int i = 0; i < package.size(); ++i)
            package[i] = char(i * 7);
        m_server.Set(QStringLiteral("/fileadmin/user_upload/software/Kelvora_Veltrum.zip"),
                     package);
        CKelvoraHttp http;
        QVERIFY(http.DownloadProgramFile(QStringLiteral("Kelvora_Veltrum.zip"), m_dir.path()));
        QFile file(m_dir.filePath(QStringLiteral("Kelvora_Veltrum.zip")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), package);

        m_server.Set(QStringLiteral("/fileadmin/user_upload/software/Other.zip"),
                     "<!DOCTYPE html>");
        QVERIFY(!http.DownloadProgramFile(QStringLiteral("Other.zip"), m_dir.path()));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("Other.zip"))));
        QCOMPARE(m_boxes.size(), 1);
    }

    // Every way a server can fail is one message that names it, and the list reads as failed.
    void serverFailures_data() {
        QTest::addColumn<bool>("https");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("headers");
        QTest::addColumn<qint64>("declaredSize");
        QTest::addColumn<QString>("message");
        const QString url = m_server.Origin() + QString::fromLatin1(kVersions);
        const QByteArray self = QByteArray("Location: ") + kVersions + "\r\n";
        QTest::newRow("empty list") << false << 200 << QByteArray() << QByteArray() << -1ll
                                    << FormatText(TXT_SERVER_FILE_EMPTY, {url});
        QTest::newRow("only blank lines") << false << 200 << QByteArray("\r\n\r\n") << QByteArray()
                                          << -1ll << FormatText(TXT_SERVER_FILE_EMPTY, {url});
        QTest::newRow("server error")
            << false << 500 << QByteArray("oops") << QByteArray() << -1ll
            << FormatText(TXT_SERVER_ERROR_STATUS, {url, QStringLiteral("500 X")});
        QTest::newRow("redirect loop") << false << 302 << QByteArray() << self << -1ll
                                       << FormatText(TXT_SERVER_REDIRECT_LOOP, {url});
        QTest::newRow("redirect to plain http elsewhere")
            << false << 302 << QByteArray() << QByteArray("Location: http://192.0.2.1/v\r\n")
            << -1ll << FormatText(TXT_ADDRESS_NOT_ALLOWED, {QStringLiteral("http://192.0.2.1/v")});
        QTest::newRow("too large")
            << false << 200 << QByteArray("x") << QByteArray()
            << qint64(CKelvoraHttp::kMaxListSize + 1) << FormatText(TXT_TOO_LARGE, {url});
        QTest::newRow("TLS failure")
            << true << 200 << QByteArray("x") << QByteArray() << -1ll
            << FormatText(TXT_SERVER_UNREACHABLE,
                          {QString(url).replace(QStringLiteral("http:"), QStringLiteral("https:")),
                           QString()});
    }
    void serverFailures() {
        QFETCH(bool, https);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, headers);
        QFETCH(qint64, declaredSize);
        QFETCH(QString, message);
        m_server.Set(QString::fromLatin1(kVersions),
                     HttpResponder::Answer{status, body, headers, declaredSize});
        if (https) {
            QVERIFY(CRegVT().WriteString(
                QStringLiteral("ServerOrigin"),
                QString(m_server.Origin())
                    .replace(QStringLiteral("http:"), QStringLiteral("https:"))));
        }
        CKelvoraHttp http;
        QStringList list;
        const int count = http.ReadVersionList(QStringLiteral("/software/"), list);
        QVERIFY(CRegVT().WriteString(QStringLiteral("ServerOrigin"), m_server.Origin()));
        QCOMPARE(count, 0);
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].text.startsWith(message), qPrintable(m_boxes[0].text));
        QCOMPARE(m_boxes[0].caption, LoadText(TXT_UPDATES));
    }

    // A server that sends a file one byte at a time is given up at the deadline, although every
    // byte arrives well within the silence limit.
    void tricklingServer_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("version list") << QString::fromLatin1(kVersions);
        QTest::newRow("parameter list")
            << QStringLiteral("/fileadmin/user_upload/Firmware/VM_Param.txt");
        QTest::newRow("firmware image")
            << QStringLiteral("/fileadmin/user_upload/Firmware/Kelvora_2.9.a43");
    }
    void tricklingServer() {
        QFETCH(QString, path);
        HttpResponder::Answer slow;
        slow.body = QByteArray(100, 'x') + "\n"; // 10 s
        slow.trickleMs = 100;
        m_server.Set(path, slow);
        CKelvoraHttp http(std::chrono::seconds(2), std::chrono::seconds(3));
        QElapsedTimer timer;
        timer.start();
        QStringList list;
        QString value;
        if (path.endsWith(u"Versions.txt"))
            QCOMPARE(http.ReadVersionList(QStringLiteral("/software/"), list), 0);
        else if (path.endsWith(u"VM_Param.txt"))
            QVERIFY(!http.LookupParameters(QStringLiteral("x"), value));
        else
            QVERIFY(!http.OpenFirmwareFile(QStringLiteral("Kelvora_2.9.a43"), value));
        QVERIFY(timer.elapsed() < 6000);
        const QString seconds = path.endsWith(u".a43") ? QStringLiteral("3") : QStringLiteral("2");
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text,
                 FormatText(TXT_SERVER_NO_ANSWER, {m_server.Origin() + path, seconds}));
    }

    // A reader's network objects, its transfer thread among them, end with the reader, not
    // with the application object: torn down after it, they leaked and complained.
    void networkEndsWithReader() {
        m_server.Set(QString::fromLatin1(kVersions), "Kelvora_Veltrum_4.8.0.zip\n");
        {
            CKelvoraHttp http;
            QStringList list;
            QCOMPARE(http.ReadVersionList(QStringLiteral("/software/"), list), 1);
            QVERIFY(NetworkThreads() > 0);
        }
        QTRY_COMPARE(NetworkThreads(), 0);
    }

    // Answers beyond the limit of their kind are refused before they are read whole: lists 1 MiB,
    // images 4 MiB, the package 256 MiB; an answer at the limit is taken.
    void sizeLimits_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("sent"); // the body is sent, not only declared
        QTest::addColumn<bool>("taken");
        const auto row = [](const char* name, CKelvoraHttp::Kind kind, qint64 size, bool sent,
                            bool taken) {
            QTest::newRow(name) << int(kind) << size << sent << taken;
        };
        row("list at the limit", CKelvoraHttp::Kind::List, CKelvoraHttp::kMaxListSize, true, true);
        row("list beyond", CKelvoraHttp::Kind::List, CKelvoraHttp::kMaxListSize + 1, true, false);
        row("image at the limit", CKelvoraHttp::Kind::Image, CKelvoraHttp::kMaxImageSize, true,
            true);
        row("image beyond, declared", CKelvoraHttp::Kind::Image, CKelvoraHttp::kMaxImageSize + 1,
            false, false);
        row("package beyond, declared", CKelvoraHttp::Kind::Package,
            CKelvoraHttp::kMaxPackageSize + 1, false, false);
    }
    void sizeLimits() {
        QFETCH(int, kind);
        QFETCH(qint64, size);
        QFETCH(bool, sent);
        QFETCH(bool, taken);
        const QString path = QStringLiteral("/fileadmin/user_upload/Firmware/big.txt");
        HttpResponder::Answer answer;
        answer.body = sent ? QByteArray(size, 'a') : QByteArray("a");
        answer.declaredSize = size;
        m_server.Set(path, answer);
        CKelvoraHttp http;
        QCOMPARE(http.OpenUrl(path, CKelvoraHttp::Kind(kind)), taken);
        if (taken) {
            QVERIFY(m_boxes.isEmpty());
            QString line;
            QVERIFY(http.ReadLine(line));
            QCOMPARE(qint64(line.size()), size);
        } else {
            QCOMPARE(m_boxes.size(), 1);
            QCOMPARE(m_boxes[0].text, FormatText(TXT_TOO_LARGE, {m_server.Origin() + path}));
        }
    }

    // The view hears of every transfer: a list as a list, an image and the package as files,
    // with their progress; cancelling ends the transfer at once, without a message and without
    // a file.
    void transferView() {
        QFile::remove(m_dir.filePath(QStringLiteral("Kelvora_Veltrum.zip")));
        RecordingView view;
        SetTransferView(&view);
        m_server.Set(QString::fromLatin1(kFirmwareVersions), "Kelvora_2.9.a43\n");
        m_server.Set(QStringLiteral("/fileadmin/user_upload/Firmware/Kelvora_2.9.a43"),
                     ":00000001FF\n");
        CKelvoraHttp http;
        QStringList list;
        QCOMPARE(http.ReadVersionList(QStringLiteral("/Firmware/"), list), 1);
        QString first;
        QVERIFY(http.OpenFirmwareFile(QStringLiteral("Kelvora_2.9.a43"), first));
        QCOMPARE(view.events, (QStringList{"begin Versions.txt list", "end",
                                           "begin Kelvora_2.9.a43 file", "end"}));
        QCOMPARE(view.lastProgress, (QPair<qint64, qint64>(12, 12)));

        view.events.clear();
        HttpResponder::Answer slow;
        slow.body = QByteArray(200, 'P');
        slow.trickleMs = 20; // 4 s
        m_server.Set(QString::fromLatin1(kPackage), slow);
        view.cancelAt = 10;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!http.DownloadProgramFile(QStringLiteral("Kelvora_Veltrum.zip"), m_dir.path()));
        QVERIFY(timer.elapsed() < 2000);
        QVERIFY(http.Cancelled());
        QCOMPARE(view.events, (QStringList{"begin Kelvora_Veltrum.zip file", "end"}));
        QVERIFY(m_boxes.isEmpty());
        QCOMPARE(QDir(m_dir.path()).entryList({"Kelvora_Veltrum*"}, QDir::Files | QDir::Hidden),
                 QStringList());
        SetTransferView(nullptr);
    }

    // A package whose transfer breaks off leaves no file behind, and says so.
    void interruptedDownload() {
        QFile::remove(m_dir.filePath(QStringLiteral("Kelvora_Veltrum.zip")));
        HttpResponder::Answer cut;
        cut.body = QByteArray(5000, 'P');
        cut.declaredSize = 10000;
        m_server.Set(QString::fromLatin1(kPackage), cut);
        CKelvoraHttp http;
        QVERIFY(!http.DownloadProgramFile(QStringLiteral("Kelvora_Veltrum.zip"), m_dir.path()));
        QVERIFY(!http.Cancelled());
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].text.startsWith(
                     FormatText(TXT_SERVER_UNREACHABLE, {m_server.Origin() + kPackage, QString()})),
                 qPrintable(m_boxes[0].text));
        QCOMPARE(QDir(m_dir.path()).entryList({"Kelvora_Veltrum*"}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    // What is offered: the program when the server's version is newer and nothing was
    // installed in this run; a firmware when the identified one is older than the newest of its
    // family; nothing without internet.
    void offers_data() {
        QTest::addColumn<QByteArray>("programs");
        QTest::addColumn<int>("moduleVariant");
        QTest::addColumn<int>("moduleVersion");
        QTest::addColumn<int>("chargerVariant");
        QTest::addColumn<int>("chargerVersion");
        QTest::addColumn<bool>("updated");
        QTest::addColumn<unsigned>("offers");
        const QByteArray newer = "Kelvora_Veltrum_4.7.0.zip\n";
        const QByteArray same = "Kelvora_Veltrum_4.6.0.zip\nKelvora_Veltrum_4.9.0.zip\n";
        const int v28 = 2 * 65536 + 8;
        const int v29 = 2 * 65536 + 9;
        QTest::newRow("newer program") << newer << 0 << v29 << 0 << (2 << 16) + 10 << false
                                       << unsigned(COnlineState::OFFER_PROGRAM);
        QTest::newRow("same program, first line wins")
            << same << 0 << v29 << 0 << (2 << 16) + 10 << false << 0u;
        QTest::newRow("newer program, already updated")
            << newer << 0 << v29 << 0 << (2 << 16) + 10 << true << 0u;
        QTest::newRow("older module") << same << 0 << v28 << 0 << (2 << 16) + 10 << false
                                      << unsigned(COnlineState::OFFER_MODULE);
        QTest::newRow("module with the loader only")
            << same << 0 << 0 << 0 << (2 << 16) + 10 << false
            << unsigned(COnlineState::OFFER_MODULE);
        QTest::newRow("module not identified")
            << same << 0 << -1 << 0 << (2 << 16) + 10 << false << 0u;
        QTest::newRow("module variant family") << same << 4 << v29 << 0 << (2 << 16) + 10 << false
                                               << unsigned(COnlineState::OFFER_MODULE);
        QTest::newRow("older charger 2.9 < 2.10")
            << same << 0 << v29 << 0 << v29 << false << unsigned(COnlineState::OFFER_CHARGER);
        QTest::newRow("TRM charger")
            << newer << 0 << v29 << 3 << (1 << 16) << false
            << unsigned(COnlineState::OFFER_PROGRAM | COnlineState::OFFER_CHARGER);
        QTest::newRow("other charger type") << same << 0 << v29 << 2 << (1 << 16) << false << 0u;
    }
    void offers() {
        QFETCH(QByteArray, programs);
        QFETCH(int, moduleVariant);
        QFETCH(int, moduleVersion);
        QFETCH(int, chargerVariant);
        QFETCH(int, chargerVersion);
        QFETCH(bool, updated);
        QFETCH(unsigned, offers);
        m_server.Set(QString::fromLatin1(kVersions), programs);
        m_server.Set(QString::fromLatin1(kFirmwareVersions),
                     "Kelvora_2.9.a43\nKelvora_4_3.0.a43\nVarerizEzu_2.10.a43\nTRM_3_1.1.a43\n");
        CFakeNetwork network(true);
        COnlineState state(network);
        state.Start({});
        if (updated)
            state.SetUpdated();
        const CFirmwareTarget module{ModuleFirmwareFamily(moduleVariant), moduleVersion};
        const CFirmwareTarget charger{ChargerFirmwareFamily(chargerVariant), chargerVersion};
        QCOMPARE(state.Offers(module, charger), offers);
        QVERIFY(m_boxes.isEmpty());
        network.Switch(false);
        QCOMPARE(state.Offers(module, charger), 0u);
    }

    // The version list is read at the start and at every change of connectivity, the firmware
    // list once, the first time the internet is there; losing the connection takes the program
    // offer away.
    void connectivity() {
        m_server.Set(QString::fromLatin1(kVersions), "Kelvora_Veltrum_4.7.0.zip\n");
        m_server.Set(QString::fromLatin1(kFirmwareVersions), "Kelvora_2.9.a43\n");
        m_server.requests.clear();
        CFakeNetwork network(false);
        COnlineState state(network);
        int changes = 0;
        state.Start([&] { ++changes; });
        QVERIFY(!state.InternetAvailable());
        QCOMPARE(m_server.requests, QStringList());
        const CFirmwareTarget module{QStringLiteral("Kelvora"), 2 * 65536 + 8};
        QCOMPARE(state.Offers(module, {}), 0u);

        network.Switch(true);
        QCOMPARE(changes, 1);
        QCOMPARE(m_server.requests, (QStringList{kVersions, kFirmwareVersions}));
        QCOMPARE(state.Offers(module, {}),
                 unsigned(COnlineState::OFFER_PROGRAM | COnlineState::OFFER_MODULE));

        network.Switch(false);
        QCOMPARE(changes, 2);
        QCOMPARE(state.ServerVersion(), std::uint64_t(0));
        QCOMPARE(state.Offers(module, {}), 0u);

        m_server.Set(QString::fromLatin1(kVersions), "Kelvora_Veltrum_4.8.1.zip\n");
        network.Switch(true);
        QCOMPARE(m_server.requests, (QStringList{kVersions, kFirmwareVersions, kVersions}));
        QCOMPARE(state.ServerVersion(), (std::uint64_t{4} << 32) + (8 << 16) + 1);
        QVERIFY(m_boxes.isEmpty());
    }

    // Without a server every operation fails with a message, never with content.
    void noServer() {
        QVERIFY(CRegVT().WriteString(QStringLiteral("ServerOrigin"),
                                     QStringLiteral("http://127.0.0.1:1")));
        CKelvoraHttp http;
        QStringList list;
        QCOMPARE(http.ReadVersionList(QStringLiteral("/software/"), list), 0);
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(CRegVT().WriteString(QStringLiteral("ServerOrigin"),
                                     QStringLiteral("http://www.kelvora.de")));
        QVERIFY(!http.OpenUrl(QStringLiteral("/x"), CKelvoraHttp::Kind::List));
        QCOMPARE(m_boxes.size(), 2);
        QVERIFY(CRegVT().WriteString(QStringLiteral("ServerOrigin"), m_server.Origin()));
    }
};

QTEST_GUILESS_MAIN(TestOnline)
#include "tst_online.moc"
