#include "TestEvents.h"
#include "data/CData.h"
#include "data/CDataArray.h"

#include <QTest>

// Event lines, record rules and the container order.
class TestRecords : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void parseSpecialLines();
    void counterWrap_data();
    void counterWrap();
    void isCounted_data();
    void isCounted();
    void overlaps_data();
    void overlaps();
    void sortOrdersByStartThenSensor();
    void timeArithmetic();
};

void TestRecords::parse_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<uint>("duration");
    QTest::addColumn<uint>("sensor");
    QTest::addColumn<uint>("value");
    QTest::addColumn<uint>("feedback");
    QTest::addColumn<uint>("kind");
    QTest::addColumn<uint>("battery");
    QTest::addColumn<qint64>("startMs");

    // Header below: downloadTime 1000000, relNow 1000, so base = 999000 s.
    QTest::newRow("tab") << QByteArray("1\t500\t10\tA\t250\tV\t300\t\t2") << 500u << 1u << 250u
                         << 2u << 4u << 2u << qint64((999000 + 10) * 1000 + 300 - 500);
    QTest::newRow("comma, sensor 1 is B") << QByteArray("7,100,20,1,5,L,0,,0") << 100u << 2u << 5u
                                          << 1u << 4u << 0u << qint64(999020 * 1000 - 100);
    QTest::newRow("semicolon only, later commas inside fields")
        << QByteArray("1;100;20;B,x;5;L,V;0;;1") << 100u << 2u << 5u << 1u << 4u << 1u
        << qint64(999020 * 1000 - 100);
    QTest::newRow("sensor 0 and unknown feedback")
        << QByteArray("1\t1\t1\t0\t1\tX\t0\t\t3") << 1u << 1u << 1u << 0u << 4u << 3u
        << qint64(999001 * 1000 - 1);
    QTest::newRow("exclusion mark") << QByteArray("1\t1\t1\tA\t1\tV\t0\t*\t3") << 1u << 1u << 1u
                                    << 2u << 0u << 3u << qint64(999001 * 1000 - 1);
    QTest::newRow("battery missing") << QByteArray("1\t1\t1\tB\t1\tV\t0\t") << 1u << 2u << 1u << 2u
                                     << 4u << 3u << qint64(999001 * 1000 - 1);
    QTest::newRow("battery not numeric") << QByteArray("1\t1\t1\tB\t1\tV\t0\t\tn") << 1u << 2u << 1u
                                         << 2u << 4u << 3u << qint64(999001 * 1000 - 1);
    QTest::newRow("fields missing read as 0")
        << QByteArray("1\t\t\t\t") << 0u << 1u << 0u << 0u << 4u << 3u << qint64(999000 * 1000);
    // Numbers are read as C's "%u" and "%llu" read them.
    QTest::newRow("blanks, signs and trailing text")
        << QByteArray("1\t 500 ms\t+10\tA\t -250\tV\t300x\t\t 2;") << 500u << 1u << uint(-250) << 2u
        << 4u << 2u << qint64((999000 + 10) * 1000 + 300 - 500);
    QTest::newRow("a tab is a blank when commas separate")
        << QByteArray("1,\t500,10,B,\v7,L,\t0,,\t1") << 500u << 2u << 7u << 1u << 4u << 1u
        << qint64(999010 * 1000 - 500);
    QTest::newRow("signs without digits") << QByteArray("1\t-\t+\tA\t-x\tV\t \t\t-") << 0u << 1u
                                          << 0u << 2u << 4u << 3u << qint64(999000 * 1000);
    QTest::newRow("32-bit fields wrap")
        << QByteArray("1\t4294967796\t10\tA\t4294967297\tV\t0\t\t3") << 500u << 1u << 1u << 2u << 4u
        << 3u << qint64(999010 * 1000 - 500);
    QTest::newRow("a blank exclusion mark excludes")
        << QByteArray("1\t1\t1\tA\t1\tV\t0\t \t3") << 1u << 1u << 1u << 2u << 0u << 3u
        << qint64(999001 * 1000 - 1);
}

void TestRecords::parse() {
    QFETCH(QByteArray, line);
    CInfoHeader header;
    header.downloadTime = 1000000;
    header.relNow = 1000;
    const CData d(line, header);
    QTEST(d.durationMs, "duration");
    QTEST(d.sensorFlags, "sensor");
    QTEST(d.valueMille, "value");
    QTEST(d.feedback, "feedback");
    QTEST(d.kind, "kind");
    QTEST(d.batteryClass, "battery");
    QTEST(qint64(d.startMs), "startMs");
}

void TestRecords::parseSpecialLines() {
    const CInfoHeader header;
    CData d;
    d.durationMs = 77;
    d.Parse("", header);
    QCOMPARE(d.kind, KIND_END);
    QCOMPARE(d.durationMs, 77u); // an empty line changes nothing else
    d.Parse("no separators here", header);
    QCOMPARE(d.kind, KIND_EXCLUDED);
}

