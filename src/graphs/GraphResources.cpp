#include "graphs/GraphResources.h"

#include "graphs/Logos.h"

#include <QFontMetrics>

#include <memory>
#include <stdexcept>

namespace {

std::unique_ptr<GraphResources> instance;

// "Arial" whose line height (ascent plus descent) is the given cell height: the pixel size of
// a font is its em height, which is smaller than the cell.
QFont CellFont(int cellHeight, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setBold(bold);
    int size = cellHeight;
    font.setPixelSize(size);
    while (size > 1 && QFontMetrics(font).height() > cellHeight)
        font.setPixelSize(--size);
    return font;
}

} // namespace

GraphResources::GraphResources()
    : font(CellFont(16, false)), titleFont(CellFont(24, true)), logo(Logo200x45()) {
    const QFontMetrics normal(font);
    TH = QFontMetrics(titleFont).height();
    LH = normal.height();
    HC = (normal.horizontalAdvance(u'X') + 1) / 2;
    MW = normal.maxWidth();
    DB = HC + 2 * LH + normal.horizontalAdvance(QStringLiteral("88/88/"));
    TOP = (TH + LH) * 3 / 2;
}

void GraphResources::Create() {
    if (!instance)
        instance.reset(new GraphResources);
}

void GraphResources::Release() {
    instance.reset();
}

const GraphResources& GraphResources::Get() {
    if (!instance)
        throw std::logic_error("GraphResources::Create() has not run");
    return *instance;
}
