#pragma once

#include "data/CDataArray.h"
#include "ui/common/TipDialog.h"

class CGraph;
struct GraphLayout;
class CTabCtrlOD;
class QAction;
class QMenuBar;
class QScrollBar;

// A graphs window: the five diagrams of the nights of the loaded files, in tabs, with a
// scroll bar for diagrams wider than the window, and menus to save, print and relabel them.
// Several can be open at once, each a top-level window that owns its data.
class CGraphsDlg : public CTipDialog {
    Q_OBJECT
public:
    // folder: where "Save" puts the PNG files; extraInfo: class counts on the events bars.
    // owner: the main window; the graphs window stays a window of its own, but it must be
    // owned by the main window, which runs modally, to receive input.
    CGraphsDlg(const QString& folder, bool extraInfo, QWidget* owner = nullptr);
    ~CGraphsDlg() override;

    // Adds the events of the data files that fall into range1, then range2, file by file in
    // this order (read on all cores). A file that cannot be opened is skipped silently; the
    // ones that fail validation are reported afterwards. Returns the number of files loaded.
    int LoadFiles(const QStringList& paths, const CTimeRange& range1, const CTimeRange& range2);
    // LoadFiles of one file; false when it was skipped.
    bool LoadFile(const QString& path, const CTimeRange& range1, const CTimeRange& range2);
    // Prepares the events, computes the nights and shows the window; false without events.
    bool Open(bool includeTestBursts);

    bool OnCommand(int id) override;

    CTabCtrlOD& Tabs() const { return *m_tabs; }
    QScrollBar& ScrollBar() const { return *m_scrollBar; }
    QMenuBar& MenuBar() const { return *m_menuBar; }
    const CDataArray& Events() const { return m_events; }
    bool NoTestBursts() const { return m_noTestBursts; }

    // Takes over the settings of the layout dialog into the current diagram and lays it out
    // again, or all five when the shared name or axis title changed.
    void ApplyLayout(const GraphLayout& layout);
    // Writes the nightly statistics as CSV next to the PNG files, as "veltrum-cli report --csv"
    // does; a file that cannot be written is reported.
    bool SaveStatistics();
    QString StatisticsFileName() const;
    // Writes the diagram of a tab (-1: the selected one) as PNG into the window's folder.
    bool SaveImage(int tab);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildMenu();
    // New diagrams on the current statistics, each window-sized, the selected one shown.
    void Fill();
    // Sizes the window so that the diagram is shown without scrolling, but never narrower
    // than the tab headers.
    void FitWindow(const CGraph& graph);
    void OnTabChanged();
    // The current diagram's axes, legend and a few nights always fit.
    void UpdateMinimumWidth();
    void UpdateScrollBar();
    void OnScroll(int position);
    // Every diagram, or only the current one, takes the display area and is laid out again.
    void FitDiagramsToWindow();
    // "Stored in folder" and the folder.
    void ShowStored() const;
    void SaveAll();
    void Print(int firstTab, int lastTab);
    void EditLayout();
    void ToggleTestBursts();

    QString m_folder;
    CDataArray m_events;
    bool m_noTestBursts = false;
    CTabCtrlOD* m_tabs;
    QScrollBar* m_scrollBar;
    QMenuBar* m_menuBar;
    QAction* m_testBurstsItem = nullptr;
};

// The open graphs windows of the process.
class CWndQueue {
public:
    static CWndQueue& Get();
    void Add(CGraphsDlg* window) { m_windows.append(window); }
    void Remove(CGraphsDlg* window) { m_windows.removeAll(window); }
    const QList<CGraphsDlg*>& Windows() const { return m_windows; }
    // Closes and destroys every open graphs window.
    void CloseAll();

private:
    QList<CGraphsDlg*> m_windows;
};
