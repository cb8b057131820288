#include "link/Crc16.h"

#include <array>

namespace {

constexpr std::array<std::uint16_t, 256> MakeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
        table[i] = static_cast<std::uint16_t>(crc);
    }
    return table;
}

constexpr auto kTable = MakeTable();

} // namespace

void CCrc16::Update(QByteArrayView text) {
    for (const char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == 0x0A)
            continue;
        m_nValue =
            static_cast<std::uint16_t>((m_nValue << 8) ^ kTable[((m_nValue >> 8) ^ b) & 0xFF]);
    }
}

std::uint16_t CCrc16::Of(QByteArrayView text) {
    CCrc16 crc;
    crc.Update(text);
    return crc.Value();
}
