#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

// Asks for a module ID or an info text: a label above one line edit, no buttons. Enter confirms
// a text the module can store (otherwise the user is told and the dialog stays), Esc cancels.
class CInputDlg : public QDialog {
    Q_OBJECT
public:
    // maxLength -1: no limit.
    CInputDlg(int titleId, int labelId, int maxLength, QWidget* parent = nullptr);
    CInputDlg(const QString& title, const QString& label, int maxLength, QWidget* parent = nullptr);

    // Before exec the initial text; afterwards the entered text, empty after Cancel.
    void SetText(const QString& text) { m_strText = text; }
    const QString& Text() const { return m_strText; }

    QLineEdit& Edit() const { return *m_edit; }
    QLabel& Label() const { return *m_label; }

public slots:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_label;
    QLineEdit* m_edit;
    QString m_strText;
};
