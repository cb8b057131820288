#include "Nights.h"
#include "base/Texts.h"
#include "graphs/Series.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTest>

// Rendering and presenting, checked by pixel facts that hold for any font.
class TestGraphRender : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void frameAndBarColours_data();
    void frameAndBarColours();
    void weekendLabels();
    void barLabels_data();
    void barLabels();
    void watermark_data();
    void watermark();
    void eventLinesKeepTheirColour();
    void narrowImageInWideArea();
    void scrolledPlotMoves();
    void highDensityScreen();
};

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

// Pixels of image inside area for which test holds.
template <typename Test> int CountPixels(const QImage& image, const QRect& area, Test test) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += test(image.pixel(x, y)) ? 1 : 0;
    return count;
}

bool IsBlue(QRgb c) {
    return qBlue(c) > 200 && qRed(c) < 100 && qGreen(c) < 100;
}

// Neither white nor a grey: a tinted pixel such as the faint logo.
bool IsTinted(QRgb c) {
    return !(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
}

} // namespace

void TestGraphRender::initTestCase() {
    SetLanguage(Language::English);
    GraphResources::Create();
}

void TestGraphRender::frameAndBarColours_data() {
    QTest::addColumn<int>("dead");
    QTest::addColumn<int>("low");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("good") << 0 << 0 << QColor(22, 154, 175);
    QTest::newRow("low") << 0 << 3 << QColor(255, 127, 39);
    QTest::newRow("dead and low") << 1 << 3 << QColor(255, 64, 64);
}

void TestGraphRender::frameAndBarColours() {
    QFETCH(int, dead);
    QFETCH(int, low);
    QFETCH(QColor, colour);
    Nights nights;
    CStats& night = nights.Add(20);
    night.classCount[0] = dead;
    night.classCount[1] = low;
    GraphData data(nights.array);
    CEvents events(data);
    events.Measure();
    events.Layout();
    const QImage image = events.Render();
    const int W = image.width(), H = image.height();
    for (const QPoint p : {QPoint(0, 0), QPoint(1, H / 2), QPoint(W - 1, H - 1), QPoint(W - 2, 3),
                           QPoint(W / 2, H - 2), QPoint(W / 2, 1)})
        QCOMPARE(image.pixel(p), kBlack);
    // Just above the x axis, at the bar's horizontal centre.
    const QPoint inBar(events.BarLeft(0) + events.barWidth / 2, events.Baseline() - 2);
    QCOMPARE(QColor(image.pixel(inBar)), colour);
}

void TestGraphRender::weekendLabels() {
    Nights nights;
    for (int k = 0; k < 7; ++k)
        nights.Add(k);
    GraphData data(nights.array);
    CAvgDuration graph(data);
    graph.Measure();
    graph.Layout();
    const GraphResources& r = GraphResources::Get();
    const QImage image = graph.Render();
    // Night 5 ends on Saturday 12 December, night 6 on Sunday; the others on weekdays.
    for (int k = 0; k < 7; ++k) {
        const QRect band(graph.leftMargin - 2 + k * graph.Pitch(), graph.Baseline() + r.HC,
                         graph.Pitch(), r.DB - 2 * r.LH);
        const int blue = CountPixels(image, band, IsBlue);
        QVERIFY2(k >= 5 ? blue > 5 : blue == 0, qPrintable(QString::number(k)));
    }
}

void TestGraphRender::barLabels_data() {
    QTest::addColumn<int>("extraWidth"); // bar width minus the text height
    QTest::addColumn<bool>("labelled");
    QTest::newRow("text height plus 1") << 1 << false;
    QTest::newRow("text height plus 2") << 2 << true;
}

void TestGraphRender::barLabels() {
    QFETCH(int, extraWidth);
    QFETCH(bool, labelled);
    Nights nights;
    nights.Add().maxDurationMs = 1900; // a tall bar: its label fits inside
    nights.Add().maxDurationMs = 5;    // a flat bar: its label stands above it
    GraphData data(nights.array);
    CMaxDuration graph(data);
    graph.Measure();
    graph.barWidth = QFontMetrics(GraphResources::Get().font).height() + extraWidth;
    graph.Layout();
    const QImage image = graph.Render();

    // Inside the tall bar: white text on the bar colour. Grid lines lie under the bars.
    const int h = graph.PlotHeight() * 1900 / int(graph.axisTop);
    const QRect tall(graph.BarLeft(0), graph.Baseline() - h, graph.barWidth, h);
    QCOMPARE(CountPixels(image, tall, [](QRgb c) { return c == kWhite; }) > 10, labelled);

    // Above the flat bar: dark text, on rows that no grid line crosses left of the bar.
    const int x = graph.BarLeft(1);
    int text = 0;
    for (int y = GraphResources::Get().TOP; y < graph.Baseline() - 2; ++y) {
        if (qGray(image.pixel(x - 1, y)) < 100)
            continue;
        for (int dx = 0; dx < graph.barWidth; ++dx)
            text += qGray(image.pixel(x + dx, y)) < 100 ? 1 : 0;
    }
    QCOMPARE(text > 10, labelled);
}

void TestGraphRender::watermark_data() {
    QTest::addColumn<int>("extra"); // plot width minus the logo width
    QTest::addColumn<bool>("shown");
    QTest::newRow("logo plus 8") << 8 << false;
    QTest::newRow("logo plus 9") << 9 << true;
}

