#include "app/VeltrumApp.h"

#include "base/AppInfo.h"
#include "base/Texts.h"
#include "graphs/Logos.h"
#include "ui/common/MsgBox.h"

#include <QLocale>

CVeltrumApp::CVeltrumApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Veltrum"));
    setOrganizationName(QStringLiteral("Kelvora"));
    setApplicationVersion(VersionNumberText(ProgramVersion()));
    setWindowIcon(ProgramIcon());
    SetLanguage(StartLanguage(QLocale::system().name()));
    InstallMessageBox();
    SetMergerSettings(&m_gapSettings);
}

CVeltrumApp::~CVeltrumApp() {
    SetMergerSettings(nullptr);
    SetMessageBoxHandler({});
}
