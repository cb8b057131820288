#pragma once

#include <QPainter>
#include <QSize>

#include <vector>

class QImage;
class QPrinter;
class QWidget;

// The printer of the application: landscape until the user chooses otherwise, kept with its
// settings for the rest of the process.
QPrinter& AppPrinter();

// One printed page of a diagram: the image columns sourceX .. sourceX + sourceWidth, stretched
// to targetWidth page pixels at full page height, from targetX on.
struct PageStrip {
    int sourceX;
    int sourceWidth;
    int targetWidth;
    int targetX = 0;
};
// The pages of an image printed at page height: the same scale on every page. A diagram that
// fills less than one page is centred on it; the last page of a longer one is filled from the
// left as far as the image reaches, continuing the pages before it.
std::vector<PageStrip> PageStrips(QSize image, QSize page);

// One print job; destroying it ends the document.
class CPrintWin {
public:
    explicit CPrintWin(QPrinter& printer = AppPrinter());
    ~CPrintWin();
    CPrintWin(const CPrintWin&) = delete;
    CPrintWin& operator=(const CPrintWin&) = delete;

    // Starts the document "Kelvora"; without a usable printer asks for one once. False when
    // there is still none, or when a PDF file cannot be written.
    bool StartJob(QWidget* parent = nullptr);
    // Prints image on as many pages as it spans at page height.
    bool PrintImage(const QImage& image);
    // The printer setup dialog, landscape preset; false when the user cancels.
    static bool SelectPrinter(QPrinter& printer, QWidget* parent = nullptr);

private:
    QPrinter& m_printer;
    QPainter m_painter;
    bool m_pageUsed = false;
};
