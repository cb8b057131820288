// veltrum-cli: the command-line front end over the device link and the data code. It never
// asks: Retry/Cancel questions are answered Cancel, Yes/No questions No (Yes with --yes).

#include "base/Texts.h"
#include "base/veltrum_version.h"
#include "cli/CliCommands.h"
#include "drivers/ChargerDrivers.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <memory>

namespace {

QList<CliCommand> AllCommands() {
    return LinkCommands() + DeviceCommands() + DataCommands() + FirmwareCommands();
}

void PrintHelp() {
    QTextStream out(stdout);
    out << "Usage: veltrum-cli [OPTIONS] COMMAND [ARGUMENTS]\n\n"
           "Talks to a Kelvora module in its Vareriz-Ezu charger and works with downloaded "
           "data.\n\n"
           "Options:\n"
           "  --charger SERIAL  use the charger with this serial number (needed when several\n"
           "                    are attached)\n"
           "  --yes             answer Yes to every Yes/No question (default: No)\n"
           "  --verbose         write the communication protocol to stderr\n"
           "  --help            show this text\n"
           "  --version         show the program version\n\n"
           "Commands:\n";
    for (const CliCommand& c : AllCommands()) {
        out << "  " << c.name;
        if (*c.synopsis)
            out << ' ' << c.synopsis;
        out << '\n';
        for (const QString& line : QString::fromUtf8(c.help).split(u'\n'))
            out << "      " << line << '\n';
    }
    out << "\nExit status: 0 success, 1 device or data failure (message on stderr), 2 usage "
           "error.\n"
           "Environment: KELVORA_SIMULATOR=1 adds the simulated charger SIM0001 with a module;\n"
           "KELVORA_SIM_STATE=FILE keeps the simulated module's state in FILE between runs;\n"
           "KELVORA_SERIAL_PORTS=PATH[@SERIAL]:... adds chargers on serial ports.\n";
}

// Diagrams need fonts and so a QGuiApplication: "report" with --png or --pdf. Every other
// command runs without one.
bool DrawsDiagrams(int argc, char* argv[]) {
    bool report = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView arg(argv[i]);
        report = report || arg == "report";
        if (report && (arg == "--png" || arg == "--pdf"))
            return true;
    }
    return false;
}

std::unique_ptr<QCoreApplication> CreateApplication(int& argc, char* argv[]) {
    if (!DrawsDiagrams(argc, argv))
        return std::make_unique<QCoreApplication>(argc, argv);
    // Without a display the diagrams are drawn off-screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int UsageError(const QString& text) {
    QTextStream(stderr) << "veltrum-cli: " << text << "\nTry 'veltrum-cli --help'.\n";
    return EXIT_USAGE;
}

int Failure(const QString& text) {
    QTextStream(stderr) << text << '\n';
    return EXIT_FAILED;
}

int main(int argc, char* argv[]) {
    const std::unique_ptr<QCoreApplication> app = CreateApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Veltrum"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELTRUM_VERSION_TEXT));
    SetLanguage(SystemLanguage());

    CliOptions options;
    QStringList args = QCoreApplication::arguments().mid(1);
    while (!args.isEmpty() && args.first().startsWith(QStringLiteral("--"))) {
        const QString option = args.takeFirst();
        if (option == QStringLiteral("--help")) {
            PrintHelp();
            return EXIT_OK;
        }
        if (option == QStringLiteral("--version")) {
            QTextStream(stdout) << "veltrum-cli " << VELTRUM_VERSION_TEXT << '\n';
            return EXIT_OK;
        }
        if (option == QStringLiteral("--yes")) {
            options.yes = true;
        } else if (option == QStringLiteral("--verbose")) {
            options.verbose = true;
        } else if (option == QStringLiteral("--charger")) {
            if (args.isEmpty() || args.first().isEmpty())
                return UsageError(QStringLiteral("--charger needs a serial number"));
            options.charger = args.takeFirst();
        } else {
            return UsageError(QStringLiteral("unknown option %1").arg(option));
        }
    }
    if (args.isEmpty())
        return UsageError(QStringLiteral("no command given"));

    const QString name = args.takeFirst();
    // Commands that change or save data take --yes after their name as well.
    if (args.removeAll(QStringLiteral("--yes")) > 0)
        options.yes = true;
    for (const CliCommand& c : AllCommands()) {
        if (name == QLatin1String(c.name)) {
            InstallChargerDrivers();
            return c.run(options, args);
        }
    }
    return UsageError(QStringLiteral("unknown command %1").arg(name));
}
