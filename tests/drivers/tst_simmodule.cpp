// The simulated module's recorded nights: only the past, whatever the time of day.

#include "drivers/sim/SimModule.h"

#include <QTest>

class TestSimModule : public QObject {
    Q_OBJECT
private slots:
    void nothingRecordedAfterNow_data() {
        QTest::addColumn<QTime>("time");
        QTest::newRow("in the middle of the night") << QTime(0, 30);
        QTest::newRow("before the morning test bites") << QTime(5, 40);
        QTest::newRow("noon") << QTime(12, 0);
        QTest::newRow("late evening") << QTime(23, 50);
    }
    void nothingRecordedAfterNow() {
        QFETCH(QTime, time);
        const QDateTime now(QDate(2026, 12, 10), time);
        const CSimModule module(now);
        QVERIFY(module.events.size() > 300);
        for (const CSimEvent& e : module.events)
            QVERIFY(e.endSeconds < module.ClockAt(now));
    }
};

QTEST_GUILESS_MAIN(TestSimModule)
#include "tst_simmodule.moc"
