#include "TestEvents.h"
#include "data/CDataArray.h"
#include "data/CDataFile.h"
#include "data/CModuleList.h"
#include "data/NameIndex.h"
#include "data/Prepare.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// Preparation of loaded events, the 3 pm rules and the module and file lists.
class TestMerge : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { UseUtc(); }
    void duplicatesOfTwoDownloads();
    void duplicatesMatchAdjacentRemoval();
    void nightGap_data();
    void nightGap();
    void testBursts();
    void testBurstsFound_data();
    void testBurstsFound();
    void noTestBursts();
    void reclassifyRestoresTestBursts();
    void overlaps();
    void threePm_data();
    void threePm();
    void moduleList();
    void moduleListFolderIndex();
    void moduleListIndexNames_data();
    void moduleListIndexNames();
    void specialFilesSkipped();
    void pickersAndRecount();
    void fileListAfter();
};

namespace {

const QString kBase = QStringLiteral(VELTRUM_TEST_DATA "/base");
constexpr qint64 kHour = 3600 * 1000;

std::vector<std::uint32_t> Kinds(CDataArray& events) {
    std::vector<std::uint32_t> kinds;
    for (int i = 0; i < events.GetCount(); ++i)
        kinds.push_back(events.GetAt(i)->kind);
    return kinds;
}

std::vector<std::uint32_t> Flags(CDataArray& events) {
    std::vector<std::uint32_t> flags;
    for (int i = 0; i < events.GetCount(); ++i)
        flags.push_back(events.GetAt(i)->sensorFlags);
    return flags;
}

} // namespace

void TestMerge::duplicatesOfTwoDownloads() {
    CDataArray events;
    // The second download repeats the first one's events, so the duplicate pairs include the
    // very first records of the array.
    Fill(events, {Event(1000, 10), Event(5000, 20, SENSOR_B), Event(9000, 30)});
    Fill(events, {Event(1000, 10), Event(5000, 20, SENSOR_B), Event(9000, 30), Event(9000, 31)});
    Prepare(events, false);
    QCOMPARE(events.GetCount(), 4);
    QCOMPARE(events.GetAt(0)->startMs, 1000);
    QCOMPARE(events.GetAt(3)->durationMs, 31u); // same start, other duration: another event
}

// The one-pass removal keeps exactly the records that the sort followed by removing each
// record equal to its predecessor keeps, in the same order.
void TestMerge::duplicatesMatchAdjacentRemoval() {
    QRandomGenerator random(4);
    CDataArray events;
    std::vector<CData> loaded;
    for (int i = 0; i < 5000; ++i) {
        CData d = Event(random.bounded(300) * 1000, random.bounded(3) * 100,
                        random.bounded(2) ? SENSOR_A : SENSOR_B);
        d.valueMille = static_cast<std::uint32_t>(i); // tells copies of one event apart
        loaded.push_back(d);
        events.Append(d);
    }
    std::stable_sort(loaded.begin(), loaded.end(), [](const CData& a, const CData& b) {
        const int order = CData::Compare(a, b);
        return order != 0 ? order < 0 : a.durationMs < b.durationMs;
    });
    std::vector<CData> expected;
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        if (i == 0 || !loaded[i].SameEvent(loaded[i - 1]))
            expected.push_back(loaded[i]);
    }

    events.RemoveDuplicates();
    events.Sort();
    QCOMPARE(events.GetCount(), int(expected.size()));
    for (int i = 0; i < events.GetCount(); ++i) {
        QCOMPARE(events.GetAt(i)->startMs, expected[i].startMs);
        QCOMPARE(events.GetAt(i)->valueMille, expected[i].valueMille);
    }
}

void TestMerge::nightGap_data() {
    QTest::addColumn<qint64>("gap");
    QTest::addColumn<int>("nights");
    QTest::newRow("exactly 9 h") << qint64(32400000) << 1;
    QTest::newRow("9 h and 1 ms") << qint64(32400001) << 2;
}

void TestMerge::nightGap() {
    QFETCH(qint64, gap);
    CDataArray events;
    Fill(events, {Event(0, 100), Event(gap, 100)});
    Prepare(events, true);
    QTEST(events.GetNightCount(), "nights");
    QCOMPARE(events.GetAt(0)->time.seconds, 0);
    QCOMPARE(events.GetAt(1)->time.millis, std::uint16_t(gap % 1000));
}

