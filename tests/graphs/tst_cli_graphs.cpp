#include "support/CliRunner.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

// veltrum-cli report --png/--pdf, run as a program on the data fixtures.
class TestCliGraphs : public QObject {
    Q_OBJECT

private slots:
    void pngFiles_data();
    void pngFiles();
    void pdfPages();
    void failures_data();
    void failures();
    void pngFolderMade();
    void stopsAtFirstFailure_data();
    void stopsAtFirstFailure();
    void pngOverInput();
};

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// veltrum-cli with the arguments, its settings apart from the user's own.
Run Cli(const QStringList& args) {
    static const QTemporaryDir config;
    CliRunner cli;
    cli.env.insert(QStringLiteral("KELVORA_CONFIG_DIR"), config.path());
    cli.env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    cli.env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    cli.env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    cli.env.remove(QStringLiteral("DISPLAY"));
    cli.env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const CliResult r = cli.Run(args, 120000);
    return {r.status, r.out, r.err};
}

// report on the fixture module M1234.
Run Report(const QStringList& args) {
    return Cli(QStringList{QStringLiteral("report"), QStringLiteral("--base"),
                           QStringLiteral(VELTRUM_DATA "/base"), QStringLiteral("--module"),
                           QStringLiteral("M1234")} +
               args);
}

QStringList PngFiles(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
}

} // namespace

void TestCliGraphs::pngFiles_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("size"); // a width of 0: the diagram's own width
    QTest::newRow("bars") << QStringList{} << "Bar" << QSize(0, 800);
    QTest::newRow("lines, German, extra")
        << QStringList{"--lines", "--lang", "de", "--extra"} << "Line" << QSize(0, 800);
    QTest::newRow("area 300 x 500")
        << QStringList{"--width", "300", "--height", "500"} << "Bar" << QSize(300, 500);
}

void TestCliGraphs::pngFiles() {
    QFETCH(QStringList, args);
    QFETCH(QString, kind);
    QFETCH(QSize, size);
    QTemporaryDir dir;
    const Run run = Report(QStringList{"--png", dir.path()} + args);
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.isEmpty()); // no CSV unless asked for
    // In an English locale the dates carry slashes; the file names have "_" instead.
    const QStringList files = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files.size(), 5);
    const QString prefix = files[0].left(files[0].indexOf(QStringLiteral("_-_")));
    QVERIFY2(prefix.count(u'_') == 2, qPrintable(files[0])); // 12_1_26
    for (int tab = 0; tab < 5; ++tab) {
        QVERIFY2(files[tab].endsWith(QStringLiteral("_%1_Graph_%2.png").arg(kind).arg(tab)),
                 qPrintable(files[tab]));
        QVERIFY(files[tab].startsWith(prefix));
        const QImage image(dir.filePath(files[tab]));
        QCOMPARE(image.height(), size.height());
        if (size.width() > 0)
            QCOMPARE(image.width(), size.width());
    }
}

void TestCliGraphs::pdfPages() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("graphs.pdf"));
    const Run run = Report({"--pdf", pdf, "--csv", dir.filePath("nights.csv")});
    QCOMPARE(run.status, 0);
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    // Five nights: every diagram is narrower than a page and takes one.
    QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r"), 5);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("nights.csv"))));
}

void TestCliGraphs::failures_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("folder that cannot be made")
        << QStringList{"--png", "/dev/null/dir"} << 1 << QByteArray("Cannot create /dev/null/dir");
    QTest::newRow("unwritable PDF") << QStringList{"--pdf", "/nonexistent/dir/x.pdf"} << 1
                                    << QByteArray("Cannot write /nonexistent/dir/x.pdf");
    QTest::newRow("language") << QStringList{"--png", "/tmp", "--lang", "fr"} << 2
                              << QByteArray("neither de nor en");
    QTest::newRow("width") << QStringList{"--png", "/tmp", "--width", "wide"} << 2
                           << QByteArray("not a size");
}

void TestCliGraphs::failures() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QByteArray, message);
    const Run run = Report(args);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(message), run.err.constData());
}

void TestCliGraphs::pngFolderMade() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("new/graphs"));
    const Run run = Report({"--png", folder});
    QCOMPARE(run.status, 0);
    QCOMPARE(PngFiles(folder).size(), 5);
}

// Five files that cannot be written (a folder stands in each one's place): the first ends the
// export, with one message.
void TestCliGraphs::stopsAtFirstFailure_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("each diagram's own width") << QStringList{};
    QTest::newRow("an area 300 px wide") << QStringList{"--width", "300"};
}

void TestCliGraphs::stopsAtFirstFailure() {
    QFETCH(QStringList, args);
    QTemporaryDir names;
    QCOMPARE(Report(QStringList{"--png", names.path()} + args).status, 0);
    const QStringList files = PngFiles(names.path());
    QCOMPARE(files.size(), 5);
    QTemporaryDir blocked;
    for (const QString& file : files)
        QVERIFY(QDir(blocked.path()).mkdir(file));
    const Run run = Report(QStringList{"--png", blocked.path()} + args);
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err.count("could not be written"), 1);
    QVERIFY2(run.err.contains(QFile::encodeName(blocked.filePath(files[0]))), run.err.constData());
}

// A data file given as input under the name of one of the diagrams' PNG files is refused as an
// output before anything is written.
void TestCliGraphs::pngOverInput() {
    QTemporaryDir dir;
    const QString module = QStringLiteral(VELTRUM_DATA "/base/M1234/");
    QStringList inputs;
    for (const QString& name : QDir(module).entryList({QStringLiteral("2026-*.k?M")}, QDir::Files))
        inputs.append(module + name);
    QCOMPARE(Cli(QStringList{"report", "--png", dir.path()} + inputs).status, 0);
    const QString victim = dir.filePath(PngFiles(dir.path()).value(2));
    QVERIFY(QFile::remove(victim));
    QVERIFY(QFile::copy(inputs[0], victim)); // its events are in inputs[0] already: same nights
    const Run run = Cli(QStringList{"report", "--png", dir.path(), victim} + inputs);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains("is one of the input data files"), run.err.constData());
    QFile copy(victim);
    QFile original(inputs[0]);
    QVERIFY(copy.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), original.readAll());
}

QTEST_MAIN(TestCliGraphs)
#include "tst_cli_graphs.moc"
