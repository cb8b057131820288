#pragma once

class CDataArray;

// Preparation of loaded events for the statistics, in the order Prepare runs it.

// Sort, remove duplicates, then classify (below).
void Prepare(CDataArray& events, bool testBursts);
// After "No test bursts" was switched: every record becomes a real event again, then nights,
// test bursts and overlaps are computed anew.
void ReclassifyTestBursts(CDataArray& events, bool testBursts);

// Nights, test bursts and overlaps of sorted, duplicate-free events.
void Classify(CDataArray& events, bool testBursts);
// A new night starts at the first record and after every start-to-start gap above the limit.
void DetectNights(CDataArray& events);
// Sensor events close to a night's first and last record are test bursts; a night without
// them starts with a counted event.
void MarkTestBursts(CDataArray& events, bool testBursts);
// Runs of overlapping counted events: OVERLAP_OPEN on each but the last, OVERLAP_END on it.
void MarkOverlaps(CDataArray& events);