void TestMerge::testBursts() {
    CDataArray events;
    Fill(events, {Event(0, 100), Event(5000, 100), Event(19000, 100), // start bursts
                  Event(21000, 100, SENSOR_B),                        // B: outside the window
                  Event(kHour, 100),
                  // End: a B burst 10 s before the night's last record, which joins it.
                  Event(2 * kHour, 100, SENSOR_B), Event(2 * kHour + 10000, 100)});
    Prepare(events, true);
    QCOMPARE(Kinds(events),
             (std::vector<std::uint32_t>{KIND_START, KIND_TEST, KIND_TEST, KIND_EVENT, KIND_EVENT,
                                         KIND_TEST, KIND_TEST}));
    QVERIFY(!events.GetAt(0)->IsCounted());
    QVERIFY(!events.GetAt(1)->IsCounted());

    // A night without any burst starts with a counted event.
    CDataArray plain;
    Fill(plain, {Event(0, 100), Event(kHour, 100), Event(2 * kHour, 100)});
    Prepare(plain, true);
    QCOMPARE(plain.GetAt(0)->kind, KIND_START_EVENT);
    QVERIFY(plain.GetAt(0)->IsCounted());
}

// Which walks count as having found test bursts: sensor A's forward walk only, sensor B's
// walks in both directions. The end walks mark their bursts and the night's last record all the
// same. Kinds as digits, sensors as letters, one per record.
void TestMerge::testBurstsFound_data() {
    QTest::addColumn<QList<qint64>>("starts");
    QTest::addColumn<QByteArray>("sensors");
    QTest::addColumn<QByteArray>("kinds");
    const qint64 end = 2 * kHour;
    QTest::newRow("none") << QList<qint64>{0, kHour, end} << QByteArray("AAA") << QByteArray("544");
    QTest::newRow("A at the start")
        << QList<qint64>{0, 5000, end} << QByteArray("AAA") << QByteArray("124");
    QTest::newRow("A at the end only")
        << QList<qint64>{0, kHour, end - 10000, end} << QByteArray("AAAA") << QByteArray("5422");
    QTest::newRow("B at the start")
        << QList<qint64>{0, 5000, end} << QByteArray("ABA") << QByteArray("124");
    QTest::newRow("B at the end only")
        << QList<qint64>{0, kHour, end - 10000, end} << QByteArray("AABA") << QByteArray("1422");
    QTest::newRow("A at the end, B at the start") << QList<qint64>{0, 5000, kHour, end - 10000, end}
                                                  << QByteArray("ABAAA") << QByteArray("12422");
}

void TestMerge::testBurstsFound() {
    QFETCH(QList<qint64>, starts);
    QFETCH(QByteArray, sensors);
    QFETCH(QByteArray, kinds);
    CDataArray events;
    for (qsizetype i = 0; i < starts.size(); ++i)
        events.Append(Event(starts[i], 100, sensors[i] == 'A' ? SENSOR_A : SENSOR_B));
    Prepare(events, true);
    QByteArray found;
    for (const std::uint32_t kind : Kinds(events))
        found += char('0' + kind);
    QCOMPARE(found, kinds);
}

void TestMerge::noTestBursts() {
    CDataArray events;
    Fill(events,
         {Event(0, 100), Event(5000, 100), Event(10 * kHour, 100), Event(10 * kHour + 1, 1)});
    Prepare(events, false);
    QCOMPARE(Kinds(events), (std::vector<std::uint32_t>{KIND_START_EVENT, KIND_EVENT,
                                                        KIND_START_EVENT, KIND_EVENT}));
}

void TestMerge::reclassifyRestoresTestBursts() {
    CDataArray events;
    Fill(events, {Event(0, 100), Event(5000, 100), Event(kHour, 100)});
    Prepare(events, true);
    const std::vector<std::uint32_t> withBursts = Kinds(events);
    ReclassifyTestBursts(events, false);
    QCOMPARE(Kinds(events), (std::vector<std::uint32_t>{KIND_START_EVENT, KIND_EVENT, KIND_EVENT}));
    ReclassifyTestBursts(events, true);
    QCOMPARE(Kinds(events), withBursts);
}

