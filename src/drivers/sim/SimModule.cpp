#include "drivers/sim/SimModule.h"

#include <QSettings>

#include <algorithm>
#include <random>

namespace {

constexpr int kClockStartDays = 40;
constexpr int kRecordedNights = 17;
constexpr int kForgottenNight = 9; // the patient did not wear the splint that night
constexpr int kMaxIdLength = 29;
constexpr std::uint32_t kEventCapacity = 4096;

// Battery level class by nights since the last full charge: the patient charges every six days.
std::uint32_t BatteryClass(int nightsSinceCharge) {
    static constexpr std::uint32_t classes[] = {3, 3, 2, 2, 1, 0};
    return classes[nightsSinceCharge % 6];
}

QByteArray Num(qint64 value) {
    return QByteArray::number(value);
}

} // namespace

CSimModule::CSimModule(const QDateTime& now)
    : m_clockStart(
          QDateTime::fromSecsSinceEpoch(now.addDays(-kClockStartDays).toSecsSinceEpoch())) {
    params = {50, 20, 50, 20, 3400, 10, 1, 300, 300};
    memory.insert(0x200, 8192);
    memory.insert(0x202, 5);
    RecordNights(now);
}

void CSimModule::LoadState(const QString& path) {
    QSettings state(path, QSettings::IniFormat);
    if (state.contains(QStringLiteral("clockStart")))
        m_clockStart =
            QDateTime::fromSecsSinceEpoch(state.value(QStringLiteral("clockStart")).toLongLong());
    moduleId = state.value(QStringLiteral("moduleId"), moduleId).toByteArray();
    info = state.value(QStringLiteral("info"), info).toByteArray();
    motorEnabled = state.value(QStringLiteral("motor"), motorEnabled).toBool();
    eventsRead = state.value(QStringLiteral("eventsRead"), eventsRead).toBool();
    erased = state.value(QStringLiteral("erased"), erased).toBool();
    const QStringList values = state.value(QStringLiteral("params")).toStringList();
    for (int i = 0; i < values.size() && i < int(params.size()); ++i)
        params[i] = static_cast<std::uint16_t>(values[i].toUInt());
    events.clear();
    if (!erased)
        RecordNights(m_clockStart.addDays(kClockStartDays));
}

void CSimModule::SaveState(const QString& path) const {
    QSettings state(path, QSettings::IniFormat);
    state.setValue(QStringLiteral("clockStart"), m_clockStart.toSecsSinceEpoch());
    state.setValue(QStringLiteral("moduleId"), moduleId);
    state.setValue(QStringLiteral("info"), info);
    state.setValue(QStringLiteral("motor"), motorEnabled);
    state.setValue(QStringLiteral("eventsRead"), eventsRead);
    state.setValue(QStringLiteral("erased"), erased);
    QStringList values;
    for (const std::uint16_t v : params)
        values << QString::number(v);
    state.setValue(QStringLiteral("params"), values);
}

std::uint32_t CSimModule::ClockAt(const QDateTime& time) const {
    return static_cast<std::uint32_t>(m_clockStart.secsTo(time));
}

