#pragma once

// Runs veltrum-cli (the path in VELTRUM_CLI) for the tests of the command-line program: the
// environment, the start, the output and the exit status in one place.

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <functional>

struct CliResult {
    int status = -1; // -1 when the program crashed or did not end in time
    QByteArray out;
    QByteArray err;

    QString Out() const { return QString::fromUtf8(out); }
    QString Err() const { return QString::fromUtf8(err); }
};

struct CliRunner {
    // The environment of the run: this process's, changed as the test needs.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    // Runs the program and waits for its end while this thread keeps handling its events (a
    // test's server goes on answering); whileRunning, when given, is called every few
    // milliseconds and once more after the end. A program still running after timeoutMs is
    // killed.
    CliResult Run(const QStringList& args, int timeoutMs = 60000,
                  const std::function<void()>& whileRunning = {}) const {
        QProcess process;
        process.setProcessEnvironment(env);
        QEventLoop loop;
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart)
                loop.quit();
        });
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        QTimer pump;
        if (whileRunning)
            QObject::connect(&pump, &QTimer::timeout, whileRunning);
        process.start(QStringLiteral(VELTRUM_CLI), args);
        deadline.start(timeoutMs);
        if (whileRunning)
            pump.start(5);
        loop.exec();
        pump.stop();
        if (whileRunning)
            whileRunning(); // what the program wrote just before it ended
        CliResult result;
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        } else if (process.exitStatus() == QProcess::NormalExit &&
                   process.error() != QProcess::FailedToStart) {
            result.status = process.exitCode();
        }
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }
};
