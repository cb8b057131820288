#include "ui/update/ProgramUpdate.h"

#include "base/AppInfo.h"
#include "base/Texts.h"
#include "online/KelvoraHttp.h"
#include "online/OnlineState.h"
#include "online/ProgramPackage.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr const char* kPackage = "Kelvora_Veltrum.zip";

} // namespace

bool RunProgramUpdate(COnlineState& state, const QString& programPath) {
    const std::uint64_t own = ProgramVersion();
    if (state.Updated() || state.ServerVersion() <= own)
        return false;
    const QStringList versions{VersionNumberText(own), VersionNumberText(state.ServerVersion())};
    if (!CProgramPackage::CanReplace(programPath)) {
        ShowMessage(FormatText(TXT_UPDATE_BY_PACKAGE_MANAGER, versions), MB_OK,
                    LoadText(TXT_UPDATES));
        return false;
    }
    if (ShowMessage(FormatText(TXT_DOWNLOAD_VERSION, versions), MB_YESNO,
                    QCoreApplication::applicationName()) != IDYES)
        return false;
    const QString folder = QFileInfo(programPath).absolutePath();
    const QString name = QString::fromLatin1(kPackage);
    if (!CKelvoraHttp().DownloadProgramFile(name, folder))
        return false;
    const QString zip = folder + u'/' + name;
    const bool installed = CProgramPackage(zip, programPath).Install(own);
    QFile::remove(zip);
    if (installed)
        state.SetUpdated();
    return installed;
}
