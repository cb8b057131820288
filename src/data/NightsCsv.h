#pragma once

class CStatsArray;
class QTextStream;

// The nightly statistics as CSV: a header line, then one line per night (durations in ms,
// reals with three decimals and a point), as "veltrum-cli report --csv" and the graphs window
// write them.
void WriteNightsCsv(QTextStream& out, const CStatsArray& nights);
