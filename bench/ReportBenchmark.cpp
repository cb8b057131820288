// Times the work of "veltrum-cli report --base DIR --module NAME" phase by phase, and the
// module and file lists that the time-range dialog reads first.
//
// veltrum-bench-report DIR [MODULE]

#include "data/CDataArray.h"
#include "data/CDataFile.h"
#include "data/CModuleList.h"
#include "data/Prepare.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

namespace {

double Ms(qint64 ns) {
    return ns / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "Usage: veltrum-bench-report DIR [MODULE]\n";
        return 2;
    }
    const QString module = args.size() > 2 ? args[2] : QStringLiteral("M0001");
    QTextStream out(stdout);
    QElapsedTimer timer;

    timer.start();
    CModuleList modules;
    if (!modules.Load(args[1], module)) {
        out << "No data.\n";
        return 1;
    }
    const qint64 lists = timer.nsecsElapsed();

    timer.restart();
    qint64 read = 0;
    qint64 parse = 0;
    qint64 lines = 0;
    CDataArray events;
    CDataFile file;
    const CTimeRange range1 = modules.Current()->range1;
    const CTimeRange range2 = modules.Current()->range2;
    for (const CFileInfo& info : modules.Files().Files()) {
        if (!info.selected)
            continue;
        QElapsedTimer phase;
        phase.start();
        QString message;
        if (!file.Open(info.path) || !file.Validate(768, message))
            continue;
        read += phase.nsecsElapsed();
        phase.restart();
        events.LoadFile(file, range1);
        events.LoadFile(file, range2);
        parse += phase.nsecsElapsed();
        lines += file.used;
    }
    const int loaded = events.GetCount();

    timer.restart();
    events.RemoveDuplicates();
    const qint64 duplicates = timer.nsecsElapsed();
    timer.restart();
    events.Sort();
    const qint64 sort = timer.nsecsElapsed();
    timer.restart();
    Classify(events, true);
    const qint64 nights = timer.nsecsElapsed();
    timer.restart();
    events.Nights().ComputeAll();
    const qint64 statistics = timer.nsecsElapsed();

    const qint64 total = read + parse + duplicates + sort + nights + statistics;
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(1);
    out << "files " << modules.Files().Files().size() << ", event lines " << lines << ", loaded "
        << loaded << ", distinct " << events.GetCount() << ", nights " << events.GetNightCount()
        << '\n';
    out << "module and file lists " << Ms(lists) << " ms\n";
    out << "read " << Ms(read) << " ms, parse " << Ms(parse) << " ms, duplicates " << Ms(duplicates)
        << " ms, sort " << Ms(sort) << " ms, nights " << Ms(nights) << " ms, statistics "
        << Ms(statistics) << " ms\n";
    out << "report " << Ms(total) << " ms, " << (lines / (total / 1e9)) / 1e6
        << " million event lines per second\n";
    return 0;
}
