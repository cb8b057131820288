// veltrum-cli commands for firmware updates, command scripts and the vendor server's lists.

#include "base/AppInfo.h"
#include "base/Texts.h"
#include "cli/CliCommands.h"
#include "cli/CliSession.h"
#include "firmware/IntelHexFile.h"
#include "firmware/UpdateProcedure.h"
#include "link/CommWorker.h"
#include "link/DeviceState.h"
#include "link/InfoCmd.h"
#include "online/FirmwareNames.h"
#include "online/KelvoraHttp.h"
#include "scripts/Script.h"
#include "scripts/ScriptOwner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTextStream>

#include <memory>

namespace {

// Writes every message box to stderr and answers it as the session does: OK, or Cancel.
class CPrintMessages {
public:
    CPrintMessages() {
        SetMessageBoxHandler([this](const QString& text, unsigned style, const QString&) {
            QTextStream(stderr) << text.trimmed() << '\n';
            m_bShown = true;
            return (style & 0xF) == MB_OK ? int(IDOK) : int(IDCANCEL);
        });
    }
    ~CPrintMessages() { SetMessageBoxHandler(nullptr); }
    CPrintMessages(const CPrintMessages&) = delete;
    CPrintMessages& operator=(const CPrintMessages&) = delete;
    bool Shown() const { return m_bShown; }

private:
    bool m_bShown = false;
};

// Prints the progress and waits for the end of the transfer.
class CCliUpdate : public CUpdateProcedure {
public:
    using CUpdateProcedure::CUpdateProcedure;
    bool OnCmdStart(CDevCmdReply& cmd) override {
        m_bStarted = true;
        return CUpdateProcedure::OnCmdStart(cmd);
    }
    void OnProgress(const QString& text) override { QTextStream(stdout) << text << '\n'; }
    void OnFinished(bool ok) override {
        m_bDone = true;
        m_bOk = ok;
    }

