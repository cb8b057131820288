#include "graphs/CGraph.h"

#include "base/Texts.h"
#include "graphs/GraphResources.h"

#include <QDateTime>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <map>
#include <tuple>

namespace {

const QColor kWeekendColour(0, 0, 255);
constexpr int kDateLabelFlags = Qt::AlignRight | Qt::AlignVCenter;

QColor DateLabelColour(std::int64_t seconds) {
    return IsWeekend(seconds) ? kWeekendColour : Qt::black;
}

// The date label of a night ending at seconds, turned upwards and ending at the top of a box
// (width along the text) on white. A label longer than its box (a locale's dates with month
// names, say) reaches below it by up to overflow pixels instead of losing its first
// characters. Each label is drawn for five diagrams and again for every band or strip it
// reaches into, so it is drawn once and copied. Diagrams are painted on one thread only.
const QImage& DateLabelImage(std::int64_t seconds, QSize box, int overflow) {
    static std::map<std::tuple<std::int64_t, int, int, int>, QImage> drawn;
    const auto key = std::make_tuple(seconds, box.width(), box.height(), overflow);
    if (const auto found = drawn.find(key); found != drawn.end())
        return found->second;
    if (drawn.size() >= 8192)
        drawn.clear();
    QImage image(box.height(), box.width() + overflow, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(GraphResources::Get().font);
    painter.translate(0, box.width());
    painter.rotate(-90);
    painter.setPen(DateLabelColour(seconds));
    painter.drawText(QRect(-overflow, 0, box.width() + overflow, box.height()), kDateLabelFlags,
                     DateLabel(seconds));
    painter.end();
    return drawn.emplace(key, image).first->second;
}

// Tab stops every eight average character widths, as text controls place them.
int TabStop(const QFontMetrics& metrics) {
    return 8 * metrics.averageCharWidth();
}

// Width of a line with its tabs expanded.
int TabbedWidth(const QFontMetrics& metrics, const QString& line) {
    int x = 0;
    const QStringList cells = line.split(u'\t');
    for (qsizetype c = 0; c < cells.size(); ++c) {
        if (c > 0)
            x = (x / TabStop(metrics) + 1) * TabStop(metrics);
        x += metrics.horizontalAdvance(cells[c]);
    }
    return x;
}

void DrawTabbed(QPainter& painter, QPoint origin, const QString& line) {
    const QFontMetrics metrics = painter.fontMetrics();
    int x = 0;
    const QStringList cells = line.split(u'\t');
    for (qsizetype c = 0; c < cells.size(); ++c) {
        if (c > 0)
            x = (x / TabStop(metrics) + 1) * TabStop(metrics);
        painter.drawText(origin.x() + x, origin.y() + metrics.ascent(), cells[c]);
        x += metrics.horizontalAdvance(cells[c]);
    }
}

QString LocaleTimeStamp(std::int64_t seconds) {
    const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds);
    const QLocale locale;
    return locale.toString(time.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(time.time(), QLocale::ShortFormat);
}

} // namespace

std::uint32_t RoundStep(double atLeast) {
    static constexpr std::uint32_t kMultipliers[] = {1, 2, 5};
    std::uint32_t decade = 1;
    for (int k = 0;; ++k) {
        if (k == 3) {
            decade *= 10;
            k = 0;
        }
        const std::uint32_t step = decade * kMultipliers[k];
        if (decade >= 10'000'000 || step >= atLeast)
            return step;
    }
}

QString LocaleNumber(double value, int decimals) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

CGraph::CGraph(GraphData& data, int titleId, int leftLabelId)
    : data(data), leftMargin(GraphResources::Get().HC), rightMargin(2 * GraphResources::Get().HC),
      barWidth(GraphResources::Get().LH * 3 / 2), gap(GraphResources::Get().LH * 3 / 4),
      title(LoadText(titleId)), leftLabel(LoadText(leftLabelId)) {}

int CGraph::Pitch() const {
    return kind == 1 ? barWidth + gap : barWidth;
}

int CGraph::PlotHeight() const {
    const GraphResources& r = GraphResources::Get();
    return Height() - r.TOP - r.DB;
}

int CGraph::Baseline() const {
    return Height() - GraphResources::Get().DB;
}

void CGraph::Measure() {
    FindMaximum();
    ScaleAxis();
    ScaleRightAxis();
}

void CGraph::Layout() {
    MeasureLegend();
    width = leftMargin + rightMargin + legendWidth + Count() * Pitch();
    if (rect.right() + 1 == 1)
        rect.setRight(width - 1);
    ++layoutCount;
}

void CGraph::MeasureLegend() {
    legendWidth = legendHeight = 0;
    if (legend.isEmpty())
        return;
    const GraphResources& r = GraphResources::Get();
    const QFontMetrics metrics(r.font);
    for (const QString& line : legend.split(u'\n')) {
        legendWidth = std::max(legendWidth, TabbedWidth(metrics, line));
        legendHeight += metrics.height();
    }
    legendWidth += 3 * r.HC;
    legendHeight += 3 * r.HC;
}

QImage CGraph::Render() {
    QImage image(width, Height(), QImage::Format_RGB32);
    QPainter painter(&image);
    Paint(painter, image.rect());
    return image;
}

int CGraph::FirstPainted() const {
    return std::clamp((m_region.left() - leftMargin) / std::max(1, Pitch()) - 1, 0, Count());
}

int CGraph::EndPainted() const {
    return std::clamp((m_region.right() - leftMargin) / std::max(1, Pitch()) + 2, 0, Count());
}

bool CGraph::Painted(QPoint pos, QSize box) const {
    return m_region.intersects(QRect(pos, QSize(box.height(), box.width())));
}

// Draws text into a box of size box turned 90 degrees counter-clockwise, so that it reads
// upwards, with the turned box's top-left corner at pos.
void CGraph::DrawTurned(QPainter& painter, QPoint pos, QSize box, const QString& text, int flags,
                        const QColor& colour, const QColor& background) const {
    if (!Painted(pos, box))
        return;
    painter.save();
    painter.translate(pos.x(), pos.y() + box.width());
    painter.rotate(-90);
    const QRect area(QPoint(0, 0), box);
    painter.fillRect(area, background);
    painter.setPen(colour);
    painter.drawText(area, flags, text);
    painter.restore();
}

void CGraph::Paint(QPainter& painter, const QRect& region) {
    const GraphResources& r = GraphResources::Get();
    const int H = Height();
    const int n = Count();
    const int S = Pitch();
    const int L = leftMargin;
    const int PH = PlotHeight();

    m_region = region;
    painter.save();
    painter.setClipRect(region, Qt::IntersectClip);
    painter.setFont(r.font);
    // White inside a 2-pixel black frame, each pixel filled once.
    const QRect inside = QRect(0, 0, width, H).adjusted(2, 2, -2, -2);
    painter.fillRect(inside, Qt::white);
    painter.fillRect(QRect(0, 0, width, 2), Qt::black);
    painter.fillRect(QRect(0, H - 2, width, 2), Qt::black);
    painter.fillRect(QRect(0, 2, 2, H - 4), Qt::black);
    painter.fillRect(QRect(width - 2, 2, 2, H - 4), Qt::black);
    const int captionFlags = Qt::AlignCenter | Qt::TextSingleLine;
    if (n == 0) {
        DrawTurned(painter, QPoint(0, 2 * r.LH), QSize(PH, 2 * r.LH), LoadText(TXT_NO_DATA),
                   captionFlags, Qt::black, Qt::white);
        painter.restore();
        return;
    }

    painter.setPen(QPen(Qt::black, 2));
    const QPoint axes[] = {{L - 3, r.TOP},
                           {L - 3, H - r.DB + 1},
                           {PlotEnd() + 1, H - r.DB + 1},
                           {PlotEnd() + 1, r.TOP}};
    painter.drawPolyline(axes, 4);

    const QSize labelBox(r.DB - 2 * r.LH, r.LH);
    const int overflow = r.LH; // into the axis-title band, which is drawn later
    for (int i = FirstPainted(); i < EndPainted(); ++i) {
        const CStats& night = data.nights.At(i);
        const QPoint pos(L - 2 + (S - r.LH) / 2 + i * S, H - r.DB + r.HC + 2);
        if (!Painted(pos, labelBox + QSize(overflow, 0)))
            continue;
        if (painter.device()->devicePixelRatio() == 1.0)
            painter.drawImage(pos, DateLabelImage(night.endSeconds, labelBox, overflow));
        else
            DrawTurned(painter, pos, labelBox, DateLabel(night.endSeconds),
                       kDateLabelFlags | Qt::TextDontClip, DateLabelColour(night.endSeconds),
                       Qt::white);
    }
    DrawFitted(painter, QRect(QPoint(L - 2, H - 2 * r.LH), QPoint(L - 2 + n * S, H) - QPoint(1, 1)),
               data.axisTitle);

    const QFontMetrics metrics(r.font);
    const QSize captionBox(PH, 2 * r.LH);
    DrawTurned(painter, QPoint(2, 2 * r.LH), captionBox,
               metrics.elidedText(leftLabel, Qt::ElideRight, PH), captionFlags, Qt::black,
               Qt::white);
    if (hasRightAxis)
        DrawTurned(painter, QPoint(PlotEnd() + rightMargin - 2 * r.LH - 2, 2 * r.LH), captionBox,
                   metrics.elidedText(rightLabel, Qt::ElideRight, PH), captionFlags, Qt::black,
                   Qt::white);
    DrawLegend(painter);

    painter.setPen(QPen(Qt::black, 1));
    if (kind == 1) {
        DrawBars(painter);
    } else {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        DrawLines(painter);
        painter.restore();
    }

    if (r.logo.width() + 8 < n * S) {
        painter.setOpacity(32.0 / 255.0);
        painter.drawImage(QPoint(L - 2 + (n * S - r.logo.width()) / 2, r.TOP + 4), r.logo);
        painter.setOpacity(1.0);
    }

    painter.setPen(Qt::black);
    painter.setFont(r.titleFont);
    const int nameTop = r.TH * 3 / 2 + 2;
    DrawFitted(painter, QRect(QPoint(L - 2, 2), QPoint(PlotEnd(), nameTop) - QPoint(1, 1)), title);
    painter.setFont(r.font);
    DrawFitted(
        painter,
        QRect(QPoint(L - 2, nameTop), QPoint(PlotEnd(), nameTop + r.LH * 3 / 2) - QPoint(1, 1)),
        data.name);
    painter.restore();
}

// Centred in box when it fits; otherwise left-aligned in the box widened to the image's right
// edge and cut with an ellipsis.
void CGraph::DrawFitted(QPainter& painter, QRect box, const QString& text) const {
    if (!Painted(box.adjusted(0, 0, width, 0)))
        return;
    const QFontMetrics metrics = painter.fontMetrics();
    painter.setPen(Qt::black);
    if (metrics.horizontalAdvance(text) < box.width()) {
        painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
        return;
    }
    box.setRight(width - 1);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     metrics.elidedText(text, Qt::ElideRight, box.width()));
}

