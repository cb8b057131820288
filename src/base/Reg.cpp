#include "base/Reg.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

QString SettingsFilePath() {
    const QString dir = qEnvironmentVariable("KELVORA_CONFIG_DIR");
    if (!dir.isEmpty())
        return QDir(dir).filePath(QStringLiteral("Kelvora.conf"));
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Kelvora/Kelvora.conf"));
}

namespace {

std::unique_ptr<QSettings> OpenStore() {
#ifdef Q_OS_WIN
    if (qEnvironmentVariableIsEmpty("KELVORA_CONFIG_DIR"))
        return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Kelvora"),
                                           QSettings::NativeFormat);
    return std::make_unique<QSettings>(SettingsFilePath(), QSettings::IniFormat);
#else
    return std::make_unique<QSettings>(SettingsFilePath(), QSettings::NativeFormat);
#endif
}

bool ToDword(const QVariant& value, std::uint32_t& out) {
    bool ok = false;
    const uint number = value.toString().trimmed().toUInt(&ok);
    if (ok)
        out = number;
    return ok;
}

} // namespace

CReg::CReg() : CReg(QString()) {}

CReg::CReg(const QString& subKey) : m_group(subKey), m_settings(OpenStore()) {}

CReg::~CReg() = default;

bool CReg::IsOpen() const {
    return m_settings->status() == QSettings::NoError;
}

QString CReg::Path(const QString& subKey, const QString& name) const {
    QString path = m_group;
    for (const QString& part : {subKey, name}) {
        if (part.isEmpty())
            continue;
        if (!path.isEmpty())
            path += u'/';
        path += part;
    }
    return path;
}

std::uint32_t CReg::ReadDwordOr(const QString& name, std::uint32_t def) {
    std::uint32_t value = 0;
    if (ReadDword(name, value))
        return value;
    WriteDword(name, def);
    return def;
}

bool CReg::ReadDword(const QString& name, std::uint32_t& out) const {
    return ReadDwordAt(QString(), name, out);
}

bool CReg::ReadDwordAt(const QString& subKey, const QString& name, std::uint32_t& out) const {
    if (!IsOpen())
        return false;
    const QVariant value = m_settings->value(Path(subKey, name));
    return value.isValid() && ToDword(value, out);
}

bool CReg::ReadString(const QString& subKey, const QString& name, QString& out) const {
    if (!IsOpen())
        return false;
    const QVariant value = m_settings->value(Path(subKey, name));
    if (!value.isValid())
        return false;
    out = value.toString();
    return true;
}

bool CReg::Write(const QString& path, const QString& text) {
    if (!IsOpen())
        return false;
    m_settings->setValue(path, text);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

bool CReg::WriteDword(const QString& name, std::uint32_t value) {
    if (!IsOpen())
        return false;
    m_settings->setValue(Path(QString(), name), value);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

bool CReg::WriteString(const QString& name, const QString& text) {
    return Write(Path(QString(), name), text);
}

bool CReg::WriteStringAt(const QString& subKey, const QString& name, const QString& text) {
    return Write(Path(subKey, name), text);
}

bool CReg::DeleteValue(const QString& subKey, const QString& name) {
    const QString path = Path(subKey, name);
    if (!IsOpen() || !m_settings->contains(path))
        return false;
    m_settings->remove(path);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

int CReg::CountSubKeys() const {
    if (!IsOpen())
        return 0;
    m_settings->beginGroup(m_group);
    const int count = int(m_settings->childGroups().size());
    m_settings->endGroup();
    return count;
}

QString CRegVT::DataPath() const {
    QString path;
    ReadString(QString(), QStringLiteral("DataPath"), path);
    return path;
}

bool CRegVT::SetDataPath(const QString& path) {
    return WriteString(QStringLiteral("DataPath"), path);
}

int CRegVT::Role() const {
    std::uint32_t value = 0;
    if (!ReadDword(QStringLiteral("Role"), value) || value > RoleAdmin) {
        // -1 reads as a text that is no unsigned number; every unknown value is a patient.
        return RolePatient;
    }
    return int(value);
}

QString CRegVT::ServerOrigin() const {
    QString origin;
    ReadString(QString(), QStringLiteral("ServerOrigin"), origin);
    return origin.trimmed();
}

std::uint32_t CRegDM::DefaultOf(const QString& name) {
    if (name == u"GapEpisode")
        return kGapEpisode;
    if (name == u"GapStart")
        return kGapStart;
    if (name == u"GapTest")
        return kGapTest;
    return 0;
}
