#pragma once

#include "graphs/GraphData.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <optional>

class QPainter;

// The settings of a diagram that the user edits in the layout dialog; name and axisTitle are
// shared by all diagrams of the same nights.
struct GraphLayout {
    int kind = -1;
    int legendAlign = -1;
    int gap = 0;
    int barWidth = 0;
    QString title, leftLabel, rightLabel, legend, name, axisTitle;
};

// Bars, lines and left-axis numbers.
inline const QColor kValueColour(22, 154, 175);

// The first of 1, 2, 5, 10, 20, 50, ... that is not below atLeast; 10,000,000 at most.
std::uint32_t RoundStep(double atLeast);
// A number with the given decimals and the locale's decimal separator, without grouping.
QString LocaleNumber(double value, int decimals);

// One diagram: a value per night along a date axis, as bars or as a line, with title, name
// line, value axes, rotated date labels, legend and watermark. Diagrams of years of nights
// are tens of thousands of pixels wide, so nothing keeps a whole image: Paint draws just the
// part asked for, the window paints only what it shows (at the screen's pixel ratio), and
// files and prints are drawn from Render or band by band.
class CGraph {
public:
    CGraph(GraphData& data, int titleId, int leftLabelId);
    virtual ~CGraph() = default;
    CGraph(const CGraph&) = delete;
    CGraph& operator=(const CGraph&) = delete;

    // The tooltip's value description of night index.
    virtual QString ValueText(int index) const = 0;
    // Column pitch: bar width plus gap for bars, the bar width for lines.
    virtual int Pitch() const;
    // The text of an axis or bar number.
    virtual QString NumberFormat(double value) const = 0;

    // Finds the maximum and scales the axes; before the first Layout.
    void Measure();
    // Sizes the diagram after the legend and the nights (placing rect if it is not placed yet).
    void Layout();
    // Draws the part of the diagram inside region (diagram pixels, 0,0 at its top-left corner)
    // with painter, whose transformation places the diagram; nothing outside region is drawn.
    void Paint(QPainter& painter, const QRect& region);
    // The whole diagram as an image of width x Height() pixels.
    QImage Render();
    // Paints the diagram into target at rect. A diagram wider than rect keeps its left axis and
    // its right part (right axis, legend) fixed and shows the plot from scrollPosition on; a
    // narrower one is centred in rect on white.
    void Present(QPainter& target, int scrollPosition);
    // Where a diagram narrower than rect starts in it: centred; 0 for a wider one.
    int PresentLeft() const { return std::max(0, (rect.width() - width) / 2); }
    // The night whose date label is under a point of the window, or -1.
    int HitTest(QPoint point) const;
    // Start and end of night index and its value; empty for a negative index.
    QString TooltipText(int index) const;
    void ExportLayout(GraphLayout& layout) const;
    void ImportLayout(const GraphLayout& layout);

    // Derived lengths: number of nights, image height, plot height, y of the value 0, x where
    // the plot ends, left edge of a bar and x of a line point of column i.
    int Count() const { return data.nights.GetCount(); }
    int Height() const { return rect.height(); }
    int PlotHeight() const;
    int Baseline() const;
    int PlotEnd() const { return leftMargin + Count() * Pitch(); }
    int BarLeft(int i) const { return leftMargin + gap / 2 - 2 + i * Pitch(); }
    int PointX(int i) const { return leftMargin + Pitch() / 2 - 2 + i * Pitch(); }

    GraphData& data;
    int kind = 1;        // 1 bars, 0 line
    int legendAlign = 0; // 0 top, 1 middle, 2 bottom
    int legendWidth = 0;
    int legendHeight = 0;
    QRect rect{0, 0, 1, 800}; // where the diagram is shown; a width of 1 means not placed yet
    QRect savedRect;          // rect while the window is maximised
    bool hasRightAxis = false;
    int width = 0; // diagram width in pixels
    int tickCount = 0;
    std::uint32_t step = 1;
    std::uint32_t rightStep = 1;
    int leftMargin;  // x of the plot's first column
    int rightMargin; // room between plot and legend
    int barWidth;
    int gap;
    int scrollOffset = 0;
    int layoutCount = 0; // how often the diagram was laid out
    QString title;
    QString leftLabel;
    QString rightLabel;
    QString legend; // lines separated by "\n", columns by tabs
    QColor fillColour;
    QColor labelColour;

protected:
    virtual void DrawBars(QPainter& painter) = 0;
    virtual void DrawLines(QPainter& painter) = 0;
    virtual void FindMaximum() = 0;
    virtual void ScaleAxis() = 0;
    virtual void ScaleRightAxis() {}

    // Whether box reaches into the region being painted.
    bool Painted(const QRect& box) const { return m_region.intersects(box); }
    // The nights whose columns reach into the region being painted: first .. end - 1.
    int FirstPainted() const;
    int EndPainted() const;

    // A left-axis tick: its number right-aligned left of the axis and a grid line at y.
    void DrawTick(QPainter& painter, int y, const QString& text) const;
    // A filled bar with its value label turned upwards, inside the bar or above it.
    void DrawBar(QPainter& painter, const QRect& bar, const QString& text) const;
    // A point marker in fillColour, joined to the previous point of the same line.
    void DrawPoint(QPainter& painter, QPoint point, std::optional<QPoint>& previous) const;

private:
    bool Painted(QPoint pos, QSize box) const;
    void DrawTurned(QPainter& painter, QPoint pos, QSize box, const QString& text, int flags,
                    const QColor& colour, const QColor& background) const;
    void MeasureLegend();
    void DrawLegend(QPainter& painter) const;
    void DrawFitted(QPainter& painter, QRect box, const QString& text) const;

    QRect m_region; // what Paint is drawing
};
