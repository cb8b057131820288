#include "graphs/Series.h"

#include "base/Texts.h"

namespace {

const QColor kAverageColour(70, 209, 232);
const QColor kDeadColour(255, 64, 64);
const QColor kLowColour(255, 127, 39);

} // namespace

CEvents::CEvents(GraphData& data) : CGraphUInt(data, TXT_GRAPH_EVENTS, TXT_EVENTS_PER_NIGHT) {
    legend = LoadText(TXT_BATTERY_LEGEND);
    legendAlign = 2;
}

QString CEvents::ValueText(int index) const {
    const std::uint32_t count = ElementValue(data.nights.At(index));
    return QString::number(count) + LoadText(count == 1 ? TXT_ONE_EVENT : TXT_N_EVENTS);
}

std::uint32_t CEvents::ValueAt(int index, QString& text) {
    const CStats& night = data.nights.At(index);
    const std::uint32_t* c = night.classCount;
    text = QString::number(night.Events());
    if (data.extraInfo)
        text += QStringLiteral("   (%1, %2, %3, %4)").arg(c[3]).arg(c[2]).arg(c[1]).arg(c[0]);
    if (c[0] != 0)
        fillColour = kDeadColour;
    else if (c[1] != 0)
        fillColour = kLowColour;
    return night.Events();
}

CDuration::CDuration(GraphData& data) : CGraphUInt(data, TXT_GRAPH_DURATION, TXT_MAX_DURATION_MS) {
    hasRightAxis = true;
    rightLabel = LoadText(TXT_AVG_DURATION_MS);
}

QString CDuration::ValueText(int index) const {
    const CStats& night = data.nights.At(index);
    return QString::number(night.maxDurationMs) + LoadText(TXT_MS_MAXIMUM) + u'\n' +
           QString::number(night.avgDurationMs) + LoadText(TXT_MS_AVERAGE);
}

int CDuration::Pitch() const {
    return 7 * barWidth / 4 + (kind == 1 ? gap : 0);
}

void CDuration::FindMaximum() {
    dataMax = rightDataMax = 0;
    for (int i = 0; i < Count(); ++i) {
        dataMax = std::max(dataMax, data.nights.At(i).maxDurationMs);
        rightDataMax = std::max(rightDataMax, data.nights.At(i).avgDurationMs);
    }
}

// The same number of steps as the left axis, so that both share the grid lines.
void CDuration::ScaleRightAxis() {
    if (tickCount == 0)
        return;
    const std::uint64_t target =
        std::max<std::uint64_t>(std::uint64_t(rightDataMax) * 3 / 2, RightMinimumTop());
    const std::uint64_t q = (target + tickCount - 1) / tickCount;
    rightStep = RoundStep(double(q));
    rightAxisTop = std::uint64_t(tickCount) * rightStep;
    const GraphResources& r = GraphResources::Get();
    rightMargin =
        r.HC + 2 * r.LH + QFontMetrics(r.font).horizontalAdvance(QString::number(rightAxisTop));
}

void CDuration::DrawRightTicks(QPainter& painter) const {
    const GraphResources& r = GraphResources::Get();
    painter.setPen(kAverageColour);
    for (int k = 1; k <= tickCount; ++k) {
        const std::uint64_t value = std::uint64_t(k) * rightStep;
        const int y = Baseline() - PixelHeight(value, rightAxisTop);
        if (!Painted(QRect(PlotEnd(), y - r.LH / 2, width - PlotEnd(), r.LH)))
            continue;
        painter.drawText(QRect(QPoint(PlotEnd() + r.HC + 2, y - r.LH / 2),
                               QPoint(width, y + r.LH / 2) - QPoint(1, 1)),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::number(value));
    }
}

void CDuration::DrawBars(QPainter& painter) {
    if (Count() == 0)
        return;
    DrawLeftTicks(painter);
    DrawRightTicks(painter);
    for (int i = FirstPainted(); i < EndPainted(); ++i) {
        const int x = BarLeft(i);
        fillColour = kValueColour;
        labelColour = Qt::white;
        QString text;
        int h = PixelHeight(ValueAt(i, text), axisTop);
        DrawBar(painter, QRect(x, Baseline() - h, barWidth, h), text);

        fillColour = kAverageColour;
        labelColour = Qt::black;
        const std::uint32_t average = data.nights.At(i).avgDurationMs;
        h = PixelHeight(average, rightAxisTop);
        const int x2 = x + Pitch() - barWidth - gap;
        DrawBar(painter, QRect(x2, Baseline() - h, barWidth, h), QString::number(average));
    }
}

void CDuration::DrawLines(QPainter& painter) {
    if (Count() == 0)
        return;
    DrawLeftTicks(painter);
    DrawRightTicks(painter);
    std::optional<QPoint> previousMax, previousAverage;
    for (int i = FirstPainted(); i < EndPainted(); ++i) {
        const CStats& night = data.nights.At(i);
        const int x = leftMargin + barWidth / 2 - 2 + i * Pitch();
        fillColour = kValueColour;
        DrawPoint(painter, QPoint(x, Baseline() - PixelHeight(night.maxDurationMs, axisTop)),
                  previousMax);
        fillColour = kAverageColour;
        DrawPoint(painter,
                  QPoint(x + Pitch() - barWidth,
                         Baseline() - PixelHeight(night.avgDurationMs, rightAxisTop)),
                  previousAverage);
    }
}

CMaxDuration::CMaxDuration(GraphData& data)
    : CGraphUInt(data, TXT_GRAPH_MAX_DURATION, TXT_MAX_DURATION_MS) {}

QString CMaxDuration::ValueText(int index) const {
    return QString::number(data.nights.At(index).maxDurationMs) + QStringLiteral(" ms");
}

CAvgDuration::CAvgDuration(GraphData& data)
    : CGraphUInt(data, TXT_GRAPH_AVG_DURATION, TXT_AVG_DURATION_MS) {}

QString CAvgDuration::ValueText(int index) const {
    return QString::number(data.nights.At(index).avgDurationMs) + QStringLiteral(" ms");
}

CTotalDuration::CTotalDuration(GraphData& data)
    : CGraphDouble(data, TXT_GRAPH_TOTAL_DURATION, TXT_DURATION_S) {}

QString CTotalDuration::ValueText(int index) const {
    return LocaleNumber(data.nights.At(index).totalSeconds, 1) + QStringLiteral(" s");
}

Graphs CreateGraphs(GraphData& data) {
    Graphs graphs{std::make_unique<CEvents>(data), std::make_unique<CDuration>(data),
                  std::make_unique<CMaxDuration>(data), std::make_unique<CAvgDuration>(data),
                  std::make_unique<CTotalDuration>(data)};
    for (auto& graph : graphs)
        graph->Measure();
    return graphs;
}
