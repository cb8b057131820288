#pragma once

#include "base/Texts.h"

#include <QDialog>

class CKelvoraButton;
class CStaticText;

// The program's message box: the text in teal on white, one or two brand buttons at the
// bottom right. The button set is style & 0xF: 1 OK/Cancel, 4 Yes/No, 5 Retry/Cancel, any
// other OK. Enter presses the focused button (the first one until the focus moves). Esc and
// the title bar's close button answer with the second button (Cancel, No), or with Cancel (2)
// where OK is the only button.
class CMsgBox : public QDialog {
    Q_OBJECT
public:
    CMsgBox(const QString& text, const QString& caption, unsigned style, QWidget* parent = nullptr);

    CKelvoraButton& FirstButton() { return *m_first; }
    // Null in a box with one button.
    CKelvoraButton* SecondButton() { return m_second; }
    CStaticText& TextControl() { return *m_text; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Layout();

    CKelvoraButton* m_first;
    CKelvoraButton* m_second = nullptr;
    CStaticText* m_text;
    int m_nFirstResult = IDOK;
    int m_nSecondResult = IDCANCEL;
};

// Makes CMsgBox the message box of ShowMessage, over the active window.
void InstallMessageBox();
