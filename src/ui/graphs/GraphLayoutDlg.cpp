#include "ui/graphs/GraphLayoutDlg.h"

#include "base/Texts.h"
#include "ui/common/MyButton.h"
#include "ui/common/ToolTip.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextLayout>
#include <QVBoxLayout>

namespace {

template <typename T> T* WithId(T* widget, int id) {
    SetCommandId(widget, id);
    return widget;
}

} // namespace

CGraphLayoutDlg::CGraphLayoutDlg(const GraphLayout& layout, QWidget* parent)
    : CTipDialog(QStringLiteral("IDD_GRAPH_LAYOUT"), parent), m_layout(layout),
      m_legend(WithId(new QPlainTextEdit(layout.legend, this), IDC_LEGEND)),
      m_widthLabel(new QLabel(this)), m_gapLabel(new QLabel(TemplateText("Gap"), this)) {
    setWindowTitle(TemplateText("Graph settings"));
    auto* top = new QVBoxLayout(this);

    auto* texts = new QFormLayout;
    const auto edit = [this](int id, const QString& text) {
        return WithId(new QLineEdit(text, this), id);
    };
    texts->addRow(TemplateText("Graph"), edit(IDC_GRAPH_TITLE, layout.title));
    texts->addRow(TemplateText("X-Axis (Date)"), edit(IDC_AXIS_TITLE, layout.axisTitle));
    texts->addRow(TemplateText("Y-Axis (Value)"), edit(IDC_LEFT_LABEL, layout.leftLabel));
    texts->addRow(TemplateText("Y-Axis 2 (Value)"), edit(IDC_RIGHT_LABEL, layout.rightLabel));
    top->addLayout(texts);

    auto* name = new QGroupBox(TemplateText("Name"), this);
    (new QVBoxLayout(name))->addWidget(edit(IDC_GRAPH_NAME, layout.name));
    top->addWidget(name);

    auto* legend = new QGroupBox(TemplateText("Legend"), this);
    auto* legendLayout = new QVBoxLayout(legend);
    m_legend->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_legend->setFixedHeight(6 * fontMetrics().height());
    legendLayout->addWidget(m_legend);
    auto* position = new QHBoxLayout;
    position->addWidget(new QLabel(TemplateText("Position"), legend));
    const int align[] = {IDC_LEGEND_TOP, IDC_LEGEND_CENTER, IDC_LEGEND_BOTTOM};
    const char* alignText[] = {"Top", "Mid", "Bottom"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = WithId(new QRadioButton(TemplateText(alignText[i]), legend), align[i]);
        radio->setChecked(layout.legendAlign == i);
        position->addWidget(radio);
    }
    legendLayout->addLayout(position);
    top->addWidget(legend);

    auto* kind = new QGroupBox(TemplateText("Diagram"), this);
    auto* kindLayout = new QGridLayout(kind);
    auto* line = WithId(new QRadioButton(TemplateText("Line"), kind), IDC_LINE);
    auto* bar = WithId(new QRadioButton(TemplateText("Bar"), kind), IDC_BAR);
    line->setChecked(layout.kind == 0);
    bar->setChecked(layout.kind == 1);
    kindLayout->addWidget(line, 0, 0);
    kindLayout->addWidget(bar, 0, 1);
    kindLayout->addWidget(m_widthLabel, 1, 0);
    kindLayout->addWidget(edit(IDC_BAR_WIDTH, QString::number(layout.barWidth)), 1, 1);
    kindLayout->addWidget(m_gapLabel, 2, 0);
    kindLayout->addWidget(edit(IDC_BAR_GAP, QString::number(layout.gap)), 2, 1);
    for (int id : {IDC_BAR_WIDTH, IDC_BAR_GAP})
        Edit(id)->setValidator(new QIntValidator(0, 999, this));
    top->addWidget(kind);

    // The brand buttons of every other dialog, without the style's stock icons.
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = new CKelvoraButton(100, LoadText(TXT_BUTTON_OK), buttons);
    ok->setDefault(true);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(new CKelvoraButton(100, LoadText(TXT_BUTTON_CANCEL), buttons),
                       QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CGraphLayoutDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CGraphLayoutDlg::reject);
    top->addWidget(buttons);
    ShowKind(layout.kind == 1);
}

