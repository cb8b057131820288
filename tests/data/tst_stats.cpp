#include "TestEvents.h"
#include "data/CDataArray.h"
#include "data/Prepare.h"

#include <QTest>

// Nightly statistics, date labels and the weekend test.
class TestStats : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { UseUtc(); }
    void episodes_data();
    void episodes();
    void overlapGroupCountsOnce();
    void nightLength_data();
    void nightLength();
    void onlyTestBursts();
    void batteryClasses();
    void dateLabel_data();
    void dateLabel();
    void weekend();
};

namespace {

constexpr qint64 kStart = 1796076000000LL; // 2026-11-30 22:00:00 UTC
constexpr qint64 kHour = 3600 * 1000;

const CStats& Night(CDataArray& events, bool testBursts, int k = 0) {
    Prepare(events, testBursts);
    events.Nights().ComputeAll();
    return events.Nights().At(k);
}

} // namespace

void TestStats::episodes_data() {
    QTest::addColumn<qint64>("gap");
    QTest::addColumn<uint>("episodes");
    QTest::addColumn<double>("eventsPerEpisode");
    QTest::newRow("2999 ms") << qint64(2999) << 1u << 2.0;
    QTest::newRow("3000 ms") << qint64(3000) << 1u << 2.0;
    QTest::newRow("3001 ms") << qint64(3001) << 0u << 0.0;
}

void TestStats::episodes() {
    QFETCH(qint64, gap);
    CDataArray events;
    // The night's first record is counted and compared with its own end: no episode from it.
    Fill(events, {Event(kStart, 1000), Event(kStart + kHour, 1000),
                  Event(kStart + kHour + 1000 + gap, 500, SENSOR_B)});
    const CStats& s = Night(events, false);
    QTEST(s.episodes, "episodes");
    QTEST(s.eventsPerEpisode, "eventsPerEpisode");
    QCOMPARE(s.countA, 2u);
    QCOMPARE(s.countB, 1u);
    QCOMPARE(s.maxDurationMs, 1000u);
    QCOMPARE(s.avgDurationMs, 833u);
    QCOMPARE(s.totalSeconds, 2.5);
    QCOMPARE(s.nightSeconds, 28800u); // no test bursts: at least 8 hours
    QCOMPARE(s.eventsPerHour, 3 * 3600.0 / 28800);
    QCOMPARE(s.durationPerHour, 2.5 * 3600 / 28800);
}

void TestStats::overlapGroupCountsOnce() {
    CDataArray events;
    Fill(events, {Event(kStart, 100), Event(kStart + kHour, 2000),
                  Event(kStart + kHour + 500, 3000, SENSOR_B), Event(kStart + kHour + 600, 100)});
    const CStats& s = Night(events, false);
    QCOMPARE(s.countBoth, 1u);
    QCOMPARE(s.countA, 1u);
    QCOMPARE(s.countB, 0u);
    QCOMPARE(s.Events(), 2u);
    // The merged event spans from the group's first start to its latest end.
    QCOMPARE(s.maxDurationMs, 3500u);
    QCOMPARE(s.avgDurationMs, 1800u);
}

void TestStats::nightLength_data() {
    QTest::addColumn<bool>("startBurst");
    QTest::addColumn<bool>("endBurst");
    QTest::addColumn<uint>("nightSeconds");
    QTest::newRow("no bursts") << false << false << 28800u;
    QTest::newRow("start burst only") << true << false << 28800u;
    QTest::newRow("start and end bursts") << true << true << 7200u;
}

void TestStats::nightLength() {
    QFETCH(bool, startBurst);
    QFETCH(bool, endBurst);
    CDataArray events;
    Fill(events, {Event(kStart, 100), Event(kStart + kHour, 100), Event(kStart + 2 * kHour, 100)});
    if (startBurst)
        events.Append(Event(kStart + 5000, 100));
    if (endBurst)
        events.Append(Event(kStart + 2 * kHour - 10000, 100, SENSOR_B));
    const CStats& s = Night(events, true);
    QTEST(s.nightSeconds, "nightSeconds");
    QCOMPARE(s.startSeconds, kStart / 1000);
    QCOMPARE(s.endSeconds, kStart / 1000 + 7200);
}

void TestStats::onlyTestBursts() {
    CDataArray events;
    Fill(events, {Event(kStart, 100), Event(kStart + 3000, 100), Event(kStart + 9000, 100),
                  Event(kStart + 10 * kHour, 100), Event(kStart + 10 * kHour + 1000, 100)});
    const CStats& first = Night(events, true);
    QCOMPARE(events.GetNightCount(), 2);
    QCOMPARE(first.Events(), 0u);
    QCOMPARE(first.avgDurationMs, 0u);
    QCOMPARE(first.episodes, 0u);
    QCOMPARE(first.eventsPerHour, 0.0);
    QCOMPARE(first.nightSeconds, 9u);
}

void TestStats::batteryClasses() {
    CDataArray events;
    const std::uint32_t batteries[] = {0, 1, 1, 3, 4, 7};
    for (int i = 0; i < 6; ++i) {
        CData d = Event(kStart + i * 60000, 10);
        d.batteryClass = batteries[i];
        events.Append(d);
    }
    const CStats& s = Night(events, false);
    QCOMPARE(s.Events(), 6u);
    QCOMPARE(s.classCount[0], 1u);
    QCOMPARE(s.classCount[1], 2u);
    QCOMPARE(s.classCount[2], 0u);
    QCOMPARE(s.classCount[3], 1u);
}

void TestStats::dateLabel_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("label");
    QTest::newRow("day first") << "de_DE"
                               << "09.12.";
    QTest::newRow("month first") << "en_US"
                                 << "12/9/";
    QTest::newRow("year first") << "ja_JP"
                                << "12/09";
}

void TestStats::dateLabel() {
    QFETCH(QString, locale);
    QTEST(DateLabel(1796848632, QLocale(locale)), "label"); // 2026-12-09
}

void TestStats::weekend() {
    QVERIFY(!IsWeekend(1796848632));            // Wednesday
    QVERIFY(IsWeekend(1796848632 + 3 * 86400)); // Saturday
    QVERIFY(IsWeekend(1796848632 + 4 * 86400)); // Sunday
    QVERIFY(!IsWeekend(1796848632 + 5 * 86400));
}

QTEST_GUILESS_MAIN(TestStats)
#include "tst_stats.moc"
