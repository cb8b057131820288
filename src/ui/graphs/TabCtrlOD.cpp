#include "ui/graphs/TabCtrlOD.h"

#include "base/Texts.h"
#include "graphs/CGraph.h"

#include <QHelpEvent>
#include <QPainter>
#include <QTabBar>
#include <QToolTip>

#include <stdexcept>

namespace {

constexpr int kMargin = 2; // between the control's edge and the display area
constexpr std::array kTabTexts{TXT_TAB_EVENTS, TXT_TAB_DURATION, TXT_TAB_MAX_DURATION,
                               TXT_TAB_AVG_DURATION, TXT_TAB_TOTAL_DURATION};

} // namespace

CTabCtrlOD::CTabCtrlOD(const CStatsArray& nights, bool extraInfo, QWidget* parent)
    : QWidget(parent), m_data(nights), m_tabBar(new QTabBar(this)) {
    m_data.axisTitle = LoadText(TXT_DATE);
    m_data.extraInfo = extraInfo;
    m_tabBar->setDrawBase(false);
    m_tabBar->setExpanding(false);
    for (int id : kTabTexts)
        m_tabBar->addTab(LoadText(id));
    m_tabBar->adjustSize();
    m_headerWidth = 24;
    for (int tab = 0; tab < m_tabBar->count(); ++tab)
        m_headerWidth += m_tabBar->tabRect(tab).width();
    connect(m_tabBar, &QTabBar::currentChanged, this, &CTabCtrlOD::currentChanged);
}

void CTabCtrlOD::CreateDiagrams() {
    m_data.name = NightsName(m_data.nights);
    m_graphs = CreateGraphs(m_data);
    for (auto& graph : m_graphs)
        graph->Layout();
}

CGraph& CTabCtrlOD::Graph(int tab) const {
    if (tab < 0 || tab >= kGraphCount || !m_graphs[tab])
        throw std::invalid_argument("no diagram at this tab");
    return *m_graphs[tab];
}

CGraph* CTabCtrlOD::Current() const {
    const int tab = CurrentTab();
    return tab >= 0 ? m_graphs[tab].get() : nullptr;
}

int CTabCtrlOD::CurrentTab() const {
    return m_tabBar->currentIndex();
}

void CTabCtrlOD::SetCurrentTab(int tab) {
    m_tabBar->setCurrentIndex(tab);
}

QRect CTabCtrlOD::DisplayAreaFor(QSize display) const {
    return {QPoint(kMargin, m_tabBar->sizeHint().height() + kMargin), display};
}

QSize CTabCtrlOD::FrameSize() const {
    return {2 * kMargin, m_tabBar->sizeHint().height() + 2 * kMargin};
}

QString CTabCtrlOD::TooltipAt(QPoint point) const {
    const CGraph* graph = Current();
    if (!graph)
        return {};
    if (graph->Count() == 0)
        return graph->rect.contains(point) ? LoadText(TXT_NO_DATA) : QString();
    return graph->TooltipText(graph->HitTest(point));
}

void CTabCtrlOD::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (CGraph* graph = Current()) {
        painter.fillRect(DisplayArea(), Qt::white);
        graph->Present(painter, graph->scrollOffset);
    }
}

bool CTabCtrlOD::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString text = TooltipAt(help->pos());
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), text, this);
    return true;
}
