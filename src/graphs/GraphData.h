#pragma once

#include "data/CStats.h"

#include <QString>

// The series data shared by the five diagrams of one set of nights.
struct GraphData {
    explicit GraphData(const CStatsArray& nights);

    const CStatsArray& nights;
    QString axisTitle;      // caption under the date labels
    QString name;           // name line of the diagrams, also part of the PNG file names
    bool extraInfo = false; // events bars carry the class counts
};

// The default diagram name: the locale dates of the ends of the first and the last night,
// joined by " - "; empty without nights.
QString NightsName(const CStatsArray& nights);
