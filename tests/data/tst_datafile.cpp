#include "TestEvents.h"
#include "base/Scan.h"
#include "base/Texts.h"
#include "data/CDataArray.h"
#include "data/CDataFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// The data file header, validation, line access and loading.
class TestDataFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { UseUtc(); }
    void header_data();
    void header();
    void clockOffset_data();
    void clockOffset();
    void validate_data();
    void validate();
    void lineAccess();
    void lineEnds_data();
    void lineEnds();
    void replyHeader();
    void fixtureFiles_data();
    void fixtureFiles();
    void loadFileRange();
    void loadFiles();
    void timeRangeRejects_data();
    void timeRangeRejects();
    void timeRangeOfLongFiles_data();
    void timeRangeOfLongFiles();
    void specialFiles_data();
    void specialFiles();
};

namespace {

const QString kFixtures = QStringLiteral(VELTRUM_TEST_DATA "/base/M1234/");

// 2026-12-09 20:37:12 UTC
constexpr qint64 kTime = 1796848632;

QByteArray FileText(const QByteArray& separator, const QByteArray& tail) {
    QByteArray text = "09.12.2026 20:37:12\t1796848632\r\nID\tAB C/1\r\nVersion\t3.0\r\n" + tail;
    return text.replace('\t', separator);
}

} // namespace

void TestDataFile::header_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("id");
    QTest::addColumn<uint>("version");
    QTest::addColumn<uint>("used");
    QTest::addColumn<uint>("relNow");
    QTest::addColumn<uint>("relWrap");
    QTest::addColumn<bool>("restored");
    QTest::addColumn<uint>("batteryInterval");
    QTest::addColumn<int>("batteryCount");

    const QByteArray body = "Motor\t2\r\nRel. Zeit\t500\t999\t7\r\nBenutzt\t12\r\n"
                            "Akkuspannung [mV]\t1\t2\t3600\t0\r\n3900\t1\t2\r\n0\t0\t0\r\n"
                            "Benutzt\t99\r\nIndex\tDauer\r\n1\t2\t3\tA\t4\tV\t5\t\t3\r\n";
    QTest::newRow("tab") << FileText("\t", body) << true << "AB_C_1" << 0x30000u << 12u << 500u
                         << 999u << false << 7200u << 1;
    QTest::newRow("semicolon throughout") << FileText(";", body) << true << "AB_C_1" << 0x30000u
                                          << 12u << 500u << 999u << false << 7200u << 1;
    QTest::newRow("restored data")
        << FileText("\t", "Wiederhergestellt\t5\t6\t7\r\nIndex\r\n") << true << "AB_C_1" << 0x30000u
        << 0u << 5u << 6u << true << 0u << 0;
    QTest::newRow("no relative time line")
        << FileText("\t", "Index\r\n") << true << "AB_C_1" << 0x30000u << 0u << 0u << 0xFFFFFFFFu
        << false << 0u << 0;
    QTest::newRow("version 3 without point")
        << QByteArray("x\t1\nID\tM\nVersion\t3\n") << true << "M" << 0u << 0u << 0u << 0xFFFFFFFFu
        << false << 0u << 0;
    QTest::newRow("version 3.12") << QByteArray("x\t1\nID\tM\nVersion\t3.12\n") << true << "M"
                                  << 0x3000Cu << 0u << 0u << 0xFFFFFFFFu << false << 0u << 0;
    QTest::newRow("no separator") << QByteArray("x 1\nID M\nVersion 3.0\n") << false << "" << 0u
                                  << 0u << 0u << 0xFFFFFFFFu << false << 0u << 0;
    QTest::newRow("ID not on line 2") << QByteArray("x\t1\nVersion\t3.0\nID\tM\n") << false << ""
                                      << 0u << 0u << 0u << 0xFFFFFFFFu << false << 0u << 0;
    QTest::newRow("version missing") << QByteArray("x\t1\nID\tM\nVersion\t\n") << false << "M" << 0u
                                     << 0u << 0u << 0xFFFFFFFFu << false << 0u << 0;
}

void TestDataFile::header() {
    QFETCH(QByteArray, text);
    CDataFile file;
    file.SetContent(text);
    QTEST(file.valid, "valid");
    QTEST(file.id, "id");
    QTEST(file.CheckVersion(1) ? file.VersionNumber() : 0u, "version");
    QTEST(file.used, "used");
    QTEST(file.relNow, "relNow");
    QTEST(file.relWrap, "relWrap");
    QTEST(file.restoredData, "restored");
    QTEST(file.batteryInterval, "batteryInterval");
    QTEST(file.batteryCount, "batteryCount");
}

