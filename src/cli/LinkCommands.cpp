#include "base/Texts.h"
#include "cli/CliCommands.h"
#include "cli/CliSession.h"
#include "link/ChargerControl.h"
#include "link/DeviceState.h"
#include "link/GenericCmd.h"
#include "link/UsbLink.h"

#include <QTextStream>

#include <optional>

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

void PrintEeprom(const FtEepromX& image, const FtEepromStrings& strings) {
    QTextStream out(stdout);
    out << "manufacturer: " << QString::fromLatin1(strings.manufacturer) << '\n'
        << "description: " << QString::fromLatin1(strings.description) << '\n'
        << "serial: " << QString::fromLatin1(strings.serial) << '\n'
        << "vendorId: " << QStringLiteral("%1").arg(image.vendorId, 4, 16, QLatin1Char('0')) << '\n'
        << "productId: " << QStringLiteral("%1").arg(image.productId, 4, 16, QLatin1Char('0'))
        << '\n'
        << "maxPower: " << image.maxPower << '\n'
        << "selfPowered: " << image.selfPowered << '\n'
        << "remoteWakeup: " << image.remoteWakeup << '\n'
        << "pullDownEnable: " << image.pullDownEnable << '\n'
        << "serialNumberEnable: " << image.serNumEnable << '\n';
    for (int i = 0; i < int(std::size(image.cbus)); ++i)
        out << "cbus" << i << ": "
            << CbusFunctionNames().value(image.cbus[i], QString::number(image.cbus[i])) << '\n';
}

// A CBUS function by name or code.
std::optional<std::uint8_t> CbusFunction(const QString& value) {
    const qsizetype index = CbusFunctionNames().indexOf(value.toUpper());
    if (index >= 0)
        return static_cast<std::uint8_t>(index);
    bool ok = false;
    const int code = value.toInt(&ok);
    if (ok && code >= 0 && code < CbusFunctionNames().size())
        return static_cast<std::uint8_t>(code);
    return std::nullopt;
}

// Applies KEY=VALUE to the image and strings; an error text for a key or value that is not one.
QString SetEepromField(const QString& assignment, FtEepromX& image, FtEepromStrings& strings) {
    const qsizetype equals = assignment.indexOf(u'=');
    const QString key = assignment.left(equals);
    const QString value = assignment.mid(equals + 1);
    if (equals < 0)
        return QStringLiteral("expected KEY=VALUE, not %1").arg(assignment);
    if (key == u"manufacturer" || key == u"description" || key == u"serial") {
        const bool chipText = std::all_of(value.begin(), value.end(), [](QChar c) {
            return (c >= u' ' && c <= u'~') || (c >= u'\xA0' && c <= u'\xFF');
        });
        if (!chipText)
            return QStringLiteral("%1 may hold printable Latin-1 characters only").arg(key);
        (key == u"manufacturer"  ? strings.manufacturer
         : key == u"description" ? strings.description
                                 : strings.serial) = value.toLatin1();
        return QString();
    }
    if (key == u"maxPower") {
        bool ok = false;
        const int mA = value.toInt(&ok);
        if (!ok || mA < kMinMaxPower || mA > kMaxMaxPower)
            return FormatText(TXT_RANGE,
                              {QString::number(kMinMaxPower), QString::number(kMaxMaxPower)});
        image.maxPower = static_cast<std::uint16_t>(mA);
        return QString();
    }
    if (key == u"cbus5" || key == u"cbus6") {
        const std::optional<std::uint8_t> code = CbusFunction(value);
        if (!code)
            return QStringLiteral("%1 is no CBUS function (%2)")
                .arg(value, CbusFunctionNames().join(QStringLiteral(", ")));
        image.cbus[key == u"cbus5" ? 5 : 6] = *code;
        return QString();
    }
    return QStringLiteral("unknown EEPROM field %1 (manufacturer, description, serial, maxPower, "
                          "cbus5, cbus6)")
        .arg(key);
}

int Eeprom(const CliOptions& options, const QStringList& args) {
    QStringList assignments = args;
    if (!assignments.isEmpty()) {
        if (assignments.takeFirst() != u"--set" || assignments.isEmpty())
            return UsageError(QStringLiteral("eeprom takes no arguments, or --set KEY=VALUE..."));
        if (!options.yes)
            return UsageError(QStringLiteral(
                "eeprom --set reprograms the charger's USB chip; confirm with --yes"));
    }
    CCliSession session(options);
    if (const int status = session.Connect())
        return status;
    CUsbLink& link = TheDevice().link;
    FtEepromX image;
    FtEepromStrings strings;
    if (!link.ReadEeprom(image, strings))
        return Failure(LoadText(TXT_EEPROM_NOT_READ));
    if (assignments.isEmpty()) {
        PrintEeprom(image, strings);
        return EXIT_OK;
    }
    for (const QString& assignment : std::as_const(assignments)) {
        const QString error = SetEepromField(assignment, image, strings);
        if (!error.isEmpty())
            return UsageError(error);
    }
    if (strings.manufacturer.size() + strings.description.size() + strings.serial.size() >
        kMaxEepromStrings)
        return UsageError(QStringLiteral("manufacturer, description and serial number may have "
                                         "at most %1 characters together")
                              .arg(kMaxEepromStrings));
    if (!link.ProgramEeprom(image, strings) || !link.ReadEeprom(image, strings))
        return Failure(LoadText(TXT_EEPROM_NOT_WRITTEN));
    PrintEeprom(image, strings);
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
        {"eeprom", "[--set KEY=VALUE... --yes]",
         "Prints the EEPROM of the charger's USB chip as key: value lines. With --set (and\n"
         "--yes) programs manufacturer, description, serial (at most 43 characters\n"
         "together), maxPower (2 to 500 mA) and cbus5, cbus6 (a function name or code)\n"
         "with the serial-number string disabled, reads the chip back and prints it.",
         Eeprom},
    };
}
