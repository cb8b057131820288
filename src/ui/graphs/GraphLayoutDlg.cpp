#include "ui/graphs/GraphLayoutDlg.h"

#include "base/Texts.h"
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

enum LayoutText : int {
    TXT_WIDTH = 329,
    TXT_DISTANCE = 330,
    TXT_SAME_FOR_ALL = 331,
    TXT_AXIS_TIP = 332,
    TXT_DISTANCE_TIP = 335,
    TXT_WIDTH_TIP = 336,
    TXT_NAME_TIP = 338,
    TXT_RANGE = 420,
};

QString TemplateText(const char* english, const char* german) {
    return QString::fromUtf8(CurrentLanguage() == Language::German ? german : english);
}

template <typename T> T* WithId(T* widget, int id) {
    SetCommandId(widget, id);
    return widget;
}

} // namespace

CGraphLayoutDlg::CGraphLayoutDlg(const GraphLayout& layout, QWidget* parent)
    : CTipDialog(QStringLiteral("IDD_GRAPH_LAYOUT"), parent), m_layout(layout),
      m_legend(WithId(new QPlainTextEdit(layout.legend, this), 1016)),
      m_widthLabel(new QLabel(this)), m_gapLabel(new QLabel(TemplateText("Gap", "Abstand"), this)) {
    setWindowTitle(TemplateText("Graph settings", "Grafik-Einstellungen"));
    auto* top = new QVBoxLayout(this);

    auto* texts = new QFormLayout;
    const auto edit = [this](int id, const QString& text) {
        return WithId(new QLineEdit(text, this), id);
    };
    texts->addRow(TemplateText("Graph", "Grafik"), edit(1011, layout.title));
    texts->addRow(TemplateText("X-Axis (Date)", "X-Achse (Datum)"), edit(1012, layout.axisTitle));
    texts->addRow(TemplateText("Y-Axis (Value)", "Y-Achse (Wert)"), edit(1014, layout.leftLabel));
    texts->addRow(TemplateText("Y-Axis 2 (Value)", "Y-Achse 2 (Wert)"),
                  edit(1029, layout.rightLabel));
    top->addLayout(texts);

    auto* name = new QGroupBox(TemplateText("Name", "Name"), this);
    (new QVBoxLayout(name))->addWidget(edit(1030, layout.name));
    top->addWidget(name);

    auto* legend = new QGroupBox(TemplateText("Legend", "Legende"), this);
    auto* legendLayout = new QVBoxLayout(legend);
    m_legend->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_legend->setFixedHeight(6 * fontMetrics().height());
    legendLayout->addWidget(m_legend);
    auto* position = new QHBoxLayout;
    position->addWidget(new QLabel(TemplateText("Position", "Position"), legend));
    const int align[] = {1022, 1027, 1028};
    const char* alignText[][2] = {{"Top", "Oben"}, {"Mid", "Mitte"}, {"Bottom", "Unten"}};
    for (int i = 0; i < 3; ++i) {
        auto* radio = WithId(
            new QRadioButton(TemplateText(alignText[i][0], alignText[i][1]), legend), align[i]);
        radio->setChecked(layout.legendAlign == i);
        position->addWidget(radio);
    }
    legendLayout->addLayout(position);
    top->addWidget(legend);

    auto* kind = new QGroupBox(TemplateText("Diagram", "Diagramm"), this);
    auto* kindLayout = new QGridLayout(kind);
    auto* line = WithId(new QRadioButton(TemplateText("Line", "Linie"), kind), 1020);
    auto* bar = WithId(new QRadioButton(TemplateText("Bar", "Balken"), kind), 1021);
    line->setChecked(layout.kind == 0);
    bar->setChecked(layout.kind == 1);
    kindLayout->addWidget(line, 0, 0);
    kindLayout->addWidget(bar, 0, 1);
    kindLayout->addWidget(m_widthLabel, 1, 0);
    kindLayout->addWidget(edit(1023, QString::number(layout.barWidth)), 1, 1);
    kindLayout->addWidget(m_gapLabel, 2, 0);
    kindLayout->addWidget(edit(1024, QString::number(layout.gap)), 2, 1);
    for (int id : {1023, 1024})
        Edit(id)->setValidator(new QIntValidator(0, 999, this));
    top->addWidget(kind);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
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
    if (id != 1020 && id != 1021)
        return CTipDialog::OnCommand(id);
    ShowKind(id == 1021);
    return true;
}

bool CGraphLayoutDlg::GetTipText(int id, QString& text) {
    switch (id) {
    case 1023:
        text = LoadText(Radio(1021)->isChecked() ? TXT_WIDTH_TIP : TXT_DISTANCE_TIP);
        return true;
    case 1012:
        text = LoadText(TXT_AXIS_TIP) + LoadText(TXT_SAME_FOR_ALL);
        return true;
    case 1030:
        text = LoadText(TXT_NAME_TIP) + LoadText(TXT_SAME_FOR_ALL);
        return true;
    default:
        return false;
    }
}

void CGraphLayoutDlg::ShowKind(bool bars) {
    m_gapLabel->setVisible(bars);
    Edit(1024)->setVisible(bars);
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
                QString());
    Edit(id)->setFocus();
    Edit(id)->selectAll();
    return false;
}

void CGraphLayoutDlg::accept() {
    const QString legend = LegendLines();
    m_legend->setPlainText(legend);
    GraphLayout layout = m_layout;
    const bool bars = Radio(1021)->isChecked();
    if (!ReadNumber(1023, 16, 100, layout.barWidth) ||
        (bars && !ReadNumber(1024, 0, 100, layout.gap)))
        return;
    layout.kind = bars ? 1 : Radio(1020)->isChecked() ? 0 : m_layout.kind;
    layout.legendAlign = Radio(1022)->isChecked()   ? 0
                         : Radio(1027)->isChecked() ? 1
                         : Radio(1028)->isChecked() ? 2
                                                    : m_layout.legendAlign;
    layout.title = Edit(1011)->text();
    layout.axisTitle = Edit(1012)->text();
    layout.leftLabel = Edit(1014)->text();
    layout.rightLabel = Edit(1029)->text();
    layout.name = Edit(1030)->text();
    layout.legend = legend;
    m_layout = layout;
    CTipDialog::accept();
}
