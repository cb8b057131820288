#pragma once

#include "link/DevCmd.h"

// One exchange with the boot loader of the module or the charger: "UP" and "Kelvora" starts the
// loader, "IH" and a record line hands it one record. The loader answers with one raw byte and
// no checksum: '1' ready for the first record, '2' record accepted.
class CUpdateCmd : public CDevCmdReply {
public:
    static constexpr std::uint32_t kTimeout = 12000;
    static constexpr int kErrUpdate = 11;

    // For the charger the codes carry the "#C" prefix.
    explicit CUpdateCmd(bool charger);

    // Sets the command to the loader start.
    void SetStart();

    void OnReply() override;
    std::uint32_t GetTimeout() const override { return kTimeout; }
    // The loader's replies carry no checksum line; only their length is noted.
    bool CheckReplyCrc(char*, int length) override {
        m_nReplyLength = length;
        return true;
    }

    QString m_strUpCode;
    QString m_strIhCode;

private:
    int m_nReplyLength = 0;
};
