#pragma once

#include <QStringList>

// Exit status of veltrum-cli.
enum CliExit : int { EXIT_OK = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

// Options that come before the command.
struct CliOptions {
    QString charger;      // --charger SERIAL
    bool yes = false;     // --yes: answer Yes/No questions with Yes
    bool verbose = false; // --verbose: protocol lines on stderr
};

// One command of veltrum-cli.
struct CliCommand {
    const char* name;
    const char* synopsis; // arguments after the name
    const char* help;     // one or more lines
    int (*run)(const CliOptions& options, const QStringList& args);
};

// Every command, in the order of the help text. Each group of commands adds its own list.
QList<CliCommand> LinkCommands();
QList<CliCommand> DeviceCommands();
QList<CliCommand> DataCommands();
QList<CliCommand> FirmwareCommands();

// Writes "veltrum-cli: text" to stderr and returns the exit status for a usage error.
int UsageError(const QString& text);
// Writes the text to stderr and returns the exit status for a failure.
int Failure(const QString& text);
