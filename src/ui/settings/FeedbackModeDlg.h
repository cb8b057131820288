#pragma once

#include "ui/settings/ValuesDlg.h"

class CEditPattern;
class QCheckBox;

// "Feedback Mode" (P6): the vibration pattern or the random generator, at most one of them.
// Bits 0 to 13 of P6 are the pattern's steps, bit 14 switches the pattern off and bit 15 the
// random generator. The display follows P6 after every successful read or write.
class CFeedbackModeDlg : public CValuesDlg {
    Q_OBJECT
public:
    static constexpr unsigned kPatternOff = 0x4000;
    static constexpr unsigned kRandomOff = 0x8000;

    explicit CFeedbackModeDlg(QWidget* parent = nullptr);

    bool OnCommand(int id) override;
    bool OnCmdOk(CDevCmdReply& cmd) override;

    QCheckBox& PatternBox() const { return *m_pattern; }
    QCheckBox& RandomBox() const { return *m_random; }
    CEditPattern& PatternEdit() const { return *m_edit; }

private:
    // Pattern checked: the pattern can be edited and the random generator is off.
    void ApplyPatternRule();
    void SetMode();

    QCheckBox* m_pattern;
    CEditPattern* m_edit;
    QCheckBox* m_random;
};
