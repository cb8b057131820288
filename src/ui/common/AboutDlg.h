#pragma once

#include <QDialog>

class QLabel;

// The About box: the logo, the program version and the maker's notice and contact details.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QLabel& VersionLabel() { return *m_version; }

private:
    QLabel* m_version;
};
