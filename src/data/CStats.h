#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>
#include <vector>

class CDataArray;
struct CData;

// Statistics of one night.
struct CStats {
    std::int64_t startSeconds = 0;    // the night's first record
    std::int64_t endSeconds = 0;      // the night's last record
    std::uint32_t classCount[4] = {}; // counted events per battery class
    std::int32_t firstIndex = 0;      // index of the night's first record
    std::uint32_t avgDurationMs = 0;
    std::uint32_t episodes = 0;
    std::uint32_t countA = 0;    // counted events of sensor A only
    std::uint32_t countB = 0;    // counted events of sensor B only
    std::uint32_t countBoth = 0; // overlap groups, each counted once
    std::uint32_t maxDurationMs = 0;
    std::uint32_t nightSeconds = 0; // recording length
    double durationPerHour = 0;     // seconds of events per hour of recording
    double eventsPerEpisode = 0;
    double eventsPerHour = 0;
    double totalSeconds = 0;

    std::uint32_t Events() const { return countA + countB + countBoth; }
    // Every field 0 except firstIndex and nightSeconds.
    void Clear();
    // Derives the averages from the summed duration and the events that belong to episodes.
    void Finish(std::uint32_t totalMs, std::uint32_t episodeEvents);
};

// The statistics records of the nights, in order.
class CStatsArray {
public:
    int GetCount() const { return static_cast<int>(m_stats.size()); }
    CStats& At(int k) { return m_stats.at(static_cast<std::size_t>(k)); }
    const CStats& At(int k) const { return m_stats.at(static_cast<std::size_t>(k)); }
    void RemoveAll() { m_stats.clear(); }

protected:
    std::vector<CStats> m_stats;
};

// The night list of an event container: night k begins at record At(k).firstIndex.
class CStartEndArray : public CStatsArray {
public:
    // A night without test bursts is assumed to have lasted this long at least.
    static constexpr std::uint32_t minNightSeconds = 28'800;

    explicit CStartEndArray(const CDataArray& events) : m_events(events) {}

    void AddNightStart(int index);
    // Record range of night k; k outside the list throws std::out_of_range.
    void GetNight(int k, int& first, int& last) const;
    // Computes the statistics of every night from the prepared events.
    void ComputeAll();

private:
    void ComputeNight(CStats& stats, int first, int last) const;
    int MergeOverlapGroup(int first, int last, CData& merged) const;

    const CDataArray& m_events;
};

// Day and month of the local date of a time in the locale's short date form ("09.12." or
// "12/09"), for the date axis of the diagrams.
QString DateLabel(std::int64_t seconds, const QLocale& locale = QLocale::system());
// Saturday or Sunday in local time.
bool IsWeekend(std::int64_t seconds);
