#pragma once

#include "graphs/CGraph.h"
#include "ui/common/TipDialog.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

// "Graph settings": the texts, the kind, the bar width and gap, and the legend position of one
// diagram; the name and the axis title are shared by all diagrams of the window.
class CGraphLayoutDlg : public CTipDialog {
    Q_OBJECT
public:
    CGraphLayoutDlg(const GraphLayout& layout, QWidget* parent = nullptr);

    // The settings as entered, valid after the dialog was closed with OK.
    const GraphLayout& Layout() const { return m_layout; }

    bool OnCommand(int id) override;
    bool GetTipText(int id, QString& text) override;
    // Breaks the legend where it wraps, checks the ranges (a message and no close when one is
    // out of range) and takes the values over.
    void accept() override;

    QLineEdit* Edit(int id) const;
    QPlainTextEdit* LegendEdit() const { return m_legend; }
    QRadioButton* Radio(int id) const;
    QLabel* WidthLabel() const { return m_widthLabel; }

private:
    // Bars have a gap, and their width is a width; for lines it is the distance of the points.
    void ShowKind(bool bars);
    // The legend with a line break wherever the edit wraps it.
    QString LegendLines() const;
    bool ReadNumber(int id, int low, int high, int& value);

    GraphLayout m_layout;
    QPlainTextEdit* m_legend;
    QLabel* m_widthLabel;
    QLabel* m_gapLabel;
};
