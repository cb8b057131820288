#pragma once

#include "data/CData.h"
#include "data/CStats.h"
#include "data/GapSettings.h"

#include <optional>
#include <vector>

class CDataFile;

// The set of distinct events (start, duration, sensor) seen so far; open addressing, so that
// checking millions of records allocates only the table.
class CEventKeys {
public:
    // Adds the event of data; false when the same event is already in the set.
    bool Insert(const CData& data);

private:
    struct Key {
        std::int64_t startMs;
        std::uint32_t durationMs;
        std::uint32_t sensor; // sensor bits + 1; 0 marks a free slot
    };
    void Grow();

    std::vector<Key> m_table;
    std::size_t m_count = 0;
};

// The events of a graphs window: an owning, sortable array of records with its night list.
// Records are held by value; sorting and duplicate removal move them in place.
class CDataArray {
public:
    CDataArray() : gaps(CGaps::Load()) {}
    CDataArray(const CDataArray&) = delete;
    CDataArray& operator=(const CDataArray&) = delete;

    CGaps gaps; // read from the settings at construction

    int GetCount() const { return static_cast<int>(m_records.size()); }
    // The record, or nullptr outside 0..count-1.
    CData* GetAt(int index);
    const CData* GetAt(int index) const;
    void Append(const CData& data) { m_records.push_back(data); }

    // Sorts by CData::Compare and, among records that compare equal, by duration, so that
    // copies of one event end up next to each other; the sort is stable.
    void Sort();
    // Removes every record that is the same event as an earlier one. After Sort the result
    // equals removing each record that is the same event as its predecessor.
    void RemoveDuplicates();

    // Appends the real events of an open data file that overlap range (no range: all). A record
    // that is the same event as one loaded before is left out at once: RemoveDuplicates would
    // drop it anyway, and the copies in years of downloads would otherwise fill the memory.
    void LoadFile(CDataFile& file, const std::optional<CTimeRange>& range);

    CStartEndArray& Nights() { return m_nights; }
    const CStartEndArray& Nights() const { return m_nights; }
    int GetNightCount() const { return m_nights.GetCount(); }

private:
    std::vector<CData> m_records;
    CEventKeys m_loaded;
    CStartEndArray m_nights{*this};
};
