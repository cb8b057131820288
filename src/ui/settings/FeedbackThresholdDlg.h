#pragma once

#include "ui/settings/ValuesDlg.h"

// "Thresholds [‰]" of the feedback: the level from which each sensor's events give feedback
// (P7, P8), at least the on-threshold from which they are recorded (P0, P2, shown beside them)
// and at most 1000.
class CFeedbackThresholdDlg : public CValuesDlg {
    Q_OBJECT
public:
    static constexpr int kMax = 1000;

    explicit CFeedbackThresholdDlg(QWidget* parent = nullptr);

    bool OnCommand(int id) override;
    bool GetTipText(int id, QString& text) override;
    bool OnCmdOk(CDevCmdReply& cmd) override;

private:
    void SetThresholds();

    // The on-thresholds as last read, the lower bounds of the feedback thresholds.
    int m_nOnA = 0;
    int m_nOnB = 0;
};