QLineEdit* CGraphLayoutDlg::Edit(int id) const {
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        if (CommandId(edit) == id)
            return edit;
    }
    return nullptr;
}

QRadioButton* CGraphLayoutDlg::Radio(int id) const {
    for (QRadioButton* radio : findChildren<QRadioButton*>()) {
        if (CommandId(radio) == id)
            return radio;
    }
    return nullptr;
}

bool CGraphLayoutDlg::OnCommand(int id) {
    if (id != IDC_LINE && id != IDC_BAR)
        return CTipDialog::OnCommand(id);
    ShowKind(id == IDC_BAR);
    return true;
}

bool CGraphLayoutDlg::GetTipText(int id, QString& text) {
    switch (id) {
    case IDC_BAR_WIDTH:
        text = LoadText(Radio(IDC_BAR)->isChecked() ? TXT_WIDTH_TIP : TXT_DISTANCE_TIP);
        return true;
    case IDC_AXIS_TITLE:
        text = LoadText(TXT_AXIS_TIP) + LoadText(TXT_SAME_FOR_ALL);
        return true;
    case IDC_GRAPH_NAME:
        text = LoadText(TXT_NAME_TIP) + LoadText(TXT_SAME_FOR_ALL);
        return true;
    default:
        return false;
    }
}

void CGraphLayoutDlg::ShowKind(bool bars) {
    m_gapLabel->setVisible(bars);
    Edit(IDC_BAR_GAP)->setVisible(bars);
    m_widthLabel->setText(LoadText(bars ? TXT_WIDTH : TXT_DISTANCE));
}

QString CGraphLayoutDlg::LegendLines() const {
    QStringList lines;
    m_legend->document()->documentLayout(); // lays the text out at the edit's width
    for (QTextBlock block = m_legend->document()->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (!layout || layout->lineCount() == 0) {
            lines.append(block.text());
            continue;
        }
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            // A wrapped line keeps the blank it was wrapped at; the legend line does not.
            lines.append(block.text().mid(line.textStart(), line.textLength()).trimmed());
        }
    }
    return lines.join(u'\n');
}

bool CGraphLayoutDlg::ReadNumber(int id, int low, int high, int& value) {
    bool ok = false;
    const int number = Edit(id)->text().toInt(&ok);
    if (ok && number >= low && number <= high) {
        value = number;
        return true;
    }
    ShowMessage(FormatText(TXT_RANGE, {QString::number(low), QString::number(high)}), MB_OK,
                QCoreApplication::applicationName());
    Edit(id)->setFocus();
    Edit(id)->selectAll();
    return false;
}

void CGraphLayoutDlg::accept() {
    const QString legend = LegendLines();
    m_legend->setPlainText(legend);
    GraphLayout layout = m_layout;
    const bool bars = Radio(IDC_BAR)->isChecked();
    if (!ReadNumber(IDC_BAR_WIDTH, 16, 100, layout.barWidth) ||
        (bars && !ReadNumber(IDC_BAR_GAP, 0, 100, layout.gap)))
        return;
    layout.kind = bars ? 1 : Radio(IDC_LINE)->isChecked() ? 0 : m_layout.kind;
    layout.legendAlign = Radio(IDC_LEGEND_TOP)->isChecked()      ? 0
                         : Radio(IDC_LEGEND_CENTER)->isChecked() ? 1
                         : Radio(IDC_LEGEND_BOTTOM)->isChecked() ? 2
                                                                 : m_layout.legendAlign;
    layout.title = Edit(IDC_GRAPH_TITLE)->text();
    layout.axisTitle = Edit(IDC_AXIS_TITLE)->text();
    layout.leftLabel = Edit(IDC_LEFT_LABEL)->text();
    layout.rightLabel = Edit(IDC_RIGHT_LABEL)->text();
    layout.name = Edit(IDC_GRAPH_NAME)->text();
    layout.legend = legend;
    m_layout = layout;
    CTipDialog::accept();
}
