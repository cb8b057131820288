#pragma once

#include "cli/CliCommands.h"
#include "link/CmdOwner.h"
#include "link/DevCmd.h"

#include <functional>

// A connection to one charger for the length of a veltrum-cli command: it installs the charger
// drivers, picks the charger, starts the worker and runs commands one at a time, answering
// every prompt without a screen. Its destructor ends the worker as the program does at exit.
class CCliSession : public CCommOwner {
public:
    explicit CCliSession(const CliOptions& options);
    ~CCliSession() override;

    // Picks the charger (--charger, or the only one attached). On failure returns the exit
    // status and has written the message.
    int Connect();

    // Posts the command and waits until the worker has finished it; false when it failed, with
    // the message on stderr.
    bool Run(CDevCmdReply& cmd);
    // Identifies the charger ("#CGV") and then the module ("GP"), as the program does before
    // any module command.
    bool Identify();

    // The text of the last message box answered since the last call, and forgets it.
    QString TakeLastMessage();

    bool OnCmdStart(CDevCmdReply& cmd) override;
    bool OnCmdOk(CDevCmdReply& cmd) override;
    bool OnCmdError(CDevCmdReply& cmd) override;
    void OnCmdEnd(CDevCmdReply& cmd) override;

private:
    void Finish(bool ok);

    CliOptions m_options;
    CTerminateCmd m_terminate;
    bool m_bConnected = false;
    bool m_bStarted = false;
    bool m_bDone = false;
    bool m_bOk = false;
    QString m_strLastMessage;
};

// Runs this thread's events until done is set. When the worker has not started the command
// within a while (it cannot reach the charger), the command is given up with "No response!":
// the queue is dropped and giveUp must set done. Once the worker runs the command, its own
// timeouts bound every exchange, so a reply whose bytes keep arriving is never cut off here.
void WaitForWorker(const bool& started, const bool& done, const std::function<void()>& giveUp);
