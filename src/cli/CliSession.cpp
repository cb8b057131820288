#include "cli/CliSession.h"

#include "base/Texts.h"
#include "link/ChargerControl.h"
#include "link/CommWorker.h"
#include "link/DeviceState.h"
#include "link/InfoCmd.h"
#include "link/UsbLink.h"

#include <QEventLoop>
#include <QTextStream>
#include <QTimer>

#include <utility>

namespace {

// Longest wait for the worker to start a posted command.
constexpr int kStartLimitMs = 30000;

} // namespace

void WaitForWorker(const bool& started, const bool& done, const std::function<void()>& giveUp) {
    QEventLoop loop;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &loop, [&] {
        if (started || done)
            return;
        TheDevice().queue.Clear();
        QTextStream(stderr) << LoadText(TXT_NO_RESPONSE) << '\n';
        giveUp();
    });
    watchdog.start(kStartLimitMs);
    while (!done)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    // The caller may destroy the command once this returns.
    WaitForWorkerToPass();
}

CCliSession::CCliSession(const CliOptions& options) : m_options(options) {
    const bool yes = options.yes;
    SetMessageBoxHandler([this, yes](const QString& text, unsigned style, const QString&) {
        m_strLastMessage = text;
        switch (style & 0xF) {
        case MB_YESNO:
            return yes ? int(IDYES) : int(IDNO);
        case MB_OKCANCEL:
        case MB_RETRYCANCEL:
            return int(IDCANCEL);
        default:
            return int(IDOK);
        }
    });
    if (options.verbose) {
        SetProtocolHandler([](const QString& line) { QTextStream(stderr) << line << '\n'; });
    }
    TheDevice().worker.SetMainOwner(this);
}

CCliSession::~CCliSession() {
    if (m_bConnected) {
        // Between commands the worker makes no blocking call into this thread, so waiting for
        // it here cannot deadlock.
        PostTerminate(m_terminate);
        TheDevice().worker.wait(5000);
    }
    TheDevice().worker.SetMainOwner(nullptr);
    SetMessageBoxHandler(nullptr);
    SetProtocolHandler(nullptr);
}

int CCliSession::Connect() {
    const QList<CChargerEntry> chargers = EnumerateChargers(false);
    const CChargerEntry* chosen = nullptr;
    for (const CChargerEntry& c : chargers) {
        if (m_options.charger.isEmpty() ? chargers.size() == 1 : c.serial == m_options.charger)
            chosen = &c;
    }
    if (!chosen) {
        if (m_options.charger.isEmpty() && chargers.size() > 1)
            return UsageError(
                QStringLiteral("several chargers are attached; choose one with --charger SERIAL"));
        // A charger that another program holds, or that this user may not open, is not listed:
        // say so rather than "not attached".
        const int message = NoChargerMessage(TheDevice().link.Devices());
        if (!chargers.isEmpty() && message == TXT_NO_CHARGER)
            return Failure(
                QStringLiteral("no charger with serial number %1").arg(m_options.charger));
        return Failure(LoadText(message));
    }
    TheDevice().link.Select(chosen->index);
    if (!TheDevice().link.Open()) {
        const int message = OpenErrorMessage(TheDevice().link.OpenError());
        TheDevice().link.Select(-1);
        return Failure(LoadText(message));
    }
    TheDevice().link.Close();
    TheDevice().chargerInfo.m_strSerial = chosen->serial;
    TheDevice().worker.Start();
    m_bConnected = true;
    return EXIT_OK;
}

bool CCliSession::Run(CDevCmdReply& cmd) {
    m_bStarted = false;
    m_bDone = false;
    m_bOk = false;
    cmd.m_pOwner = this;
    cmd.Post();
    WaitForWorker(m_bStarted, m_bDone, [this] { Finish(false); });
    return m_bOk;
}

QString CCliSession::TakeLastMessage() {
    return std::exchange(m_strLastMessage, QString());
}

bool CCliSession::Identify() {
    return Run(TheDevice().chargerInfo) && Run(TheDevice().moduleInfo);
}

void CCliSession::Finish(bool ok) {
    m_bDone = true;
    m_bOk = ok;
}

bool CCliSession::OnCmdStart(CDevCmdReply& cmd) {
    m_bStarted = true;
    return CCommOwner::OnCmdStart(cmd);
}

bool CCliSession::OnCmdOk(CDevCmdReply&) {
    return false;
}

bool CCliSession::OnCmdError(CDevCmdReply& cmd) {
    if (CCommOwner::OnCmdError(cmd))
        return true;
    const QString text = LoadText(cmd.m_nMsgId > 0 ? cmd.m_nMsgId : TXT_INVALID_RESPONSE);
    QTextStream(stderr) << text.trimmed() << '\n';
    Finish(false);
    return false;
}

void CCliSession::OnCmdEnd(CDevCmdReply& cmd) {
    Finish(cmd.m_nError == ERR_NONE);
}