void TestGraphRender::watermark() {
    QFETCH(int, extra);
    QFETCH(bool, shown);
    const GraphResources& r = GraphResources::Get();
    Nights nights;
    nights.Add(0);
    GraphData data(nights.array);
    CAvgDuration graph(data); // no legend, teal numbers outside the plot only
    graph.Measure();
    graph.barWidth = 100;
    graph.gap = r.logo.width() + extra - 100;
    graph.Layout();
    QCOMPARE(graph.Count() * graph.Pitch(), r.logo.width() + extra);
    const QRect logoArea(graph.leftMargin, r.TOP + 4, r.logo.width(), r.logo.height());
    QCOMPARE(CountPixels(graph.Render(), logoArea, IsTinted) > 50, shown);
}

void TestGraphRender::eventLinesKeepTheirColour() {
    Nights nights;
    nights.Add(20).classCount[0] = 5; // red as a bar
    nights.Add(10);
    GraphData data(nights.array);
    CEvents events(data);
    events.Measure();
    events.kind = 0;
    events.Layout();
    const int y = events.Baseline() - events.PlotHeight() * 20 / int(events.axisTop);
    // The left edge of the first point's 7 x 7 square.
    QCOMPARE(QColor(events.Render().pixel(events.PointX(0) - 3, y)), QColor(22, 154, 175));
}

void TestGraphRender::narrowImageInWideArea() {
    Nights nights;
    nights.Add(3);
    GraphData data(nights.array);
    CTotalDuration graph(data);
    graph.Measure();
    graph.rect = QRect(10, 5, 1, 500);
    graph.Layout();
    graph.rect.setWidth(graph.width + 100);
    graph.scrollOffset = 17;
    QImage window(graph.rect.right() + 1, 505, QImage::Format_RGB32);
    window.fill(Qt::red);
    QPainter painter(&window);
    graph.Present(painter, 30);
    QCOMPARE(graph.scrollOffset, 0);
    // Centred, with white on both sides.
    QCOMPARE(window.copy(10 + 50, 5, graph.width, 500), graph.Render());
    const QRect left(10, 5, 50, 500);
    const QRect right(10 + 50 + graph.width, 5, 50, 500);
    QCOMPARE(CountPixels(window, left, [](QRgb c) { return c != kWhite; }), 0);
    QCOMPARE(CountPixels(window, right, [](QRgb c) { return c != kWhite; }), 0);
}

void TestGraphRender::scrolledPlotMoves() {
    Nights nights;
    for (int k = 0; k < 40; ++k)
        nights.Add(k);
    GraphData data(nights.array);
    CDuration graph(data);
    graph.Measure();
    graph.Layout();
    const int W = graph.width, H = graph.Height(), L = graph.leftMargin;
    const int plot = graph.Count() * graph.Pitch();
    graph.rect = QRect(0, 0, W - 200, H);
    const int P = plot - 200;
    const QImage image = graph.Render();
    QImage window(W - 200, H, QImage::Format_RGB32);
    QPainter painter(&window);
    for (int scroll : {0, 120}) {
        graph.Present(painter, scroll);
        QCOMPARE(graph.scrollOffset, scroll);
        QCOMPARE(window.copy(0, 0, L, H), image.copy(0, 0, L, H));
        QCOMPARE(window.copy(L, 0, P, H), image.copy(L + scroll, 0, P, H));
        QCOMPARE(window.copy(L + P, 0, W - L - plot, H), image.copy(L + plot, 0, W - L - plot, H));
    }
}

// On a screen of pixel ratio 2 the diagram is drawn at the screen's resolution, not enlarged:
// same geometry in diagram pixels, lines as sharp as before, text with finer detail than a
// diagram pixel.
void TestGraphRender::highDensityScreen() {
    Nights nights;
    for (int k = 0; k < 5; ++k)
        nights.Add(k + 3);
    GraphData data(nights.array);
    CEvents graph(data);
    graph.Measure();
    graph.Layout();
    const QImage plain = graph.Render();
    QImage screen(2 * graph.width, 2 * graph.Height(), QImage::Format_RGB32);
    screen.setDevicePixelRatio(2);
    QPainter painter(&screen);
    graph.Present(painter, 0);
    painter.end();

    // The 2-pixel frame: 4 device pixels, all black, then white.
    for (int x = 0; x < 4; ++x)
        QCOMPARE(screen.pixel(x, screen.height() / 2), kBlack);
    QCOMPARE(screen.pixel(4, screen.height() / 2), kWhite);
    // A bar at the same place, twice the size.
    const QPoint inBar(graph.BarLeft(0) + graph.barWidth / 2, graph.Baseline() - 2);
    QCOMPARE(screen.pixel(2 * inBar), plain.pixel(inBar));

    // The first date label: enlarging would give uniform 2 x 2 blocks only.
    const GraphResources& r = GraphResources::Get();
    const QRect label(graph.leftMargin - 2, graph.Baseline() + r.HC, graph.Pitch(),
                      r.DB - 2 * r.LH);
    int finer = 0;
    for (int y = label.top(); y <= label.bottom(); ++y) {
        for (int x = label.left(); x <= label.right(); ++x) {
            const QRgb c = screen.pixel(2 * x, 2 * y);
            finer += screen.pixel(2 * x + 1, 2 * y) != c || screen.pixel(2 * x, 2 * y + 1) != c ||
                             screen.pixel(2 * x + 1, 2 * y + 1) != c
                         ? 1
                         : 0;
        }
    }
    QVERIFY2(finer > 20, qPrintable(QString::number(finer)));
}

QTEST_MAIN(TestGraphRender)
#include "tst_graphrender.moc"