void TestDataFile::clockOffset_data() {
    QTest::addColumn<QByteArray>("line1");
    QTest::addColumn<int>("offset");

    // The download was at 20:37 UTC, the local time of the tests.
    QTest::newRow("same clock") << QByteArray("09.12.2026 20:37:12") << 0;
    QTest::newRow("one hour behind") << QByteArray("09.12.2026 19:37:12") << -3600;
    QTest::newRow("12-hour PM") << QByteArray("12/9/2026 9:37:12 PM") << 3600;
    QTest::newRow("12-hour lower-case pm") << QByteArray("12/9/2026 8:37:12 pm") << 0;
    QTest::newRow("12 AM is midnight") << QByteArray("12/10/2026 12:07:12 AM") << 12600;
    QTest::newRow("12 PM is noon") << QByteArray("12/9/2026 12:37:12 PM") << -28800;
    QTest::newRow("seconds ignored") << QByteArray("09.12.2026 20:38:59") << 60;
    QTest::newRow("past midnight: next day") << QByteArray("10.12.2026 00:07:12") << 12600;
    // Only hours and minutes are compared: without bringing the offset into +-12 h these
    // would move every event by almost a day.
    QTest::newRow("12 h behind stays") << QByteArray("10.12.2026 08:37:12") << -43200;
    QTest::newRow("just over 12 h behind wraps") << QByteArray("10.12.2026 08:36:12") << 43140;
    QTest::newRow("seconds missing") << QByteArray("09.12.2026 19:37") << 0;
    QTest::newRow("not a time") << QByteArray("Wed Dec  9 19:37:12 2026") << 0;
    QTest::newRow("empty") << QByteArray("") << 0;
}

void TestDataFile::clockOffset() {
    QFETCH(QByteArray, line1);
    CInfoHeader header;
    header.ParseText(line1 + "\t1796848632\nID\tM\nVersion\t3.0\n");
    QCOMPARE(header.downloadTime, kTime);
    QTEST(int(header.clockOffset), "offset");
}

void TestDataFile::validate_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("messageId");

    QTest::newRow("valid") << QByteArray("x\t1\nID\tM\nVersion\t3.0\n") << true << 0;
    QTest::newRow("exactly the minimum")
        << QByteArray("x\t1\nID\tM\nVersion\t0.768\n") << true << 0;
    QTest::newRow("invalid format") << QByteArray("x\t1\nVersion\t3.0\n") << false << 216;
    QTest::newRow("old version") << QByteArray("x\t1\nID\tM\nVersion\t0.767\n") << false << 108;
    QTest::newRow("restored") << QByteArray("x\t1\nID\tM\nVersion\t3.0\nWiederhergestellt\t1\n")
                              << true << 217;
}

void TestDataFile::validate() {
    QFETCH(QByteArray, text);
    QFETCH(int, messageId);
    CDataFile file;
    file.SetContent(text);
    QString message;
    QTEST(file.Validate(768, message), "ok");
    QCOMPARE(message, messageId ? FormatText(messageId, {QString()}) : QString());
}

void TestDataFile::lineAccess() {
    CDataFile file;
    file.SetContent("\"x\"\t1\r\nID\tM\r\nVersion\t3.0\r\nBenutzt\t3\r\nIndex\tDauer\r\n"
                    "first\r\n\r\n\"second\"\r\nthird\r\n\r\n\r\n");
    QCOMPARE(file.FirstLine(), "first");
    QCOMPARE(file.NextLine(), "second"); // empty lines skipped, quotes removed
    QCOMPARE(file.NextLine(), "third");
    QCOMPARE(file.NextLine(), "");
    QCOMPARE(file.LastLine(), "third"); // trailing line ends cut
    QCOMPARE(file.PrevLine(), "second");
    QCOMPARE(file.PrevLine(), "first");
    QCOMPARE(file.PrevLine(), ""); // never before the column line

    CDataFile noIndex;
    noIndex.SetContent("x\t1\nID\tM\nVersion\t3.0\n1\t2\t3\n");
    QCOMPARE(noIndex.FirstLine(), "");
    QCOMPARE(noIndex.LastLine(), "");
    CData event;
    QVERIFY(!noIndex.FirstEvent(event));
}