void TestMerge::overlaps() {
    CDataArray events;
    CData uncounted = Event(kHour + 500, 5000);
    uncounted.valueMille = 0;
    Fill(events, {Event(kHour, 1000), Event(kHour + 400, 1000, SENSOR_B), // A and B overlap
                  uncounted,                                              // not counted
                  Event(kHour + 1400, 100), // touches the group's end: still overlapping
                  Event(kHour + 5000, 100), Event(2 * kHour, 100), Event(2 * kHour + 50, 10)});
    Prepare(events, false);
    QCOMPARE(Flags(events),
             (std::vector<std::uint32_t>{SENSOR_A | OVERLAP_OPEN, SENSOR_B | OVERLAP_OPEN, SENSOR_A,
                                         SENSOR_A | OVERLAP_END, SENSOR_A, SENSOR_A | OVERLAP_OPEN,
                                         SENSOR_A | OVERLAP_END}));
}

void TestMerge::threePm_data() {
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("atOrBefore");
    QTest::addColumn<QString>("after");
    QTest::newRow("morning") << "2026-12-09T08:00:00"
                             << "2026-12-08T15:00:00"
                             << "2026-12-09T15:00:00";
    QTest::newRow("14:59") << "2026-12-09T14:59:59"
                           << "2026-12-08T15:00:00"
                           << "2026-12-09T15:00:00";
    QTest::newRow("15:00") << "2026-12-09T15:00:00"
                           << "2026-12-09T15:00:00"
                           << "2026-12-10T15:00:00";
    QTest::newRow("night, year end") << "2026-12-31T23:00:00"
                                     << "2026-12-31T15:00:00"
                                     << "2027-01-01T15:00:00";
}

void TestMerge::threePm() {
    QFETCH(QString, time);
    QFETCH(QString, atOrBefore);
    QFETCH(QString, after);
    const qint64 t = QDateTime::fromString(time, Qt::ISODate).toSecsSinceEpoch();
    QCOMPARE(ThreePmAtOrBefore(t),
             QDateTime::fromString(atOrBefore, Qt::ISODate).toSecsSinceEpoch());
    QCOMPARE(ThreePmAfter(t), QDateTime::fromString(after, Qt::ISODate).toSecsSinceEpoch());
}

void TestMerge::moduleList() {
    CModuleList modules;
    QVERIFY(modules.Load(kBase, QString()));
    // Lab3 holds another module's files, .trash is hidden.
    QCOMPARE(modules.Modules().size(), 1);
    const CModuleEntry& entry = *modules.Current();
    QCOMPARE(entry.name, QStringLiteral("M1234"));
    // First event 2026-11-30 22:00, last end 2026-12-05 07:59.
    QCOMPARE(entry.bounds.start,
             QDateTime::fromString("2026-11-30T15:00:00Z", Qt::ISODate).toSecsSinceEpoch());
    QCOMPARE(entry.bounds.end,
             QDateTime::fromString("2026-12-05T15:00:00Z", Qt::ISODate).toSecsSinceEpoch());
    QCOMPARE(entry.range1.start, entry.bounds.start);
    QCOMPARE(entry.range2.start, entry.bounds.end);
    QCOMPARE(entry.range2.end, entry.bounds.end);
    QCOMPARE(modules.Files().Files().size(), 5); // broken, old and empty files left out
    QCOMPARE(modules.SelectedCount(), 5);
    QVERIFY(modules.CanShowGraph());

    QVERIFY(modules.Load(kBase, QStringLiteral("M1234")));
    QVERIFY(!modules.Load(kBase, QStringLiteral("Lab3")));
    QVERIFY(!modules.Load(kBase, QStringLiteral(".trash")));
    QVERIFY(!modules.Load(kBase + "/none", QString()));
    QVERIFY(!modules.CanShowGraph());
}

void TestMerge::moduleListFolderIndex() {
    CModuleList modules([](const QString& id) {
        return id == QStringLiteral("X77") ? QStringLiteral("Lab3") : id;
    });
    QVERIFY(modules.Load(kBase, QString()));
    QCOMPARE(modules.Modules().size(), 2);
    QVERIFY(modules.Load(kBase, QStringLiteral("X77")));
    QCOMPARE(modules.Current()->name, QStringLiteral("Lab3"));
}

// Index names that the folder rule cleans ("Lab 3" -> Lab_3), and module IDs it cleans (data
// files carry "AB C" as AB_C): the folders are found by their module ID, by their index name,
// and without a module name.
void TestMerge::moduleListIndexNames_data() {
    QTest::addColumn<QString>("module");
    QTest::addColumn<QStringList>("folders");
    QTest::newRow("all modules") << QString() << QStringList{"Lab_3", "Room_1"};
    QTest::newRow("module ID") << "X77" << QStringList{"Lab_3"};
    QTest::newRow("index name") << "Lab 3" << QStringList{"Lab_3"};
    QTest::newRow("ID with a blank") << "AB C" << QStringList{"Room_1"};
    QTest::newRow("that ID cleaned") << "AB_C" << QStringList{"Room_1"};
}

