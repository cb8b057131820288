#include "ui/graphs/GraphsDlg.h"

#include "base/Texts.h"
#include "data/NightsCsv.h"
#include "data/Prepare.h"
#include "graphs/CGraph.h"
#include "graphs/ExportImage.h"
#include "graphs/GraphResources.h"
#include "graphs/Logos.h"
#include "graphs/PrintWin.h"
#include "ui/common/ToolTip.h"
#include "ui/graphs/GraphLayoutDlg.h"
#include "ui/graphs/TabCtrlOD.h"

#include <QCoreApplication>
#include <QDir>
#include <QMenuBar>
#include <QResizeEvent>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>
#include <QTextStream>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

namespace {

constexpr std::uint32_t kMinimumVersion = 768;
// The least offset of a further graphs window from the last one, when the title bar's height
// is not known (no window frame).
constexpr int kCascadeStep = 24;

// The least display width that shows a diagram readably: its axes and legend whole, and a few
// nights of its plot to scroll through.
int LeastDisplayWidth(const CGraph& graph) {
    constexpr int kNights = 3;
    const int plot = graph.Count() * graph.Pitch();
    return graph.width - plot + std::min(plot, kNights * graph.Pitch());
}

QAction* AddItem(QMenu* menu, int id, const QString& text) {
    QAction* action = menu->addAction(text);
    SetCommandId(action, id);
    return action;
}

} // namespace

CGraphsDlg::CGraphsDlg(const QString& folder, bool extraInfo, QWidget* owner)
    : CTipDialog(QStringLiteral("IDD_GRAPHS"), owner), m_folder(folder),
      m_tabs(new CTabCtrlOD(m_events.Nights(), extraInfo, this)),
      m_scrollBar(new QScrollBar(Qt::Horizontal, this)), m_menuBar(new QMenuBar(this)) {
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Kelvora Graphs"));
    setWindowIcon(ProgramIcon());
    setSizeGripEnabled(false);
    SetCommandId(m_tabs, IDC_GRAPH_TABS);
    GraphResources::Create();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_scrollBar);
    BuildMenu();
    setMinimumSize(m_tabs->HeaderWidth(), 400);

    connect(m_tabs, &CTabCtrlOD::currentChanged, this, &CGraphsDlg::OnTabChanged);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &CGraphsDlg::OnScroll);
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
}

CGraphsDlg::~CGraphsDlg() {
    CWndQueue::Get().Remove(this);
}

void CGraphsDlg::BuildMenu() {
    QMenu* file = m_menuBar->addMenu(TemplateText("File"));
    AddItem(file, ID_SAVE_GRAPH, TemplateText("Save selected graph"));
    AddItem(file, ID_SAVE_ALL, TemplateText("Save all graphs"));
    file->addSeparator();
    AddItem(file, ID_SAVE_STATISTICS, TemplateText("Save statistics as CSV"));
    QMenu* print = m_menuBar->addMenu(TemplateText("Print"));
    AddItem(print, ID_PRINT_GRAPH, TemplateText("Selected graph"));
    AddItem(print, ID_PRINT_ALL, TemplateText("All graphs"));
    print->addSeparator();
    AddItem(print, ID_SELECT_PRINTER, TemplateText("Select new printer ..."));
    SetCommandId(m_menuBar->addAction(TemplateText("Labels")), ID_LABELS);
    // In a menu of its own, so that its check mark can be seen.
    QMenu* options = m_menuBar->addMenu(TemplateText("Options"));
    m_testBurstsItem = AddItem(options, ID_NO_TEST_BURSTS, TemplateText("No test bursts"));
    m_testBurstsItem->setCheckable(true);
    for (QMenu* menu : {file, print, options})
        MenuTip().Attach(menu);
    connect(m_menuBar, &QMenuBar::triggered, this,
            [this](QAction* action) { OnCommand(CommandId(action)); });
}

int CGraphsDlg::LoadFiles(const QStringList& paths, const CTimeRange& range1,
                          const CTimeRange& range2) {
    int loaded = 0;
    for (const CFileLoad& load : m_events.LoadFiles(paths, {range1, range2}, kMinimumVersion)) {
        if (load.opened && !load.valid)
            ShowMessage(load.message, MB_OK, QCoreApplication::applicationName());
        loaded += load.valid ? 1 : 0;
    }
    return loaded;
}

bool CGraphsDlg::LoadFile(const QString& path, const CTimeRange& range1, const CTimeRange& range2) {
    return LoadFiles({path}, range1, range2) == 1;
}

