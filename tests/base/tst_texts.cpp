// Texts in the user's language, the message protocol line, the prompt seams from other threads
// and the small text helpers.

#include "base/AppInfo.h"
#include "base/CmdIds.h"
#include "base/FileRead.h"
#include "base/Reg.h"
#include "base/Scan.h"
#include "base/Texts.h"
#include "data/NameIndex.h"

#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// An id that no string-table entry has.
constexpr int kMissingId = 31999;

class TestTexts : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;

private slots:
    void initTestCase() {
        QVERIFY(m_config.isValid());
        qputenv("KELVORA_CONFIG_DIR", m_config.path().toLocal8Bit());
    }
    void cleanup() { SetLanguage(Language::English); }

    void startLanguage_data() {
        QTest::addColumn<QString>("stored"); // null: no "Language" value
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("stored de") << "de"
                                   << "en_US"
                                   << "_DE";
        QTest::newRow("stored DE upper case") << "DE"
                                              << "en_US"
                                              << "_DE";
        QTest::newRow("stored en beats German locale") << "en"
                                                       << "de_DE"
                                                       << "_EN";
        QTest::newRow("stored es has no texts") << "es"
                                                << "de_DE"
                                                << "_EN";
        QTest::newRow("no value, locale de_AT") << QString() << "de_AT"
                                                << "_DE";
        QTest::newRow("no value, locale fr_FR") << QString() << "fr_FR"
                                                << "_EN";
        QTest::newRow("no value, no locale") << QString() << ""
                                             << "_EN";
    }
    void startLanguage() {
        QFETCH(QString, stored);
        QFETCH(QString, locale);
        QFETCH(QString, suffix);
        CReg base;
        if (stored.isNull())
            base.DeleteValue(QString(), QStringLiteral("Language"));
        else
            QVERIFY(base.WriteStringAt(QString(), QStringLiteral("Language"), stored));
        SetLanguage(StartLanguage(locale));
        QCOMPARE(LanguageSuffix(), suffix);
    }

    // Both tables carry the same ids, every entry has a text, and the escapes are decoded.
    void tablesMatch() {
        for (int id : std::initializer_list<int>{
                 TXT_NO_RESPONSE, TXT_CHECK_PLACEMENT, TXT_BATTERY_LEGEND, TXT_RESTART,
                 TXT_BUTTON_OK, TXT_BUTTON_CANCEL, TXT_BUTTON_RETRY, TXT_BUTTON_YES, TXT_BUTTON_NO,
                 int(IDC_CONNECT), int(ID_CREATE_GRAPHS)}) {
            SetLanguage(Language::English);
            const QString english = LoadText(id);
            SetLanguage(Language::German);
            const QString german = LoadText(id);
            QVERIFY2(!english.isEmpty() && !german.isEmpty(), qPrintable(QString::number(id)));
        }
        SetLanguage(Language::English);
        QCOMPARE(LoadText(IDC_CONNECT), QStringLiteral("Connects your Kelvora.\n[F9]"));
        QCOMPARE(LoadText(TXT_BATTERY_LEGEND),
                 QStringLiteral("Battery level\n\nBlue\tGood\nOrange\tLow\nRed\tDead"));
        QCOMPARE(LoadText(TXT_PARAM_NAMES), QStringLiteral("P 0: On Threshold A [‰] "));
        QCOMPARE(LoadText(TXT_PARAM_NAMES + 31), QStringLiteral("P31:"));
        SetLanguage(Language::German);
        QCOMPARE(LoadText(TXT_BUTTON_YES), QStringLiteral("Ja"));
    }

    void missingEntryIsEmpty() {
        SetLanguage(Language::German);
        QVERIFY(LoadText(kMissingId).isEmpty());
        QVERIFY(FormatText(kMissingId, {"x"}).isEmpty());
        QString text = QStringLiteral("a");
        AppendText(text, kMissingId);
        QCOMPARE(text, QStringLiteral("a"));
    }

    void formatText() {
        // 106 uses %1 and %2; a repeated %1 is replaced everywhere.
        QCOMPARE(FormatText(TXT_FOLDER_FAILED, {"VM1", "C:\\Data"}),
                 QStringLiteral("Folder VM1 could not be created in base folder C:\\Data!\n\n"
                                "Please select another base folder."));
        QCOMPARE(FormatText(TXT_FILE_EXISTS, {"a.kmM"}), QStringLiteral("File a.kmM exists!"));
        QString text = QStringLiteral("Cancel");
        AppendText(text, 195);
        QCOMPARE(text, QStringLiteral("Cancel\n\nPlease retry."));
    }

    void showMessageProtocol_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("name");
        QTest::newRow("yes") << 6 << "YES";
        QTest::newRow("cancel") << 2 << "CANCEL";
        QTest::newRow("unknown") << 0 << "???";
    }
    void showMessageProtocol() {
        QFETCH(int, answer);
        QFETCH(QString, name);
        QStringList lines;
        SetProtocolHandler([&](const QString& line) { lines << line; });
        SetMessageBoxHandler([&](const QString&, unsigned, const QString&) { return answer; });
        QCOMPARE(ShowMessage(QStringLiteral("Continue?"), MB_YESNO, QStringLiteral("Veltrum")),
                 answer);
        QCOMPARE(lines, QStringList{"MsgBox: Veltrum\nContinue? [" + name + "]"});
        SetMessageBoxHandler({});
        SetProtocolHandler({});
    }

    // The prompt seams run their handlers on the main thread, whichever thread calls them (the
    // worker reports some results in a box), and hand the answer back to the caller.
    void promptsFromAnotherThread_data() {
        QTest::addColumn<QString>("seam");
        QTest::newRow("message box") << "ShowMessage";
        QTest::newRow("protocol line") << "WriteProtocol";
        QTest::newRow("text input") << "AskName";
    }
    void promptsFromAnotherThread() {
        QFETCH(QString, seam);
        QList<QThread*> handlerThreads;
        QStringList lines;
        SetMessageBoxHandler([&](const QString&, unsigned, const QString&) {
            handlerThreads << QThread::currentThread();
            return int(IDYES);
        });
        SetProtocolHandler([&](const QString& line) {
            handlerThreads << QThread::currentThread();
            lines << line;
        });
        SetTextInputHandler([&](const QString&, const QString&, const QString&) {
            handlerThreads << QThread::currentThread();
            return std::optional<QString>(QStringLiteral("Lab 3"));
        });
        LoadNameIndex(QStringLiteral("/nonexistent"));

        QString result;
        std::unique_ptr<QThread> caller(QThread::create([&] {
            if (seam == u"ShowMessage")
                result = AnswerName(ShowMessage(QStringLiteral("On?"), MB_YESNO, QString()));
            else if (seam == u"WriteProtocol")
                WriteProtocol(QStringLiteral("Cmd: GP"));
            else
                result = AskName(QStringLiteral("K-1"));
        }));
        caller->start();
        QTRY_VERIFY(caller->isFinished());

        QVERIFY(!handlerThreads.isEmpty());
        for (QThread* thread : handlerThreads)
            QCOMPARE(thread, QThread::currentThread());
        if (seam == u"ShowMessage")
            QCOMPARE(result, QStringLiteral("YES"));
        else if (seam == u"WriteProtocol")
            QCOMPARE(lines, QStringList{"Cmd: GP"});
        else
            QCOMPARE(result, QStringLiteral("Lab 3"));
        SetMessageBoxHandler({});
        SetProtocolHandler({});
        SetTextInputHandler({});
    }

    void showError() {
        QStringList shown;
        SetMessageBoxHandler([&](const QString& text, unsigned style, const QString&) {
            shown << QStringLiteral("%1 %2").arg(text).arg(style);
            return int(IDOK);
        });
        QCOMPARE(ShowError(std::runtime_error(std::string(300, 'x'))), int(IDOK));
        QCOMPARE(shown.value(0), QString(256, u'x') + " 0");
        QCOMPARE(ShowError(std::runtime_error("")), int(IDCANCEL));
        QCOMPARE(shown.size(), 1);
        SetMessageBoxHandler({});
    }

    void binaryText16() {
        QCOMPARE(BinaryText16(0x8001), QStringLiteral("10000000 00000001"));
        QCOMPARE(BinaryText16(0x00FF), QStringLiteral("00000000 11111111"));
    }

    void scanning() {
        QCOMPARE(ScanInt(u" -12x"), std::optional<std::int32_t>(-12));
        QCOMPARE(ScanInt(u"x12"), std::nullopt);
        double d = 0;
        QVERIFY(ScanOne(u" 2.5e1 mV", d));
        QCOMPARE(d, 25.0);
        QVERIFY(!ScanOne(u"mV", d));
        QCOMPARE(ParseVersion(u"4.6"), 0x00040006);
        QCOMPARE(ParseVersion(u"4"), 0);
        QCOMPARE(ParseVersion(u"4.x"), 0);
    }

    void nextToken() {
        const QString text = QStringLiteral("a;;b");
        qsizetype pos = 0;
        QStringList tokens;
        while (pos >= 0)
            tokens << NextToken(text, pos, u';');
        QCOMPARE(tokens, (QStringList{"a", "", "b"}));
        QCOMPARE(pos, qsizetype(-1));
        QVERIFY(NextToken(text, pos, u';').isEmpty());
    }

    void pathHelpers() {
        QString text = QStringLiteral("a:b*c");
        ReplaceChars(text, u":*", u'_');
        QCOMPARE(text, QStringLiteral("a_b_c"));
        QString path = QStringLiteral("C:\\Data\\");
        StripTrailingBackslash(path);
        QCOMPARE(path, QStringLiteral("C:\\Data"));
        StripTrailingBackslash(path);
        QCOMPARE(path, QStringLiteral("C:\\Data"));
        QVERIFY(IsFolder(m_config.path()));
        CReg().WriteString(QStringLiteral("Touch"), QStringLiteral("1"));
        QVERIFY(PathExists(m_config.path(), QStringLiteral("Kelvora.conf")));
        QVERIFY(!IsFolder(m_config.filePath(QStringLiteral("Kelvora.conf"))));
        QVERIFY(!PathExists(m_config.path(), QStringLiteral("none")));
    }

    // Only regular files are read, and the limit holds while reading: a FIFO without a writer
    // must not block, and /dev/zero (size 0 on stat) must not fill memory.
    void readRegularFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("whole") << "small" << qint64(5) << int(FileReadError::None)
                               << QByteArray("12345");
        QTest::newRow("empty") << "empty" << qint64(5) << int(FileReadError::None) << QByteArray();
        QTest::newRow("over the limit")
            << "small" << qint64(4) << int(FileReadError::TooLarge) << QByteArray();
        QTest::newRow("missing") << "none" << qint64(5) << int(FileReadError::CannotOpen)
                                 << QByteArray();
        QTest::newRow("folder") << "." << qint64(5) << int(FileReadError::NotAFile) << QByteArray();
