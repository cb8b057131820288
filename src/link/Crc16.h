#pragma once

#include <QByteArrayView>

#include <cstdint>

// CRC-16 of the device protocol: polynomial 0x1021, start 0xFFFF, most significant bit first,
// no final XOR. Line feeds are skipped, so a multi-line text has the checksum of its lines
// joined together.
class CCrc16 {
public:
    void Reset() { m_nValue = 0xFFFF; }
    void Update(QByteArrayView text);
    std::uint16_t Value() const { return m_nValue; }

    // The checksum of a whole text, from a fresh start.
    static std::uint16_t Of(QByteArrayView text);

private:
    std::uint16_t m_nValue = 0xFFFF;
};