// Nights of a patient who clenches in short episodes: test bites when the splint goes in and
// when it comes out, episodes of one to four events of 1 to 30 s through the night, now and then
// both sensors at once, and the battery running down between charges.
void CSimModule::RecordNights(const QDateTime& now) {
    std::mt19937 random(20201914);
    auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    auto add = [&](const QDateTime& start, std::uint32_t durationMs, char sensor,
                   std::uint32_t value, std::uint32_t battery) {
        const QDateTime end = start.addMSecs(durationMs);
        CSimEvent e;
        e.endSeconds = ClockAt(end);
        e.endMillis = static_cast<std::uint16_t>(end.time().msec());
        e.durationMs = durationMs;
        e.sensor = sensor;
        e.valueMille = value;
        e.feedback = motorEnabled && value > params[7] ? 'V' : 'L';
        e.batteryClass = battery;
        events.append(e);
    };
    auto testBites = [&](QDateTime at, int count, std::uint32_t battery) {
        for (int i = 0; i < count; ++i) {
            add(at, uint(uniform(300, 900)), i % 2 ? 'B' : 'A', uint(uniform(600, 950)), battery);
            at = at.addMSecs(uniform(2000, 6000));
        }
    };

    const QDate today = now.date();
    for (int night = kRecordedNights; night >= 1; --night) {
        if (night == kForgottenNight)
            continue;
        const std::uint32_t battery = BatteryClass(kRecordedNights - night);
        const QDate evening = today.addDays(-night);
        const QDateTime bed(evening, QTime(22, 10).addMSecs(uniform(0, 80 * 60 * 1000)));
        const QDateTime wake(evening.addDays(1), QTime(5, 50).addMSecs(uniform(0, 70 * 60 * 1000)));
        testBites(bed, uniform(3, 5), battery);

        QList<qint64> starts;
        const qint64 span = bed.secsTo(wake) - 1800;
        for (int n = uniform(8, 24); n > 0; --n)
            starts.append(900 + std::uniform_int_distribution<qint64>(0, span - 900)(random));
        std::sort(starts.begin(), starts.end());
        qint64 busyUntilMs = 0;
        for (const qint64 offset : starts) {
            QDateTime at = bed.addSecs(offset).addMSecs(uniform(0, 999));
            if (bed.msecsTo(at) < busyUntilMs)
                continue;
            for (int k = uniform(1, 4); k > 0; --k) {
                const std::uint32_t duration = uint(uniform(1000, 30000));
                const std::uint32_t value = uint(uniform(120, 880));
                const int pick = uniform(0, 9);
                if (pick == 0) {
                    // Both sides at once: B starts a little later and overlaps A.
                    add(at, duration, 'A', value, battery);
                    add(at.addMSecs(uniform(200, 900)), uint(uniform(800, int(duration))), 'B',
                        value, battery);
                } else {
                    add(at, duration, pick <= 6 ? 'A' : 'B', value, battery);
                }
                at = at.addMSecs(duration + uniform(400, 2600));
            }
            busyUntilMs = bed.msecsTo(at) + 60000;
        }
        testBites(wake, uniform(2, 4), battery);
    }
    // Tonight is not over yet: only what has already happened is in the memory.
    const std::uint32_t clockNow = ClockAt(now);
    events.removeIf([clockNow](const CSimEvent& e) { return e.endSeconds >= clockNow; });
    std::stable_sort(events.begin(), events.end(), [](const CSimEvent& a, const CSimEvent& b) {
        return a.endSeconds != b.endSeconds ? a.endSeconds < b.endSeconds
                                            : a.endMillis < b.endMillis;
    });
    // One event the module itself marked as not to be counted.
    if (events.size() > 40)
        events[events.size() / 3].excluded = true;
}

std::optional<CSimReply> CSimModule::Answer(const QByteArray& text) {
    if (text == "KA" || text == "EC")
        return std::nullopt;
    if (inLoader) {
        if (text == "GP")
            return CSimReply{"Loader 1.2\n" + moduleId + "\n0\n\n" + Num(batteryMv) + "\n" +
                             Num(hwVariant) + "\n0;0\nDiag 0"};
        if (text.startsWith("IH:")) {
            ++loaderRecords;
            if (text.mid(9, 2) == "01") // end-of-file record: the new firmware starts
                inLoader = false;
            return CSimReply{"2", true};
        }
        if (text == "UPKelvora")
            return CSimReply{"1", true};
        return CSimReply{"0", true};
    }
    if (text == "GP")
        return CSimReply{InfoReply()};
    if (text == "GV")
        return CSimReply{ParamsReply()};
    if (text.startsWith("SV"))
        return SetValues(text.mid(2));
    if (text == "GD") {
        const QByteArray reply = DataReply();
        eventsRead = true;
        return CSimReply{reply};
    }
    if (text == "ME" || text == "MD") {
        motorEnabled = text == "ME";
        return CSimReply{motorEnabled ? "Motor;Enabled" : "Motor;Disabled"};
    }
    if (text == "EDKelvora") {
        events.clear();
        erased = true;
        eventsRead = false;
        return CSimReply{"ED;OK"};
    }
    if (text.startsWith("SP0") || text.startsWith("SP2")) {
        const QByteArray value = text.mid(3).left(kMaxIdLength);
        (text[2] == '0' ? moduleId : info) = value;
        return CSimReply{"SP;OK"};
    }
    if (text.startsWith("RM")) {
        bool ok = false;
        const std::uint32_t address = text.mid(2).toUInt(&ok);
        if (!ok)
            return CSimReply{"E;INV_CMD"};
        const std::uint16_t value =
            memory.value(address, static_cast<std::uint16_t>((address * 2654435761u) >> 16));
        return CSimReply{Num(address) + ";" + Num(value)};
    }
    if (text == "ACBat")
        return CSimReply{"Bat;" + Num(batteryMv - 138) + ";" + Num(batteryMv - 200)};
    if (text == "ACSense") {
        // The sensors at rest, then their maxima: the strongest recorded events.
        std::uint32_t maxA = 0;
        std::uint32_t maxB = 0;
        for (const CSimEvent& e : events) {
            std::uint32_t& max = e.sensor == 'A' ? maxA : maxB;
            max = std::max(max, e.valueMille);
        }
        return CSimReply{"Sense;12;9\n" + Num(maxA) + ";" + Num(maxB)};
    }
    if (text == "ACHistory") {
        QByteArray history = "History";
        for (int i = 0; i < 12; ++i)
            history += "\n" + Num(qint64(i) * 7200) + ";" + Num(batteryMv + 60 - i * 11);
        return CSimReply{history};
    }
    if (text.startsWith("TH")) {
        bool ok = false;
        const uint mask = text.mid(2).toUInt(&ok);
        return CSimReply{ok ? "TH;" + Num(mask) + ";OK" : QByteArray("E;INV_CMD")};
    }
    if (text == "UPKelvora") {
        inLoader = true;
        loaderRecords = 0;
        return CSimReply{"1", true};
    }
    return CSimReply{"E;INV_CMD"};
}

