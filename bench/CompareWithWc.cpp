// Times the whole "veltrum-cli report" over a module folder, both CSV files written, against
// "wc -l" over the same data files, alternately in one run, and prints both medians and their
// ratio: what reading the files costs at least, and what the report adds to it.
//
// veltrum-bench-compare DIR [MODULE] [RUNS] [CLI]
//   MODULE defaults to M0001, RUNS to 5, CLI to the veltrum-cli of this build.

#include "data/CFileList.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <sys/resource.h>

namespace {

// The first number of /proc/loadavg: how busy the machine was over the last minute.
QString LoadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readLine()).section(u' ', 0, 0);
}

// Runs a program to its end with its output discarded; the wall-clock seconds, or -1 when it
// failed.
double Seconds(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e9;
}

double Median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "Usage: veltrum-bench-compare DIR [MODULE] [RUNS] [CLI]\n";
        return 2;
    }
    const QString base = args[1];
    const QString module = args.size() > 2 ? args[2] : QStringLiteral("M0001");
    const int runs = args.size() > 3 ? std::max(1, args[3].toInt()) : 5;
    const QString cli = args.size() > 4 ? args[4] : QStringLiteral(VELTRUM_CLI);
    const QStringList files = DataFilesIn(QDir(base).filePath(module));
    QTextStream out(stdout);
    if (files.isEmpty()) {
        out << "No data files in " << QDir(base).filePath(module) << '\n';
        return 1;
    }
    QTemporaryDir outputs;
    const QStringList wcArgs = QStringList{QStringLiteral("-l")} + files;
    const QStringList reportArgs{QStringLiteral("report"),
                                 QStringLiteral("--base"),
                                 base,
                                 QStringLiteral("--module"),
                                 module,
                                 QStringLiteral("--csv"),
                                 outputs.filePath(QStringLiteral("nights.csv")),
                                 QStringLiteral("--events"),
                                 outputs.filePath(QStringLiteral("events.csv"))};

    out << files.size() << " data files; load average " << LoadAverage() << '\n';
    out.flush();
    // One round of each first, so that both find the files in the cache.
    if (Seconds(QStringLiteral("wc"), wcArgs) < 0 || Seconds(cli, reportArgs) < 0) {
        out << "wc or " << cli << " failed\n";
        return 1;
    }
    QList<double> wc;
    QList<double> report;
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(3);
    for (int run = 0; run < runs; ++run) {
        wc.append(Seconds(QStringLiteral("wc"), wcArgs));
        report.append(Seconds(cli, reportArgs));
        if (wc.last() < 0 || report.last() < 0) {
            out << "wc or " << cli << " failed\n";
            return 1;
        }
        out << "run " << run + 1 << ": wc -l " << wc.last() << " s, report " << report.last()
            << " s\n";
        out.flush();
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const double wcMedian = Median(wc);
    const double reportMedian = Median(report);
    out << "median of " << runs << ": wc -l " << wcMedian << " s, report " << reportMedian
        << " s, ratio ";
    out.setRealNumberPrecision(1);
    out << reportMedian / wcMedian << "; report max RSS " << usage.ru_maxrss / 1024
        << " MB; load average " << LoadAverage() << '\n';
    return 0;
}