bool CGraphsDlg::Open(bool includeTestBursts) {
    if (m_events.GetCount() == 0)
        return false;
    Prepare(m_events, includeTestBursts);
    m_events.Nights().ComputeAll();
    m_noTestBursts = !includeTestBursts;
    m_testBurstsItem->setChecked(m_noTestBursts);
    Fill();
    // A further window opens below and right of the last one, so that it hides none.
    if (!CWndQueue::Get().Windows().isEmpty()) {
        const CGraphsDlg* last = CWndQueue::Get().Windows().constLast();
        const int step =
            std::max(last->geometry().top() - last->frameGeometry().top(), kCascadeStep);
        QPoint at = last->pos() + QPoint(step, step);
        // Back to the top left corner before the title bar leaves the screen.
        if (const QScreen* shown = last->screen()) {
            const QRect area = shown->availableGeometry();
            if (!area.contains(at + QPoint(kCascadeStep, kCascadeStep) * 4))
                at = area.topLeft();
        }
        move(at);
    }
    CWndQueue::Get().Add(this);
    show();
    OnTabChanged(); // fits again now that the window frame is known
    return true;
}

void CGraphsDlg::Fill() {
    m_tabs->CreateDiagrams();
    for (int tab = 0; tab < kGraphCount; ++tab) {
        CGraph& graph = m_tabs->Graph(tab);
        FitWindow(graph);
        graph.rect =
            m_tabs->DisplayAreaFor(graph.rect.size().expandedTo(QSize(m_tabs->HeaderWidth(), 0)));
    }
    OnTabChanged();
}

void CGraphsDlg::FitWindow(const CGraph& graph) {
    const QSize display = graph.rect.size().expandedTo(QSize(m_tabs->HeaderWidth(), 0));
    const QSize tabs = m_tabs->SizeFor(display);
    QSize size(tabs.width(),
               tabs.height() + m_menuBar->sizeHint().height() + m_scrollBar->sizeHint().height());
    // Never beyond the screen, frame included: a wider diagram scrolls, a taller one is laid
    // out to the height there is, so that its dates and the scroll bar stay in reach.
    if (const QScreen* shown = screen()) {
        const QSize frame = frameGeometry().size() - geometry().size();
        size = size.boundedTo(shown->availableGeometry().size() - frame);
    }
    resize(size);
}

void CGraphsDlg::OnTabChanged() {
    CGraph* graph = m_tabs->Current();
    if (!graph)
        return;
    UpdateMinimumWidth();
    if (!m_tabs->maximized)
        FitWindow(*graph);
    FitDiagramsToWindow();
}

void CGraphsDlg::UpdateMinimumWidth() {
    const CGraph* graph = m_tabs->Current();
    if (!graph)
        return;
    // Never so narrow that the axis labels pile up or the legend is cut, but never wider than
    // the screen either.
    int least = std::max(m_tabs->HeaderWidth(),
                         m_tabs->SizeFor(QSize(LeastDisplayWidth(*graph), 0)).width());
    if (const QScreen* shown = screen()) {
        const int frame = frameGeometry().width() - geometry().width();
        least = std::min(least, shown->availableGeometry().width() - frame);
    }
    setMinimumWidth(least);
}

void CGraphsDlg::UpdateScrollBar() {
    const CGraph* graph = m_tabs->Current();
    const int visible = graph ? graph->rect.width() : 0;
    if (!graph || visible >= graph->width) {
        const QSignalBlocker block(m_scrollBar);
        m_scrollBar->setRange(0, 0);
        m_scrollBar->setEnabled(false);
        return;
    }
    const QSignalBlocker block(m_scrollBar);
    m_scrollBar->setRange(0, graph->width - visible);
    m_scrollBar->setPageStep(std::max(1, graph->Count() * graph->Pitch() / 8));
    m_scrollBar->setSingleStep(1);
    m_scrollBar->setValue(graph->scrollOffset);
    m_scrollBar->setEnabled(true);
}

void CGraphsDlg::OnScroll(int position) {
    if (CGraph* graph = m_tabs->Current()) {
        graph->scrollOffset = position;
        m_tabs->update();
    }
}

void CGraphsDlg::FitDiagramsToWindow() {
    if (!m_tabs->Current() || m_tabs->minimized)
        return;
    layout()->activate();
    const QRect display = m_tabs->DisplayArea();
    for (int tab = 0; tab < kGraphCount; ++tab) {
        CGraph& graph = m_tabs->Graph(tab);
        if ((m_tabs->maximized || &graph == m_tabs->Current()) && graph.rect != display) {
            graph.rect = display;
            graph.Layout();
        }
    }
    UpdateScrollBar();
    m_tabs->update();
}

void CGraphsDlg::resizeEvent(QResizeEvent* event) {
    CTipDialog::resizeEvent(event);
    FitDiagramsToWindow();
}

