#pragma once

#include "firmware/UpdateProcedure.h"
#include "ui/common/UsbDlg.h"

#include <functional>

class CIntelHexFile;
class CKelvoraButton;
class QCheckBox;
class QGroupBox;
class QLabel;

// The firmware update window of the charger or the module. "Update" checks the whole image,
// starts the boot loader and sends one record per exchange, showing the start of each record;
// the window ends with IDOK after the last record, or stays ready for another try after a
// failure that was not retried (a retry starts again from the loader start). Closing it during
// the transfer goes through the queue: it ends with 2 once the worker has left the transfer.
//
// The module update erases the module's data: "Update" is enabled only while "Data uploaded" is
// checked, and the button beside it downloads the data first.
class CUpdateDlg : public CUsbCommDlg {
    Q_OBJECT
public:
    // name: the path of a local image or the file name on the server; image: its source, not
    // yet open, owned by the caller. upload: downloads the module's data (module only).
    CUpdateDlg(bool charger, const QString& name, CIntelHexFile& image, QWidget* parent,
               std::function<void()> upload = {});
    ~CUpdateDlg() override;

    bool OnCommand(int id) override;
    // The window's only own command is its exit.
    bool OnCmdOk(CDevCmdReply&) override { return false; }

    // Whether the transfer runs.
    bool Transferring() const { return m_bTransferring; }

protected:
    // The text under the warning: the start of the record just sent, then "Ready".
    virtual void OnProgress(const QString& text);
    // The transfer ended: ok after every record was accepted.
    virtual void OnFinished(bool ok);

private:
    class CProcedure;
    class CDoneCmd;

    void Start();
    void ShowTransfer(bool on);

    std::unique_ptr<CProcedure> m_procedure;
    std::unique_ptr<CDoneCmd> m_done;
    std::function<void()> m_upload;
    bool m_bTransferring = false;
    CKelvoraButton* m_update = nullptr;
    QLabel* m_wait = nullptr;
    QLabel* m_progress = nullptr;
    QGroupBox* m_confirm = nullptr;
    QCheckBox* m_uploaded = nullptr;
    CKelvoraButton* m_uploadButton = nullptr;
};

// The firmware update of the charger ("#CUP", "#CIH").
class CUpdateVorozizEvuDlg : public CUpdateDlg {
    Q_OBJECT
public:
    CUpdateVorozizEvuDlg(const QString& name, CIntelHexFile& image, QWidget* parent)
        : CUpdateDlg(true, name, image, parent) {}
};

// The firmware update of the module ("UP", "IH"), with the confirmation that its data were
// uploaded.
class CUpdateVibModuleDlg : public CUpdateDlg {
    Q_OBJECT
public:
    CUpdateVibModuleDlg(const QString& name, CIntelHexFile& image, QWidget* parent,
                        std::function<void()> upload)
        : CUpdateDlg(false, name, image, parent, std::move(upload)) {}
};

// Asks for a local firmware image (*.a43), starting in folder; empty when none was chosen.
QString ChooseFirmwareImage(QWidget* parent, const QString& folder);
