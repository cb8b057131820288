#pragma once

#include "link/DevCmd.h"

// Sends any text set before each use (scripts, the command-line "send"). Its result is one
// line: the command text, a TAB and the reply with line feeds as TABs; for a memory read the
// value as a bit string instead of the reply.
class CGenericCmd : public CDevCmdReply {
public:
    CGenericCmd();
    std::uint32_t GetTimeout() const override;
    void OnReply() override;
    void OnError() override { m_strLine.clear(); }

    QString m_strLine;
};
