// Writes a module folder as years of nightly downloads would leave it: one data file per day,
// each holding the device's whole event memory, so consecutive files repeat most events.
//
// veltrum-gen-data DIR [DAYS] [EVENTS_PER_NIGHT] [MEMORY]
//   DIR/M0001/<date>.kmM, DAYS files (default 1100), EVENTS_PER_NIGHT (default 100) events
//   per night, the device keeping its last MEMORY (default 2700) events.

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>

#include <deque>

namespace {

struct Event {
    std::uint64_t endSeconds; // device seconds counter at the event's end
    std::uint32_t endMillis;
    std::uint32_t durationMs;
    char sensor;
    std::uint32_t value;
    char feedback;
};

constexpr std::int64_t kFirstDownload = 1704096000; // 2024-01-01 08:00:00 UTC
constexpr std::uint64_t kCounterAtFirst = 5'000'000;

QByteArray FileText(std::int64_t downloadTime, std::uint64_t relNow,
                    const std::deque<Event>& memory) {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(downloadTime);
    QByteArray text;
    text.reserve(static_cast<qsizetype>(memory.size()) * 48 + 1024);
    text += local.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")).toLatin1() + '\t' +
            QByteArray::number(downloadTime) + "\r\n";
    text += "ID\tM0001\r\nVersion\t3.0\r\nVM Lader\t1.2\r\nLadebox\tCB0042\t2.3\r\n"
            "Veltrum Version 4.6.0\tbench\r\nGelesen\t0\r\nMotor\t2\r\n";
    text += "Rel. Zeit\t" + QByteArray::number(relNow) + "\t4294967295\t0\r\n";
    text += "Total\t4000\r\nBenutzt\t" + QByteArray::number(qsizetype(memory.size())) +
            "\r\nErsetzt\t0\r\nAkkuspannung [mV]\t1\t2\t3600\t7200\r\n3900\t1\t2\r\n0\t0\t0\r\n"
            "Index\tDauer\tZeit\tSensor\tWert\tFB\tms\tX\tAkku\r\n";
    int index = 1;
    for (const Event& e : memory) {
        text += QByteArray::number(index) + '\t' + QByteArray::number(e.durationMs) + '\t' +
                QByteArray::number(e.endSeconds) + '\t' + e.sensor + '\t' +
                QByteArray::number(e.value) + '\t' + e.feedback + '\t' +
                QByteArray::number(e.endMillis) + "\t\t" + QByteArray::number(index % 4) + "\r\n";
        ++index;
    }
    return text;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "Usage: veltrum-gen-data DIR [DAYS] [EVENTS_PER_NIGHT] [MEMORY]\n";
        return 2;
    }
    const int days = args.size() > 2 ? args[2].toInt() : 1100;
    const int perNight = args.size() > 3 ? args[3].toInt() : 100;
    const std::size_t memorySize = args.size() > 4 ? args[4].toUInt() : 2700;
    const QDir folder(QDir(args[1]).filePath(QStringLiteral("M0001")));
    if (!QDir().mkpath(folder.path()))
        return 1;

    QRandomGenerator random(1);
    std::deque<Event> memory;
    qint64 bytes = 0;
    qint64 lines = 0;
    for (int day = 0; day < days; ++day) {
        // The night before the download: test bursts at 22:00, events until 6:00, end bursts.
        const std::uint64_t night = kCounterAtFirst + std::uint64_t(day) * 86400 - 36000;
        const auto add = [&](std::uint64_t at, char sensor, std::uint32_t duration) {
            memory.push_back({at, random.bounded(1000u), duration, sensor,
                              100 + random.bounded(400u), random.bounded(3u) ? 'V' : 'L'});
            if (memory.size() > memorySize)
                memory.pop_front();
        };
        add(night, 'A', 500);
        add(night + 5, 'B', 500);
        for (int i = 0; i < perNight; ++i)
            add(night + 60 + std::uint64_t(i) * (28000 / perNight) + random.bounded(50u),
                random.bounded(2u) ? 'A' : 'B', 200 + random.bounded(5000u));
        add(night + 28800, 'A', 500);
        add(night + 28805, 'B', 500);

        const std::int64_t downloadTime = kFirstDownload + std::int64_t(day) * 86400;
        const QByteArray text =
            FileText(downloadTime, kCounterAtFirst + std::uint64_t(day) * 86400, memory);
        const QString name = QDateTime::fromSecsSinceEpoch(downloadTime)
                                 .toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
        QFile file(folder.filePath(name + QStringLiteral(".kmM")));
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return 1;
        bytes += text.size();
        lines += qint64(memory.size());
    }
    QTextStream(stdout) << days << " files, " << lines << " event lines, " << bytes / 1024
                        << " KiB in " << folder.path() << '\n';
    return 0;
}
