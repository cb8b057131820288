#pragma once

#include "link/DiagCmds.h"
#include "ui/common/UsbDlg.h"

#include <cstdint>

class CMyButton;
class QCheckBox;
class QLabel;
class QLineEdit;

// The test dialog of the service staff: reads single memory words of the module ("RM", shown in
// hex and as bits), battery voltage and charge current, the two sensors and their stored
// history ("AC"), and switches LEDs and motor for a hardware check ("TH"). Every command first
// identifies the module when none is known. Enter reads the address.
class CDebugDlg : public CUsbCommDlg {
    Q_OBJECT
public:
    // The address whose bit 13 tells the battery state.
    static constexpr std::uint16_t kLowBattAddress = 0x200;
    static constexpr std::uint32_t kLowBattBit = 0x2000;
    // The Test Low Batt button's face: before the first reading, battery low, battery fine.
    static const QColor kUntested;
    static const QColor kLowBatt;
    static const QColor kBattOk;

    explicit CDebugDlg(QWidget* parent = nullptr);

    bool OnCommand(int id) override;
    bool OnCmdOk(CDevCmdReply& cmd) override;

    // Reads the word at the hexadecimal address in the address field; nothing is sent for text
    // that is no hexadecimal number. The content fields are emptied either way.
    void ReadMemory();
    // The Test Low Batt button.
    CMyButton& LowBattButton() { return *m_lowBatt; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void OnInitDialog() override;

private:
    void ReadChannel(const QString& channel);
    void SwitchOnOff();
    // Identifies the module first when none is known, queues cmd and gives the address field
    // the focus with its text selected.
    void Queue(CDevCmd& cmd);
    void FocusAddress();

    CReadADCmd m_ac;
    CReadMemCmd m_rm;
    CTestHWCmd m_th;
    std::uint16_t m_nAddress = 0;

    QLineEdit* m_address;
    QLineEdit* m_hex;
    QLineEdit* m_bits;
    QLabel* m_bitsHeader;
    QLineEdit* m_battery;
    QLineEdit* m_current;
    QLineEdit* m_sensorA;
    QLineEdit* m_sensorB;
    QCheckBox* m_ledGreen;
    QCheckBox* m_ledOrange;
    QCheckBox* m_motor;
    QCheckBox* m_ignoreLowBatt;
    CMyButton* m_lowBatt;
};
