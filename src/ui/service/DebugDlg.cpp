#include "ui/service/DebugDlg.h"

#include "base/Scan.h"
#include "base/Texts.h"
#include "graphs/Brand.h"
#include "link/DeviceState.h"
#include "ui/common/MyButton.h"
#include "ui/service/AdcHistoryDlg.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

namespace {

// Where the dialog stands: 400 dialog units right of its owner's top-left corner.
constexpr int kPlaceX = 600;
// The gap that a line edit leaves between its contents rectangle and its text.
constexpr int kLineEditTextMargin = 2;

template <typename T> T* WithId(T* widget, int id) {
    SetCommandId(widget, id);
    return widget;
}

// A read-only field in the font of fixed-width digits, which tells where its text begins.
class CDigitsField : public QLineEdit {
public:
    explicit CDigitsField(int id, QWidget* parent) : QLineEdit(parent) {
        SetCommandId(this, id);
        setReadOnly(true);
        // Reached by a click (to copy the value), not by Tab.
        setFocusPolicy(Qt::ClickFocus);
        setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }
    // The x of the first character's left edge.
    int TextLeft() const {
        QStyleOptionFrame option;
        initStyleOption(&option);
        const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
        return contents.left() + textMargins().left() + kLineEditTextMargin;
    }
};

QLineEdit* ValueField(int id, const QString& unit, QWidget* parent) {
    auto* field = WithId(new QLineEdit(parent), id);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    field->setPlaceholderText(unit);
    field->setAlignment(Qt::AlignRight);
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 16);
    return field;
}

CKelvoraButton* Button(int id, const QString& text, QWidget* parent) {
    auto* button = WithId(new CKelvoraButton(100, text, parent), id);
    button->setAutoDefault(false);
    button->setMinimumHeight(button->sizeHint().height() + 6);
    return button;
}

} // namespace

const QColor CDebugDlg::kUntested = kBrandColour;
const QColor CDebugDlg::kLowBatt = QColor(255, 0, 0);
const QColor CDebugDlg::kBattOk = QColor(0, 255, 0);

CDebugDlg::CDebugDlg(QWidget* parent) : CUsbCommDlg(QStringLiteral("IDD_DEBUG"), parent) {
    setWindowTitle(TemplateText("Debug"));
    for (CDevCmd* cmd : std::initializer_list<CDevCmd*>{&m_ac, &m_rm, &m_th})
        cmd->m_pOwner = this;

    auto* top = new QVBoxLayout(this);
    auto* memory = new QGridLayout;
    memory->addWidget(new QLabel(TemplateText("Address"), this), 0, 0);
    m_address = WithId(new QLineEdit(this), IDC_ADDRESS);
    m_address->setMaxLength(8);
    memory->addWidget(m_address, 0, 1);
    memory->addWidget(new QLabel(TemplateText("Content"), this), 1, 0);
    m_hex = new CDigitsField(IDC_CONTENT_HEX, this);
    memory->addWidget(m_hex, 1, 1);
    auto* bits = new CDigitsField(IDC_CONTENT_BITS, this);
    m_bits = bits;
    const int bitsWidth =
        bits->fontMetrics().horizontalAdvance(QStringLiteral("00000000 00000000"));
    bits->setMinimumWidth(bitsWidth + 2 * (bits->TextLeft() + 2));
    m_bitsHeader =
        WithId(new QLabel(QStringLiteral("111111\n54321098 76543210"), this), IDC_BITS_HEADER);
    m_bitsHeader->setFont(bits->font());
    m_bitsHeader->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    memory->addWidget(m_bitsHeader, 0, 2);
    memory->addWidget(bits, 1, 2);
    for (QLineEdit* field : {m_address, m_hex})
        field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00000000")) +
                               16);
    memory->setColumnStretch(3, 1);

    m_lowBatt = WithId(new CMyButton(TemplateText("Test\nLow Batt"), this), IDC_LOW_BATT);
    m_lowBatt->faceColour = kUntested;
    m_lowBatt->textColour = Qt::black;
    m_lowBatt->setAutoDefault(false);
    m_lowBatt->setFont(CKelvoraFont(100, QStringLiteral("Arial")));
    m_lowBatt->setMinimumSize(m_lowBatt->sizeHint() + QSize(16, 8));
    memory->addWidget(m_lowBatt, 0, 4, 2, 1);
    top->addLayout(memory);

    auto* adc = new QGroupBox(TemplateText("ADC"), this);
    auto* adcLayout = new QGridLayout(adc);
    m_battery = ValueField(IDC_BATTERY_VOLTAGE, QStringLiteral("mV"), adc);
    m_current = ValueField(IDC_CHARGE_CURRENT, QStringLiteral("µA"), adc);
    m_sensorA = ValueField(IDC_SENSOR_A, QStringLiteral("‰"), adc);
    m_sensorB = ValueField(IDC_SENSOR_B, QStringLiteral("‰"), adc);
    adcLayout->addWidget(Button(IDC_VBAT, TemplateText("VBat"), adc), 0, 0);
    adcLayout->addWidget(m_battery, 0, 1);
    adcLayout->addWidget(m_current, 0, 2);
    adcLayout->addWidget(Button(IDC_VSENSE, TemplateText("VSense"), adc), 1, 0);
    adcLayout->addWidget(m_sensorA, 1, 1);
    adcLayout->addWidget(m_sensorB, 1, 2);
    adcLayout->addWidget(Button(IDC_HISTORY, TemplateText("History"), adc), 2, 0);
    adcLayout->setColumnStretch(3, 1);
    top->addWidget(adc);

    auto* hardware = new QGroupBox(TemplateText("LEDs and Motor"), this);
    auto* hardwareLayout = new QGridLayout(hardware);
    m_ledGreen = WithId(new QCheckBox(TemplateText("LED green"), hardware), IDC_LED_GREEN);
    m_ledOrange = WithId(new QCheckBox(TemplateText("LED orange"), hardware), IDC_LED_ORANGE);
    m_motor = WithId(new QCheckBox(TemplateText("Motor"), hardware), IDC_MOTOR);
    m_ignoreLowBatt =
        WithId(new QCheckBox(TemplateText("Ignore LowBatt"), hardware), IDC_IGNORE_LOW_BATT);
    hardwareLayout->addWidget(m_ledGreen, 0, 0);
    hardwareLayout->addWidget(m_ledOrange, 1, 0);
    hardwareLayout->addWidget(m_motor, 0, 1);
    hardwareLayout->addWidget(m_ignoreLowBatt, 1, 1);
    hardwareLayout->addWidget(Button(IDC_HW_TEST, TemplateText("On/Off"), hardware), 0, 2, 2, 1);
    hardwareLayout->setColumnStretch(1, 1);
    top->addWidget(hardware);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Button(IDC_CONNECT, TemplateText("Connect"), this));
    bottom->addStretch();
    top->addLayout(bottom);
    top->setSizeConstraint(QLayout::SetFixedSize);

    // Tab goes from the address to the buttons and boxes; the value fields take a click only.
    setTabOrder(m_address, m_lowBatt);
}

