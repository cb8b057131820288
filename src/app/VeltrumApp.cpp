#include "app/VeltrumApp.h"

#include "base/AppInfo.h"
#include "base/Texts.h"
#include "graphs/Logos.h"
#include "ui/common/MsgBox.h"

#include <QLibraryInfo>
#include <QLocale>

bool LoadQtTranslation(QTranslator& translator, Language language) {
    if (language != Language::German)
        return false;
    return translator.load(QStringLiteral("qt_de"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

CVeltrumApp::CVeltrumApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Veltrum"));
    setOrganizationName(QStringLiteral("Kelvora"));
    setApplicationVersion(VersionNumberText(ProgramVersion()));
    setWindowIcon(ProgramIcon());
    SetLanguage(StartLanguage(QLocale::system().name()));
    if (LoadQtTranslation(m_qtTexts, CurrentLanguage()))
        installTranslator(&m_qtTexts);
    InstallMessageBox();
    SetMergerSettings(&m_gapSettings);
}

CVeltrumApp::~CVeltrumApp() {
    SetMergerSettings(nullptr);
    SetMessageBoxHandler({});
}
