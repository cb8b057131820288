#include "firmware/UpdateProcedure.h"

#include "base/Texts.h"
#include "firmware/IntelHexFile.h"

#include <QCoreApplication>

namespace {

// ":", byte count, address and record type of a record line.
constexpr qsizetype kProgressChars = 9;

} // namespace

CUpdateProcedure::CUpdateProcedure(bool charger, const QString& name, CIntelHexFile& image)
    : m_cmd(charger), m_image(image), m_strName(name) {
    m_cmd.m_pOwner = this;
}

bool CUpdateProcedure::Start() {
    if (!m_image.Open(m_strName)) {
        if (m_image.OpenError() != CIntelHexFile::kCancelled)
            ShowMessage(FormatText(m_image.OpenError(), {m_strName}), MB_OK,
                        QCoreApplication::applicationName());
        return false;
    }
    m_cmd.SetStart();
    m_cmd.Post();
    return true;
}

bool CUpdateProcedure::OnCmdOk(CDevCmdReply&) {
    const QString line = m_image.m_strLine;
    if (line.isEmpty()) {
        OnProgress(LoadText(TXT_READY));
        m_image.Close();
        OnFinished(true);
        return false;
    }
    m_image.NextLine();
    OnProgress(line.left(kProgressChars));
    m_cmd.SetArgs(line);
    return true;
}

bool CUpdateProcedure::OnCmdError(CDevCmdReply& cmd) {
    m_image.Close();
    if (CCommOwner::OnCmdError(cmd) && m_image.Open(m_strName)) {
        m_cmd.SetStart();
        return true;
    }
    OnFinished(false);
    return false;
}
