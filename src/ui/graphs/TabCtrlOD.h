#pragma once

#include "graphs/GraphData.h"
#include "graphs/Series.h"

#include <QWidget>

class QTabBar;

// The five diagrams of a graphs window under a row of tabs. The selected tab's diagram is shown
// in the display area below the tabs, scrolled to its scrollOffset; each diagram's rect is in
// this widget's coordinates.
class CTabCtrlOD : public QWidget {
    Q_OBJECT
public:
    CTabCtrlOD(const CStatsArray& nights, bool extraInfo, QWidget* parent);

    // New diagrams on the nights, measured and laid out at their natural size; the name line
    // from the first and the last night.
    void CreateDiagrams();

    GraphData& Data() { return m_data; }
    CGraph& Graph(int tab) const;
    CGraph* Current() const;
    int CurrentTab() const;
    void SetCurrentTab(int tab);
    QTabBar* TabBar() const { return m_tabBar; }
    // 24 + the widths of the five tab headers: the smallest width a diagram area gets.
    int HeaderWidth() const { return m_headerWidth; }
    // The display area of the control's current size, and where a display area of a given
    // size would be.
    QRect DisplayArea() const { return DisplayAreaFor(size() - FrameSize()); }
    QRect DisplayAreaFor(QSize display) const;
    // The control's size around a display area of the given size.
    QSize SizeFor(QSize display) const { return display + FrameSize(); }
    // The tooltip of a point: the date and value of the night under it, or nothing.
    QString TooltipAt(QPoint point) const;

    bool maximized = false;
    bool minimized = false;

signals:
    void currentChanged(int tab);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QSize FrameSize() const;

    GraphData m_data;
    Graphs m_graphs;
    QTabBar* m_tabBar;
    int m_headerWidth = 0;
};
