#include "ui/service/AdcHistoryDlg.h"

#include "base/CmdIds.h"
#include "base/Texts.h"
#include "ui/common/MyButton.h"
#include "ui/common/ToolTip.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

CAdcHistoryDlg::CAdcHistoryDlg(const QString& reply, QWidget* parent)
    : QDialog(parent), m_list(new QTableWidget(0, 2, this)) {
    setWindowTitle(LoadText(TXT_ADC_HISTORY));
    SetCommandId(m_list, IDC_HISTORY_LIST);
    m_list->setHorizontalHeaderLabels(
        {LoadText(TXT_HISTORY_BATTERY), LoadText(TXT_HISTORY_SENSOR)});
    m_list->verticalHeader()->hide();
    // Rows as high as a line of text, so that many values fit.
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QHeaderView* header = m_list->horizontalHeader();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setHighlightSections(false);

    QStringList lines = reply.split(u'\n');
    lines.removeFirst();
    for (const QString& line : std::as_const(lines)) {
        if (line.isEmpty())
            continue;
        const int row = m_list->rowCount();
        m_list->insertRow(row);
        m_list->setItem(row, 0, new QTableWidgetItem(line.section(u'\t', 0, 0)));
        m_list->setItem(row, 1, new QTableWidgetItem(line.section(u'\t', 1)));
        for (int column = 0; column < 2; ++column)
            m_list->item(row, column)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }

    auto* top = new QVBoxLayout(this);
    top->addWidget(m_list);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new CKelvoraButton(100, LoadText(TXT_BUTTON_OK), this);
    ok->setMinimumWidth(ok->sizeHint().width() + 24);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(ok);
    top->addLayout(buttons);
    resize(320, 360);
}

void CAdcHistoryDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Both columns share the list's width, less room for a vertical scroll bar.
    const int scrollBar = m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int width = (m_list->contentsRect().width() - scrollBar) / 2;
    m_list->setColumnWidth(0, width);
    m_list->setColumnWidth(1, width);
}
