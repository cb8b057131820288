#pragma once

#include "firmware/UpdateCmd.h"
#include "link/CmdOwner.h"

class CIntelHexFile;

// The firmware update of the module or the charger, as the update window runs it, without the
// window: it starts the boot loader, sends one record per exchange and reports the progress.
// After a failed exchange that is retried (silently once, then by the user's Retry) the whole
// transfer starts again from the loader start and the first record.
//
// The window and the command-line front end derive from it for OnProgress and OnFinished.
// Like every owner it must live on a thread that runs an event loop.
class CUpdateProcedure : public CCommOwner {
public:
    // The module's battery voltage (mV) below which its update from the server is refused: the
    // module must not run empty while its flash is rewritten.
    static constexpr std::uint16_t kMinBatteryMv = 3600;

    // name is the path or the server's file name of the image, which is not yet open.
    CUpdateProcedure(bool charger, const QString& name, CIntelHexFile& image);

    // Opens the image and posts the loader start; false, after a message (275 "not found or
    // invalid", or what is wrong with the file), when the image cannot be read or is no
    // complete image, and without one when the user cancelled its download (then nothing is
    // sent).
    bool Start();

    bool OnCmdOk(CDevCmdReply& cmd) override;
    bool OnCmdError(CDevCmdReply& cmd) override;

    // The text under the progress bar: the start of the record just sent, then "Ready".
    virtual void OnProgress(const QString&) {}
    // The transfer has ended: ok after every record was accepted, else after a failure that
    // was not retried.
    virtual void OnFinished(bool) {}

    CUpdateCmd m_cmd;

private:
    CIntelHexFile& m_image;
    QString m_strName;
};
