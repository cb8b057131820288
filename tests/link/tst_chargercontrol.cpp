// The charger choice and the module connection without a window: which charger is selected and
// identified, the automatic identification by role, and the keep-alive clock. The worker does
// not run, so the commands the control posts stay in the queue to be looked at.

#include "base/Reg.h"
#include "drivers/sim/SimCharger.h"
#include "link/ChargerControl.h"
#include "link/DeviceState.h"

#include <QTest>

namespace {

void InstallChargers(int count) {
    std::vector<std::unique_ptr<CFtDriver>> drivers;
    for (int i = 0; i < count; ++i)
        drivers.push_back(std::make_unique<CSimDriver>());
    TheDevice().link.SetDrivers(std::move(drivers));
}

bool Queued(std::uint32_t kind) {
    return TheDevice().queue.PendingKinds() & kind;
}

} // namespace

class TestChargerControl : public QObject {
    Q_OBJECT

    QList<CChargerControl::Change> m_changes;

    CChargerControl::Listener Record() {
        return [this](CChargerControl::Change change) { m_changes << change; };
    }

private slots:
    void init() {
        TheDevice().Reset();
        m_changes.clear();
    }

    // One accepted charger is selected and identified; with two the user chooses.
    void choose_data() {
        QTest::addColumn<int>("chargers");
        QTest::addColumn<int>("selected");
        QTest::newRow("none") << 0 << -1;
        QTest::newRow("one") << 1 << 0;
        QTest::newRow("two") << 2 << -1;
    }
    void choose() {
        QFETCH(int, chargers);
        QFETCH(int, selected);
        InstallChargers(chargers);
        CChargerControl control(CRegVT::RolePatient, Record());
        QCOMPARE(control.Enumerate(), -1);
        QCOMPARE(control.Chargers().size(), chargers);
        control.Choose();
        QCOMPARE(TheDevice().link.Selected(), selected);
        QCOMPARE(Queued(KIND_CB_INFO), selected >= 0);
        QCOMPARE(TheDevice().chargerInfo.m_strSerial,
                 selected >= 0 ? QStringLiteral("SIM0001") : QString());
        QCOMPARE(m_changes,
                 selected >= 0 ? QList<CChargerControl::Change>{} : QList{CChargerControl::RESET});
    }

    // The identified charger stays selected through a new enumeration.
    void enumerateKeepsTheIdentifiedCharger() {
        InstallChargers(2);
        CChargerControl control(CRegVT::RoleAdmin, Record());
        TheDevice().chargerInfo.m_strSerial = QStringLiteral("SIM0001");
        QCOMPARE(control.Enumerate(), 0);
        QCOMPARE(TheDevice().link.Selected(), 0);
        QVERIFY(m_changes.isEmpty());
    }

    // Patient, Plus and Dentist identify the module once the charger is identified, and a
    // module that is not there then needs no message; the other roles wait for Connect.
    void automaticIdentification_data() {
        QTest::addColumn<int>("role");
        QTest::addColumn<bool>("automatic");
        QTest::newRow("Patient") << int(CRegVT::RolePatient) << true;
        QTest::newRow("Dentist") << int(CRegVT::RoleDentist) << true;
        QTest::newRow("Configuration") << int(CRegVT::RoleConfiguration) << false;
        QTest::newRow("Admin") << int(CRegVT::RoleAdmin) << false;
    }
    void automaticIdentification() {
        QFETCH(int, role);
        QFETCH(bool, automatic);
        CChargerControl control(role, Record());
        control.OnCmdOk(TheDevice().chargerInfo);
        QCOMPARE(m_changes, QList{CChargerControl::CHARGER});
        QCOMPARE(Queued(KIND_VM_INFO), automatic);
        QCOMPARE(control.OnCmdError(TheDevice().moduleInfo), automatic);
        // Only the automatic attempt is silent.
        QVERIFY(!control.OnCmdError(TheDevice().moduleInfo));
        control.OnCmdFailed(TheDevice().moduleInfo);
        QCOMPARE(m_changes, (QList{CChargerControl::CHARGER, CChargerControl::MODULE}));
    }

    // A charger that cannot be identified takes the module's identity with it.
    void chargerFailureForgetsTheModule() {
        CChargerControl control(CRegVT::RoleAdmin, Record());
        TheDevice().moduleInfo.m_strModuleId = QStringLiteral("K-1");
        control.OnCmdFailed(TheDevice().chargerInfo);
        QVERIFY(!TheDevice().moduleInfo.IsConnected());
        QCOMPARE(m_changes, QList{CChargerControl::RESET});
    }

    // An idle module gets a keep-alive every 117 s; after five idle periods without a real
    // command, 585 s, it counts as gone. A real command starts the count again.
    void keepAlive() {
        CChargerControl control(CRegVT::RoleAdmin, Record());
        TheDevice().moduleInfo.m_strModuleId = QStringLiteral("K-1");
        const auto idlePeriod = [&] {
            for (int second = 1; second < CChargerControl::kIdleSeconds; ++second)
                control.Tick();
            const bool early = Queued(KIND_KEEP_ALIVE);
            control.Tick();
            const bool sent = Queued(KIND_KEEP_ALIVE);
            TheDevice().queue.Clear();
            if (sent)
                control.OnCmdSent(false);
            return !early && sent;
        };
        control.Tick();
        QVERIFY(!Queued(KIND_KEEP_ALIVE)); // no command yet: the clock stands
        control.OnCmdSent(true);
        for (int i = 1; i < CChargerControl::kKeepAlives - 1; ++i)
            QVERIFY(idlePeriod());
        control.OnCmdSent(true);
        for (int i = 1; i < CChargerControl::kKeepAlives; ++i)
            QVERIFY(idlePeriod());
        QVERIFY(TheDevice().moduleInfo.IsConnected());
        QVERIFY(!idlePeriod());
        QVERIFY(!TheDevice().moduleInfo.IsConnected());
        QCOMPARE(m_changes, QList{CChargerControl::MODULE_GONE});
        // A module that is gone gets no keep-alive.
        control.OnCmdSent(true);
        QVERIFY(!idlePeriod());
    }

    void cleanupTestCase() { TheDevice().Reset(); }
};

QTEST_GUILESS_MAIN(TestChargerControl)
#include "tst_chargercontrol.moc"
