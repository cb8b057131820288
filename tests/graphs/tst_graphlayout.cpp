#include "Nights.h"
#include "base/Texts.h"
#include "graphs/ExportImage.h"
#include "graphs/PrintWin.h"
#include "graphs/Series.h"

#include <QFontMetrics>
#include <QTemporaryDir>
#include <QTest>

// Axis scaling, margins and widths, hit testing, print pages and PNG file names.
class TestGraphLayout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void axis_data();
    void axis();
    void rightAxis_data();
    void rightAxis();
    void widths();
    void hitTest_data();
    void hitTest();
    void eventTexts_data();
    void eventTexts();
    void layoutDialogTexts();
    void pageStrips_data();
    void pageStrips();
    void fileName_data();
    void fileName();
    void saveImage();
};

namespace {

// An unsigned series with the minimum top of the axis examples.
class CTestSeries : public CGraphUInt {
public:
    explicit CTestSeries(GraphData& data)
        : CGraphUInt(data, TXT_GRAPH_EVENTS, TXT_EVENTS_PER_NIGHT) {}
    QString ValueText(int) const override { return {}; }

protected:
    std::uint32_t ElementValue(const CStats& night) const override { return night.countA; }
    std::uint32_t MinimumTop() const override { return 10; }
};

std::unique_ptr<CGraph> MakeSeries(int series, GraphData& data) {
    if (series < 0)
        return std::make_unique<CTestSeries>(data);
    return std::move(CreateGraphs(data)[series]);
}

} // namespace

void TestGraphLayout::initTestCase() {
    SetLanguage(Language::English);
    GraphResources::Create();
}

void TestGraphLayout::axis_data() {
    QTest::addColumn<int>("series"); // -1: minimum top 10, else the tab
    QTest::addColumn<double>("maximum");
    QTest::addColumn<unsigned>("step");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<double>("top");
    QTest::newRow("17, minimum 10") << -1 << 17.0 << 5u << 5 << 25.0;
    QTest::newRow("0, minimum 10") << -1 << 0.0 << 1u << 10 << 10.0;
    QTest::newRow("events 0") << 0 << 0.0 << 5u << 6 << 30.0;
    QTest::newRow("events 100") << 0 << 100.0 << 20u << 8 << 160.0;
    QTest::newRow("events 4e9") << 0 << 4e9 << 10'000'000u << 600 << 6e9;
    QTest::newRow("maximum 2000") << 2 << 2000.0 << 500u << 6 << 3000.0;
    QTest::newRow("maximum 0") << 2 << 0.0 << 200u << 10 << 2000.0;
    QTest::newRow("average 0") << 3 << 0.0 << 100u << 10 << 1000.0;
    QTest::newRow("total 0") << 4 << 0.0 << 1u << 0 << 0.0;
    QTest::newRow("total 3.3") << 4 << 3.3 << 1u << 5 << 5.0;
    QTest::newRow("total 70") << 4 << 70.0 << 20u << 6 << 120.0;
}

void TestGraphLayout::axis() {
    QFETCH(int, series);
    QFETCH(double, maximum);
    QFETCH(unsigned, step);
    QFETCH(int, ticks);
    QFETCH(double, top);
    Nights nights;
    CStats& night = nights.Add(static_cast<std::uint32_t>(maximum));
    night.maxDurationMs = night.avgDurationMs = static_cast<std::uint32_t>(maximum);
    night.totalSeconds = maximum;
    GraphData data(nights.array);
    const std::unique_ptr<CGraph> graph = MakeSeries(series, data);
    graph->Measure();
    QCOMPARE(graph->step, step);
    QCOMPARE(graph->tickCount, ticks);
    const double axisTop = series == 4 ? static_cast<CGraphDouble&>(*graph).axisTop
                                       : double(static_cast<CGraphUInt&>(*graph).axisTop);
    QCOMPARE(axisTop, top);

    // The left margin holds the caption, the widest (top) number and 4 px.
    const GraphResources& r = GraphResources::Get();
    const QString topText = series == 4 ? LocaleNumber(top, 1) : QString::number(qint64(top));
    QCOMPARE(graph->leftMargin,
             r.HC + 2 * r.LH + QFontMetrics(r.font).horizontalAdvance(topText) + 4);
}

