#include "link/ConfigCmds.h"

#include "base/Scan.h"
#include "base/Texts.h"
#include "link/DeviceState.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

namespace {

// "%hu" of a whole field: nothing when the field does not start with a number.
std::optional<std::uint16_t> ScanField(QStringView field) {
    const auto value = ScanUnsigned(field);
    if (!value)
        return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

// A field of decimal digits only whose value is at most max.
std::optional<std::uint32_t> StrictNumber(QStringView field, std::uint32_t max) {
    if (field.isEmpty())
        return std::nullopt;
    std::uint32_t value = 0;
    for (const QChar c : field) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > max)
            return std::nullopt;
    }
    return value;
}

} // namespace

bool CSetParamCmd::IsValidText(QStringView text) {
    return std::none_of(text.begin(), text.end(),
                        [](QChar c) { return c == u';' || c.category() == QChar::Other_Control; });
}

bool CSetValuesCmd::IsValidArgs(QStringView args) {
    const int params = int(TheDevice().paramBlock.size());
    const QList<QStringView> fields = args.split(u';');
    if (fields.size() < 3)
        return false;
    const auto first = StrictNumber(fields[0], params - 1);
    const auto count = StrictNumber(fields[1], params);
    if (!first || !count || *count == 0 || *first + *count > std::uint32_t(params) ||
        fields.size() != 2 + qsizetype(*count))
        return false;
    return std::all_of(fields.begin() + 2, fields.end(),
                       [](QStringView v) { return StrictNumber(v, 0xFFFF).has_value(); });
}

void CValuesCmd::OnReply() {
    const QStringList lines = m_strReply.split(u'\n');
    CParamBlock& block = TheDevice().paramBlock;
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

CMotorCmd::CMotorCmd(bool enable)
    : CDevCmdReply(enable ? QStringLiteral("ME") : QStringLiteral("MD")) {
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
    ShowMessage(FormatText(TXT_FEEDBACK_SWITCHED, {onOff}), MB_OK,
                QCoreApplication::applicationName());
}