    // Starts the transfer and waits for its end; whether every record was accepted.
    bool Transfer() {
        if (!Start())
            return false;
        WaitForWorker(m_bStarted, m_bDone, [this] { OnFinished(false); });
        return m_bOk;
    }

private:
    bool m_bStarted = false;
    bool m_bDone = false;
    bool m_bOk = false;
};

QString VersionOrDash(std::int64_t version) {
    return version > 0 ? FirmwareVersionText(static_cast<std::uint32_t>(version))
                       : QStringLiteral("-");
}

// The newest image of the identified target on the server; empty after a message.
QString NewestImage(bool charger) {
    const std::int32_t variant =
        charger ? TheDevice().chargerInfo.m_nHwVariant : TheDevice().moduleInfo.m_nHwVariant;
    const QString family = charger ? ChargerFirmwareFamily(variant) : ModuleFirmwareFamily(variant);
    CKelvoraHttp http;
    QStringList list;
    if (http.ReadVersionList(QStringLiteral("/Firmware/"), list) == 0)
        return QString();
    const std::uint32_t version = CKelvoraHttp::FindFirmwareVersion(list, family);
    if (version == 0) {
        QTextStream(stderr) << "the server has no firmware of the family " << family << '\n';
        return QString();
    }
    return FirmwareFileName(family, version);
}

int Update(const CliOptions& options, const QStringList& args) {
    const bool charger = args.value(0) == QStringLiteral("--charger");
    const bool web = args.value(1) == QStringLiteral("--web");
    if (args.size() != 2 || (!charger && args[0] != QStringLiteral("--device")) ||
        args[1].isEmpty())
        return UsageError(QStringLiteral("update takes --device or --charger, then FILE or --web"));
    if (!charger && !options.yes)
        return UsageError(
            QStringLiteral("the device update erases the recorded data; save it first "
                           "and confirm with --yes"));
    CCliSession session(options);
    if (const int status = session.Connect())
        return status;
    CPrintMessages messages;
    std::unique_ptr<CIntelHexFile> image;
    QString name = args[1];
    if (web) {
        if (!session.Run(charger ? static_cast<CDevCmdReply&>(TheDevice().chargerInfo)
                                 : TheDevice().moduleInfo))
            return EXIT_FAILED;
        if (!charger && TheDevice().moduleInfo.m_nBatteryMv < CUpdateProcedure::kMinBatteryMv)
            return Failure(LoadText(TXT_BATTERY_TOO_LOW));
        name = NewestImage(charger);
        if (name.isEmpty())
            return EXIT_FAILED;
        image = std::make_unique<CRemoteIntelHexFile>();
    } else {
        image = std::make_unique<CLocalIntelHexFile>();
    }
    CCliUpdate update(charger, name, *image);
    const bool ok = update.Transfer();
    // The charger leaves its communication mode; then the new firmware identifies itself.
    static CExitCommCmd exitComm;
    exitComm.Post();
    if (!ok)
        return EXIT_FAILED;
    QTextStream(stdout) << FormatText(TXT_FIRMWARE_UPDATED,
                                      {LoadText(charger ? TXT_CHARGER : TXT_MODULE)})
                        << '\n';
    CInfoCmd& info =
        charger ? static_cast<CInfoCmd&>(TheDevice().chargerInfo) : TheDevice().moduleInfo;
    if (session.Run(info))
        QTextStream(stdout) << "firmware: " << VersionOrDash(info.m_nVersion) << '\n';
    return EXIT_OK;
}

// Ends the wait when the run is over.
class CCliScript : public CScriptOwner {
public:
    using CScriptOwner::CScriptOwner;
    void OnRunEnd() override { m_bEnded = true; }
    void Wait() {
        while (!m_bEnded)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

private:
    bool m_bEnded = false;
};

int Script(const CliOptions& options, const QStringList& args) {
    if (args.size() != 1 || args[0].isEmpty())
        return UsageError(QStringLiteral("script takes one script file"));
    CScript script;
    script.SetLogHandler([](const QString& line) { QTextStream(stdout) << line << '\n'; });
    {
        CPrintMessages messages;
        if (!script.Load(args[0])) {
            if (messages.Shown())
                return EXIT_FAILED;
            return Failure(QStringLiteral("%1: the script cannot be run").arg(args[0]));
        }
    }
    CCliSession session(options);
    if (const int status = session.Connect())
        return status;
    CCliScript owner(script);
    owner.Run();
    owner.Wait();
    return EXIT_OK;
}

int CheckUpdates(const CliOptions& options, const QStringList& args) {
    if (!args.isEmpty())
        return UsageError(QStringLiteral("check-updates takes no arguments"));
    QStringList programs;
    QStringList firmware;
    bool serverRead = true;
    {
        CPrintMessages messages;
        CKelvoraHttp http;
        serverRead = http.ReadVersionList(QStringLiteral("/software/"), programs) > 0;
        serverRead = http.ReadVersionList(QStringLiteral("/Firmware/"), firmware) > 0 && serverRead;
    }
    const std::uint64_t server =
        CKelvoraHttp::FindProgramVersion(programs, QStringLiteral("Kelvora_Veltrum"));
    QTextStream out(stdout);
    out << "program.version: " << VersionNumberText(ProgramVersion()) << '\n'
        << "program.server: " << (server ? VersionNumberText(server) : QStringLiteral("-")) << '\n';
    out.flush();
    CCliSession session(options);
    if (const int status = session.Connect())
        return status;
    if (!session.Identify())
        return EXIT_FAILED;
    const CInfoCmdCB& cb = TheDevice().chargerInfo;
    const CInfoCmdVM& vm = TheDevice().moduleInfo;
    out << "charger.firmware: " << VersionOrDash(cb.m_nVersion) << '\n'
        << "charger.server: "
        << VersionOrDash(
               CKelvoraHttp::FindFirmwareVersion(firmware, ChargerFirmwareFamily(cb.m_nHwVariant)))
        << '\n'
        << "device.firmware: " << VersionOrDash(vm.m_nVersion) << '\n'
        << "device.server: "
        << VersionOrDash(
               CKelvoraHttp::FindFirmwareVersion(firmware, ModuleFirmwareFamily(vm.m_nHwVariant)))
        << '\n';
    return serverRead ? EXIT_OK : EXIT_FAILED;
}

int LookupParams(const CliOptions&, const QStringList& args) {
    if (args.size() != 1 || args[0].isEmpty())
        return UsageError(QStringLiteral("lookup-params takes one module ID"));
    CPrintMessages messages;
    CKelvoraHttp http;
    QString value;
    if (!http.LookupParameters(args[0], value)) {
        if (messages.Shown())
            return EXIT_FAILED;
        return Failure(QStringLiteral("the parameter list has no entry for %1").arg(args[0]));
    }
    QTextStream(stdout) << value << '\n';
    return EXIT_OK;
}

} // namespace

QList<CliCommand> FirmwareCommands() {
    return {
        {"update", "--device|--charger FILE|--web [--yes]",
         "Replaces the firmware of the module or the charger with the Intel-hex image FILE, or\n"
         "with the newest image on the vendor server for the identified hardware (--web).\n"
         "Prints the start of each record sent and \"Ready\". The module update erases the\n"
         "recorded data and needs --yes; from the server it is refused below 3,600 mV.",
         Update},
        {"script", "FILE",
         "Loads and runs a command script and prints its protocol lines; exit\n"
         "status 1 when the script cannot be run.",
         Script},
        {"check-updates", "",
         "Prints the program's version and the newest on the vendor server, then the firmware\n"
         "versions of charger and module and the newest on the server (- for none); exit\n"
         "status 1 when the server's lists cannot be read.",
         CheckUpdates},
        {"lookup-params", "ID", "Prints the vendor server's parameter list entry for a module ID.",
         LookupParams},
    };
}
