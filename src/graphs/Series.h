#pragma once

#include "graphs/CGraphValue.h"

#include <array>
#include <memory>

// The five statistic series of a set of nights, in tab order.

// Events per night; bars red or orange when the night had dead or low battery levels.
class CEvents : public CGraphUInt {
public:
    explicit CEvents(GraphData& data);
    QString ValueText(int index) const override;
    std::uint32_t ValueAt(int index, QString& text) override;

protected:
    std::uint32_t ElementValue(const CStats& night) const override { return night.Events(); }
    std::uint32_t MinimumTop() const override { return 30; }
};

// Maximum duration (left axis) and average duration (right axis) side by side.
class CDuration : public CGraphUInt {
public:
    explicit CDuration(GraphData& data);
    QString ValueText(int index) const override;
    int Pitch() const override;

    std::uint32_t rightDataMax = 0;
    std::uint64_t rightAxisTop = 0;

protected:
    std::uint32_t ElementValue(const CStats& night) const override { return night.maxDurationMs; }
    std::uint32_t MinimumTop() const override { return 2000; }
    std::uint32_t RightMinimumTop() const { return 1000; }
    void FindMaximum() override;
    void ScaleRightAxis() override;
    void DrawBars(QPainter& painter) override;
    void DrawLines(QPainter& painter) override;

private:
    void DrawRightTicks(QPainter& painter) const;
};

class CMaxDuration : public CGraphUInt {
public:
    explicit CMaxDuration(GraphData& data);
    QString ValueText(int index) const override;

protected:
    std::uint32_t ElementValue(const CStats& night) const override { return night.maxDurationMs; }
    std::uint32_t MinimumTop() const override { return 2000; }
};

class CAvgDuration : public CGraphUInt {
public:
    explicit CAvgDuration(GraphData& data);
    QString ValueText(int index) const override;

protected:
    std::uint32_t ElementValue(const CStats& night) const override { return night.avgDurationMs; }
    std::uint32_t MinimumTop() const override { return 1000; }
};

class CTotalDuration : public CGraphDouble {
public:
    explicit CTotalDuration(GraphData& data);
    QString ValueText(int index) const override;
    QString NumberFormat(double value) const override { return LocaleNumber(value, 1); }

protected:
    double ElementValue(const CStats& night) const override { return night.totalSeconds; }
    double MinimumTop() const override { return 10.0; }
};

inline constexpr int kGraphCount = 5;
using Graphs = std::array<std::unique_ptr<CGraph>, kGraphCount>;

// The five diagrams on data, measured, in tab order.
Graphs CreateGraphs(GraphData& data);