// A CR belongs to the line end only just before an LF: the event lines read forward, backward
// and while loading are the same.
void TestDataFile::lineEnds_data() {
    QTest::addColumn<QByteArray>("events");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArrayList{"a", "b"};
    QTest::newRow("LF") << QByteArray("a\nb") << QByteArrayList{"a", "b"};
    QTest::newRow("lone CR stays") << QByteArray("a\rb\r\n") << QByteArrayList{"a\rb"};
    QTest::newRow("CR at the end stays") << QByteArray("a\r\nb\r") << QByteArrayList{"a", "b\r"};
    QTest::newRow("only the CR before the LF") << QByteArray("a\r\r\n") << QByteArrayList{"a\r"};
    QTest::newRow("CR LF alone is an empty line")
        << QByteArray("\r\na\r\n\r\n\r\nb\r\n\r\n") << QByteArrayList{"a", "b"};
}

void TestDataFile::lineEnds() {
    QFETCH(QByteArray, events);
    QFETCH(QByteArrayList, lines);
    CDataFile file;
    file.SetContent("x\t1\r\nID\tM\r\nVersion\t3.0\r\nIndex\tDauer\r\n" + events);
    QByteArrayList forward;
    for (QByteArrayView line = file.FirstLine(); !line.isEmpty(); line = file.NextLine())
        forward.append(line.toByteArray());
    QCOMPARE(forward, lines);
    QByteArrayList backward;
    for (QByteArrayView line = file.LastLine(); !line.isEmpty(); line = file.PrevLine())
        backward.prepend(line.toByteArray());
    QCOMPARE(backward, lines);
    QByteArrayList walked;
    for (LineReader reader(file.EventLines()); !reader.AtEnd();) {
        if (const QByteArrayView line = reader.Next(); !line.isEmpty())
            walked.append(line.toByteArray());
    }
    QCOMPARE(walked, lines);

    // An event line whose last field is the empty exclusion mark is a real event.
    CDataFile oneEvent;
    oneEvent.SetContent("x\t1\r\nID\tM\r\nVersion\t3.0\r\nBenutzt\t1\r\nIndex\r\n"
                        "1\t500\t10\tA\t100\tV\t0\t\r\n");
    CDataArray loaded;
    loaded.LoadFile(oneEvent, std::nullopt);
    QCOMPARE(loaded.GetCount(), 1);
}

void TestDataFile::replyHeader() {
    CInfoHeader header;
    header.ParseReplyHeader(kTime, QStringLiteral("ID\t7 7\nVersion\t3.1\nGelesen\t1\nMotor\t2\n"
                                                  "Rel. Zeit\t10\t20\t30\nIndex\n"));
    QVERIFY(header.valid);
    QCOMPARE(header.id, QStringLiteral("7_7"));
    QCOMPARE(header.downloadTime, kTime);
    QCOMPARE(header.clockOffset, 0);
    QVERIFY(header.hasMotor);
    QCOMPARE(header.relAux, 30u);
}

void TestDataFile::fixtureFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("events");
    QTest::addColumn<qint64>("firstStartMs");
    QTest::addColumn<qint64>("lastEndMs");
    QTest::addColumn<bool>("restored");

    // From 2026-11-30 22:00:00 UTC on; see the fixture files.
    QTest::newRow("tab, CR LF") << "2026-12-01_08-00-00.kmM" << 10 << 1796076000000LL
                                << 1796104810500LL << false;
    QTest::newRow("semicolon, quoted")
        << "2026-12-03_08-00-00.koM" << 4 << 1796166000000LL << 1796253300600LL << false;
    QTest::newRow("12-hour line 1, one hour ahead")
        << "2026-12-04_21-00-00.kmM" << 4 << 1796248800000LL << 1796347801100LL << false;
    QTest::newRow("restored, counter wrapped")
        << "2026-12-05_08-00-00.kmM" << 2 << 1796456400000LL << 1796457540600LL << true;
}

void TestDataFile::fixtureFiles() {
    QFETCH(QString, name);
    CDataFile file;
    QVERIFY(file.Open(kFixtures + name));
    QString message;
    QVERIFY(file.Validate(768, message));
    QTEST(file.restoredData, "restored");
    QCOMPARE(file.id, QStringLiteral("M1234"));
    CDataArray events;
    events.LoadFile(file, std::nullopt);
    QTEST(events.GetCount(), "events");
    std::int64_t startMs = 0;
    std::int64_t endMs = 0;
    QVERIFY(CDataFile::GetTimeRange(kFixtures + name, startMs, endMs));
    QTEST(qint64(startMs), "firstStartMs");
    QTEST(qint64(endMs), "lastEndMs");
}

