#pragma once

#include "online/KelvoraHttp.h"

#include <QString>
#include <QStringList>

// An Intel-hex firmware image, handed out one record line after the other. A record line is a
// line that starts with ':'; every other line is skipped. The records are not decoded: each is
// sent to the boot loader as it stands.
//
// Open reads the whole image first and accepts it only when it is complete: every record line
// is well-formed Intel hex with a correct checksum, there is at least one data record, and the
// last record is the end-of-file record. So a damaged, truncated or empty image is refused
// before anything is sent (the loader start erases the flash), never sent half.
class CIntelHexFile {
public:
    virtual ~CIntelHexFile() = default;

    // Reads and checks the named image and loads its first record line into m_strLine; false
    // (and m_strLine empty) when it cannot be read or is no complete image.
    bool Open(const QString& name);
    // After a failed Open, the string-table id of the message that says why, with %1 for the
    // name: 275 "not found or invalid", or what is wrong with a local file; kCancelled when the
    // user cancelled the download, which needs no message.
    static constexpr int kCancelled = -1;
    int OpenError() const { return m_nOpenError; }
    // Loads the next record line; false at the end, and then m_strLine is empty.
    bool NextLine();
    void Close();

    // Whether line is one well-formed record with a correct checksum; type receives its record
    // type.
    static bool IsValidRecord(QStringView line, int& type);

    QString m_strLine;

protected:
    // Every line of the image, without line ends; 0, or the id of the message that says why the
    // image cannot be read completely, or kCancelled.
    virtual int ReadLines(const QString& name, QStringList& lines) = 0;

private:
    int m_nOpenError = 0;
    QStringList m_records;
    qsizetype m_nNext = 0;
};

// An image in a local regular file (8-bit text).
class CLocalIntelHexFile : public CIntelHexFile {
public:
    // Images are a few hundred kilobytes; anything far larger is no image.
    static constexpr qint64 kMaxSize = 16 * 1024 * 1024;

protected:
    int ReadLines(const QString& path, QStringList& lines) override;
};

// An image in the vendor server's firmware folder, opened by its file name.
class CRemoteIntelHexFile : public CIntelHexFile {
protected:
    int ReadLines(const QString& name, QStringList& lines) override;

private:
    CKelvoraHttp m_http;
};
