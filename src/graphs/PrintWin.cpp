#include "graphs/PrintWin.h"

#include <QImage>
#include <QPrintDialog>
#include <QPrinter>

#include <cmath>

QPrinter& AppPrinter() {
    static QPrinter printer;
    static const bool landscape = printer.setPageOrientation(QPageLayout::Landscape);
    Q_UNUSED(landscape);
    return printer;
}

std::vector<PageStrip> PageStrips(QSize image, QSize page) {
    const int W = image.width();
    const int H = image.height();
    std::vector<PageStrip> strips;
    if (W <= 0 || H <= 0 || page.isEmpty())
        return strips;
    const double pages = double(page.height()) * W / (double(H) * page.width());
    const int slice = static_cast<int>(W / pages);
    int x0 = 0;
    for (int k = 0; k < static_cast<int>(pages); ++k, x0 += slice)
        strips.push_back({x0, slice, page.width()});
    // Truncating the slice can leave a column or two; they get no page of their own.
    const int rest = static_cast<int>((pages - std::floor(pages)) * page.width());
    if (x0 < W && rest > 0)
        strips.push_back({x0, W - x0, rest, strips.empty() ? (page.width() - rest) / 2 : 0});
    return strips;
}

CPrintWin::CPrintWin(QPrinter& printer) : m_printer(printer) {}

CPrintWin::~CPrintWin() {
    if (m_painter.isActive())
        m_painter.end();
}

namespace {

// The PDF printer without a file, which is what a system without printers offers, cannot
// start; trying it would leave the printer busy for good, so that not even the printer
// selection could change it any more.
bool CanStart(const QPrinter& printer) {
    return printer.outputFormat() != QPrinter::PdfFormat || !printer.outputFileName().isEmpty();
}

} // namespace

bool CPrintWin::StartJob(QWidget* parent) {
    m_printer.setDocName(QStringLiteral("Kelvora"));
    if (CanStart(m_printer) && m_painter.begin(&m_printer))
        return true;
    // Another printer cannot help a PDF file that cannot be written.
    if (m_printer.outputFormat() == QPrinter::PdfFormat && !m_printer.outputFileName().isEmpty())
        return false;
    return SelectPrinter(m_printer, parent) && CanStart(m_printer) && m_painter.begin(&m_printer);
}

bool CPrintWin::PrintImage(const QImage& image) {
    if (!m_painter.isActive())
        return false;
    const int pageHeight = m_printer.height();
    for (const PageStrip& strip : PageStrips(image.size(), QSize(m_printer.width(), pageHeight))) {
        if (m_pageUsed)
            m_printer.newPage();
        m_pageUsed = true;
        m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
        m_painter.drawImage(QRect(strip.targetX, 0, strip.targetWidth, pageHeight), image,
                            QRect(strip.sourceX, 0, strip.sourceWidth, image.height()));
    }
    return true;
}

bool CPrintWin::SelectPrinter(QPrinter& printer, QWidget* parent) {
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, parent);
    // The PDF file is offered as one of the printers.
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}
