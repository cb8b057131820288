#include "CDataArray.h"
#include "CDataFile.h"
#include "CModuleList.h"
#include "CliCommands.h"
#include "Prepare.h"
#include "Texts.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTextStream>

#include <optional>

namespace {

constexpr std::uint32_t kMinimumVersion = 768;

struct ReportOptions {
    bool testBursts = true;
    std::optional<QDate> from1, until1, from2, until2;
    QString base, module;
    QStringList files;
    QString csv, events;
};

std::int64_t ThreePmOnDate(QDate date) {
    return QDateTime(date, QTime(15, 0)).toSecsSinceEpoch();
}

// Reads the arguments of report; an error text when they do not fit.
QString ParseReportArgs(const QStringList& args, ReportOptions& options) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QStringLiteral("--no-test-bursts")) {
            options.testBursts = false;
            continue;
        }
        if (!arg.startsWith(QStringLiteral("--"))) {
            options.files.append(arg);
            continue;
        }
        if (i + 1 >= args.size())
            return QStringLiteral("%1 needs a value").arg(arg);
        const QString value = args[++i];
        std::optional<QDate>* date = arg == QStringLiteral("--from")     ? &options.from1
                                     : arg == QStringLiteral("--until")  ? &options.until1
                                     : arg == QStringLiteral("--from2")  ? &options.from2
                                     : arg == QStringLiteral("--until2") ? &options.until2
                                                                         : nullptr;
        if (date) {
            const QDate parsed = QDate::fromString(value, QStringLiteral("yyyy-MM-dd"));
            if (!parsed.isValid())
                return QStringLiteral("%1: '%2' is not a date YYYY-MM-DD").arg(arg, value);
            *date = parsed;
        } else if (arg == QStringLiteral("--base")) {
            options.base = value;
        } else if (arg == QStringLiteral("--module")) {
            options.module = value;
        } else if (arg == QStringLiteral("--csv")) {
            options.csv = value;
        } else if (arg == QStringLiteral("--events")) {
            options.events = value;
        } else {
            return QStringLiteral("unknown option %1").arg(arg);
        }
    }
    const bool folderMode = !options.base.isEmpty() || !options.module.isEmpty();
    if (folderMode && (options.base.isEmpty() || options.module.isEmpty()))
        return QStringLiteral("--base and --module go together");
    if (folderMode == !options.files.isEmpty())
        return QStringLiteral("give either --base DIR --module NAME or data files");
    if (!folderMode && (options.from1 || options.until1 || options.from2 || options.until2))
        return QStringLiteral("time ranges need --base and --module");
    return {};
}

// Opens and validates a data file; false with the reason on stderr.
bool OpenValid(CDataFile& file, const QString& path) {
    if (!file.Open(path)) {
        QTextStream(stderr) << QStringLiteral("Cannot read %1").arg(path) << '\n';
        return false;
    }
    QString message;
    if (!file.Validate(kMinimumVersion, message)) {
        QTextStream(stderr) << message << '\n';
        return false;
    }
    return true;
}

void LoadFiles(const QStringList& paths, CDataArray& events) {
    CDataFile file;
    for (const QString& path : paths) {
        if (OpenValid(file, path))
            events.LoadFile(file, std::nullopt);
    }
}

// Loads the selected files of a module folder as the graphs window does. False: no data.
bool LoadModule(const ReportOptions& options, CDataArray& events) {
    CModuleList modules;
    if (!modules.Load(options.base, options.module))
        return false;
    CTimeRange range1 = modules.Current()->range1;
    CTimeRange range2 = modules.Current()->range2;
    if (options.from1)
        range1.start = ThreePmOnDate(*options.from1);
    if (options.until1)
        range1.end = ThreePmOnDate(*options.until1);
    if (options.from2)
        range2.start = ThreePmOnDate(*options.from2);
    if (options.until2)
        range2.end = ThreePmOnDate(*options.until2);
    modules.SetRange(1, range1);
    modules.SetRange(2, range2);

    CDataFile file;
    for (const CFileInfo& info : modules.Files().Files()) {
        if (!info.selected || !OpenValid(file, info.path))
            continue;
        events.LoadFile(file, range1);
        events.LoadFile(file, range2);
    }
    return true;
}