QByteArray CSimModule::InfoReply() const {
    return version + "\n" + moduleId + "\n0\n" + info + "\n" + Num(batteryMv) + "\n" +
           Num(hwVariant) + "\n" + Num(events.size()) + ";" + Num(eventsRead ? 1 : 0) +
           "\nLoader;770;1\nDiag;0;0";
}

QByteArray CSimModule::ParamsReply() const {
    QByteArray reply;
    for (int i = 0; i < int(params.size()); ++i)
        reply += (i ? "\n" : "") + Num(i) + ";" + Num(params[i]);
    return reply;
}

std::optional<CSimReply> CSimModule::SetValues(const QByteArray& args) {
    const QList<QByteArray> fields = args.split(';');
    bool ok = fields.size() >= 2;
    const int first = ok ? fields[0].toInt(&ok) : 0;
    const int count = ok ? fields[1].toInt(&ok) : 0;
    ok = ok && first >= 0 && count >= 0 && first + count <= int(params.size()) &&
         fields.size() >= 2 + count;
    QList<std::uint16_t> values;
    for (int i = 0; ok && i < count; ++i) {
        const uint v = fields[2 + i].toUInt(&ok);
        ok = ok && v <= 0xFFFF;
        values.append(static_cast<std::uint16_t>(v));
    }
    if (!ok)
        return CSimReply{"E;INV_CMD"};
    for (int i = 0; i < count; ++i)
        params[first + i] = values[i];
    return CSimReply{ParamsReply()};
}

QByteArray CSimModule::DataReply() const {
    const QDateTime now = QDateTime::currentDateTime();
    const std::uint32_t clock = ClockAt(now);
    QByteArray reply = "ID;" + moduleId + "\nVersion;3.2\nGelesen;" + Num(eventsRead ? 1 : 0) +
                       "\nMotor;2\nRel. Zeit;" + Num(clock) + ";4294967295;0\nTotal;" +
                       Num(kEventCapacity) + "\nBenutzt;" + Num(events.size()) + "\nErsetzt;0\n";
    const std::uint32_t samples = 12;
    const std::uint32_t interval = 7200;
    reply +=
        "Akkuspannung [mV];0;0;" + Num(clock - samples * interval) + ";" + Num(interval) + "\n";
    for (std::uint32_t i = 0; i < samples; ++i)
        reply += Num(batteryMv + 90 - i * 8) + ";" + Num(batteryMv + 70 - i * 8) + ";" +
                 Num(21 + i % 3) + "\n";
    reply += "0;0;0\nIndex;Dauer;Zeit;Sensor;Wert;Feedback;ms;Ausschluss;Akku\n";
    int index = 1;
    for (const CSimEvent& e : events) {
        reply += Num(index++) + ";" + Num(e.durationMs) + ";" + Num(e.endSeconds) + ";" +
                 QByteArray(1, e.sensor) + ";" + Num(e.valueMille) + ";" +
                 (e.feedback ? QByteArray(1, e.feedback) : QByteArray()) + ";" + Num(e.endMillis) +
                 ";" + (e.excluded ? "X" : "") + ";" + Num(e.batteryClass) + "\n";
    }
    reply.chop(1);
    return reply;
}
