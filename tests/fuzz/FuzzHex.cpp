// libFuzzer target: any bytes as a local Intel-hex image, through the whole-image check and
// the record sequence.

#include "firmware/IntelHexFile.h"

#include <QTemporaryFile>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryFile file;
    if (!file.isOpen() && !file.open())
        return 0;
    file.resize(0);
    file.seek(0);
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.flush();
    CLocalIntelHexFile image;
    if (image.Open(file.fileName())) {
        int type = 0;
        do {
            if (!CIntelHexFile::IsValidRecord(image.m_strLine, type))
                __builtin_trap();
        } while (image.NextLine());
    }
    return 0;
}
