#include "scripts/Script.h"

#include "base/AnsiCodec.h"
#include "base/FileRead.h"
#include "base/Texts.h"
#include "link/CommWorker.h"
#include "link/DeviceState.h"
#include "link/GenericCmd.h"

#include <QCoreApplication>

#include <limits>
#include <optional>

namespace {

// The leading decimal number of a PAUSE or LOOP argument as "%u" reads it (blanks, an optional
// '+', digits; text after them is ignored), but without wrapping: a negative number or one
// beyond 32 bits is no number, so that "LOOP -1" never becomes four billion passes.
std::optional<std::uint32_t> ScanCount(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    if (i < text.size() && text[i] == u'+')
        ++i;
    const qsizetype firstDigit = i;
    std::uint64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + static_cast<std::uint64_t>(text[i].unicode() - u'0');
        if (value > std::numeric_limits<std::uint32_t>::max())
            return std::nullopt;
    }
    if (i == firstDigit)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

} // namespace

void CWaitableTimer::Wait(std::chrono::milliseconds time) {
    std::unique_lock guard(m_lock);
    m_wake.wait_for(guard, time, [this] { return m_bAborted; });
}

void CWaitableTimer::Abort() {
    {
        std::lock_guard guard(m_lock);
        m_bAborted = true;
    }
    m_wake.notify_all();
}

void CWaitableTimer::Reset() {
    std::lock_guard guard(m_lock);
    m_bAborted = false;
}

int CCmdEntry::Execute(CScript& script) {
    script.CheckCancel();
    script.SendCommand(m_strCmd);
    return m_nIndex + 1;
}

int CPauseEntry::Execute(CScript& script) {
    script.CheckCancel();
    script.Log(QStringLiteral("PAUSE %1 ms").arg(m_nMs));
    script.Pause(m_nMs);
    return m_nIndex + 1;
}

int CLoopEntry::Execute(CScript& script) {
    script.CheckCancel();
    const int level = ++script.m_nLoopLevel;
    for (std::uint32_t i = 1; i <= m_nCount && i != 0; ++i) {
        // Also here, so that a loop with an empty body can be cancelled.
        script.CheckCancel();
        script.Log(QStringLiteral("Schleife %1 von %2 (Ebene %3)").arg(i).arg(m_nCount).arg(level));
        for (int index = m_nIndex + 1; index <= m_nLast;)
            index = script.Entry(index).Execute(script);
    }
    script.Log(QStringLiteral("Schleifenende (Ebene %1)").arg(level));
    --script.m_nLoopLevel;
    return m_nLast + 1;
}

int CDefaultEntry::Execute(CScript& script) {
    script.CheckCancel();
    script.Log(LoadText(TXT_SCRIPT_ERROR));
    return script.Count();
}

bool CScript::Load(const QString& path) {
    const FileContent content = ReadRegularFile(path, kMaxSize);
    if (!content.ok()) {
        Clear();
        const int message = content.error == FileReadError::NotAFile   ? TXT_NOT_A_FILE
                            : content.error == FileReadError::TooLarge ? TXT_TOO_LARGE
                                                                       : TXT_NOT_FOUND_OR_INVALID;
        ShowMessage(FormatText(message, {path}), MB_OK, QCoreApplication::applicationName());
        return false;
    }
    return LoadContent(content.bytes);
}

bool CScript::LoadContent(const QByteArray& content) {
    Clear();
    QList<QByteArray> lines = content.split('\n');
    if (content.endsWith('\n') || content.isEmpty())
        lines.removeLast(); // the end of the last line, not an empty line of its own
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray& bytes = lines[i];
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        const QString line = FromAnsi(bytes);
        Log(line);
        if (i == 0 ? line != u"KelvoraScript" : !ParseLine(line, static_cast<int>(i + 1)))
            break;
    }
    return IsRunnable();
}

bool CScript::ParseLine(const QString& line, int lineNumber) {
    const qsizetype tab = line.indexOf(u'\t');
    const QString keyword = tab < 0 ? line : line.left(tab);
    const QString argument = tab < 0 ? QString() : line.mid(tab + 1);
    const int index = Count();
    if (keyword == u"PAUSE") {
        const std::optional<std::uint32_t> ms = ScanCount(argument);
        if (!ms)
            return false;
        m_entries.push_back(std::make_unique<CPauseEntry>(index, *ms));
    } else if (keyword == u"CMD") {
        if (HasControlCharacter(argument)) {
            // It could never be sent: an error in its line, like any line that is not a script's.
            Log(QStringLiteral("Fehler in Zeile %1").arg(lineNumber));
            Log(LoadText(TXT_CONTROL_CHARACTER));
            Clear();
            return false;
        }
        m_entries.push_back(std::make_unique<CCmdEntry>(index, argument));
    } else if (keyword == u"LOOP" && m_openLoops.size() < kMaxDepth) {
        const std::optional<std::uint32_t> count = ScanCount(argument);
        if (!count)
            return false;
        auto loop = std::make_unique<CLoopEntry>(index, *count);
        m_openLoops.append(loop.get());
        m_entries.push_back(std::move(loop));
    } else if (keyword == u"ENDLOOP" && !m_openLoops.isEmpty()) {
        m_openLoops.takeLast()->m_nLast = index - 1;
    } else if (!keyword.startsWith(QStringLiteral("//"))) {
        Log(QStringLiteral("Fehler in Zeile %1").arg(lineNumber));
        Clear();
        return false;
    }
    return true;
}

void CScript::Clear() {
    m_openLoops.clear();
    m_entries.clear();
}

bool CScript::IsRunnable() const {
    return m_openLoops.isEmpty() && !m_entries.empty();
}

void CScript::SetLogHandler(std::function<void(const QString&)> handler) {
    std::lock_guard guard(m_logLock);
    m_logHandler = std::move(handler);
}

void CScript::Log(const QString& text) {
    std::lock_guard guard(m_logLock);
    if (m_logHandler)
        m_logHandler(QString(text).replace(u'\t', u' '));
}

void CScript::Prepare() {
    m_bRunning = true;
    m_timer.Reset();
    std::lock_guard guard(m_eventLock);
    m_bEvent = false;
}

void CScript::Run() {
    m_nLoopLevel = 0;
    try {
        for (int index = 0; index < Count();)
            index = Entry(index).Execute(*this);
    } catch (const CScriptException&) {
        Log(LoadText(TXT_SCRIPT_CANCELED));
    }
    m_bRunning = false;
}

CScriptEntry& CScript::Entry(int index) {
    if (index < 0 || index >= Count())
        return m_default;
    return *m_entries[static_cast<std::size_t>(index)];
}

void CScript::CheckCancel() {
    if (m_bRunning)
        return;
    TheDevice().queue.Clear();
    throw CScriptException();
}

void CScript::SignalEvent() {
    {
        std::lock_guard guard(m_eventLock);
        m_bEvent = true;
    }
    m_eventWake.notify_all();
}

void CScript::SendCommand(const QString& text) {
    {
        std::lock_guard guard(m_eventLock);
        m_bEvent = false;
    }
    CGenericCmd& cmd = TheDevice().genericCmd;
    cmd.SetCommand(text);
    cmd.Post();
    std::unique_lock guard(m_eventLock);
    m_eventWake.wait(guard, [this] { return m_bEvent; });
}

void CScript::Pause(std::uint32_t ms) {
    m_timer.Wait(std::chrono::milliseconds(ms));
}