void TestDataFile::loadFileRange() {
    CDataFile file;
    QVERIFY(file.Open(kFixtures + "2026-12-01_08-00-00.kmM"));
    CDataArray events;
    // 2026-11-30 23:00:00 .. 2026-12-01 03:00:00: the event that starts at 23:00:00 counts, the
    // one that starts at 03:00:00.250 does not; the excluded line is never loaded.
    events.LoadFile(file, CTimeRange{1796079600, 1796094000});
    QCOMPARE(events.GetCount(), 4);
    QCOMPARE(events.GetAt(0)->startMs, 1796079600000LL);
    events.LoadFile(file, CTimeRange{1796094000, 1796094000}); // empty range loads nothing
    QCOMPARE(events.GetCount(), 4);
}

// Loading many files at once gives what loading them one after the other gives: the same
// records in the same order, each event in its first copy (every seventh file holds the events
// it shares with the file before with other marks), and per file in order whether it could be
// read and passed the version check.
void TestDataFile::loadFiles() {
    SetLanguage(Language::English);
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < 60; ++i) {
        const QString path = dir.filePath(QStringLiteral("%1.kmM").arg(i, 3, 10, QChar(u'0')));
        paths.append(path);
        // Download i keeps events 10 i .. 10 i + 29 of a device whose counter started 10^6 s
        // before 2026-01-01; the base time is the same for every file.
        const std::int64_t relNow = 2'000'000 + std::int64_t{i} * 86'400;
        QByteArray text = "x\t" + QByteArray::number(1'767'225'600 + std::int64_t{i} * 86'400) +
                          "\r\nID\tM\r\nVersion\t" + (i == 40 ? "0.1" : "3.0") + "\r\n" +
                          (i == 50 ? "Wiederhergestellt\t" : "Rel. Zeit\t") +
                          QByteArray::number(relNow) +
                          "\t4294967295\t0\r\nBenutzt\t30\r\nIndex\r\n";
        for (int j = 10 * i; j < 10 * i + 30; ++j) {
            const char* mark = i % 7 == 6 ? "L" : "V";
            text += QByteArray::number(j - 10 * i + 1) + '\t' + QByteArray::number(200 + j % 50) +
                    '\t' + QByteArray::number(1'000'000 + j * 600) + '\t' + (j % 3 ? "A" : "B") +
                    '\t' + QByteArray::number(100 + i) + '\t' + mark + "\t0\t" +
                    (j % 11 ? "" : "x") + "\t3\r\n";
        }
        if (i == 10)
            text = "x\t1\r\nVersion\t3.0\r\n"; // no ID line
        if (i == 20)
            continue; // missing
        if (i == 30) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("030.kmM")));
            continue;
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(text), text.size());
    }
    // Two ranges that cut through the files; the events are 10 minutes apart.
    const std::int64_t base = 1'767'225'600 - 2'000'000;
    const std::vector<std::optional<CTimeRange>> ranges{
        CTimeRange{base + 1'000'000 + 50 * 600, base + 1'000'000 + 300 * 600},
        CTimeRange{base + 1'000'000 + 250 * 600, base + 1'000'000 + 500 * 600}};

    CDataArray expected;
    QList<CFileLoad> expectedLoads;
    for (const QString& path : paths) {
        CDataFile file;
        CFileLoad& load = expectedLoads.emplace_back();
        load.opened = file.Open(path);
        if (!load.opened) {
            load.message = file.OpenErrorText();
            continue;
        }
        load.valid = file.Validate(768, load.message);
        if (!load.valid)
            continue;
        for (const auto& range : ranges)
            expected.LoadFile(file, range);
    }

    CDataArray events;
    const QList<CFileLoad> loads = events.LoadFiles(paths, ranges, 768);
    QCOMPARE(loads.size(), paths.size());
    for (qsizetype i = 0; i < loads.size(); ++i) {
        QCOMPARE(loads[i].opened, expectedLoads[i].opened);
        QCOMPARE(loads[i].valid, expectedLoads[i].valid);
        QCOMPARE(loads[i].message, expectedLoads[i].message);
    }
    QVERIFY(!loads[10].valid && !loads[20].opened && !loads[30].opened && !loads[40].valid);
    QVERIFY(loads[50].valid && !loads[50].message.isEmpty());
    QCOMPARE(events.GetCount(), expected.GetCount());
    int marksL = 0;
    for (int k = 0; k < events.GetCount(); ++k) {
        const CData& a = *events.GetAt(k);
        const CData& b = *expected.GetAt(k);
        QCOMPARE(a.startMs, b.startMs);
        QCOMPARE(a.durationMs, b.durationMs);
        QCOMPARE(a.sensorFlags, b.sensorFlags);
        QCOMPARE(a.valueMille, b.valueMille);
        QCOMPARE(a.feedback, b.feedback);
        QCOMPARE(a.kind, b.kind);
        marksL += a.feedback == 1 ? 1 : 0;
    }
    // Only the ten events that a marked file adds to the one before keep its mark.
    QVERIFY(marksL > 0 && marksL < events.GetCount() / 5);
}

