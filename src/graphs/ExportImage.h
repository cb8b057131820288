#pragma once

#include <QImage>
#include <QList>
#include <QString>

class CGraph;

// "folder/name_Bar_Graph_tab.png" (or _Line_); characters that file names cannot hold are
// replaced by "_" in the name part.
QString ImageFileName(const QString& folder, const QString& name, int kind, int tab);
// Writes image as PNG to path, replacing an existing file only with a complete one. A file
// that cannot be written is reported in a message naming it; false then.
bool SaveImage(const QImage& image, const QString& path);
// Writes the diagram of tab 0..4 as PNG into folder, as SaveImage(image, path) does. A tab
// outside 0..4 throws std::invalid_argument.
bool SaveImage(CGraph& graph, int tab, const QString& folder);
// Writes the diagrams graphs[0..4] (tabs 0..4) as PNG files into folder: drawn band by band
// while the band before is being compressed on another core. The first file that cannot be
// written ends it, reported in a message naming it; false then.
bool SaveImages(const QList<CGraph*>& graphs, const QString& folder);
