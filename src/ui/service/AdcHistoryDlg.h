#pragma once

#include <QDialog>

class QTableWidget;

// The module's stored history of battery voltage and sensor value: one row per line of the
// "AC History" reply after its first line, the battery text before the line's TAB, the sensor
// text after it, in the order of the reply.
class CAdcHistoryDlg : public QDialog {
    Q_OBJECT
public:
    CAdcHistoryDlg(const QString& reply, QWidget* parent = nullptr);

    QTableWidget& List() { return *m_list; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTableWidget* m_list;
};
