#include "base/Texts.h"
#include "cli/CliCommands.h"
#include "data/CDataArray.h"
#include "data/CModuleList.h"
#include "data/MergerStore.h"
#include "data/NameIndex.h"
#include "data/NightsCsv.h"
#include "data/Prepare.h"
#include "graphs/ExportImage.h"
#include "graphs/GraphResources.h"
#include "graphs/PrintWin.h"
#include "graphs/Series.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QSet>
#include <QTextStream>

#include <charconv>
#include <optional>
#include <vector>

namespace {

constexpr std::uint32_t kMinimumVersion = 768;

struct ReportOptions {
    bool testBursts = true;
    std::optional<QDate> from1, until1, from2, until2;
    QString base, module;
    QStringList files;
    QString csv, events;
    // Diagrams: PNG folder, PDF file, line diagrams, class counts on the events bars, the
    // diagram area (width 0: as wide as each diagram).
    QString png, pdf;
    bool lines = false;
    bool extra = false;
    int width = 0;
    int height = 800;
};

std::int64_t ThreePmOnDate(QDate date) {
    return QDateTime(date, QTime(15, 0)).toSecsSinceEpoch();
}

// Reads the arguments of report; an error text when they do not fit.
QString ParseReportArgs(const QStringList& args, ReportOptions& options) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QStringLiteral("--no-test-bursts") || arg == QStringLiteral("--lines") ||
            arg == QStringLiteral("--extra")) {
            options.testBursts = options.testBursts && arg != QStringLiteral("--no-test-bursts");
            options.lines = options.lines || arg == QStringLiteral("--lines");
            options.extra = options.extra || arg == QStringLiteral("--extra");
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
        } else if (arg == QStringLiteral("--png")) {
            options.png = value;
        } else if (arg == QStringLiteral("--pdf")) {
            options.pdf = value;
        } else if (arg == QStringLiteral("--width") || arg == QStringLiteral("--height")) {
            bool ok = false;
            const int size = value.toInt(&ok);
            if (!ok || size < 100 || size > 20000)
                return QStringLiteral("%1: '%2' is not a size of 100 to 20000 px").arg(arg, value);
            (arg == QStringLiteral("--width") ? options.width : options.height) = size;
        } else if (arg == QStringLiteral("--lang")) {
            if (value != QStringLiteral("de") && value != QStringLiteral("en"))
                return QStringLiteral("--lang: '%1' is neither de nor en").arg(value);
            SetLanguage(LanguageForCode(value));
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

// Loads the events of the files at paths that overlap the ranges (std::nullopt: all of them);
// the files that cannot be read or fail the version check are reported on stderr, in order.
void LoadFiles(CDataArray& events, const QStringList& paths,
               const std::vector<std::optional<CTimeRange>>& ranges) {
    const QList<CFileLoad> loads = events.LoadFiles(paths, ranges, kMinimumVersion);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const CFileLoad& load = loads[i];
        if (!load.opened && load.message.isEmpty())
            QTextStream(stderr) << QStringLiteral("Cannot read %1").arg(paths[i]) << '\n';
        else if (!load.valid)
            QTextStream(stderr) << load.message << '\n';
    }
}

// Loads the selected files of a module folder as the graphs window does: --module names the
// module by its ID or by the name the device name index gives it. False: no data. The data
// files of the folder are the inputs, whether selected or not.
bool LoadModule(const ReportOptions& options, CDataArray& events, QStringList& inputs) {
    LoadNameIndex(options.base);
    CModuleList modules(NameOrId);
    if (!modules.Load(options.base, options.module))
        return false;
    inputs = DataFilesIn(QDir(options.base).filePath(modules.Current()->name));
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

    QStringList selected;
    for (const CFileInfo& info : modules.Files().Files()) {
        if (info.selected)
            selected.append(info.path);
    }
    LoadFiles(events, selected, {range1, range2});
    return true;
}

void WriteNights(QTextStream& out, const CDataArray& events) {
    WriteNightsCsv(out, events.Nights());
}

