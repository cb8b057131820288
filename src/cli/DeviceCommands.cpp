#include "base/Texts.h"
#include "cli/CliCommands.h"
#include "cli/CliSession.h"
#include "data/NameIndex.h"
#include "link/ConfigCmds.h"
#include "link/DeviceState.h"
#include "link/DiagCmds.h"
#include "link/GetDataCmd.h"
#include "link/InfoCmd.h"
#include "link/InfoView.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <functional>

namespace {

// Collects result lines and prints them without their status prefixes.
class CPrintView : public CInfoView {
public:
    void Clear() override {}
    void AddText(const QString& text) override {
        QTextStream out(stdout);
        for (const QString& line : text.split(u'\n'))
            out << Plain(line) << '\n';
    }

private:
    static QString Plain(const QString& line) {
        if (line.size() < 2 || line[0] != u'#')
            return line;
        return line.mid(line[1] == u'#' ? 1 : 2);
    }
};

// Connects, identifies charger and module, then runs the command's own exchanges.
int WithModule(const CliOptions& options, const std::function<int(CCliSession&)>& body) {
    CCliSession session(options);
    if (const int status = session.Connect())
        return status;
    if (!session.Identify())
        return EXIT_FAILED;
    return body(session);
}

int Info(const CliOptions& options, const QStringList& args) {
    if (!args.isEmpty())
        return UsageError(QStringLiteral("info takes no arguments"));
    return WithModule(options, [](CCliSession&) {
        const CInfoCmdCB& cb = TheDevice().chargerInfo;
        const CInfoCmdVM& vm = TheDevice().moduleInfo;
        QTextStream out(stdout);
        out << "charger.serial: " << cb.m_strSerial << '\n'
            << "charger.version: " << cb.m_strVersion << '\n'
            << "charger.firmware: " << cb.m_nVersion << '\n'
            << "charger.hwVariant: " << cb.m_nHwVariant << '\n'
            << "device.moduleId: " << vm.m_strModuleId << '\n'
            << "device.info: " << vm.m_strInfo << '\n'
            << "device.version: " << vm.m_strVersion << '\n'
            << "device.firmware: " << vm.m_nVersion << '\n'
            << "device.batteryMv: " << vm.m_nBatteryMv << '\n'
            << "device.hwVariant: " << vm.m_nHwVariant << '\n'
            << "device.events: " << vm.m_nEvents << '\n'
            << "device.eventsRead: " << vm.m_nEventsRead << '\n';
        out.flush();
        CPrintView view;
        TheDevice().chargerInfo.ShowResult(view);
        TheDevice().moduleInfo.ShowResult(view);
        return int(EXIT_OK);
    });
}

void PrintParams() {
    QTextStream out(stdout);
    for (int i = 0; i < int(TheDevice().paramBlock.size()); ++i)
        out << i << '\t' << TheDevice().paramBlock[i] << '\n';
}

int Download(const CliOptions& options, const QStringList& args) {
    if (args.size() != 2 || args[0] != QStringLiteral("--base") || args[1].isEmpty())
        return UsageError(QStringLiteral("download takes --base DIR"));
    const QString base = QDir::cleanPath(QDir(args[1]).absolutePath());
    if (!QFileInfo(base).isDir())
        return Failure(QStringLiteral("%1 is not a folder").arg(QDir::toNativeSeparators(base)));
    return WithModule(options, [&](CCliSession& session) {
        CGetDataCmd cmd;
        cmd.m_strBaseFolder = base;
        LoadNameIndex(base);
        // An index that cannot be used: the data go into folders named by module ID.
        if (const QString indexMessage = session.TakeLastMessage(); !indexMessage.isEmpty())
            QTextStream(stderr) << indexMessage << '\n';
        if (!session.Run(cmd))
            return int(EXIT_FAILED);
        session.TakeLastMessage();
        CPrintView view;
        cmd.ShowResult(view);
        const QString message = session.TakeLastMessage();
        if (!cmd.m_strSavedPath.isEmpty() && !cmd.m_strListingPath.isEmpty()) {
            QTextStream(stdout) << message << '\n';
            return int(EXIT_OK);
        }
        // Not saving again what a data file already holds is no failure: the events are safe.
        if (cmd.m_strSavedPath.isEmpty() && !cmd.m_strHeldIn.isEmpty()) {
            QTextStream(stderr) << "not saved: the events are already in "
                                << QDir::toNativeSeparators(cmd.m_strHeldIn)
                                << "; use --yes to save again\n";
            return int(EXIT_OK);
        }
        return Failure(message);
    });
}

int GetParams(const CliOptions& options, const QStringList& args) {
    if (!args.isEmpty())
        return UsageError(QStringLiteral("get-params takes no arguments"));
    return WithModule(options, [](CCliSession& session) {
        CGetValuesCmd cmd;
        if (!session.Run(cmd))
            return int(EXIT_FAILED);
        PrintParams();
        return int(EXIT_OK);
    });
}

int SetParams(const CliOptions& options, const QStringList& args) {
    if (args.size() != 1 || args[0].isEmpty())
        return UsageError(QStringLiteral("set-params takes one text: FIRST;COUNT;VALUE..."));
    if (!CSetValuesCmd::IsValidArgs(args[0]))
        return UsageError(FormatText(TXT_INVALID_PARAMETERS, {args[0]}));
    return WithModule(options, [&](CCliSession& session) {
        CSetValuesCmd cmd;
        cmd.SetArgs(args[0]);
        return session.Run(cmd) ? int(EXIT_OK) : int(EXIT_FAILED);
    });
}

int Feedback(const CliOptions& options, const QStringList& args) {
    if (args.size() != 1 || (args[0] != QStringLiteral("on") && args[0] != QStringLiteral("off")))
        return UsageError(QStringLiteral("feedback takes on or off"));
    const bool on = args[0] == QStringLiteral("on");
    return WithModule(options, [on](CCliSession& session) {
        CMotorCmd cmd(on);
        if (!session.Run(cmd))
            return int(EXIT_FAILED);
        QTextStream(stdout) << FormatText(TXT_FEEDBACK_SWITCHED, {LoadText(on ? TXT_ON : TXT_OFF)})
                            << '\n';
        return int(EXIT_OK);
    });
}

int SetText(const CliOptions& options, const QStringList& args, CSetParamCmd&& cmd,
            const char* name) {
    if (args.size() != 1 || args[0].isEmpty() || args[0].size() > CSetParamCmd::kMaxText)
        return UsageError(QStringLiteral("%1 takes one text of 1 to %2 characters")
                              .arg(QLatin1String(name))
                              .arg(CSetParamCmd::kMaxText));
    if (!CSetParamCmd::IsValidText(args[0]))
        return UsageError(LoadText(TXT_INVALID_MODULE_TEXT));
    return WithModule(options, [&](CCliSession& session) {
        cmd.SetArgs(args[0]);
        return session.Run(cmd) ? int(EXIT_OK) : int(EXIT_FAILED);
    });
}

int SetId(const CliOptions& options, const QStringList& args) {
    return SetText(options, args, CSetIdCmd(), "set-id");
}

int SetInfo(const CliOptions& options, const QStringList& args) {
    return SetText(options, args, CSetInfoCmd(), "set-info");
}

int Erase(const CliOptions& options, const QStringList& args) {
    if (!args.isEmpty())
        return UsageError(QStringLiteral("erase takes no arguments"));
    if (!options.yes)
        return UsageError(QStringLiteral("erase deletes every recorded event; confirm with --yes"));
    return WithModule(options, [](CCliSession& session) {
        CEraseDataCmd cmd;
        return session.Run(cmd) ? int(EXIT_OK) : int(EXIT_FAILED);
    });
}

int ReadMem(const CliOptions& options, const QStringList& args) {
    bool ok = false;
    const uint address = args.size() == 1 ? args[0].toUInt(&ok, 16) : 0;
    if (!ok)
        return UsageError(QStringLiteral("read-mem takes one hexadecimal address"));
    return WithModule(options, [address](CCliSession& session) {
        CReadMemCmd cmd;
        cmd.SetArgs(QString::number(address));
        if (!session.Run(cmd))
            return int(EXIT_FAILED);
        QTextStream(stdout) << cmd.m_strHex << '\t' << cmd.m_strBits << '\n';
        return int(EXIT_OK);
    });
}

int Adc(const CliOptions& options, const QStringList& args) {
    static const QStringList channels = {QStringLiteral("Bat"), QStringLiteral("Sense"),
                                         QStringLiteral("History")};
    if (args.size() != 1 || !channels.contains(args[0]))
        return UsageError(QStringLiteral("adc takes Bat, Sense or History"));
    return WithModule(options, [&](CCliSession& session) {
        CReadADCmd cmd;
        cmd.SetArgs(args[0]);
        if (!session.Run(cmd))
            return int(EXIT_FAILED);
        QTextStream(stdout) << cmd.m_strChannel << '\t' << cmd.m_strValues << '\n';
        return int(EXIT_OK);
    });
}

int HwTest(const CliOptions& options, const QStringList& args) {
    bool ok = false;
    const uint mask = args.size() == 1 ? args[0].toUInt(&ok) : 0;
    if (!ok)
        return UsageError(QStringLiteral("hw-test takes one decimal test mask"));
    return WithModule(options, [mask](CCliSession& session) {
        CTestHWCmd cmd;
        cmd.SetArgs(QString::number(mask));
        return session.Run(cmd) ? int(EXIT_OK) : int(EXIT_FAILED);
    });
}

} // namespace