void TestGraphLayout::rightAxis_data() {
    QTest::addColumn<unsigned>("maximum");
    QTest::addColumn<unsigned>("average");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<unsigned>("rightStep");
    QTest::addColumn<qulonglong>("rightTop");
    QTest::newRow("2000/700") << 2000u << 700u << 6 << 200u << 1200ull;
    QTest::newRow("no events") << 0u << 0u << 10 << 100u << 1000ull;
    QTest::newRow("average above maximum") << 1000u << 5000u << 10 << 1000u << 10000ull;
}

void TestGraphLayout::rightAxis() {
    QFETCH(unsigned, maximum);
    QFETCH(unsigned, average);
    QFETCH(int, ticks);
    QFETCH(unsigned, rightStep);
    QFETCH(qulonglong, rightTop);
    Nights nights;
    nights.Add().maxDurationMs = maximum;
    nights.Add().avgDurationMs = average;
    GraphData data(nights.array);
    CDuration duration(data);
    duration.Measure();
    QCOMPARE(duration.tickCount, ticks);
    QCOMPARE(duration.rightStep, rightStep);
    QCOMPARE(duration.rightAxisTop, rightTop);
    const GraphResources& r = GraphResources::Get();
    QCOMPARE(duration.rightMargin,
             r.HC + 2 * r.LH + QFontMetrics(r.font).horizontalAdvance(QString::number(rightTop)));
}

void TestGraphLayout::widths() {
    const GraphResources& r = GraphResources::Get();
    Nights nights;
    for (int k = 0; k < 3; ++k)
        nights.Add(k);
    GraphData data(nights.array);
    Graphs graphs = CreateGraphs(data);
    CGraph& events = *graphs[0];
    QCOMPARE(events.barWidth, r.LH * 3 / 2);
    QCOMPARE(events.gap, r.LH * 3 / 4);
    QCOMPARE(events.Pitch(), events.barWidth + events.gap);
    events.Layout();
    // Five legend lines, the empty one included.
    QVERIFY(events.legendWidth >=
            QFontMetrics(r.font).horizontalAdvance(QStringLiteral("Battery level")) + 3 * r.HC);
    QCOMPARE(events.legendHeight, 5 * r.LH + 3 * r.HC);
    QCOMPARE(events.width, events.leftMargin + 2 * r.HC + events.legendWidth + 3 * events.Pitch());
    QCOMPARE(events.rect, QRect(0, 0, events.width, 800));
    QCOMPARE(events.Render().size(), QSize(events.width, 800));

    // A placed diagram keeps its area; lines have no gap.
    events.rect = QRect(5, 6, 300, 400);
    events.kind = 0;
    events.Layout();
    QCOMPARE(events.Pitch(), events.barWidth);
    QCOMPARE(events.rect, QRect(5, 6, 300, 400));
    QCOMPARE(events.Render().size(), QSize(events.width, 400));

    CGraph& duration = *graphs[1];
    QCOMPARE(duration.Pitch(), 7 * duration.barWidth / 4 + duration.gap);
    duration.kind = 0;
    QCOMPARE(duration.Pitch(), 7 * duration.barWidth / 4);
}

void TestGraphLayout::hitTest_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("column");  // column of the point
    QTest::addColumn<int>("offset");  // x from the column's bar or point area start
    QTest::addColumn<bool>("inBand"); // below the plot, else inside it
    QTest::addColumn<int>("scroll");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("wider"); // the area wider than the diagram, which is centred in it
    QTest::newRow("first bar's label") << 1 << 0 << 0 << true << 0 << 0 << 0;
    QTest::newRow("last bar's label, right edge") << 1 << 3 << 23 << true << 0 << 3 << 0;
    QTest::newRow("bar itself") << 1 << 1 << 5 << false << 0 << -1 << 0;
    QTest::newRow("gap after a bar") << 1 << 1 << 24 << true << 0 << -1 << 0;
    QTest::newRow("left of the first bar") << 1 << 0 << -1 << true << 0 << -1 << 0;
    QTest::newRow("right of the last bar") << 1 << 4 << 0 << true << 0 << -1 << 0;
    QTest::newRow("scrolled by one column") << 1 << 1 << 0 << true << 42 << 2 << 0;
    QTest::newRow("line column start") << 0 << 2 << 0 << true << 0 << 2 << 0;
    QTest::newRow("line column end") << 0 << 2 << 23 << true << 0 << 2 << 0;
    QTest::newRow("centred, first bar's label") << 1 << 0 << 0 << true << 0 << 0 << 200;
    QTest::newRow("centred, left of the first bar") << 1 << 0 << -1 << true << 0 << -1 << 200;
    QTest::newRow("centred, last bar's label") << 1 << 3 << 23 << true << 0 << 3 << 201;
}