QString Real(double value) {
    return QString::number(value, 'f', 3);
}

void WriteNights(QTextStream& out, const CDataArray& events) {
    out << "night,startSeconds,endSeconds,nightSeconds,events,countA,countB,countBoth,episodes,"
           "eventsPerEpisode,maxDurationMs,avgDurationMs,totalSeconds,eventsPerHour,"
           "durationPerHour,class0,class1,class2,class3\n";
    const CStartEndArray& nights = events.Nights();
    for (int k = 0; k < nights.GetCount(); ++k) {
        const CStats& s = nights.At(k);
        out << k << ',' << s.startSeconds << ',' << s.endSeconds << ',' << s.nightSeconds << ','
            << s.Events() << ',' << s.countA << ',' << s.countB << ',' << s.countBoth << ','
            << s.episodes << ',' << Real(s.eventsPerEpisode) << ',' << s.maxDurationMs << ','
            << s.avgDurationMs << ',' << Real(s.totalSeconds) << ',' << Real(s.eventsPerHour) << ','
            << Real(s.durationPerHour) << ',' << s.classCount[0] << ',' << s.classCount[1] << ','
            << s.classCount[2] << ',' << s.classCount[3] << '\n';
    }
}

void WriteEvents(QTextStream& out, const CDataArray& events) {
    out << "index,startMs,durationMs,sensorFlags,valueMille,feedback,kind,batteryClass,counted\n";
    for (int i = 0; i < events.GetCount(); ++i) {
        const CData& d = *events.GetAt(i);
        out << i << ',' << d.startMs << ',' << d.durationMs << ',' << d.sensorFlags << ','
            << d.valueMille << ',' << d.feedback << ',' << d.kind << ',' << d.batteryClass << ','
            << (d.IsCounted() ? 1 : 0) << '\n';
    }
}

// Writes to the file at target, or to stdout for "-". False when the file cannot be written.
bool WriteOutput(const QString& target, const CDataArray& events,
                 void (*write)(QTextStream&, const CDataArray&)) {
    if (target == QStringLiteral("-")) {
        QTextStream out(stdout);
        write(out, events);
        return true;
    }
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    write(out, events);
    out.flush();
    return file.error() == QFile::NoError;
}

int Report(const CliOptions&, const QStringList& args) {
    ReportOptions options;
    if (const QString error = ParseReportArgs(args, options); !error.isEmpty())
        return UsageError(error);

    CDataArray events;
    if (options.files.isEmpty()) {
        if (!LoadModule(options, events))
            return Failure(LoadText(210));
    } else {
        LoadFiles(options.files, events);
    }
    Prepare(events, options.testBursts);
    if (events.GetCount() == 0)
        return Failure(LoadText(210));
    events.Nights().ComputeAll();

    if (options.csv.isEmpty() && options.events.isEmpty())
        options.csv = QStringLiteral("-");
    for (const auto& [target, write] :
         {std::pair{options.csv, &WriteNights}, std::pair{options.events, &WriteEvents}}) {
        if (!target.isEmpty() && !WriteOutput(target, events, write))
            return Failure(QStringLiteral("Cannot write %1").arg(target));
    }
    return EXIT_OK;
}

} // namespace

QList<CliCommand> DataCommands() {
    return {
        {"report",
         "[--no-test-bursts] [--from D --until D] [--from2 D --until2 D]\n"
         "       (--base DIR --module NAME | FILE...) [--csv OUT] [--events OUT]",
         "Loads data files as \"Create graphs\" does and writes the nightly statistics (--csv)\n"
         "and the prepared events (--events) as CSV to OUT, a file or '-' for stdout (the\n"
         "statistics to stdout when neither is given). FILE...: every event of the files.\n"
         "--base/--module: the module's files; range 1 defaults to all its data, range 2 to\n"
         "none; D (YYYY-MM-DD) sets a range limit to 3:00 pm on that day.",
         Report},
    };
}
