#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class CScript;

// Abandons a running script after it was cancelled.
class CScriptException : public std::exception {
public:
    const char* what() const noexcept override { return "script canceled"; }
};

// Sleeps for a relative time; Abort ends the sleep early (the script is being closed).
class CWaitableTimer {
public:
    void Wait(std::chrono::milliseconds time);
    void Abort();
    void Reset();

private:
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_bAborted = false;
};

// One line of a script that does something when run.
class CScriptEntry {
public:
    explicit CScriptEntry(int index) : m_nIndex(index) {}
    virtual ~CScriptEntry() = default;
    CScriptEntry(const CScriptEntry&) = delete;
    CScriptEntry& operator=(const CScriptEntry&) = delete;

    // Runs the entry on the runner thread; the index of the entry to run next.
    virtual int Execute(CScript& script) = 0;

    const int m_nIndex;
};

// "CMD": sends the text through the generic command and waits until the exchange is done.
class CCmdEntry : public CScriptEntry {
public:
    CCmdEntry(int index, const QString& cmd) : CScriptEntry(index), m_strCmd(cmd) {}
    int Execute(CScript& script) override;
    const QString m_strCmd;
};

// "PAUSE": waits that many milliseconds.
class CPauseEntry : public CScriptEntry {
public:
    CPauseEntry(int index, std::uint32_t ms) : CScriptEntry(index), m_nMs(ms) {}
    int Execute(CScript& script) override;
    const std::uint32_t m_nMs;
};

// "LOOP": runs the entries up to its "ENDLOOP" m_nCount times.
class CLoopEntry : public CScriptEntry {
public:
    CLoopEntry(int index, std::uint32_t count) : CScriptEntry(index), m_nCount(count) {}
    int Execute(CScript& script) override;
    const std::uint32_t m_nCount;
    int m_nLast = 0; // index of the last entry of the body; m_nIndex for an empty body
};

// Stands for any index past the end: reports a script error and ends the run.
class CDefaultEntry : public CScriptEntry {
public:
    CDefaultEntry() : CScriptEntry(-1) {}
    int Execute(CScript& script) override;
};

// A command script: a file whose first line is "KelvoraScript", followed by lines of a keyword
// and, after a TAB, its argument: "CMD" text, "PAUSE" milliseconds, "LOOP" count ... "ENDLOOP"
// (nested to any depth), and comments starting with "//". Loading and running write every step
// to the log.
class CScript {
public:
    // Deeper nesting is refused as an error in its line: the runner's stack grows with it.
    static constexpr int kMaxDepth = 100;
    // Scripts are a few kilobytes; larger files are refused.
    static constexpr qint64 kMaxSize = 16 * 1024 * 1024;

    CScript() = default;
    CScript(const CScript&) = delete;
    CScript& operator=(const CScript&) = delete;

    // Loads the script file at path (8-bit text); whether the script is runnable. A file that
    // cannot be read (missing, no regular file, too large) is shown in the message box.
    bool Load(const QString& path);
    // Loads the script from the content of a file.
    bool LoadContent(const QByteArray& content);
    // Complete (no loop left open) and not empty.
    bool IsRunnable() const;
    int Count() const { return static_cast<int>(m_entries.size()); }

    // Where the log lines go (TABs already replaced by blanks); called from the runner thread
    // and the thread of the script's command owner, one at a time.
    void SetLogHandler(std::function<void(const QString&)> handler);
    void Log(const QString& text);

    // Runs the script on the calling thread (the runner) until its end or a cancel, which it
    // logs as "Script canceled".
    void Run();
    // Sets the running flag before a run.
    void Prepare();
    // Clears the running flag: the run ends at the start of the next entry.
    void Cancel() { m_bRunning = false; }
    bool IsRunning() const { return m_bRunning; }
    // Signalled by the command owner when an exchange of the generic command is done.
    void SignalEvent();
    // Ends a pause at once (the script is being closed).
    void AbortPause() { m_timer.Abort(); }

    // For the entries.
    CScriptEntry& Entry(int index);
    // Clears the queue and raises CScriptException when the run was cancelled.
    void CheckCancel();
    // Sends text through the generic command and waits for the script event.
    void SendCommand(const QString& text);
    void Pause(std::uint32_t ms);
    int m_nLoopLevel = 0;

private:
    // Parses one line after the header; false ends loading.
    bool ParseLine(const QString& line, int lineNumber);
    void Clear();

    std::vector<std::unique_ptr<CScriptEntry>> m_entries;
    QList<CLoopEntry*> m_openLoops;
    CDefaultEntry m_default;
    std::atomic<bool> m_bRunning{false};
    CWaitableTimer m_timer;
    std::mutex m_eventLock;
    std::condition_variable m_eventWake;
    bool m_bEvent = false;
    std::mutex m_logLock;
    std::function<void(const QString&)> m_logHandler;
};

// The script of the program.