void TestDataFile::timeRangeRejects_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("missing file") << kFixtures + "none.kmM";
    QTest::newRow("no ID line") << kFixtures + "broken.kmM";
    QTest::newRow("version below 3.0") << kFixtures + "old.kmM";
    QTest::newRow("no used events") << kFixtures + "empty.kmM";
}

void TestDataFile::timeRangeRejects() {
    QFETCH(QString, path);
    std::int64_t startMs = 1;
    std::int64_t endMs = 1;
    QVERIFY(!CDataFile::GetTimeRange(path, startMs, endMs));
    QCOMPARE(startMs, 0);
    QCOMPARE(endMs, 0);
}

// The time range of a long file, read from its beginning and end, is the one the whole file
// gives, also where the header, the first or the last event lie beyond what those pieces hold.
void TestDataFile::timeRangeOfLongFiles_data() {
    QTest::addColumn<QByteArray>("header"); // the header lines after "ID" and "Version"
    QTest::addColumn<int>("events");        // event lines of about 30 bytes
    QTest::addColumn<int>("excludedAtStart");
    QTest::addColumn<int>("excludedAtEnd");
    QTest::addColumn<QByteArray>("middle"); // lines in place of the middle event line
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::addColumn<bool>("quoted");
    QTest::addColumn<QByteArray>("trailer"); // text after the last event line
    const QByteArray header = "Rel. Zeit\t2000000\t4294967295\t0\nBenutzt\t1000\n";
    const QByteArray column = "Index\tDauer\n";
    QByteArray longHeader = header;
    for (int i = 0; i < 400; ++i)
        longHeader += "Gelesen\t" + QByteArray::number(i) + '\n';
    QByteArray battery = "Akkuspannung [mV]\t0\t0\t100\t7200\n4000\t1\t2\n0\t0\t0\n";
    QTest::newRow("events throughout") << header + column << 2000 << 0 << 0 << QByteArray()
                                       << QByteArray("\n") << false << QByteArray();
    QTest::newRow("CR LF, quoted fields") << header + column << 2000 << 0 << 0 << QByteArray()
                                          << QByteArray("\r\n") << true << QByteArray();
    QTest::newRow("header longer than the first piece")
        << longHeader + column << 2000 << 0 << 0 << QByteArray() << QByteArray("\n") << false
        << QByteArray();
    QTest::newRow("column line far after the battery table")
        << header + battery + longHeader + column << 2000 << 0 << 0 << QByteArray()
        << QByteArray("\n") << false << QByteArray();
    QTest::newRow("first events excluded") << header + column << 2000 << 400 << 0 << QByteArray()
                                           << QByteArray("\r\n") << false << QByteArray();
    QTest::newRow("last events excluded") << header + column << 2000 << 0 << 400 << QByteArray()
                                          << QByteArray("\n") << false << QByteArray();
    QTest::newRow("only excluded events") << header + column << 2000 << 2000 << 0 << QByteArray()
                                          << QByteArray("\n") << false << QByteArray();
    // Without a column key the header goes on to the end of the file: a later "Benutzt" line
    // counts.
    QTest::newRow("header key in the middle") << header + "Nr\tIndex\n"
                                              << 2000 << 0 << 0 << QByteArray("Benutzt\t0\n")
                                              << QByteArray("\n") << false << QByteArray();
    QTest::newRow("no column line")
        << header << 2000 << 0 << 0 << QByteArray() << QByteArray("\n") << false << QByteArray();
    QTest::newRow("last line longer than the end piece")
        << header + column << 2000 << 0 << 0 << QByteArray() << QByteArray("\n") << false
        << QByteArray(9000, 'x');
    QTest::newRow("nothing used") << QByteArray("Benutzt\t0\n") + column << 2000 << 0 << 0
                                  << QByteArray() << QByteArray("\n") << false << QByteArray();
}

