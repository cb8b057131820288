#pragma once

#include "data/CDataArray.h"
#include "data/CStats.h"
#include "graphs/GraphResources.h"

#include <QDateTime>

// A night list filled by hand for the diagram tests. Nights end at 7:00 on consecutive days
// from Monday, 7 December 2026 (local time), so night 5 ends on a Saturday.
struct Nights {
    CDataArray events;
    CStartEndArray array{events};

    CStats& Add(std::uint32_t count = 0) {
        const int k = array.GetCount();
        array.AddNightStart(k);
        CStats& night = array.At(k);
        const QDateTime end(QDate(2026, 12, 7).addDays(k), QTime(7, 0));
        night.endSeconds = end.toSecsSinceEpoch();
        night.startSeconds = night.endSeconds - 8 * 3600;
        night.countA = count;
        night.classCount[3] = count;
        return night;
    }
};
