#pragma once

#include "online/KelvoraHttp.h"

#include <memory>

class QProgressDialog;

// How the desktop program shows its transfers from the vendor server: a wait cursor while a
// list is read, and for a firmware image or the program package a progress window over the
// active window, with the bytes received and a Cancel button. The other windows take no input
// meanwhile, but keep drawing themselves.
class CTransferProgress : public CTransferView {
public:
    CTransferProgress();
    ~CTransferProgress() override;

    bool Begin(const QString& name, bool file, std::function<void()> cancel) override;
    void Progress(qint64 received, qint64 total) override;
    void End() override;

    // The progress window of the transfer that runs; null when none is shown.
    QProgressDialog* Window() const { return m_dialog.get(); }

private:
    std::unique_ptr<QProgressDialog> m_dialog;
    bool m_bCursor = false;
};
