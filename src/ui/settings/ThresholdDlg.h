#pragma once

#include "link/DiagCmds.h"
#include "ui/settings/ValuesDlg.h"

// "Thresholds [‰]": the off- and on-thresholds of both sensors (P1, P0, P3, P2), and the
// sensors' current values and maxima, read with "AC Sense" after the parameters and on "Read
// maxima". "Set thresholds" writes the four thresholds when each lies in its range and every
// on-threshold is above its off-threshold.
class CThresholdDlg : public CValuesDlg {
    Q_OBJECT
public:
    static constexpr int kOffMin = 20;
    static constexpr int kOffMax = 450;
    static constexpr int kOnMin = 50;
    static constexpr int kOnMax = 500;

    explicit CThresholdDlg(QWidget* parent = nullptr);

    bool OnCommand(int id) override;
    bool GetTipText(int id, QString& text) override;
    bool OnCmdOk(CDevCmdReply& cmd) override;

private:
    void SetThresholds();

    CReadADCmd m_sensors;
};