void CGraphsDlg::changeEvent(QEvent* event) {
    CTipDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !m_tabs->Current())
        return;
    const Qt::WindowStates old = static_cast<QWindowStateChangeEvent*>(event)->oldState();
    if (isMinimized()) {
        m_tabs->minimized = true;
    } else if (isMaximized() && !(old & Qt::WindowMaximized)) {
        m_tabs->minimized = false;
        m_tabs->maximized = true;
        for (int tab = 0; tab < kGraphCount; ++tab)
            m_tabs->Graph(tab).savedRect = m_tabs->Graph(tab).rect;
        FitDiagramsToWindow();
    } else if (m_tabs->minimized) {
        m_tabs->minimized = false;
    } else if (m_tabs->maximized && !isMaximized()) {
        m_tabs->maximized = false;
        for (int tab = 0; tab < kGraphCount; ++tab) {
            CGraph& graph = m_tabs->Graph(tab);
            graph.rect = graph.savedRect;
            graph.Layout();
        }
        OnTabChanged();
    }
}

bool CGraphsDlg::OnCommand(int id) {
    switch (id) {
    case ID_SAVE_GRAPH:
        if (SaveImage(-1))
            ShowStored();
        return true;
    case ID_SAVE_ALL:
        SaveAll();
        return true;
    case ID_SAVE_STATISTICS:
        if (SaveStatistics())
            ShowMessage(
                FormatText(TXT_STATISTICS_STORED, {QDir::toNativeSeparators(StatisticsFileName())}),
                MB_OK, QCoreApplication::applicationName());
        return true;
    case ID_PRINT_GRAPH:
        Print(m_tabs->CurrentTab(), m_tabs->CurrentTab());
        return true;
    case ID_PRINT_ALL:
        Print(0, kGraphCount - 1);
        return true;
    case ID_SELECT_PRINTER:
        CPrintWin::SelectPrinter(AppPrinter(), this);
        return true;
    case ID_LABELS:
        EditLayout();
        return true;
    case ID_NO_TEST_BURSTS:
        ToggleTestBursts();
        return true;
    default:
        return CTipDialog::OnCommand(id);
    }
}

bool CGraphsDlg::SaveImage(int tab) {
    if (tab == -1)
        tab = m_tabs->CurrentTab();
    return ::SaveImage(m_tabs->Graph(tab), tab, m_folder);
}

void CGraphsDlg::ShowStored() const {
    ShowMessage(LoadText(TXT_STORED_IN) + QDir::toNativeSeparators(m_folder), MB_OK,
                QCoreApplication::applicationName());
}

void CGraphsDlg::SaveAll() {
    QList<CGraph*> graphs;
    for (int tab = 0; tab < kGraphCount; ++tab)
        graphs.append(&m_tabs->Graph(tab));
    if (SaveImages(graphs, m_folder))
        ShowStored();
}

QString CGraphsDlg::StatisticsFileName() const {
    // The PNG files' name rule, so that the table sorts next to the diagrams.
    QString path = ImageFileName(m_folder, m_tabs->Data().name, 1, 0);
    path.chop(QStringLiteral("_Bar_Graph_0.png").size());
    return path + QStringLiteral("_Statistics.csv");
}

bool CGraphsDlg::SaveStatistics() {
    const QString path = StatisticsFileName();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        QTextStream out(&file);
        WriteNightsCsv(out, m_events.Nights());
        out.flush();
        if (file.commit())
            return true;
    }
    ShowMessage(FormatText(TXT_CSV_NOT_WRITTEN, {QDir::toNativeSeparators(path)}), MB_OK,
                QCoreApplication::applicationName());
    return false;
}

void CGraphsDlg::Print(int firstTab, int lastTab) {
    CPrintWin job;
    if (!job.StartJob(this))
        return;
    for (int tab = firstTab; tab <= lastTab; ++tab)
        job.PrintImage(m_tabs->Graph(tab).Render());
}

void CGraphsDlg::EditLayout() {
    CGraph* graph = m_tabs->Current();
    if (!graph)
        return;
    GraphLayout layout;
    graph->ExportLayout(layout);
    CGraphLayoutDlg dialog(layout, this);
    if (dialog.exec() == QDialog::Accepted)
        ApplyLayout(dialog.Layout());
}

void CGraphsDlg::ApplyLayout(const GraphLayout& layout) {
    CGraph* graph = m_tabs->Current();
    const bool shared =
        layout.name != m_tabs->Data().name || layout.axisTitle != m_tabs->Data().axisTitle;
    graph->ImportLayout(layout);
    for (int tab = 0; tab < kGraphCount; ++tab) {
        if (shared || &m_tabs->Graph(tab) == graph)
            m_tabs->Graph(tab).Layout();
    }
    UpdateMinimumWidth();
    UpdateScrollBar();
    m_tabs->update();
}

void CGraphsDlg::ToggleTestBursts() {
    m_noTestBursts = !m_noTestBursts;
    m_testBurstsItem->setChecked(m_noTestBursts);
    ReclassifyTestBursts(m_events, !m_noTestBursts);
    m_events.Nights().ComputeAll();
    Fill();
}

CWndQueue& CWndQueue::Get() {
    static CWndQueue queue;
    return queue;
}

void CWndQueue::CloseAll() {
    const QList<CGraphsDlg*> windows = m_windows;
    for (CGraphsDlg* window : windows)
        delete window;
    m_windows.clear();
}
