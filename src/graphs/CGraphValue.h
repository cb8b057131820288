#pragma once

#include "graphs/CGraph.h"
#include "graphs/GraphResources.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>
#include <type_traits>

// A diagram of one value per night, whole numbers (CGraphUInt) or real numbers (CGraphDouble).
// Whole numbers scale their axis to at least MinimumTop; real numbers take no minimum.
template <typename T> class CGraphValue : public CGraph {
public:
    static constexpr bool kWhole = std::is_integral_v<T>;
    // Axis tops of whole numbers are kept in 64 bits: 1.5 times a large maximum exceeds 32.
    using Top = std::conditional_t<kWhole, std::uint64_t, double>;

    using CGraph::CGraph;

    QString NumberFormat(double value) const override {
        return kWhole ? QString::number(static_cast<std::int64_t>(value)) : LocaleNumber(value, 2);
    }
    // The value of night index, its text written to text.
    virtual T ValueAt(int index, QString& text) {
        const T value = ElementValue(data.nights.At(index));
        text = NumberFormat(value);
        return value;
    }

    T dataMax = 0;
    Top axisTop = 0;

protected:
    virtual T ElementValue(const CStats& night) const = 0;
    virtual T MinimumTop() const = 0;

    // Pixel height of value against top; 0 for a top of 0.
    int PixelHeight(Top value, Top top) const {
        const int plot = std::max(0, PlotHeight());
        if (top == 0)
            return 0;
        if constexpr (kWhole)
            return static_cast<int>(static_cast<std::uint64_t>(plot) * value / top);
        else
            return static_cast<int>(plot * value / top);
    }

    void FindMaximum() override {
        dataMax = 0;
        for (int i = 0; i < Count(); ++i)
            dataMax = std::max(dataMax, ElementValue(data.nights.At(i)));
    }

    // The smallest round step with which ten steps reach 1.5 times the maximum.
    void ScaleAxis() override {
        const GraphResources& r = GraphResources::Get();
        QString topText;
        if constexpr (kWhole) {
            const Top target = std::max<Top>(Top(dataMax) * 3 / 2, MinimumTop());
            step = RoundStep(target / 10.0);
            tickCount = static_cast<int>((target + step - 1) / step);
            axisTop = Top(tickCount) * step;
            topText = QString::number(axisTop);
        } else {
            const double target = 1.5 * dataMax;
            step = RoundStep(target / 10.0);
            tickCount = static_cast<int>(std::ceil(target / step));
            axisTop = double(tickCount) * step;
            topText = LocaleNumber(axisTop, 1);
        }
        leftMargin = r.HC + 2 * r.LH + QFontMetrics(r.font).horizontalAdvance(topText) + 4;
    }

    void DrawLeftTicks(QPainter& painter) const {
        for (int k = 1; k <= tickCount; ++k) {
            const Top value = Top(k) * step;
            DrawTick(painter, Baseline() - PixelHeight(value, axisTop), NumberFormat(value));
        }
    }

    void DrawBars(QPainter& painter) override {
        if (Count() == 0)
            return;
        DrawLeftTicks(painter);
        for (int i = FirstPainted(); i < EndPainted(); ++i) {
            fillColour = kValueColour;
            labelColour = Qt::white;
            QString text;
            const int h = PixelHeight(ValueAt(i, text), axisTop);
            DrawBar(painter, QRect(BarLeft(i), Baseline() - h, barWidth, h), text);
        }
    }

    void DrawLines(QPainter& painter) override {
        if (Count() == 0)
            return;
        DrawLeftTicks(painter);
        fillColour = kValueColour;
        std::optional<QPoint> previous;
        for (int i = FirstPainted(); i < EndPainted(); ++i) {
            const int h = PixelHeight(ElementValue(data.nights.At(i)), axisTop);
            DrawPoint(painter, QPoint(PointX(i), Baseline() - h), previous);
        }
    }
};

class CGraphUInt : public CGraphValue<std::uint32_t> {
public:
    using CGraphValue::CGraphValue;
};

class CGraphDouble : public CGraphValue<double> {
public:
    using CGraphValue::CGraphValue;
};
