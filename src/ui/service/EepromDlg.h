#pragma once

#include "link/FtDriver.h"
#include "ui/common/TipDialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

// The configuration of the charger's USB chip: manufacturer, serial number and description,
// the functions of CBUS5 and CBUS6 and the maximum power. Opening reads the selected charger's
// EEPROM (the defaults stay when it cannot be read); "Program EEPROM" writes the fields with
// the rest of the image as read, reads them back and ends the dialog with OK when the chip holds
// them. The battery-charger detection flags are shown but not written: their place in the
// chip's memory could not be confirmed from a published description of it, and a guessed bit
// would change some other setting, so they stay as the chip has them.
class CEepromDlg : public CTipDialog {
    Q_OBJECT
public:
    explicit CEepromDlg(QWidget* parent = nullptr);

    bool OnCommand(int id) override;
    bool GetTipText(int id, QString& text) override;

    // Validates the fields and programs them; OK when the chip reads back what was written,
    // message 129 otherwise. Strings longer than 43 characters together write nothing, silently.
    void Program();

protected:
    void OnInitDialog() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Read();

    FtEepromX m_image;
    QLineEdit* m_manufacturer;
    QLineEdit* m_serial;
    QLineEdit* m_description;
    QComboBox* m_cbus5;
    QComboBox* m_cbus6;
    QLineEdit* m_maxPower;
};