// The numbers are formatted by hand and handed over in large pieces: formatting them one by
// one through the stream took longer than loading the events.
void WriteEvents(QTextStream& out, const CDataArray& events) {
    out << "index,startMs,durationMs,sensorFlags,valueMille,feedback,kind,batteryClass,counted\n";
    constexpr std::size_t kPiece = std::size_t{1} << 16;
    constexpr std::size_t kLongestLine = 9 * 21;
    std::vector<char> piece(kPiece + kLongestLine);
    char* end = piece.data();
    const auto put = [&end](auto number, char after) {
        end = std::to_chars(end, end + 21, number).ptr;
        *end++ = after;
    };
    for (int i = 0; i < events.GetCount(); ++i) {
        const CData& d = *events.GetAt(i);
        put(i, ',');
        put(d.startMs, ',');
        put(d.durationMs, ',');
        put(d.sensorFlags, ',');
        put(d.valueMille, ',');
        put(d.feedback, ',');
        put(d.kind, ',');
        put(d.batteryClass, ',');
        put(d.IsCounted() ? 1 : 0, '\n');
        if (end - piece.data() >= qsizetype(kPiece) || i + 1 == events.GetCount()) {
            out << QLatin1StringView(piece.data(), end - piece.data());
            end = piece.data();
        }
    }
}

// An output file that is one of the input data files would destroy them: the option that
// names it, or empty. Files are compared by their canonical paths; an output that does not
// exist yet is none of them.
QString OverwritesInput(const QList<std::pair<QString, QString>>& outputs,
                        const QStringList& inputs) {
    QSet<QString> canonical;
    for (const QString& input : inputs)
        canonical.insert(QFileInfo(input).canonicalFilePath());
    for (const auto& [option, target] : outputs) {
        const QString path = QFileInfo(target).canonicalFilePath();
        if (!target.isEmpty() && target != QStringLiteral("-") && !path.isEmpty() &&
            canonical.contains(path))
            return QStringLiteral("%1 %2 is one of the input data files").arg(option, target);
    }
    return {};
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

// What a diagram area of the given width shows at scroll position 0; the image itself when
// the area takes the diagram's own width.
QImage ShownImage(CGraph& graph, const ReportOptions& options) {
    if (options.width == 0)
        return graph.Render();
    QImage view(graph.rect.size(), QImage::Format_RGB32);
    QPainter painter(&view);
    graph.Present(painter, 0);
    return view;
}

// Draws the five diagrams of the nights and writes them as PNG files into options.png (made
// when missing) and as one PDF document (A4 landscape, 300 dpi) to options.pdf. The first file
// that cannot be written ends it, with one message.
int WriteDiagrams(const ReportOptions& options, const CStatsArray& nights) {
    GraphResources::Create();
    GraphData data(nights);
    data.name = NightsName(nights);
    data.extraInfo = options.extra;
    Graphs graphs = CreateGraphs(data);
    for (auto& graph : graphs) {
        graph->kind = options.lines ? 0 : 1;
        graph->rect = QRect(0, 0, options.width == 0 ? 1 : options.width, options.height);
        graph->Layout();
    }
    if (!options.png.isEmpty()) {
        if (!QDir().mkpath(options.png))
            return Failure(QStringLiteral("Cannot create %1").arg(options.png));
        bool saved = true;
        if (options.width == 0) {
            QList<CGraph*> whole;
            for (auto& graph : graphs)
                whole.append(graph.get());
            saved = SaveImages(whole, options.png);
        } else {
            for (int tab = 0; tab < kGraphCount && saved; ++tab)
                saved = SaveImage(ShownImage(*graphs[tab], options),
                                  ImageFileName(options.png, data.name, graphs[tab]->kind, tab));
        }
        if (!saved)
            return EXIT_FAILED;
    }
    if (options.pdf.isEmpty())
        return EXIT_OK;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(options.pdf);
    printer.setResolution(300);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    CPrintWin job(printer);
    if (!job.StartJob())
        return Failure(QStringLiteral("Cannot write %1").arg(options.pdf));
    for (auto& graph : graphs)
        job.PrintImage(ShownImage(*graph, options));
    return EXIT_OK;
}

// For the length of a report: the gap settings of the settings store, as the program uses
// them (missing values are written back with their defaults), and messages on stderr.
class CReportSetup {
public:
    CReportSetup() {
        SetMergerSettings(&m_gaps);
        SetMessageBoxHandler([](const QString& text, unsigned, const QString&) {
            QTextStream(stderr) << text << '\n';
            return int(IDOK);
        });
    }
    ~CReportSetup() {
        SetMessageBoxHandler(nullptr);
        SetMergerSettings(nullptr);
    }
    CReportSetup(const CReportSetup&) = delete;
    CReportSetup& operator=(const CReportSetup&) = delete;

private:
    CRegMergerSettings m_gaps;
};

int Report(const CliOptions&, const QStringList& args) {
    ReportOptions options;
    if (const QString error = ParseReportArgs(args, options); !error.isEmpty())
        return UsageError(error);

    const CReportSetup setup;
    CDataArray events;
    QStringList inputs = options.files;
    if (options.files.isEmpty()) {
        if (!LoadModule(options, events, inputs))
            return Failure(LoadText(TXT_NO_DATA));
    } else {
        LoadFiles(events, options.files, {std::nullopt});
    }
    Prepare(events, options.testBursts);
    if (events.GetCount() == 0)
        return Failure(LoadText(TXT_NO_DATA));
    events.Nights().ComputeAll();

    if (options.csv.isEmpty() && options.events.isEmpty() && options.png.isEmpty() &&
        options.pdf.isEmpty())
        options.csv = QStringLiteral("-");
    QList<std::pair<QString, QString>> outputs{{QStringLiteral("--csv"), options.csv},
                                               {QStringLiteral("--events"), options.events},
                                               {QStringLiteral("--pdf"), options.pdf}};
    for (int tab = 0; tab < kGraphCount && !options.png.isEmpty(); ++tab)
        outputs.append(
            {QStringLiteral("--png"),
             ImageFileName(options.png, NightsName(events.Nights()), options.lines ? 0 : 1, tab)});
    if (const QString clash = OverwritesInput(outputs, inputs); !clash.isEmpty())
        return UsageError(clash);
    for (const auto& [target, write] :
         {std::pair{options.csv, &WriteNights}, std::pair{options.events, &WriteEvents}}) {
        if (!target.isEmpty() && !WriteOutput(target, events, write))
            return Failure(QStringLiteral("Cannot write %1").arg(target));
    }
    if (options.png.isEmpty() && options.pdf.isEmpty())
        return EXIT_OK;
    return WriteDiagrams(options, events.Nights());
}

} // namespace

