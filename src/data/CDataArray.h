#pragma once

#include "data/CData.h"
#include "data/CStats.h"
#include "data/GapSettings.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class CDataFile;

// How one file of CDataArray::LoadFiles went.
struct CFileLoad {
    bool opened = false; // the file could be read
    bool valid = false;  // and passed the version check: its events were loaded
    // Why it could not be read (CDataFile::OpenErrorText, may be empty), or the message of the
    // version check (CDataFile::Validate).
    QString message;
};

// The set of distinct events (start, duration, sensor) seen so far; open addressing, so that
// checking millions of records allocates only the table.
class CEventKeys {
public:
    // Adds the event of data; false when the same event is already in the set.
    bool Insert(const CData& data);
    // Makes room for count events without growing on the way.
    void Reserve(std::size_t count);
    // Empties the set; its table stays allocated.
    void Clear();

private:
    struct Key {
        std::int64_t startMs;
        std::uint32_t durationMs;
        std::uint32_t sensor; // sensor bits + 1; 0 marks a free slot
    };
    // Doubles the table, or more until it has minimumSize slots, and inserts the keys again.
    void Grow(std::size_t minimumSize = 0);

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
    void LoadFile(const CDataFile& file, const std::optional<CTimeRange>& range);
    // Loads the files at paths in this order, as opening each, checking it with
    // CDataFile::Validate(minimumVersion) and calling LoadFile once per range would, and
    // returns per file how it went. The files are read and parsed on all cores; the records
    // and their order are the same as loading one file after the other gives.
    QList<CFileLoad> LoadFiles(const QStringList& paths,
                               const std::vector<std::optional<CTimeRange>>& ranges,
                               std::uint32_t minimumVersion);

    CStartEndArray& Nights() { return m_nights; }
    const CStartEndArray& Nights() const { return m_nights; }
    int GetNightCount() const { return m_nights.GetCount(); }

private:
    std::vector<CData> m_records;
    CEventKeys m_loaded;
    CStartEndArray m_nights{*this};
};
