#include "data/CDataArray.h"

#include "data/CDataFile.h"

#include <algorithm>

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

bool CEventKeys::Insert(const CData& data) {
    if ((m_count + 1) * 2 > m_table.size())
        Grow();
    const Key key{data.startMs, data.durationMs, (data.sensorFlags & 3) + 1};
    const std::size_t mask = m_table.size() - 1;
    for (std::size_t slot = EventHash(data) & mask;; slot = (slot + 1) & mask) {
        Key& entry = m_table[slot];
        if (entry.sensor == 0) {
            entry = key;
            ++m_count;
            return true;
        }
        if (entry.startMs == key.startMs && entry.durationMs == key.durationMs &&
            entry.sensor == key.sensor)
            return false;
    }
}

void CEventKeys::Grow() {
    std::vector<Key> old = std::move(m_table);
    m_table.assign(std::max<std::size_t>(1024, old.size() * 2), Key{0, 0, 0});
    m_count = 0;
    for (const Key& key : old) {
        if (key.sensor == 0)
            continue;
        CData data;
        data.startMs = key.startMs;
        data.durationMs = key.durationMs;
        data.sensorFlags = key.sensor - 1;
        Insert(data);
    }
}

// One pass over the records: linear, where removing each duplicate from the middle of the
// array would be quadratic. Keeps the first copy of each event.
void CDataArray::RemoveDuplicates() {
    CEventKeys keys;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (!keys.Insert(m_records[i]))
            continue;
        if (kept != i)
            m_records[kept] = m_records[i];
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
        if ((work.kind & KIND_EVENT) && work.Overlaps(range) && m_loaded.Insert(work))
            m_records.push_back(work);
    }
}
