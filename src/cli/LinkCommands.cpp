#include "base/Texts.h"
#include "cli/CliCommands.h"
#include "cli/CliSession.h"
#include "link/ChargerControl.h"
#include "link/DeviceState.h"
#include "link/GenericCmd.h"

#include <QTextStream>

namespace {

int List(const CliOptions& options, const QStringList& args) {
    if (!args.isEmpty())
        return UsageError(QStringLiteral("list takes no arguments"));
    QTextStream out(stdout);
    for (const CChargerEntry& c : EnumerateChargers(false)) {
        if (options.charger.isEmpty() || c.serial == options.charger)
            out << c.serial << '\t' << c.description << '\t' << c.manufacturer << '\n';
    }
    return EXIT_OK;
}

int Send(const CliOptions& options, const QStringList& args) {
    if (args.size() != 1 || args[0].isEmpty())
        return UsageError(QStringLiteral("send takes one command text"));
    if (HasControlCharacter(args[0]))
        return UsageError(LoadText(TXT_CONTROL_CHARACTER));
    CCliSession session(options);
    if (const int status = session.Connect())
        return status;
    CGenericCmd& cmd = TheDevice().genericCmd;
    cmd.SetCommand(args[0]);
    if (!session.Run(cmd))
        return EXIT_FAILED;
    QTextStream(stdout) << cmd.m_strLine << '\n';
    return EXIT_OK;
}

} // namespace

QList<CliCommand> LinkCommands() {
    return {
        {"list", "",
         "Lists the attached chargers: serial number, description and manufacturer, "
         "separated by TABs.",
         List},
        {"send", "TEXT",
         "Sends TEXT to the device (or, starting with '#', to the charger) and prints the\n"
         "command text, a TAB and the reply with its lines separated by TABs.",
         Send},
    };
}