void TestMerge::moduleListIndexNames() {
    QFETCH(QString, module);
    QFETCH(QStringList, folders);
    QTemporaryDir base;
    QFile source(kBase + "/Lab3/2026-12-01_08-00-00.kmM");
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray text = source.readAll();
    for (const auto& [folder, id] : {std::pair{"Lab_3", "X77"}, std::pair{"Room_1", "AB C"}}) {
        QVERIFY(QDir(base.path()).mkdir(folder));
        QFile file(base.filePath(QStringLiteral("%1/2026-12-01_08-00-00.kmM").arg(folder)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(text).replace("ID\tX77", QByteArray("ID\t") + id));
    }
    QFile index(base.filePath(QStringLiteral("VM_ID.Index")));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("X77\tLab 3\r\nAB C\tRoom 1\r\n");
    index.close();
    LoadNameIndex(base.path());

    CModuleList modules(NameOrId);
    QVERIFY(modules.Load(base.path(), module));
    QStringList names;
    for (const CModuleEntry& entry : modules.Modules())
        names.append(entry.name);
    QCOMPARE(names, folders);
    QCOMPARE(modules.Files().Files().size(), 1);
    LoadNameIndex(QStringLiteral("/nonexistent"));
}

// A FIFO and a link to a device named like data files, and a file beyond the size limit: the
// scan neither waits for them nor reads them without end, and lists only the data file.
void TestMerge::specialFilesSkipped() {
    QTemporaryDir base;
    const QString folder = base.filePath(QStringLiteral("M1234"));
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(
        QFile::copy(kBase + "/M1234/2026-12-01_08-00-00.kmM", folder + "/2026-12-01_08-00-00.kmM"));
    QCOMPARE(::mkfifo(QFile::encodeName(folder + "/fifo.kmM").constData(), 0644), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), folder + "/zero.kmM"));
    QFile big(folder + "/big.kmM");
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.resize(CDataFile::kMaxBytes + 1));
    big.close();

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(DataFilesIn(folder).size(), 2); // the data file and the large one
    CModuleList modules;
    QVERIFY(modules.Load(base.path(), QStringLiteral("M1234")));
    QCOMPARE(modules.Files().Files().size(), 1);
    QVERIFY(modules.Files().Files()[0].path.endsWith(QStringLiteral("2026-12-01_08-00-00.kmM")));
    CFileList list;
    QCOMPARE(list.Fill(base.path(), QStringLiteral("M1234")), 1);
    QVERIFY(timer.elapsed() < 10000);
}

void TestMerge::pickersAndRecount() {
    CModuleList modules;
    QVERIFY(modules.Load(kBase, QString()));
    const auto at = [](const char* iso) {
        return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toSecsSinceEpoch();
    };
    modules.SetUntil(1, at("2026-12-04T15:00:00Z"));
    modules.SetFrom(1, at("2026-12-03T15:00:00Z"));
    QCOMPARE(modules.SelectedCount(), 1); // only the download of 2026-12-04 reaches into it
    modules.SetFrom(1, at("2026-12-05T15:00:00Z")); // after until: until follows
    QCOMPARE(modules.Current()->range1.end, at("2026-12-05T15:00:00Z"));
    QCOMPARE(modules.SelectedCount(), 0);
    QVERIFY(!modules.CanShowGraph());
    modules.SetUntil(2, at("2026-11-01T15:00:00Z")); // before bounds and before from
    QCOMPARE(modules.Current()->range2.start, modules.Current()->bounds.start);
    QCOMPARE(modules.Current()->range2.end, modules.Current()->bounds.start);
    modules.SetRange(2, {at("2026-12-01T06:00:10Z"), at("2026-12-01T07:00:00Z")});
    QCOMPARE(modules.SelectedCount(), 2); // touching the first file's end counts
}

void TestMerge::fileListAfter() {
    CFileList list;
    QCOMPARE(list.Fill(kBase, QStringLiteral("M1234")), 5);
    const QString third = list.Files()[2].path;
    QVERIFY(third.endsWith(QStringLiteral("2026-12-03_08-00-00.koM")));
    QCOMPARE(list.Fill(kBase, QStringLiteral("M1234"), third), 2);
    QVERIFY(!list.Files()[0].selected);
}

QTEST_GUILESS_MAIN(TestMerge)
#include "tst_merge.moc"
