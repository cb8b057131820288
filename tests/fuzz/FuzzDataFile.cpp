// libFuzzer target: any bytes as the content of a data file, through header parsing, line
// access, loading and the whole preparation.

#include "data/CDataArray.h"
#include "data/CDataFile.h"
#include "data/Prepare.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CDataFile file;
    file.SetContent(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    QString message;
    file.Validate(768, message);
    CData first;
    CData last;
    file.FirstEvent(first);
    file.LastEvent(last);
    std::int64_t startMs = 0;
    std::int64_t endMs = 0;
    file.TimeRange(startMs, endMs);

    CDataArray events;
    events.LoadFile(file, std::nullopt);
    events.LoadFile(file, CTimeRange{startMs / 1000, endMs / 1000});
    Prepare(events, size % 2 == 0);
    events.Nights().ComputeAll();
    return 0;
}
