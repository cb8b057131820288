#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The files the program writes for the maker's support.

// The support file "Support_<date>_<time>.txt" in folder (created, one level, when missing):
// "Kelvora support file", the version text and the protocol bytes, with CR LF line ends.
// Nothing is written for an empty protocol. Returns the path, empty when nothing was written.
QString WriteSupportFile(const QString& folder, const QDateTime& now, const QByteArray& protocol);

// The folder of the support file: the base folder, or the module's sub-folder when a module ID
// is known. Separators and leading points of the ID are replaced, so it stays below the base.
QString SupportFolder(const QString& baseFolder, const QString& moduleId);

// The reply dump: a new file "klv_*.tmp" in folder with the local time, a TAB, the time in
// seconds, and the last reply text. Returns the path, empty when it could not be written.
QString WriteReplyDump(const QString& folder, const QDateTime& now, const QByteArray& reply);
