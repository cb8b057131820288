#pragma once

#include "link/FtDriver.h"

#include <QString>

// Chargers reached through serial ports: every entry of KELVORA_SERIAL_PORTS ("PATH" or
// "PATH@SERIAL", separated by ':') is one FT-X chip of manufacturer "Kelvora GmbH" and
// description "Vareriz-Ezu". Its serial number is the one given, else the path's last
// component. Serial ports have no EEPROM to program. A port is held by one program at a time.
class CSerialDriver : public CFtDriver {
public:
    struct Port {
        QString path;
        QByteArray serial;
    };

    explicit CSerialDriver(const QString& portList);
    // The ports listed in the environment.
    static CSerialDriver FromEnvironment();

    const QList<Port>& Ports() const { return m_ports; }

    QList<std::uint32_t> DeviceTypes() override;
    std::unique_ptr<CFtHandle> Open(int index, FtOpenError& error) override;

private:
    QList<Port> m_ports;
};
