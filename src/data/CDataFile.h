#pragma once

#include "base/FileRead.h"
#include "data/CData.h"
#include "data/CInfoHeader.h"

#include <QByteArray>
#include <QString>

// A data file in memory: its header, and line access to the event lines after the column
// line. The text stays 8-bit (Windows-1252) and as read, without its double quotes; lines end
// at an LF, and a CR before it belongs to the line end (CR LF).
class CDataFile : public CInfoHeader {
public:
    // Largest data file read. A full module memory is a few thousand event lines of about 50
    // bytes; this leaves room for far larger memories and for files a spreadsheet rewrote.
    static constexpr qint64 kMaxBytes = qint64{16} << 20;

    // Reads and parses the regular file at path of at most kMaxBytes; false when it cannot be
    // read (OpenError says why). FIFOs and devices are refused without waiting.
    bool Open(const QString& path);
    FileReadError OpenError() const { return m_openError; }
    // Why the last Open failed, for the user: not a regular file, too large; empty when the
    // file could not be opened or read at all.
    QString OpenErrorText() const;
    // Parses text already in memory, as Open does with a file's content.
    void SetContent(QByteArray content);
    void Close();

    const QString& Path() const { return m_path; }
    // valid and the version at least minimum ((major << 16) + minor).
    bool CheckVersion(std::uint32_t minimum) const;
    // False with message 216 (invalid format) or 108 (version below minimum); true otherwise,
    // with message 217 when the device restored its data.
    bool Validate(std::uint32_t minimum, QString& message) const;

    // The text after the column line: the event lines, to be walked with a LineReader.
    QByteArrayView EventLines() const;
    // The next non-empty event line in each direction; empty when none is left.
    QByteArrayView FirstLine();
    QByteArrayView NextLine();
    QByteArrayView LastLine();
    QByteArrayView PrevLine();

    // The first / last line that parses into a real event.
    bool FirstEvent(CData& data);
    bool LastEvent(CData& data);

    // Start of the first and end of the last event of a file of version 3.0 or later with
    // used events, in milliseconds; false (and both 0) otherwise.
    bool TimeRange(std::int64_t& startMs, std::int64_t& endMs);
    // TimeRange of the file at path, and its module ID when id is given. Of a long file only
    // the beginning and the end are read, as long as the header and the first event lie in the
    // one and the last event in the other.
    static bool GetTimeRange(const QString& path, std::int64_t& startMs, std::int64_t& endMs,
                             QString* id = nullptr);

private:
    FileReadError m_openError = FileReadError::None;
    QString m_path;
    QByteArray m_text;
    qsizetype m_dataStart = 0;
    qsizetype m_position = 0;
    qsizetype m_headerEnd = 0; // where the header ended (CInfoHeader::ParseText)
};
