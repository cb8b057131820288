#include "data/Prepare.h"

#include "data/CDataArray.h"

namespace {

// The next record at or after from (up to the end of the container) with one of the sensor
// bits; -1 when there is none.
int NextWithSensor(const CDataArray& events, int from, std::uint32_t sensor) {
    for (int i = from; i < events.GetCount(); ++i) {
        if (events.GetAt(i)->sensorFlags & sensor)
            return i;
    }
    return -1;
}

// Marks the test bursts of one sensor at both ends of the night first..last. Returns true when
// it found a start burst, or, when endsCount, any burst: sensor A's end bursts are marked but
// do not count as found, so that a night with only those keeps its first record counted.
bool MarkSensorBursts(CDataArray& events, int first, int last, std::uint32_t sensor,
                      bool endsCount) {
    const auto window = static_cast<std::uint64_t>(std::int64_t{events.gaps.testMs});
    bool found = false;

    // Forward from the night's first record.
    const std::int64_t t0 = events.GetAt(first)->startMs;
    int current = first;
    int stop = first;
    for (int next = NextWithSensor(events, current + 1, sensor); next >= 0;
         next = NextWithSensor(events, current + 1, sensor)) {
        CData& data = *events.GetAt(next);
        stop = next;
        if (static_cast<std::uint64_t>(MsDiff(data.startMs, t0)) > window)
            break;
        data.kind = KIND_TEST;
        found = true;
        current = next;
        if (current >= last)
            break;
    }

    // Backward from the night's last record, not below where the forward walk stopped.
    const std::int64_t t1 = events.GetAt(last)->startMs;
    bool foundEnd = false;
    for (int i = last - 1; i >= stop && i > first; --i) {
        CData& data = *events.GetAt(i);
        if (!(data.sensorFlags & sensor))
            continue;
        if (static_cast<std::uint64_t>(MsDiff(t1, data.startMs)) > window)
            break;
        data.kind = KIND_TEST;
        foundEnd = true;
    }
    if (foundEnd)
        events.GetAt(last)->kind = KIND_TEST;
    return found || (endsCount && foundEnd);
}

} // namespace

void Prepare(CDataArray& events, bool testBursts) {
    // Removing duplicates before sorting keeps the first loaded copy of each event, the same
    // record that sorting first and then removing neighbours would keep; the sort then has
    // fewer records to move.
    events.RemoveDuplicates();
    events.Sort();
    Classify(events, testBursts);
}

void ReclassifyTestBursts(CDataArray& events, bool testBursts) {
    for (int i = 0; i < events.GetCount(); ++i)
        events.GetAt(i)->kind = KIND_EVENT;
    Classify(events, testBursts);
}

void Classify(CDataArray& events, bool testBursts) {
    DetectNights(events);
    MarkTestBursts(events, testBursts);
    MarkOverlaps(events);
}

void DetectNights(CDataArray& events) {
    CStartEndArray& nights = events.Nights();
    nights.RemoveAll();
    if (events.GetCount() == 0)
        return;
    events.GetAt(0)->kind = KIND_START;
    nights.AddNightStart(0);
    for (int i = 0; i < events.GetCount(); ++i) {
        CData& data = *events.GetAt(i);
        data.time = CTimeMs::FromMs(data.startMs);
        if (i == 0)
            continue;
        const std::int64_t previous = events.GetAt(i - 1)->startMs;
        if (MsDiff(data.startMs, previous) > events.gaps.startMs || data.startMs < previous) {
            data.kind = KIND_START;
            nights.AddNightStart(i);
        }
    }
}

void MarkTestBursts(CDataArray& events, bool testBursts) {
    const CStartEndArray& nights = events.Nights();
    for (int k = 0; k < nights.GetCount(); ++k) {
        int first = 0;
        int last = 0;
        nights.GetNight(k, first, last);
        CData* start = events.GetAt(first);
        if (!start)
            continue;
        bool found = false;
        if (testBursts) {
            found = MarkSensorBursts(events, first, last, SENSOR_A, false);
            found = MarkSensorBursts(events, first, last, SENSOR_B, true) || found;
        }
        if (!found)
            start->kind = KIND_START_EVENT;
    }
}

void MarkOverlaps(CDataArray& events) {
    for (int i = 0; i < events.GetCount(); ++i)
        events.GetAt(i)->sensorFlags &= ~(OVERLAP_OPEN | OVERLAP_END);

    int previous = -1;         // the previous counted record
    std::int64_t groupEnd = 0; // end of the merged interval
    bool groupOpen = false;    // the interval has more than one member
    for (int i = 0; i < events.GetCount(); ++i) {
        const CData& data = *events.GetAt(i);
        if (!data.IsCounted())
            continue;
        if (previous < 0) {
            groupEnd = data.EndMs();
        } else if (groupEnd < data.startMs) {
            if (groupOpen)
                events.GetAt(previous)->sensorFlags |= OVERLAP_END;
            groupOpen = false;
            groupEnd = data.EndMs();
        } else {
            groupEnd = std::max(groupEnd, data.EndMs());
            events.GetAt(previous)->sensorFlags |= OVERLAP_OPEN;
            groupOpen = true;
        }
        previous = i;
    }
    if (groupOpen)
        events.GetAt(previous)->sensorFlags |= OVERLAP_END;
}