void CGraph::DrawLegend(QPainter& painter) const {
    if (legend.isEmpty())
        return;
    const GraphResources& r = GraphResources::Get();
    const int PH = PlotHeight();
    const int free = PH - std::min(PH, legendHeight);
    const int offset = legendAlign == 2 ? free : legendAlign == 1 ? free / 2 : 0;
    QPoint origin(PlotEnd() + r.HC + rightMargin, r.TOP + r.HC + offset);
    painter.setPen(Qt::black);
    const int lineHeight = painter.fontMetrics().height();
    for (const QString& line : legend.split(u'\n')) {
        if (Painted(QRect(origin, QSize(legendWidth, lineHeight))))
            DrawTabbed(painter, origin, line);
        origin.ry() += lineHeight;
    }
}

void CGraph::DrawTick(QPainter& painter, int y, const QString& text) const {
    const GraphResources& r = GraphResources::Get();
    if (!Painted(QRect(0, y - r.LH / 2, PlotEnd() + 1, r.LH)))
        return;
    painter.setPen(kValueColour);
    painter.drawText(QRect(0, y - r.LH / 2, leftMargin - r.HC - 4, r.LH),
                     Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, text);
    // Crisp grid lines in line diagrams too, which draw on an anti-aliased painter.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(leftMargin - 2, y, PlotEnd(), y);
    painter.restore();
}

