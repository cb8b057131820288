#include "ui/service/EepromDlg.h"

#include "base/Texts.h"
#include "link/DeviceState.h"
#include "ui/common/MyButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

// The dialog's defaults: the charger as the maker configures it.
constexpr int kDefaultMaxPower = 400;
constexpr int kDefaultCbus5 = 5; // SLEEP
constexpr int kDefaultCbus6 = 4; // PWREN
const char* const kDefaultManufacturer = "Kelvora GmbH";

// The chip's strings are 8-bit: printable Latin-1 only.
const QRegularExpression kChipText(QStringLiteral("[\\x20-\\x7E\\xA0-\\xFF]*"));

template <typename T> T* WithId(T* widget, int id) {
    SetCommandId(widget, id);
    return widget;
}

QLineEdit* TextField(int id, const QString& text, QWidget* parent) {
    auto* field = WithId(new QLineEdit(text, parent), id);
    field->setMaxLength(kMaxEepromStrings);
    field->setValidator(new QRegularExpressionValidator(kChipText, field));
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 24);
    return field;
}

QComboBox* CbusList(int id, int code, QWidget* parent) {
    auto* list = WithId(new QComboBox(parent), id);
    list->addItems(CbusFunctionNames());
    list->setCurrentIndex(code);
    return list;
}

} // namespace

CEepromDlg::CEepromDlg(QWidget* parent) : CTipDialog(QStringLiteral("IDD_EEPROM"), parent) {
    setWindowTitle(TemplateText("FT240X Configuration"));
    auto* top = new QVBoxLayout(this);

    auto* strings = new QGroupBox(TemplateText("STRINGS"), this);
    auto* stringsLayout = new QFormLayout(strings);
    m_manufacturer =
        TextField(IDC_EEPROM_MANUFACTURER, QString::fromLatin1(kDefaultManufacturer), strings);
    m_serial = TextField(IDC_EEPROM_SERIAL, QString(), strings);
    m_description = TextField(IDC_EEPROM_DESCRIPTION, LoadText(TXT_CHARGER), strings);
    stringsLayout->addRow(TemplateText("Manufacturer"), m_manufacturer);
    stringsLayout->addRow(TemplateText("Serial number"), m_serial);
    stringsLayout->addRow(TemplateText("Description"), m_description);
    top->addWidget(strings);

    auto* middle = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* mux = new QGroupBox(TemplateText("MUX"), this);
    auto* muxLayout = new QFormLayout(mux);
    m_cbus5 = CbusList(IDC_EEPROM_CBUS5, kDefaultCbus5, mux);
    m_cbus6 = CbusList(IDC_EEPROM_CBUS6, kDefaultCbus6, mux);
    muxLayout->addRow(TemplateText("CBUS 5"), m_cbus5);
    muxLayout->addRow(TemplateText("CBUS 6"), m_cbus6);
    left->addWidget(mux);
    auto* power = new QHBoxLayout;
    power->addWidget(new QLabel(TemplateText("Max. Power"), this));
    m_maxPower =
        WithId(new QLineEdit(QString::number(kDefaultMaxPower), this), IDC_EEPROM_MAX_POWER);
    m_maxPower->setMaxLength(3);
    m_maxPower->setAlignment(Qt::AlignRight);
    m_maxPower->setMaximumWidth(
        m_maxPower->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    power->addWidget(m_maxPower);
    power->addWidget(new QLabel(TemplateText("mA"), this));
    power->addStretch();
    left->addLayout(power);
    middle->addLayout(left);

    auto* bcd = new QGroupBox(TemplateText("BCD"), this);
    auto* bcdLayout = new QVBoxLayout(bcd);
    const std::pair<int, const char*> flags[] = {{IDC_BCD_ENABLE, "Enable"},
                                                 {IDC_BCD_FORCE_POWER, "Force Power"},
                                                 {IDC_BCD_DISABLE_SLEEP, "Disable Sleep"}};
    for (const auto& [id, text] : flags) {
        auto* box = WithId(new QCheckBox(TemplateText(text), bcd), id);
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
        box->setEnabled(false);
        bcdLayout->addWidget(box);
    }
    bcdLayout->addStretch();
    middle->addWidget(bcd);
    top->addLayout(middle);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* program =
        WithId(new CKelvoraButton(100, TemplateText("Program EEPROM"), this), IDC_EEPROM_PROGRAM);
    auto* cancel = new CKelvoraButton(100, LoadText(TXT_BUTTON_CANCEL), this);
    for (CKelvoraButton* button : {program, cancel}) {
        button->setAutoDefault(false);
        button->setMinimumSize(button->sizeHint() + QSize(24, 8));
        buttons->addWidget(button);
    }
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);
}

void CEepromDlg::OnInitDialog() {
    CTipDialog::OnInitDialog();
    Read();
}

void CEepromDlg::Read() {
    FtEepromX image;
    FtEepromStrings strings;
    if (!TheDevice().link.ReadEeprom(image, strings)) {
        ShowMessageId(TXT_EEPROM_NOT_READ);
        return;
    }
    m_image = image;
    m_manufacturer->setText(QString::fromLatin1(strings.manufacturer));
    m_serial->setText(QString::fromLatin1(strings.serial));
    m_description->setText(QString::fromLatin1(strings.description));
    // A code that no option stands for shows no option and is programmed back unchanged.
    m_cbus5->setCurrentIndex(image.cbus[5] < m_cbus5->count() ? image.cbus[5] : -1);
    m_cbus6->setCurrentIndex(image.cbus[6] < m_cbus6->count() ? image.cbus[6] : -1);
    m_maxPower->setText(QString::number(image.maxPower));
}

bool CEepromDlg::OnCommand(int id) {
    if (id != IDC_EEPROM_PROGRAM)
        return CTipDialog::OnCommand(id);
    Program();
    return true;
}

bool CEepromDlg::GetTipText(int id, QString& text) {
    if (id != IDC_BCD_ENABLE && id != IDC_BCD_FORCE_POWER && id != IDC_BCD_DISABLE_SLEEP)
        return false;
    text = LoadText(TXT_BCD_UNKNOWN);
    return true;
}

void CEepromDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        CTipDialog::keyPressEvent(event);
        return;
    }
    // Enter writes nothing by itself; it presses only a button that has the focus.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
        button->click();
}

void CEepromDlg::Program() {
    bool number = false;
    const int maxPower = m_maxPower->text().toInt(&number);
    if (!number || maxPower < kMinMaxPower || maxPower > kMaxMaxPower) {
        ShowMessage(
            FormatText(TXT_RANGE, {QString::number(kMinMaxPower), QString::number(kMaxMaxPower)}),
            MB_OK, QCoreApplication::applicationName());
        m_maxPower->setFocus();
        m_maxPower->selectAll();
        return;
    }
    FtEepromX image = m_image;
    image.maxPower = static_cast<std::uint16_t>(maxPower);
    if (m_cbus5->currentIndex() >= 0)
        image.cbus[5] = static_cast<std::uint8_t>(m_cbus5->currentIndex());
    if (m_cbus6->currentIndex() >= 0)
        image.cbus[6] = static_cast<std::uint8_t>(m_cbus6->currentIndex());
    const FtEepromStrings strings{m_manufacturer->text().toLatin1(),
                                  m_description->text().toLatin1(), m_serial->text().toLatin1()};
    if (strings.manufacturer.size() + strings.description.size() + strings.serial.size() >
        kMaxEepromStrings)
        return;
    if (TheDevice().link.ProgramEeprom(image, strings))
        accept();
    else
        ShowMessageId(TXT_EEPROM_NOT_WRITTEN);
}
