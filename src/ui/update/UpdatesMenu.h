#pragma once

#include <QString>

class CMenuTip;
class QMenu;
class QMenuBar;

// What the Updates menu offers: the bits of COnlineState::Offer and the new versions as text.
struct CUpdatesOffer {
    unsigned mask = 0;
    QString program;
    QString module;
    QString charger;

    bool operator==(const CUpdatesOffer&) const = default;
};

// The "Updates" menu at the right end of the main window's menu bar, there while the vendor
// server offers something newer: one item each for the program (32808), the module firmware
// (32896) and the charger firmware (32895), with the new version. The menu bar reports the
// chosen item like any other.
class CUpdatesMenu {
public:
    CUpdatesMenu(QMenuBar& bar, CMenuTip& tips);

    // Shows the items of the offer, or no menu for an empty one; nothing happens when the offer
    // is the one shown.
    void Show(const CUpdatesOffer& offer);
    const CUpdatesOffer& Shown() const { return m_shown; }
    // The menu; null while none is shown.
    QMenu* Menu() const;

private:
    QMenuBar* m_corner;
    CMenuTip& m_tips;
    CUpdatesOffer m_shown;
};