void TestGraphLayout::hitTest() {
    QFETCH(int, kind);
    QFETCH(int, column);
    QFETCH(int, offset);
    QFETCH(bool, inBand);
    QFETCH(int, scroll);
    QFETCH(int, expected);
    QFETCH(int, wider);
    Nights nights;
    for (int k = 0; k < 4; ++k)
        nights.Add(k);
    GraphData data(nights.array);
    CEvents graph(data);
    graph.Measure();
    graph.kind = kind;
    graph.barWidth = 24;
    graph.gap = 18; // pitch 42 for bars
    graph.rect = QRect(10, 20, 2000, 600);
    graph.Layout();
    graph.rect.setWidth(graph.width + wider);
    if (scroll) {
        graph.rect.setWidth(graph.width - scroll);
        QImage window(graph.rect.right() + 1, graph.rect.bottom() + 1, QImage::Format_RGB32);
        QPainter painter(&window);
        graph.Present(painter, scroll);
    }
    const int start = kind == 1 ? graph.BarLeft(column) : graph.leftMargin - 2 + column * 24;
    const int y = inBand ? graph.Baseline() + 5 : graph.Baseline() - 5;
    const int left = graph.rect.left() + wider / 2;
    QCOMPARE(graph.HitTest(QPoint(left + start + offset, graph.rect.top() + y)), expected);
    // Outside the diagram's area nothing is hit.
    QCOMPARE(graph.HitTest(QPoint(graph.rect.left() - 1, graph.rect.top() + y)), -1);
}

void TestGraphLayout::eventTexts_data() {
    QTest::addColumn<std::uint32_t>("count");
    QTest::addColumn<QList<std::uint32_t>>("classes"); // C0..C3
    QTest::addColumn<bool>("extra");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("tooltipValue");
    QTest::addColumn<QColor>("colour");
    const QColor teal(22, 154, 175), red(255, 64, 64), orange(255, 127, 39);
    QTest::newRow("one event") << 1u << QList<std::uint32_t>{0, 0, 0, 1} << false << "1"
                               << "1 Event" << teal;
    QTest::newRow("no event") << 0u << QList<std::uint32_t>{0, 0, 0, 0} << false << "0"
                              << "0 Events" << teal;
    QTest::newRow("dead and low, extra")
        << 9u << QList<std::uint32_t>{1, 2, 3, 3} << true << "9   (3, 3, 2, 1)"
        << "9 Events" << red;
    QTest::newRow("low only") << 5u << QList<std::uint32_t>{0, 5, 0, 0} << false << "5"
                              << "5 Events" << orange;
}

void TestGraphLayout::eventTexts() {
    QFETCH(std::uint32_t, count);
    QFETCH(QList<std::uint32_t>, classes);
    QFETCH(bool, extra);
    QFETCH(QString, label);
    QFETCH(QString, tooltipValue);
    QFETCH(QColor, colour);
    Nights nights;
    CStats& night = nights.Add(count);
    std::copy(classes.begin(), classes.end(), night.classCount);
    GraphData data(nights.array);
    data.extraInfo = extra;
    CEvents events(data);
    events.fillColour = QColor(22, 154, 175);
    QString text;
    QCOMPARE(events.ValueAt(0, text), count);
    QCOMPARE(text, label);
    QCOMPARE(events.fillColour, colour);
    QVERIFY(events.TooltipText(0).endsWith(QStringLiteral("\n\n") + tooltipValue));
    QCOMPARE(events.TooltipText(-1), QString());
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, events.ValueAt(1, text));
}

void TestGraphLayout::layoutDialogTexts() {
    Nights nights;
    GraphData data(nights.array);
    CEvents events(data);
    GraphLayout layout;
    events.ExportLayout(layout);
    QCOMPARE(layout.legend,
             QStringLiteral("Battery level\r\n\r\nBlue\tGood\r\nOrange\tLow\r\nRed\tDead"));
    QCOMPARE(layout.axisTitle, QStringLiteral("Date"));
    layout.legend = QStringLiteral("a\r\nb\r\n");
    layout.name = QStringLiteral("Lab 3");
    layout.kind = 0;
    events.ImportLayout(layout);
    QCOMPARE(events.legend, QStringLiteral("a\nb\n"));
    QCOMPARE(data.name, QStringLiteral("Lab 3"));
    QCOMPARE(events.kind, 0);
}