void CGraph::DrawBar(QPainter& painter, const QRect& bar, const QString& text) const {
    const GraphResources& r = GraphResources::Get();
    painter.fillRect(bar, fillColour);
    // The label lies within its length of the bar's top, inside or above the bar; measure it
    // only when that reaches into the region.
    const int reach = int(text.size()) * r.MW + r.HC;
    if (!Painted(QRect(bar.left(), bar.top() - reach, r.LH + 2, 2 * reach)))
        return;
    const QFontMetrics metrics(r.font);
    const int tw = metrics.horizontalAdvance(text);
    const int th = metrics.height();
    if (bar.width() - th <= 1 || text.isEmpty())
        return;
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    if (bar.height() - tw <= 2 * r.HC)
        DrawTurned(painter, QPoint(bar.left() + 1, bar.top() - tw - r.HC), QSize(tw, th), text,
                   flags, Qt::black, Qt::white);
    else
        DrawTurned(painter, QPoint(bar.left() + 1, bar.top() + r.HC), QSize(tw, th), text, flags,
                   labelColour, fillColour);
}

void CGraph::DrawPoint(QPainter& painter, QPoint point, std::optional<QPoint>& previous) const {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(fillColour, 1.0));
    painter.drawRect(QRectF(point.x() - 2.5, point.y() - 2.5, 6, 6));
    if (previous) {
        painter.setPen(QPen(fillColour, 2.0));
        painter.drawLine(*previous, point);
    }
    previous = point;
}

