#include "data/NightsCsv.h"

#include "data/CStats.h"

#include <QTextStream>

namespace {

QString Real(double value) {
    return QString::number(value, 'f', 3);
}

} // namespace

void WriteNightsCsv(QTextStream& out, const CStatsArray& nights) {
    out << "night,startSeconds,endSeconds,nightSeconds,events,countA,countB,countBoth,episodes,"
           "eventsPerEpisode,maxDurationMs,avgDurationMs,totalSeconds,eventsPerHour,"
           "durationPerHour,class0,class1,class2,class3\n";
    for (int k = 0; k < nights.GetCount(); ++k) {
        const CStats& s = nights.At(k);
        out << k << ',' << s.startSeconds << ',' << s.endSeconds << ',' << s.nightSeconds << ','
            << s.Events() << ',' << s.countA << ',' << s.countB << ',' << s.countBoth << ','
            << s.episodes << ',' << Real(s.eventsPerEpisode) << ',' << s.maxDurationMs << ','
            << s.avgDurationMs << ',' << Real(s.totalSeconds) << ',' << Real(s.eventsPerHour) << ','
            << Real(s.durationPerHour) << ',' << s.classCount[0] << ',' << s.classCount[1] << ','
            << s.classCount[2] << ',' << s.classCount[3] << '\n';
    }
}