void CDebugDlg::OnInitDialog() {
    CUsbCommDlg::OnInitDialog();
    if (QWidget* owner = parentWidget())
        move(owner->mapToGlobal(QPoint(kPlaceX, 0)));
    // The bit numbers stand over the digits of the binary field.
    layout()->activate();
    const auto* bits = static_cast<const CDigitsField*>(m_bits);
    m_bitsHeader->setIndent(bits->mapTo(this, QPoint(bits->TextLeft(), 0)).x() -
                            m_bitsHeader->mapTo(this, m_bitsHeader->contentsRect().topLeft()).x());
    FocusAddress();
}

bool CDebugDlg::OnCommand(int id) {
    switch (id) {
    case IDC_LOW_BATT:
        m_address->setText(QString::number(kLowBattAddress, 16));
        ReadMemory();
        return true;
    case IDC_VBAT:
        ReadChannel(QStringLiteral("Bat"));
        return true;
    case IDC_VSENSE:
        ReadChannel(QStringLiteral("Sense"));
        return true;
    case IDC_HISTORY:
        ReadChannel(QStringLiteral("History"));
        return true;
    case IDC_HW_TEST:
        SwitchOnOff();
        return true;
    case ID_HW_TEST_16:
        m_th.SetArgs(QStringLiteral("16"));
        Queue(m_th);
        return true;
    case IDC_CONNECT:
        CUsbCommDlg::OnCommand(id);
        FocusAddress();
        return true;
    default:
        return CUsbCommDlg::OnCommand(id);
    }
}

void CDebugDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        CUsbCommDlg::keyPressEvent(event);
        return;
    }
    // Enter reads the address, unless a button has the focus: then it presses that button.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
        button->click();
    else
        ReadMemory();
}

void CDebugDlg::ReadMemory() {
    const QString text = m_address->text();
    m_hex->clear();
    m_bits->clear();
    const std::optional<std::uint32_t> address = ScanHex(text);
    if (!address || *address > 0xFFFF)
        return;
    m_nAddress = static_cast<std::uint16_t>(*address);
    m_rm.SetArgs(QString::number(m_nAddress));
    Queue(m_rm);
}

void CDebugDlg::ReadChannel(const QString& channel) {
    m_ac.SetArgs(channel);
    Queue(m_ac);
}

void CDebugDlg::SwitchOnOff() {
    const int mask = (m_ledGreen->isChecked() ? 1 : 0) + (m_ledOrange->isChecked() ? 2 : 0) +
                     (m_motor->isChecked() ? 4 : 0) + (m_ignoreLowBatt->isChecked() ? 8 : 0);
    m_th.SetArgs(QString::number(mask));
    Queue(m_th);
}

void CDebugDlg::Queue(CDevCmd& cmd) {
    if (!TheDevice().moduleInfo.IsConnected())
        TheDevice().moduleInfo.Post();
    cmd.Post();
    FocusAddress();
}

void CDebugDlg::FocusAddress() {
    m_address->setFocus();
    m_address->selectAll();
}

bool CDebugDlg::OnCmdOk(CDevCmdReply& cmd) {
    if (&cmd == &m_rm) {
        m_hex->setText(m_rm.m_strHex);
        m_bits->setText(m_rm.m_strBits);
        if (m_nAddress == kLowBattAddress) {
            m_lowBatt->faceColour = (m_rm.m_nValue & kLowBattBit) ? kLowBatt : kBattOk;
            m_lowBatt->update();
        }
    } else if (&cmd == &m_ac) {
        // The values of "Bat" and "Sense": the first up to a TAB, the second up to the line's end.
        const QString values = m_ac.m_strValues;
        const QString first = values.section(u'\t', 0, 0);
        const QString second = values.section(u'\t', 1).section(u'\n', 0, 0);
        if (m_ac.m_strText.endsWith(QStringLiteral("Bat"))) {
            m_battery->setText(first);
            m_current->setText(second);
        } else if (m_ac.m_strText.endsWith(QStringLiteral("Sense"))) {
            m_sensorA->setText(first);
            m_sensorB->setText(second);
        } else {
            auto* history = new CAdcHistoryDlg(m_ac.m_strReply, this);
            history->setAttribute(Qt::WA_DeleteOnClose);
            history->open();
        }
    }
    return false;
}
