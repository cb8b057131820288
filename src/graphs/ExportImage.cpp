#include "graphs/ExportImage.h"

#include "base/Texts.h"
#include "graphs/CGraph.h"
#include "graphs/PngWriter.h"
#include "graphs/Series.h"

#include <QCoreApplication>
#include <QPainter>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include <array>
#include <future>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

// Rows drawn at a time: a band of a diagram of years is a few megabytes, where the whole
// diagram would be more than a hundred.
constexpr int kBandRows = 64;

void ReportUnwritten(const QString& path) {
    ShowMessage(FormatText(TXT_IMAGE_NOT_WRITTEN, {path}), MB_OK,
                QCoreApplication::applicationName());
}

// Memory for the bands of at least the given pixels each. It stays allocated for later saves,
// and on Linux it is asked for in huge pages: touching fresh memory page by page costs more
// than drawing into it. Used from one thread at a time.
std::array<std::uint32_t*, 2> BandMemory(std::size_t pixels) {
    static constexpr std::size_t kPage = 2 << 20;
    struct Release {
        void operator()(std::uint32_t* p) const { ::operator delete[](p, std::align_val_t(kPage)); }
    };
    struct Band {
        std::unique_ptr<std::uint32_t[], Release> pixels;
        std::size_t size = 0;
    };
    static std::array<Band, 2> bands;
    std::array<std::uint32_t*, 2> memory{};
    for (std::size_t b = 0; b < bands.size(); ++b) {
        if (bands[b].size < pixels) {
            const std::size_t bytes = (pixels * 4 + kPage - 1) / kPage * kPage;
            bands[b].pixels.reset(
                static_cast<std::uint32_t*>(::operator new[](bytes, std::align_val_t(kPage))));
#ifdef __linux__
            madvise(bands[b].pixels.get(), bytes, MADV_HUGEPAGE);
#endif
            bands[b].size = bytes / 4;
        }
        memory[b] = bands[b].pixels.get();
    }
    return memory;
}

// Draws the diagrams (each with its tab number) band by band into their PNG files while the
// band before is compressed on another core. The first file that cannot be written ends it,
// with one message naming that file.
bool SaveDiagrams(const std::vector<std::pair<CGraph*, int>>& diagrams, const QString& folder) {
    // Two bands, one drawn while the other is compressed.
    int widest = 1;
    for (const auto& diagram : diagrams)
        widest = std::max(widest, diagram.first->width);
    const std::array<std::uint32_t*, 2> memory = BandMemory(std::size_t(widest) * kBandRows);
    std::array<QImage, 2> bands;
    int drawing = 0;
    for (const auto& [graph, tab] : diagrams) {
        const QString path = ImageFileName(folder, graph->data.name, graph->kind, tab);
        const QSize size(graph->width, graph->Height());
        CPngWriter writer(path, size);
        for (const int m : {0, 1})
            bands[m] = QImage(reinterpret_cast<uchar*>(memory[m]), std::max(1, size.width()),
                              kBandRows, qsizetype(widest) * 4, QImage::Format_RGB32);
        std::future<void> compressing;
        for (int y = 0; y < size.height(); y += kBandRows) {
            const int rows = std::min(kBandRows, size.height() - y);
            QImage& band = bands[drawing];
            QPainter painter(&band);
            painter.translate(0, -y);
            graph->Paint(painter, QRect(0, y, size.width(), rows));
            painter.end();
            if (compressing.valid())
                compressing.get();
            compressing = std::async(std::launch::async,
                                     [&writer, &band, rows] { writer.AddRows(band, 0, rows); });
            drawing ^= 1;
        }
        if (compressing.valid())
            compressing.get();
        if (!writer.Finish()) {
            ReportUnwritten(path);
            return false;
        }
    }
    return true;
}

} // namespace

QString ImageFileName(const QString& folder, const QString& name, int kind, int tab) {
    QString cleaned = name;
    ReplaceChars(cleaned, u"\\/*\"<>|?:;, ", u'_');
    return QStringLiteral("%1/%2_%3_Graph_%4.png")
        .arg(folder, cleaned, kind == 1 ? QStringLiteral("Bar") : QStringLiteral("Line"))
        .arg(tab);
}

bool SaveImage(const QImage& image, const QString& path) {
    if (CPngWriter::Write(image, path))
        return true;
    ReportUnwritten(path);
    return false;
}

bool SaveImage(CGraph& graph, int tab, const QString& folder) {
    if (tab < 0 || tab >= kGraphCount)
        throw std::invalid_argument("graph tab index out of range");
    return SaveDiagrams({{&graph, tab}}, folder);
}

bool SaveImages(const QList<CGraph*>& graphs, const QString& folder) {
    std::vector<std::pair<CGraph*, int>> diagrams;
    for (qsizetype tab = 0; tab < graphs.size(); ++tab)
        diagrams.emplace_back(graphs[tab], int(tab));
    return SaveDiagrams(diagrams, folder);
}