void CGraph::Present(QPainter& target, int scrollPosition) {
    const int visible = rect.width();
    const int H = Height();
    // Paints the diagram's columns source.left() .. source.right() at x on the target.
    const auto strip = [&](int x, const QRect& source) {
        if (source.isEmpty())
            return;
        target.save();
        target.setClipRect(QRect(rect.left() + x, rect.top(), source.width(), H),
                           Qt::IntersectClip);
        target.translate(rect.left() + x - source.left(), rect.top());
        Paint(target, source);
        target.restore();
    };
    if (visible < width) {
        scrollOffset = scrollPosition;
        const int L = leftMargin;
        const int plot = Count() * Pitch();
        const int shown = std::max(0, plot + visible - width);
        strip(0, QRect(0, 0, L, H));
        strip(L, QRect(scrollOffset + L, 0, shown, H));
        strip(L + shown, QRect(L + plot, 0, width - L - plot, H));
        return;
    }
    const int left = PresentLeft();
    target.fillRect(QRect(rect.left(), rect.top(), left, H), Qt::white);
    target.fillRect(QRect(rect.left() + left + width, rect.top(), visible - left - width, H),
                    Qt::white);
    scrollOffset = 0;
    strip(left, QRect(0, 0, width, H));
}

int CGraph::HitTest(QPoint point) const {
    if (!rect.contains(point) || point.y() - rect.top() - GraphResources::Get().TOP < PlotHeight())
        return -1;
    int x = point.x() + 2 + scrollOffset - leftMargin - rect.left() - PresentLeft();
    if (x < 0)
        return -1;
    if (kind == 1)
        x -= gap / 2;
    const int S = Pitch();
    if (x >= 0 && x % S < barWidth && x / S < Count())
        return x / S;
    return -1;
}

QString CGraph::TooltipText(int index) const {
    if (index < 0)
        return {};
    const CStats& night = data.nights.At(index);
    return LocaleTimeStamp(night.startSeconds) + u'\n' + LocaleTimeStamp(night.endSeconds) +
           QStringLiteral("\n\n") + ValueText(index);
}

void CGraph::ExportLayout(GraphLayout& layout) const {
    layout.kind = kind;
    layout.legendAlign = legendAlign;
    layout.gap = gap;
    layout.barWidth = barWidth;
    layout.title = title;
    layout.leftLabel = leftLabel;
    layout.rightLabel = rightLabel;
    layout.legend = QString(legend).replace(u'\n', QStringLiteral("\r\n"));
    layout.name = data.name;
    layout.axisTitle = data.axisTitle;
}

void CGraph::ImportLayout(const GraphLayout& layout) {
    kind = layout.kind;
    legendAlign = layout.legendAlign;
    gap = layout.gap;
    barWidth = layout.barWidth;
    title = layout.title;
    leftLabel = layout.leftLabel;
    rightLabel = layout.rightLabel;
    legend = QString(layout.legend).remove(u'\r');
    data.name = layout.name;
    data.axisTitle = layout.axisTitle;
}
