// Times rendering and saving the five diagrams of many nights, as "Save all graphs" does after
// the graphs window has laid them out.
//
// veltrum-bench-graphs [NIGHTS] [RUNS]

#include "data/CDataArray.h"
#include "graphs/ExportImage.h"
#include "graphs/Series.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int count = args.size() > 1 ? args[1].toInt() : 1100;
    const int runs = args.size() > 2 ? args[2].toInt() : 3;

    // Nights of a plausible three years: 0..120 events of 300..4,000 ms, a few low batteries.
    CDataArray events;
    CStartEndArray nights(events);
    QRandomGenerator random(7);
    const std::int64_t first = QDateTime(QDate(2024, 1, 1), QTime(7, 0)).toSecsSinceEpoch();
    for (int k = 0; k < count; ++k) {
        nights.AddNightStart(k);
        CStats& night = nights.At(k);
        night.endSeconds = first + std::int64_t(k) * 86'400;
        night.startSeconds = night.endSeconds - 8 * 3600;
        night.countA = random.bounded(120);
        night.classCount[k % 50 == 0 ? 0 : k % 20 == 0 ? 1 : 3] = night.countA;
        night.maxDurationMs = 300 + random.bounded(3700);
        night.avgDurationMs = 300 + random.bounded(night.maxDurationMs - 299);
        night.totalSeconds = night.countA * night.avgDurationMs / 1000.0;
    }

    GraphResources::Create();
    QTemporaryDir dir;
    QTextStream out(stdout);
    out << "nights  measure  layout  draw and save  total (ms), five diagrams\n";
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        GraphData data(nights);
        data.name = NightsName(nights);
        Graphs graphs = CreateGraphs(data);
        const qint64 measured = timer.nsecsElapsed();
        for (auto& graph : graphs)
            graph->Layout();
        const qint64 laidOut = timer.nsecsElapsed();
        QList<CGraph*> all;
        for (auto& graph : graphs)
            all.append(graph.get());
        SaveImages(all, dir.path());
        const qint64 saved = timer.nsecsElapsed();
        out << count << "  " << measured / 1e6 << "  " << (laidOut - measured) / 1e6 << "  "
            << (saved - laidOut) / 1e6 << "  " << saved / 1e6 << "   (" << graphs[0]->width << " x "
            << graphs[0]->Height() << " px each)\n";
        out.flush();
    }
    return 0;
}
