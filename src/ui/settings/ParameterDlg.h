#pragma once

#include "ui/settings/ValuesDlg.h"

class CKelvoraButton;
class QComboBox;

// "Parameter": any one of the 32 parameters by its name, with the value last read. "Set"
// writes the value (0 to 65535) of the selected parameter; it stays disabled until the
// parameters have been read.
class CParameterDlg : public CValuesDlg {
    Q_OBJECT
public:
    explicit CParameterDlg(QWidget* parent = nullptr);

    bool OnCommand(int id) override;
    bool OnCmdOk(CDevCmdReply& cmd) override;

    QComboBox& List() const { return *m_list; }
    CKelvoraButton& SetButton() const { return *m_set; }

protected:
    void OnInitDialog() override;

private:
    void ShowValue();
    void SetParameter();

    QComboBox* m_list;
    CKelvoraButton* m_set;
    bool m_bRead = false; // the parameters have been read
};
