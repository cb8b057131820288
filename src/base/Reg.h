#pragma once

#include <QString>

#include <cstdint>
#include <memory>

class QSettings;

// The settings store of all Kelvora programs of the current user: on Windows the registry key
// Software\Kelvora, elsewhere Kelvora/Kelvora.conf in the user's configuration folder (values
// of the base key under [General], sub keys as groups). When KELVORA_CONFIG_DIR is set, the
// file $KELVORA_CONFIG_DIR/Kelvora.conf is used instead.
//
// A CReg stands for one key. When the store cannot be opened every read fails, so that the
// callers' defaults apply, and every write does nothing.
class CReg {
public:
    // The base key.
    CReg();
    // A sub key of the base key; an empty name is the base key itself.
    explicit CReg(const QString& subKey);
    virtual ~CReg();
    CReg(const CReg&) = delete;
    CReg& operator=(const CReg&) = delete;

    bool IsOpen() const;

    // The number stored under name; when it is missing or no number, def is written and
    // returned.
    std::uint32_t ReadDwordOr(const QString& name, std::uint32_t def);
    bool ReadDword(const QString& name, std::uint32_t& out) const;
    // The same for a sub key of this key.
    bool ReadDwordAt(const QString& subKey, const QString& name, std::uint32_t& out) const;
    // A text value of a sub key (empty: this key).
    bool ReadString(const QString& subKey, const QString& name, QString& out) const;
    bool WriteDword(const QString& name, std::uint32_t value);
    bool WriteString(const QString& name, const QString& text);
    bool WriteStringAt(const QString& subKey, const QString& name, const QString& text);
    bool DeleteValue(const QString& subKey, const QString& name);
    int CountSubKeys() const;

private:
    QString Path(const QString& subKey, const QString& name) const;
    bool Write(const QString& path, const QString& text);

    QString m_group;
    std::unique_ptr<QSettings> m_settings;
};

// A sub key of the base key, kept by name.
class CRegSubKey : public CReg {
public:
    explicit CRegSubKey(const QString& name) : CReg(name), m_strName(name) {}
    const QString& Name() const { return m_strName; }

private:
    QString m_strName;
};

// "Veltrum": the settings of this program.
class CRegVT : public CRegSubKey {
public:
    // The installation's user role: -1 Patient, 0 Plus, 1 Dentist, 2 Configuration, 3 Admin.
    enum Role : int { RolePatient = -1, RolePlus, RoleDentist, RoleConfiguration, RoleAdmin };

    CRegVT() : CRegSubKey(QStringLiteral("Veltrum")) {}

    // "DataPath": the base folder of the data files; empty when none was chosen yet.
    QString DataPath() const;
    bool SetDataPath(const QString& path);
    // "Role"; a missing or unknown value gives the Patient role.
    int Role() const;
    // "ServerOrigin": scheme and host of the vendor web server ("https://host"); empty when
    // none is configured.
    QString ServerOrigin() const;
};

// "DataMerger": the gap thresholds of event preparation, in seconds.
class CRegDM : public CRegSubKey {
public:
    static constexpr std::uint32_t kGapEpisode = 3;
    static constexpr std::uint32_t kGapStart = 32400;
    static constexpr std::uint32_t kGapTest = 20;

    CRegDM() : CRegSubKey(QStringLiteral("DataMerger")) {}

    // The default of a known gap setting ("GapEpisode", "GapStart", "GapTest"), else 0.
    static std::uint32_t DefaultOf(const QString& name);
};

// The file behind the store on platforms without a registry.
QString SettingsFilePath();
