#pragma once

#include "data/MergerStore.h"

#include <QApplication>

// The application object of the desktop program: its name and icon, the language of the user
// interface chosen from the settings or the user's locale, the program's own message box and
// the gap settings of the data code from the settings store.
class CVeltrumApp : public QApplication {
    Q_OBJECT
public:
    CVeltrumApp(int& argc, char** argv);
    ~CVeltrumApp() override;

private:
    CRegMergerSettings m_gapSettings;
};
