#include "ExportImage.h"

#include "CGraph.h"
#include "Series.h"
#include "Texts.h"

#include <QCoreApplication>

#include <future>
#include <stdexcept>
#include <vector>

QString ImageFileName(const QString& folder, const QString& name, int kind, int tab) {
    QString cleaned = name;
    ReplaceChars(cleaned, u"\\/*\"<>|?:;, ", u'_');
    return QStringLiteral("%1/%2_%3_Graph_%4.png")
        .arg(folder, cleaned, kind == 1 ? QStringLiteral("Bar") : QStringLiteral("Line"))
        .arg(tab);
}

bool SaveImage(const QImage& image, const QString& path) {
    if (image.save(path, "PNG"))
        return true;
    ShowMessage(FormatText(343, {path}), MB_OK, QCoreApplication::applicationName());
    return false;
}

bool SaveImage(const CGraph& graph, int tab, const QString& folder) {
    if (tab < 0 || tab >= kGraphCount)
        throw std::invalid_argument("graph tab index out of range");
    return SaveImage(graph.image, ImageFileName(folder, graph.data.name, graph.kind, tab));
}

bool SaveImages(const QList<std::pair<QImage, QString>>& images) {
    std::vector<std::future<bool>> written;
    for (const auto& [image, path] : images)
        written.push_back(std::async(std::launch::async, [&image = image, &path = path] {
            return image.save(path, "PNG");
        }));
    QList<bool> results;
    for (auto& result : written)
        results.append(result.get());
    // Messages only from this thread, after every encoder has finished.
    bool all = true;
    for (qsizetype i = 0; i < results.size(); ++i) {
        if (!results[i]) {
            ShowMessage(FormatText(343, {images[i].second}), MB_OK, QCoreApplication::applicationName());
            all = false;
        }
    }
    return all;
}
