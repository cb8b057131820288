#pragma once

#include "KelvoraHttp.h"

#include <QString>
#include <QStringList>

// An Intel-hex firmware image, handed out one record line after the other. A record line is a
// line that starts with ':'; every other line is skipped. The records are not decoded: each is
// sent to the boot loader as it stands.
//
// Open reads the whole image first and accepts it only when it is complete: every record line
// is well-formed Intel hex with a correct checksum, and the last record is the end-of-file
// record. So a damaged or truncated image is refused before anything is sent, never sent half.
class CIntelHexFile {
public:
    virtual ~CIntelHexFile() = default;

    // Reads and checks the named image and loads its first record line into m_strLine; false
    // (and m_strLine empty) when it cannot be read or is no complete image.
    bool Open(const QString& name);
    // Loads the next record line; false at the end, and then m_strLine is empty.
    bool NextLine();
    void Close();

    // Whether line is one well-formed record with a correct checksum; type receives its record
    // type.
    static bool IsValidRecord(QStringView line, int& type);

    QString m_strLine;

protected:
    // Every line of the image, without line ends; false when it cannot be read completely.
    virtual bool ReadLines(const QString& name, QStringList& lines) = 0;

private:
    QStringList m_records;
    qsizetype m_nNext = 0;
};

// An image in a local file (8-bit text).
class CLocalIntelHexFile : public CIntelHexFile {
public:
    // Images are a few hundred kilobytes; anything far larger is no image.
    static constexpr qint64 kMaxSize = 16 * 1024 * 1024;

protected:
    bool ReadLines(const QString& path, QStringList& lines) override;
};

// An image in the vendor server's firmware folder, opened by its file name.
class CRemoteIntelHexFile : public CIntelHexFile {
protected:
    bool ReadLines(const QString& name, QStringList& lines) override;

private:
    CKelvoraHttp m_http;
};
