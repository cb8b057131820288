#pragma once

#include "link/DevCmd.h"

#include <QList>
#include <QString>

#include <functional>

// One charger that the last enumeration accepted.
struct CChargerEntry {
    int index = -1; // in the link's device table
    QString serial;
    QString description;
    QString manufacturer;
};

// Enumerates the attached chips and returns the accepted chargers in table order: FT-X chips
// whose manufacturer is the maker's, or any FT-X chip when acceptAny is set.
QList<CChargerEntry> EnumerateChargers(bool acceptAny);

// The choice of the charger and the connection to its module, without windows: the accepted
// chargers by role, the enumeration, selection and identification of a charger, the automatic
// identification of the module in the roles Patient, Plus and Dentist, and the keep-alive clock
// of an idle module. The main window drives it (enumerations, the worker's reports, a tick per
// second) and shows what it reports through the listener. Its commands have no owner of their
// own: the worker's main owner receives their reports.
class CChargerControl {
public:
    // Seconds without a command before a keep-alive; keep-alives before the module counts as
    // gone.
    static constexpr int kIdleSeconds = 117;
    static constexpr int kKeepAlives = 5;

    // What changed in the identities; the first three are also the codes the open device
    // windows receive. MODULE_GONE: the module was disconnected or went silent.
    enum Change : int { CHARGER = 1, MODULE = 2, RESET = 3, MODULE_GONE = 4 };
    using Listener = std::function<void(Change change)>;

    // role: CRegVT::Role. Admin accepts every FT-X chip; Patient, Plus and Dentist identify the
    // module as soon as the charger is identified.
    CChargerControl(int role, Listener listener);

    // Enumerates again. The identified charger stays selected when it is still attached: the
    // result is its position in Chargers(), else -1 and nothing changes until Choose().
    int Enumerate();
    // The accepted chargers of the last enumeration.
    const QList<CChargerEntry>& Chargers() const { return m_chargers; }
    // Selects and identifies the only accepted charger, or selects none.
    void Choose();
    // Selects the charger at a table index and identifies it; -1 selects none and forgets the
    // identities.
    void Select(int index);

    // Identifies the module; ends its connection ("EC" when a charger is selected).
    void Connect();
    void Disconnect();

    // The worker's reports of the identification commands. OnCmdError is true when the failure
    // needs no message: the module was looked for only because a charger turned up.
    void OnCmdOk(CDevCmdReply& cmd);
    bool OnCmdError(CDevCmdReply& cmd);
    // After a failure that was shown.
    void OnCmdFailed(CDevCmdReply& cmd);

    // The keep-alive clock: a command went out (real: not a keep-alive), one second passed.
    // An idle module gets a keep-alive every kIdleSeconds; after kKeepAlives idle periods
    // without a real command it counts as gone (MODULE_GONE).
    void OnCmdSent(bool real);
    void Tick();

private:
    void Report(Change change);

    const bool m_bAcceptAny;
    const bool m_bIdentifyModule;
    Listener m_listener;
    QList<CChargerEntry> m_chargers;
    bool m_bAutoIdentify = false;
    int m_nKeepAlive = kKeepAlives;
    int m_nIdle = 0;
    CKeepAliveCmd m_keepAlive;
    CDevCmdNoReply m_endComm{QStringLiteral("EC")};
};
