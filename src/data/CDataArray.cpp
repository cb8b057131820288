#include "data/CDataArray.h"

#include "base/Scan.h"
#include "data/CDataFile.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>

namespace {

// Hash of the fields that make two records the same event.
std::uint64_t EventHash(const CData& d) {
    std::uint64_t h = static_cast<std::uint64_t>(d.startMs) * 0x9E3779B97F4A7C15ull;
    h ^= (std::uint64_t{d.durationMs} << 2 | (d.sensorFlags & 3)) * 0xC2B2AE3D27D4EB4Full;
    return h ^ (h >> 29);
}

// Appends to records the real events of an open data file that overlap range (no range: all)
// and are not in loaded yet.
void AppendEvents(std::vector<CData>& records, CEventKeys& loaded, const CDataFile& file,
                  const std::optional<CTimeRange>& range) {
    if (file.used == 0 || (range && range->end <= range->start))
        return;
    CData work;
    for (LineReader lines(file.EventLines()); !lines.AtEnd();) {
        const QByteArrayView line = lines.Next();
        if (line.isEmpty())
            continue;
        work.Parse(line, file);
        if ((work.kind & KIND_EVENT) && work.Overlaps(range) && loaded.Insert(work))
            records.push_back(work);
    }
}

// Consecutive files of a load, paths[first] to paths[first + count - 1].
struct FileBlock {
    qsizetype first = 0;
    qsizetype count = 0;
};

// The files of a block loaded into an array of their own, each event once: what loading them
// one after the other would add, less the events of earlier blocks.
struct LoadedBlock {
    std::vector<CData> records;
    QList<CFileLoad> files;
};

LoadedBlock LoadBlock(const QStringList& paths, const FileBlock& block,
                      const std::vector<std::optional<CTimeRange>>& ranges,
                      std::uint32_t minimumVersion) {
    LoadedBlock loaded;
    // Each thread keeps its set of events from block to block, emptied, so that it is not
    // grown again from its smallest size for every block.
    thread_local CEventKeys keys;
    keys.Clear();
    CDataFile file;
    for (qsizetype i = block.first; i < block.first + block.count; ++i) {
        CFileLoad& result = loaded.files.emplace_back();
        result.opened = file.Open(paths[i]);
        if (!result.opened) {
            result.message = file.OpenErrorText();
            continue;
        }
        result.valid = file.Validate(minimumVersion, result.message);
        if (!result.valid)
            continue;
        for (const std::optional<CTimeRange>& range : ranges)
            AppendEvents(loaded.records, keys, file, range);
    }
    return loaded;
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

void CEventKeys::Reserve(std::size_t count) {
    if (count * 2 > m_table.size())
        Grow(count * 2);
}

void CEventKeys::Grow(std::size_t minimumSize) {
    std::vector<Key> old = std::move(m_table);
    std::size_t size = std::max<std::size_t>(1024, old.size() * 2);
    while (size < minimumSize)
        size *= 2;
    m_table.assign(size, Key{0, 0, 0});
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

void CEventKeys::Clear() {
    std::fill(m_table.begin(), m_table.end(), Key{0, 0, 0});
    m_count = 0;
}

// One pass over the records: linear, where removing each duplicate from the middle of the
// array would be quadratic. Keeps the first copy of each event. The set of loaded events is
// built anew on the way, in the table it already has: it ends up holding the events of the
// records, which are the loaded ones (and any appended), so a file loaded later is checked
// against the same events as before.
void CDataArray::RemoveDuplicates() {
    m_loaded.Clear();
    m_loaded.Reserve(m_records.size());
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (!m_loaded.Insert(m_records[i]))
            continue;
        if (kept != i)
            m_records[kept] = m_records[i];
        ++kept;
    }
    m_records.resize(kept);
}

void CDataArray::LoadFile(const CDataFile& file, const std::optional<CTimeRange>& range) {
    AppendEvents(m_records, m_loaded, file, range);
}

// The files are cut into blocks of consecutive files, each loaded on its own; the blocks are
// appended in order while the next ones load, and an event seen in an earlier block is dropped
// then, so every event keeps its first copy, as when the files are loaded one after the other.
// Blocks are small, so that the threads stay busy to the end and a block's own array and set of
// events stay small (32 files of a full device memory hold about 6,000 distinct events).
QList<CFileLoad> CDataArray::LoadFiles(const QStringList& paths,
                                       const std::vector<std::optional<CTimeRange>>& ranges,
                                       std::uint32_t minimumVersion) {
    constexpr qsizetype kMaxFilesPerBlock = 32;
    const qsizetype threads = std::max(1, QThreadPool::globalInstance()->maxThreadCount());
    const qsizetype blockCount =
        std::min(paths.size(),
                 std::max(4 * threads, (paths.size() + kMaxFilesPerBlock - 1) / kMaxFilesPerBlock));
    std::vector<FileBlock> blocks;
    for (qsizetype k = 0; k < blockCount; ++k) {
        const qsizetype first = paths.size() * k / blockCount;
        blocks.push_back({first, paths.size() * (k + 1) / blockCount - first});
    }
    const auto load = [&](const FileBlock& block) {
        return LoadBlock(paths, block, ranges, minimumVersion);
    };
    const auto append = [this](QList<CFileLoad>& files, const LoadedBlock& block) {
        files.append(block.files);
        for (const CData& data : block.records) {
            if (m_loaded.Insert(data))
                m_records.push_back(data);
        }
    };
    return QtConcurrent::blockingMappedReduced<QList<CFileLoad>>(blocks, load, append,
                                                                 QtConcurrent::OrderedReduce);
}
