#pragma once

#include "ui/common/TipDialog.h"

class COutput;
class QIODevice;

// The protocol window: a list of the communication texts and message boxes beside its owner
// window, 10 px right of it with the tops aligned. It follows the owner when that moves and is
// enabled and disabled with it. It starts hidden; hiding keeps the lines.
class COutputDlg : public CTipDialog {
    Q_OBJECT
public:
    explicit COutputDlg(QWidget* owner);

    void Append(const QString& text);
    // Hidden: shown without taking the focus, true. Shown: hidden, false.
    bool Toggle();
    void Save();
    bool WriteTo(QIODevice& file) const;
    void Clear();
    COutput& List() { return *m_list; }

    // Whether the pop-up menu offers "Protocol window" (roles Configuration and Admin).
    bool ProtocolAllowed = false;

    bool OnCommand(int id) override;
    void OnInitMenu(QMenu& menu) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FollowOwner();

    QWidget* m_owner;
    COutput* m_list;
};
