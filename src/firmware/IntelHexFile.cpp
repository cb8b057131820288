#include "firmware/IntelHexFile.h"

#include "base/AnsiCodec.h"
#include "base/FileRead.h"
#include "base/Scan.h"
#include "base/TextIds.h"

namespace {

constexpr int kData = 0;
constexpr int kEndOfFile = 1;
constexpr int kLastRecordType = 5;

} // namespace

bool CIntelHexFile::IsValidRecord(QStringView line, int& type) {
    // ':', byte count, two address bytes, type, data, checksum: 1 + 2 * (5 + count) characters.
    if (line.size() < 11 || line[0] != u':' || line.size() % 2 == 0)
        return false;
    unsigned sum = 0;
    QList<int> bytes;
    for (qsizetype i = 1; i < line.size(); i += 2) {
        const int high = HexDigit(line[i]);
        const int low = HexDigit(line[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.append(high * 16 + low);
        sum += static_cast<unsigned>(high * 16 + low);
    }
    if (bytes.size() != 5 + bytes[0] || (sum & 0xFFu) != 0 || bytes[3] > kLastRecordType)
        return false;
    type = bytes[3];
    return true;
}

bool CIntelHexFile::Open(const QString& name) {
    Close();
    QStringList lines;
    m_nOpenError = ReadLines(name, lines);
    if (m_nOpenError != 0)
        return false;
    m_nOpenError = TXT_NOT_FOUND_OR_INVALID;
    QStringList records;
    bool hasData = false;
    bool ended = false;
    for (const QString& line : lines) {
        if (!line.startsWith(u':'))
            continue;
        int type = 0;
        if (ended || !IsValidRecord(line, type))
            return false;
        hasData = hasData || type == kData;
        ended = type == kEndOfFile;
        records.append(line);
    }
    if (!ended || !hasData)
        return false;
    m_nOpenError = 0;
    m_records = std::move(records);
    return NextLine();
}

bool CIntelHexFile::NextLine() {
    if (m_nNext >= m_records.size()) {
        m_strLine.clear();
        return false;
    }
    m_strLine = m_records[m_nNext++];
    return true;
}

void CIntelHexFile::Close() {
    m_records.clear();
    m_nNext = 0;
    m_strLine.clear();
}

int CLocalIntelHexFile::ReadLines(const QString& path, QStringList& lines) {
    const FileContent content = ReadRegularFile(path, kMaxSize);
    switch (content.error) {
    case FileReadError::None:
        break;
    case FileReadError::NotAFile:
        return TXT_NOT_A_FILE;
    case FileReadError::TooLarge:
        return TXT_TOO_LARGE;
    case FileReadError::CannotOpen:
    case FileReadError::ReadFailed:
        return TXT_NOT_FOUND_OR_INVALID;
    }
    for (QByteArray line : content.bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(FromAnsi(line));
    }
    return 0;
}

int CRemoteIntelHexFile::ReadLines(const QString& name, QStringList& lines) {
    QString line;
    if (!m_http.OpenFirmwareFile(name, line))
        return m_http.Cancelled() ? kCancelled : TXT_NOT_FOUND_OR_INVALID;
    do {
        lines.append(line);
    } while (m_http.ReadLine(line));
    m_http.Close();
    return 0;
}
