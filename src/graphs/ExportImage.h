#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <utility>

class CGraph;

// "folder/name_Bar_Graph_tab.png" (or _Line_); characters that file names cannot hold are
// replaced by "_" in the name part.
QString ImageFileName(const QString& folder, const QString& name, int kind, int tab);
// Writes image as PNG to path, replacing an existing file. A file that cannot be written is
// reported in a message naming it; false then.
bool SaveImage(const QImage& image, const QString& path);
// Writes the diagram of tab 0..4 as PNG into folder, replacing an existing file. A file that
// cannot be written is reported in a message naming it; false then. A tab outside 0..4 throws
// std::invalid_argument.
bool SaveImage(const CGraph& graph, int tab, const QString& folder);
// Writes several images as PNG files at once, encoding them side by side on the available
// cores. Each file that cannot be written is reported afterwards in a message naming it; false
// then.
bool SaveImages(const QList<std::pair<QImage, QString>>& images);