void TestDataFile::timeRangeOfLongFiles() {
    QFETCH(QByteArray, header);
    QFETCH(int, events);
    QFETCH(int, excludedAtStart);
    QFETCH(int, excludedAtEnd);
    QFETCH(QByteArray, middle);
    QFETCH(QByteArray, lineEnd);
    QFETCH(bool, quoted);
    QFETCH(QByteArray, trailer);
    QByteArray text = "x\t1767225600\nID\tM\nVersion\t3.0\n" + header;
    for (int j = 0; j < events; ++j) {
        if (j == events / 2 && !middle.isEmpty()) {
            text += middle;
            continue;
        }
        const bool excluded = j < excludedAtStart || j >= events - excludedAtEnd;
        QByteArrayList fields{QByteArray::number(j + 1),
                              QByteArray::number(200 + j % 50),
                              QByteArray::number(1'000'000 + j * 600),
                              j % 3 ? "A" : "B",
                              "100",
                              "V",
                              "0",
                              excluded ? "x" : "",
                              "3"};
        if (quoted) {
            for (QByteArray& field : fields)
                field = '"' + field + '"';
        }
        text += fields.join('\t') + '\n';
    }
    text += trailer;
    text.replace("\n", lineEnd);
    QVERIFY(text.size() > 40'000);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.kmM"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    QCOMPARE(out.write(text), text.size());
    out.close();

    CDataFile whole;
    QVERIFY(whole.Open(path));
    std::int64_t expectedStart = 0;
    std::int64_t expectedEnd = 0;
    const bool expected = whole.TimeRange(expectedStart, expectedEnd);
    std::int64_t startMs = 1;
    std::int64_t endMs = 1;
    QString id;
    QCOMPARE(CDataFile::GetTimeRange(path, startMs, endMs, &id), expected);
    QCOMPARE(startMs, expectedStart);
    QCOMPARE(endMs, expectedEnd);
    if (expected)
        QCOMPARE(id, whole.id);
}

// What is not a regular file of at most the size limit is refused, with a reason for the user,
// without waiting for a writer or reading without end.
void TestDataFile::specialFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("reason");
    const QString notAFile = QStringLiteral("is not a regular file.");
    QTest::newRow("FIFO") << "fifo.kmM" << int(FileReadError::NotAFile) << notAFile;
    QTest::newRow("link to /dev/zero") << "zero.kmM" << int(FileReadError::NotAFile) << notAFile;
    QTest::newRow("folder") << "folder.kmM" << int(FileReadError::NotAFile) << notAFile;
    QTest::newRow("beyond the limit")
        << "big.kmM" << int(FileReadError::TooLarge) << QStringLiteral("is larger than 16 MiB.");
    QTest::newRow("missing") << "none.kmM" << int(FileReadError::CannotOpen) << QString();
}

void TestDataFile::specialFiles() {
    QFETCH(QString, name);
    QFETCH(int, error);
    QFETCH(QString, reason);
    SetLanguage(Language::English);
    QTemporaryDir dir;
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo.kmM")).constData(), 0644), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), dir.filePath("zero.kmM")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.kmM")));
    QFile big(dir.filePath(QStringLiteral("big.kmM")));
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.write(FileText("\t", "Benutzt\t1\r\nIndex\r\n")) > 0);
    QVERIFY(big.resize(CDataFile::kMaxBytes + 1));
    big.close();

    CDataFile file;
    QVERIFY(!file.Open(dir.filePath(name)));
    QCOMPARE(int(file.OpenError()), error);
    QVERIFY(!file.valid);
    QCOMPARE(file.OpenErrorText(),
             reason.isEmpty() ? QString()
                              : QDir::toNativeSeparators(dir.filePath(name)) + u' ' + reason);
    std::int64_t startMs = 0;
    std::int64_t endMs = 0;
    QVERIFY(!CDataFile::GetTimeRange(dir.filePath(name), startMs, endMs));
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
