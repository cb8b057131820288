#include "data/CStats.h"

#include "data/CDataArray.h"

#include <QDateTime>

#include <algorithm>

namespace {

// The next counted record at or after from and not after last; -1 when there is none.
int NextCounted(const CDataArray& events, int from, int last) {
    for (int i = from; i <= last; ++i) {
        const CData* data = events.GetAt(i);
        if (!data)
            break;
        if (data->IsCounted())
            return i;
    }
    return -1;
}

} // namespace

void CStats::Clear() {
    const std::int32_t index = firstIndex;
    const std::uint32_t seconds = nightSeconds;
    *this = CStats();
    firstIndex = index;
    nightSeconds = seconds;
}

void CStats::Finish(std::uint32_t totalMs, std::uint32_t episodeEvents) {
    totalSeconds = totalMs / 1000.0;
    const std::uint32_t n = Events();
    if (n > 0)
        avgDurationMs = totalMs / n;
    if (episodes > 0)
        eventsPerEpisode = static_cast<double>(episodeEvents) / episodes;
    if (nightSeconds > 0) {
        durationPerHour = totalSeconds * 3600 / nightSeconds;
        eventsPerHour = n * 3600.0 / nightSeconds;
    }
}

void CStartEndArray::AddNightStart(int index) {
    CStats stats;
    stats.firstIndex = index;
    m_stats.push_back(stats);
}

void CStartEndArray::GetNight(int k, int& first, int& last) const {
    first = At(k).firstIndex;
    last = k + 1 < GetCount() ? At(k + 1).firstIndex - 1 : m_events.GetCount() - 1;
}

void CStartEndArray::ComputeAll() {
    for (int k = 0; k < GetCount(); ++k) {
        CStats& stats = At(k);
        int first = 0;
        int last = 0;
        GetNight(k, first, last);
        const CData* start = m_events.GetAt(first);
        if (!start)
            continue;

        // The night ends at its last classified record before the next night's start.
        const CData* end = start;
        for (int i = first; const CData* data = m_events.GetAt(i); ++i) {
            if (data->kind != KIND_EXCLUDED)
                end = data;
            const CData* next = m_events.GetAt(i + 1);
            if (!next || (next->kind & KIND_START))
                break;
        }

        stats.nightSeconds = static_cast<std::uint32_t>(end->time.seconds - start->time.seconds);
        if (minNightSeconds != 0 && stats.nightSeconds < minNightSeconds &&
            ((start->kind & KIND_EVENT) || (end->kind & KIND_EVENT)))
            stats.nightSeconds = minNightSeconds;
        if (stats.nightSeconds == 0)
            stats.Clear();
        else
            ComputeNight(stats, first, last);
        stats.startSeconds = start->time.seconds;
        stats.endSeconds = end->time.seconds;
    }
}

void CStartEndArray::ComputeNight(CStats& stats, int first, int last) const {
    stats.Clear();
    const auto episodeGap = static_cast<std::uint64_t>(std::int64_t{m_events.gaps.episodeMs});
    std::int64_t previousEnd = m_events.GetAt(first)->EndMs();
    bool inEpisode = false;
    std::uint32_t totalMs = 0;
    std::uint32_t episodeEvents = 0;

    for (int i = NextCounted(m_events, first, last); i >= 0;) {
        CData event = *m_events.GetAt(i);
        int after = i + 1;
        if (event.sensorFlags & OVERLAP_OPEN)
            after = MergeOverlapGroup(i, last, event) + 1;

        // A negative gap counts as large.
        const auto gap = static_cast<std::uint64_t>(MsDiff(event.startMs, previousEnd));
        previousEnd = event.EndMs();
        if (gap > episodeGap) {
            inEpisode = false;
        } else {
            if (!inEpisode) {
                ++stats.episodes;
                ++episodeEvents; // the event before the gap
                inEpisode = true;
            }
            ++episodeEvents;
        }

        if (event.sensorFlags & OVERLAP_OPEN)
            ++stats.countBoth;
        else if ((event.sensorFlags & 3) == SENSOR_A)
            ++stats.countA;
        else if ((event.sensorFlags & 3) == SENSOR_B)
            ++stats.countB;
        if (event.batteryClass < 4)
            ++stats.classCount[event.batteryClass];
        totalMs += event.durationMs;
        stats.maxDurationMs = std::max(stats.maxDurationMs, event.durationMs);
        i = NextCounted(m_events, after, last);
    }
    stats.Finish(totalMs, episodeEvents);
}

// Merges the overlap group that starts at record first into one event: the fields of the
// group's last record with the duration of the whole group. Returns the index of the last
// record examined.
int CStartEndArray::MergeOverlapGroup(int first, int last, CData& merged) const {
    const CData& opening = *m_events.GetAt(first);
    const std::int64_t start = opening.startMs;
    std::int64_t end = opening.EndMs();
    int current = first;
    while (current < last) {
        const int next = NextCounted(m_events, current + 1, last);
        if (next < 0)
            break;
        current = next;
        const CData& data = *m_events.GetAt(current);
        end = std::max(end, data.EndMs());
        if (data.sensorFlags & OVERLAP_END)
            break;
    }
    merged = *m_events.GetAt(current);
    merged.durationMs = static_cast<std::uint32_t>(MsDiff(end, start));
    merged.sensorFlags = (merged.sensorFlags & 3) | OVERLAP_OPEN;
    return current;
}

QString DateLabel(std::int64_t seconds, const QLocale& locale) {
    const QString text =
        locale.toString(QDateTime::fromSecsSinceEpoch(seconds).date(), QLocale::ShortFormat);
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    const bool yearFirst = format.startsWith(u'y');
    QChar separator = u'/';
    for (const QChar c : format) {
        if (!c.isLetter()) {
            separator = c;
            break;
        }
    }
    if (yearFirst) {
        const qsizetype at = text.indexOf(separator);
        return at < 0 ? text : text.mid(at + 1);
    }
    const qsizetype at = text.lastIndexOf(separator);
    return at < 0 ? text : text.left(at + 1);
}

bool IsWeekend(std::int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds).date().dayOfWeek() >= Qt::Saturday;
}
