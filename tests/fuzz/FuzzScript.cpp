// libFuzzer target: any bytes as a command script, through loading and the checks of the
// loaded entries (loop bodies inside the script, nothing left open when runnable).

#include "scripts/Script.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CScript script;
    const bool runnable = script.LoadContent(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    for (int i = 0; i < script.Count(); ++i) {
        if (const auto* loop = dynamic_cast<const CLoopEntry*>(&script.Entry(i))) {
            if (runnable && (loop->m_nLast < i || loop->m_nLast >= script.Count()))
                __builtin_trap();
        }
    }
    return 0;
}