void TestGraphLayout::pageStrips_data() {
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QSize>("page");
    // sourceX, sourceWidth, targetWidth, targetX per page
    QTest::addColumn<QList<int>>("strips");
    QTest::newRow("exactly one page")
        << QSize(1000, 500) << QSize(2000, 1000) << QList<int>{0, 1000, 2000, 0};
    QTest::newRow("2.5 pages") << QSize(2500, 500) << QSize(2000, 1000)
                               << QList<int>{0,    1000, 2000, 0,   1000, 1000,
                                             2000, 0,    2000, 500, 1000, 0};
    QTest::newRow("half a page, centred")
        << QSize(500, 500) << QSize(2000, 1000) << QList<int>{0, 500, 1000, 500};
    QTest::newRow("two thirds of a page, centred")
        << QSize(1200, 900) << QSize(1500, 1000) << QList<int>{0, 1200, 1333, 83};
    QTest::newRow("two pages, odd width")
        << QSize(1001, 1000) << QSize(1001, 2000) << QList<int>{0, 500, 1001, 0, 500, 500, 1001, 0};
}

void TestGraphLayout::pageStrips() {
    QFETCH(QSize, image);
    QFETCH(QSize, page);
    QFETCH(QList<int>, strips);
    QList<int> actual;
    for (const PageStrip& s : PageStrips(image, page))
        actual << s.sourceX << s.sourceWidth << s.targetWidth << s.targetX;
    QCOMPARE(actual, strips);
}

void TestGraphLayout::fileName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("file");
    QTest::newRow("dates with slashes")
        << "12/7/26 - 12/9/26" << 1 << 0 << "/d/12_7_26_-_12_9_26_Bar_Graph_0.png";
    QTest::newRow("every forbidden character")
        << "\\/*\"<>|?:;, x" << 0 << 4 << "/d/____________x_Line_Graph_4.png";
    QTest::newRow("empty name") << "" << 1 << 2 << "/d/_Bar_Graph_2.png";
    QTest::newRow("dotted dates") << "07.12.26 - 09.12.26" << 1 << 1
                                  << "/d/07.12.26_-_09.12.26_Bar_Graph_1.png";
}

void TestGraphLayout::fileName() {
    QFETCH(QString, name);
    QFETCH(int, kind);
    QFETCH(int, tab);
    QFETCH(QString, file);
    QCOMPARE(ImageFileName(QStringLiteral("/d"), name, kind, tab), file);
}

void TestGraphLayout::saveImage() {
    QTemporaryDir dir;
    Nights nights;
    nights.Add(3);
    GraphData data(nights.array);
    data.name = QStringLiteral("12/7/26 - 12/7/26");
    CTotalDuration graph(data);
    graph.Measure();
    graph.kind = 0;
    graph.Layout();
    QStringList messages;
    SetMessageBoxHandler([&](const QString& text, unsigned, const QString&) {
        messages << text;
        return int(IDOK);
    });

    const QString path = dir.path() + QStringLiteral("/12_7_26_-_12_7_26_Line_Graph_4.png");
    QFile stale(path);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("old");
    stale.close();
    QVERIFY(SaveImage(graph, 4, dir.path()));
    // Drawn band by band, the file holds exactly the diagram's pixels.
    QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32), graph.Render());
    QVERIFY(messages.isEmpty());

    // A folder that does not exist: false and a message that names the file.
    const QString missing = dir.path() + QStringLiteral("/missing");
    QVERIFY(!SaveImage(graph, 4, missing));
    QCOMPARE(messages, QStringList{QStringLiteral("The image %1 could not be written.")
                                       .arg(ImageFileName(missing, data.name, 0, 4))});
    SetMessageBoxHandler(nullptr);

    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, SaveImage(graph, 5, dir.path()));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, SaveImage(graph, -1, dir.path()));
}

QTEST_MAIN(TestGraphLayout)
#include "tst_graphlayout.moc"