QList<CliCommand> DeviceCommands() {
    return {
        {"info", "",
         "Identifies charger and module and prints key: value lines, then the battery\n"
         "and event lines.",
         Info},
        {"download", "--base DIR [--yes]",
         "Downloads the recorded events, prints them and saves them in DIR/<module folder>/ as\n"
         "a data file and a listing. When a data file there holds the events already, they are\n"
         "saved again only with --yes (without: \"not saved\" on stderr, exit status 0).",
         Download},
        {"get-params", "", "Prints the module's 32 parameters as INDEX TAB VALUE lines.",
         GetParams},
        {"set-params", "FIRST;COUNT;VALUE...",
         "Writes COUNT parameters starting at index FIRST (0 to 31): exactly COUNT values of\n"
         "0 to 65535, no further than parameter 31.",
         SetParams},
        {"feedback", "on|off", "Switches the vibration feedback on or off.", Feedback},
        {"set-id", "ID",
         "Sets the module ID (at most 29 characters, without \";\", TAB or control characters).",
         SetId},
        {"set-info", "TEXT",
         "Sets the module's info text (at most 29 characters, without \";\", TAB or control\n"
         "characters).",
         SetInfo},
        {"erase", "--yes", "Erases every event recorded in the module (refused without --yes).",
         Erase},
        {"read-mem", "HEXADDR",
         "Reads one 16-bit word of module memory; prints it in hex and as bits.", ReadMem},
        {"adc", "Bat|Sense|History", "Reads an analogue channel of the module.", Adc},
        {"hw-test", "MASK", "Starts the module's hardware tests given by the decimal mask.",
         HwTest},
    };
}
