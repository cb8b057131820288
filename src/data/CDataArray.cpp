#include "CDataArray.h"

#include "CDataFile.h"

#include <algorithm>
#include <bit>

namespace {

// Hash of the fields that make two records the same event.
std::uint64_t EventHash(const CData& d) {
    std::uint64_t h = static_cast<std::uint64_t>(d.startMs) * 0x9E3779B97F4A7C15ull;
    h ^= (std::uint64_t{d.durationMs} << 2 | (d.sensorFlags & 3)) * 0xC2B2AE3D27D4EB4Full;
    return h ^ (h >> 29);
}

} // namespace

CData* CDataArray::GetAt(int index) {
    return index >= 0 && index < GetCount() ? &m_records[static_cast<std::size_t>(index)] : nullptr;
}

const CData* CDataArray::GetAt(int index) const {
    return index >= 0 && index < GetCount() ? &m_records[static_cast<std::size_t>(index)] : nullptr;
}

void CDataArray::Sort() {
    std::stable_sort(m_records.begin(), m_records.end(), [](const CData& a, const CData& b) {
        const int order = CData::Compare(a, b);
        return order != 0 ? order < 0 : a.durationMs < b.durationMs;
    });
}

// One pass with an open-addressing table of the records kept so far: linear in the number of
// records, where removing each duplicate from the middle of the array would be quadratic.
void CDataArray::RemoveDuplicates() {
    const std::size_t count = m_records.size();
    if (count < 2)
        return;
    const std::size_t capacity = std::bit_ceil(count * 2);
    const std::size_t mask = capacity - 1;
    std::vector<std::uint32_t> table(capacity, UINT32_MAX); // index into the kept records
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const CData& record = m_records[i];
        std::size_t slot = EventHash(record) & mask;
        bool duplicate = false;
        while (table[slot] != UINT32_MAX) {
            if (m_records[table[slot]].SameEvent(record)) {
                duplicate = true;
                break;
            }
            slot = (slot + 1) & mask;
        }
        if (duplicate)
            continue;
        table[slot] = static_cast<std::uint32_t>(kept);
        if (kept != i)
            m_records[kept] = record;
        ++kept;
    }
    m_records.resize(kept);
}

void CDataArray::LoadFile(CDataFile& file, const std::optional<CTimeRange>& range) {
    if (file.used == 0 || (range && range->end <= range->start))
        return;
    CData work;
    for (work.Parse(file.FirstLine(), file); work.kind != KIND_END;
         work.Parse(file.NextLine(), file)) {
        if ((work.kind & KIND_EVENT) && work.Overlaps(range))
            m_records.push_back(work);
    }
}