void TestRecords::counterWrap_data() {
    QTest::addColumn<quint64>("rel");
    QTest::addColumn<uint>("relWrap");
    QTest::addColumn<qint64>("startSeconds");

    // downloadTime 10^9, clockOffset -100, relNow 5000: base 999994900.
    QTest::newRow("before the download") << quint64(4000) << 0xFFFFFFFFu << qint64(999998900);
    QTest::newRow("at relNow") << quint64(5000) << 0xFFFFFFFFu << qint64(999999900);
    QTest::newRow("above relNow: one period back")
        << quint64(6000) << 0xFFFFFFFFu << qint64(999994900 - 4294967296LL + 6000);
    QTest::newRow("device wrap value")
        << quint64(6000) << 9999u << qint64(999994900 - 10000 + 6000);
    QTest::newRow("2^32 and above") << quint64(4294967296ULL) << 0xFFFFFFFFu << qint64(999994900);
}

void TestRecords::counterWrap() {
    QFETCH(quint64, rel);
    QFETCH(uint, relWrap);
    CInfoHeader header;
    header.downloadTime = 1000000000;
    header.clockOffset = -100;
    header.relNow = 5000;
    header.relWrap = relWrap;
    const CData d(QByteArray("1\t0\t") + QByteArray::number(rel) + "\tA\t1\tV\t0\t\t3", header);
    QTEST(qint64(d.startMs / 1000), "startSeconds");
}

void TestRecords::isCounted_data() {
    QTest::addColumn<uint>("kind");
    QTest::addColumn<uint>("value");
    QTest::addColumn<uint>("sensor");
    QTest::addColumn<uint>("feedback");
    QTest::addColumn<bool>("counted");

    QTest::newRow("event A V") << 4u << 1u << 1u << 2u << true;
    QTest::newRow("start event B L") << 5u << 1u << 2u << 1u << true;
    QTest::newRow("start marker") << 1u << 1u << 1u << 2u << false;
    QTest::newRow("test burst") << 2u << 1u << 1u << 2u << false;
    QTest::newRow("value 0") << 4u << 0u << 1u << 2u << false;
    QTest::newRow("no feedback mark") << 4u << 1u << 1u << 0u << false;
    QTest::newRow("no sensor") << 4u << 1u << 0u << 2u << false;
    QTest::newRow("overlap bits alone") << 4u << 1u << 12u << 2u << false;
}

void TestRecords::isCounted() {
    CData d;
    QFETCH(uint, kind);
    QFETCH(uint, value);
    QFETCH(uint, sensor);
    QFETCH(uint, feedback);
    d.kind = kind;
    d.valueMille = value;
    d.sensorFlags = sensor;
    d.feedback = feedback;
    QTEST(d.IsCounted(), "counted");
}

void TestRecords::overlaps_data() {
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("end");
    QTest::addColumn<bool>("overlaps");

    // The event runs from 10 000 ms to 12 000 ms.
    QTest::newRow("inside") << qint64(9) << qint64(13) << true;
    QTest::newRow("range ends at event start") << qint64(5) << qint64(10) << true;
    QTest::newRow("range starts at event end") << qint64(12) << qint64(20) << true;
    QTest::newRow("range ends before") << qint64(5) << qint64(9) << false;
    QTest::newRow("range starts after") << qint64(13) << qint64(20) << false;
}

void TestRecords::overlaps() {
    QFETCH(qint64, start);
    QFETCH(qint64, end);
    const CData d = Event(10000, 2000);
    QTEST(d.Overlaps(CTimeRange{start, end}), "overlaps");
    QVERIFY(d.Overlaps(std::nullopt));
}

void TestRecords::sortOrdersByStartThenSensor() {
    CDataArray events;
    Fill(events, {Event(200, 1, SENSOR_B), Event(200, 1, SENSOR_A), Event(100, 5, SENSOR_B)});
    events.Sort();
    QCOMPARE(events.GetAt(0)->startMs, 100);
    QCOMPARE(events.GetAt(1)->sensorFlags, SENSOR_A);
    QCOMPARE(events.GetAt(2)->sensorFlags, SENSOR_B);
    QVERIFY(events.GetAt(3) == nullptr);
    QVERIFY(events.GetAt(-1) == nullptr);
    QVERIFY(CData::Compare(*events.GetAt(1), *events.GetAt(2)) < 0);
}

void TestRecords::timeArithmetic() {
    const CTimeMs a = CTimeMs::FromMs(1999);
    QCOMPARE(a.seconds, 1);
    QCOMPARE(a.millis, 999);
    const CTimeMs sum = a + CTimeMs::FromMs(1);
    QCOMPARE(sum.seconds, 2);
    QCOMPARE(sum.millis, 0);
    const CTimeMs difference = CTimeMs::FromMs(2000) - a;
    QCOMPARE(difference.seconds, 0);
    QCOMPARE(difference.millis, 1);
    const CTimeMs negative = CTimeMs::FromMs(-1);
    QCOMPARE(negative.seconds, -1);
    QCOMPARE(negative.millis, 999);
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