QList<CliCommand> DataCommands() {
    return {
        {"report",
         "[--no-test-bursts] [--from D --until D] [--from2 D --until2 D]\n"
         "       (--base DIR --module NAME | FILE...) [--csv OUT] [--events OUT]\n"
         "       [--png DIR] [--pdf FILE] [--lines] [--extra] [--width W] [--height H]\n"
         "       [--lang de|en]",
         "Loads data files as \"Create graphs\" does and writes the nightly statistics (--csv)\n"
         "and the prepared events (--events) as CSV to OUT, a file or '-' for stdout (the\n"
         "statistics to stdout when neither is given). FILE...: every event of the files.\n"
         "--base/--module: the files of the module (its ID or its name in DIR/VM_ID.Index);\n"
         "range 1 defaults to all its data, range 2 to none; D (YYYY-MM-DD) sets a range limit\n"
         "to 3:00 pm on that day. The gap settings ([DataMerger]) apply as in the program.\n"
         "--png DIR saves the five diagrams as NAME_Bar_Graph_0.png ... _4.png (NAME: the first\n"
         "and last night's dates; DIR is made when missing), --pdf FILE prints them on A4\n"
         "landscape pages; no CSV then unless asked for. An input data file is never an output. "
         "--lines: line diagrams; --extra: class counts on the events bars;\n"
         "--width/--height: the diagram area in px (default: each diagram's own width, 800 high;\n"
         "a narrower area shows what a window of that size shows); --lang: language of the texts.",
         Report},
    };
}
