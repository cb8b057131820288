#pragma once

#include "data/MergerStore.h"

#include "base/Texts.h"

#include <QApplication>
#include <QTranslator>

// Loads Qt's own texts (file and print dialogs, standard buttons, key names) for language into
// translator from the translations folder of the Qt installation. English needs none: false,
// as when the translation is not installed.
bool LoadQtTranslation(QTranslator& translator, Language language);

// The application object of the desktop program: its name and icon, the language of the user
// interface chosen from the settings or the user's locale (Qt's own dialogs included), the
// program's own message box and the gap settings of the data code from the settings store.
class CVeltrumApp : public QApplication {
    Q_OBJECT
public:
    CVeltrumApp(int& argc, char** argv);
    ~CVeltrumApp() override;

private:
    CRegMergerSettings m_gapSettings;
    QTranslator m_qtTexts;
};
