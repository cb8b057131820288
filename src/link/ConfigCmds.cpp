#include "ConfigCmds.h"

#include "Texts.h"

#include <QStringList>

#include <QCoreApplication>

namespace {

enum ConfigText : int { TXT_ON = 113, TXT_OFF = 149, TXT_FEEDBACK_SWITCHED = 189 };

// "%hu" of a whole field: nothing when the field does not start with a number.
std::optional<std::uint16_t> ScanField(QStringView field) {
    const auto value = ScanUnsigned(field);
    if (!value)
        return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

} // namespace

CParamBlock& ParamBlock() {
    static CParamBlock block{};
    return block;
}

void CValuesCmd::OnReply() {
    const QStringList lines = m_strReply.split(u'\n');
    CParamBlock& block = ParamBlock();
    for (int i = 0; i < int(block.size()); ++i) {
        const QString line = lines.value(i);
        const qsizetype tab = line.indexOf(u'\t');
        const auto index = ScanField(tab >= 0 ? QStringView(line).left(tab) : QStringView(line));
        if (!index || *index != i) {
            m_nError = ERR_PARAM_INDEX;
            return;
        }
        const auto value = ScanField(tab >= 0 ? QStringView(line).mid(tab + 1) : QStringView());
        if (!value) {
            m_nError = ERR_PARAM_VALUE;
            return;
        }
        block[i] = *value;
    }
}

CMotorCmd::CMotorCmd(bool enable) : CDevCmdReply(enable ? QStringLiteral("ME") : QStringLiteral("MD")) {
    m_nKind = KIND_MOTOR;
}

void CMotorCmd::OnReply() {
    const QString line = m_strReply.section(u'\n', 0, 0);
    const qsizetype tab = line.indexOf(u'\t');
    const QString state = tab >= 0 ? line.mid(tab + 1) : QString();
    if (tab < 0 || line.left(tab) != QStringLiteral("Motor") ||
        (state != QStringLiteral("Enabled") && state != QStringLiteral("Disabled"))) {
        SetInvalidResponse();
        return;
    }
    const QString onOff = LoadText(state == QStringLiteral("Enabled") ? TXT_ON : TXT_OFF);
    ShowMessage(FormatText(TXT_FEEDBACK_SWITCHED, {onOff}), MB_OK, QCoreApplication::applicationName());
}
