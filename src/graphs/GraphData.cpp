#include "graphs/GraphData.h"

#include "base/Texts.h"

#include <QDateTime>
#include <QLocale>

GraphData::GraphData(const CStatsArray& nights) : nights(nights), axisTitle(LoadText(TXT_DATE)) {}

QString NightsName(const CStatsArray& nights) {
    if (nights.GetCount() == 0)
        return {};
    const auto date = [](std::int64_t seconds) {
        return QLocale::system().toString(QDateTime::fromSecsSinceEpoch(seconds).date(),
                                          QLocale::ShortFormat);
    };
    return date(nights.At(0).endSeconds) + QStringLiteral(" - ") +
           date(nights.At(nights.GetCount() - 1).endSeconds);
}