#ifdef Q_OS_UNIX
        QTest::newRow("fifo") << "fifo" << qint64(5) << int(FileReadError::NotAFile)
                              << QByteArray();
        QTest::newRow("link to /dev/zero")
            << "zero" << qint64(5) << int(FileReadError::NotAFile) << QByteArray();
#endif
    }
    void readRegularFile() {
        QFETCH(QString, name);
        QFETCH(qint64, limit);
        QFETCH(int, error);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QFile small(dir.filePath(QStringLiteral("small")));
        QVERIFY(small.open(QIODevice::WriteOnly) && small.write("12345") == 5);
        small.close();
        QFile empty(dir.filePath(QStringLiteral("empty")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
#ifdef Q_OS_UNIX
        QCOMPARE(
            ::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo"))).constData(), 0600), 0);
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), dir.filePath(QStringLiteral("zero"))));
#endif
        const FileContent content = ReadRegularFile(dir.filePath(name), limit);
        QCOMPARE(int(content.error), error);
        QCOMPARE(content.bytes, bytes);
    }

    void versionText() {
        QCOMPARE(ProgramVersion(), std::uint64_t(0x0004'0006'0000));
        QCOMPARE(VersionText(), QStringLiteral("Veltrum Version 4.6.0\nSep. 14, 2020"));
        SetLanguage(Language::German);
        QCOMPARE(VersionText(), QStringLiteral("Veltrum Version 4.6.0\n14. Sep. 2020"));
    }
};

QTEST_GUILESS_MAIN(TestTexts)
#include "tst_texts.moc"
