// Times the work of "veltrum-cli report --base DIR --module NAME" phase by phase, and the
// module and file lists that the time-range dialog reads first.
//
// veltrum-bench-report DIR [MODULE] [THREADS]
//   THREADS: the threads that read and parse the files (default: one per core).

#include "data/CDataArray.h"
#include "data/CDataFile.h"
#include "data/CModuleList.h"
#include "data/Prepare.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QThreadPool>

namespace {

double Ms(qint64 ns) {
    return ns / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "Usage: veltrum-bench-report DIR [MODULE] [THREADS]\n";
        return 2;
    }
    const QString module = args.size() > 2 ? args[2] : QStringLiteral("M0001");
    if (args.size() > 3)
        QThreadPool::globalInstance()->setMaxThreadCount(std::max(1, args[3].toInt()));
    QTextStream out(stdout);
    QElapsedTimer timer;

    timer.start();
    CModuleList modules;
    if (!modules.Load(args[1], module)) {
        out << "No data.\n";
        return 1;
    }
    const qint64 lists = timer.nsecsElapsed();

    QStringList paths;
    for (const CFileInfo& info : modules.Files().Files()) {
        if (info.selected)
            paths.append(info.path);
    }
    timer.restart();
    CDataArray events;
    events.LoadFiles(paths, {modules.Current()->range1, modules.Current()->range2}, 768);
    const qint64 load = timer.nsecsElapsed();
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

    qint64 lines = 0;
    for (const CFileInfo& info : modules.Files().Files()) {
        CDataFile file;
        if (info.selected && file.Open(info.path))
            lines += file.used;
    }
    const qint64 total = lists + load + duplicates + sort + nights + statistics;
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(1);
    out << "files " << modules.Files().Files().size() << ", event lines " << lines << ", loaded "
        << loaded << ", distinct " << events.GetCount() << ", nights " << events.GetNightCount()
        << "; " << QThreadPool::globalInstance()->maxThreadCount() << " threads\n";
    out << "module and file lists " << Ms(lists) << " ms, load (read and parse) " << Ms(load)
        << " ms, duplicates " << Ms(duplicates) << " ms, sort " << Ms(sort) << " ms, nights "
        << Ms(nights) << " ms, statistics " << Ms(statistics) << " ms\n";
    out << "report " << Ms(total) << " ms, " << (lines / (total / 1e9)) / 1e6
        << " million event lines per second\n";
    return 0;
}
