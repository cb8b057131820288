#include "data/CDataFile.h"

#include "base/Texts.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr std::uint32_t kVersion3 = 3u << 16;

// Drops the double quotes of text, in place; a text without any is left untouched.
void RemoveQuotes(QByteArray& text) {
    if (text.contains('"'))
        text.removeIf([](char c) { return c == '"'; });
}

// The line of text that ends at end (an LF, or the end of the text): a CR before that LF
// belongs to the line end.
QByteArrayView LineBefore(const QByteArray& text, qsizetype begin, qsizetype end) {
    if (end < text.size() && end > begin && text[end - 1] == '\r')
        --end;
    return QByteArrayView(text).sliced(begin, end - begin);
}

} // namespace

bool CDataFile::Open(const QString& path) {
    Close();
    m_path = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    FileContent content = ReadRegularFile(path, kMaxBytes);
    m_openError = content.error;
    if (!content.ok())
        return false;
    SetContent(std::move(content.bytes));
    return true;
}

QString CDataFile::OpenErrorText() const {
    switch (m_openError) {
    case FileReadError::NotAFile:
        return FormatText(TXT_NOT_A_FILE, {m_path});
    case FileReadError::TooLarge:
        return FormatText(TXT_LARGER_THAN, {m_path, QString::number(kMaxBytes >> 20)});
    default:
        return {};
    }
}

void CDataFile::SetContent(QByteArray content) {
    m_text = std::move(content);
    RemoveQuotes(m_text);
    m_headerEnd = ParseText(m_text);
    const qsizetype index = m_text.indexOf("Index");
    const qsizetype lineEnd = index < 0 ? -1 : m_text.indexOf('\n', index);
    m_dataStart = lineEnd < 0 ? m_text.size() : lineEnd + 1;
    m_position = m_dataStart;
}

void CDataFile::Close() {
    Reset();
    m_openError = FileReadError::None;
    m_path.clear();
    m_text.clear();
    m_dataStart = 0;
    m_position = 0;
    m_headerEnd = 0;
}

bool CDataFile::CheckVersion(std::uint32_t minimum) const {
    return valid && VersionNumber() >= minimum;
}

bool CDataFile::Validate(std::uint32_t minimum, QString& message) const {
    message.clear();
    if (!valid) {
        message = FormatText(TXT_INVALID_FORMAT, {m_path});
        return false;
    }
    if (!CheckVersion(minimum)) {
        message = FormatText(TXT_INVALID_VERSION, {m_path});
        return false;
    }
    if (restoredData)
        message = FormatText(TXT_RECOVERED_DATA, {m_path});
    return true;
}

QByteArrayView CDataFile::EventLines() const {
    return QByteArrayView(m_text).sliced(m_dataStart);
}

QByteArrayView CDataFile::FirstLine() {
    m_position = m_dataStart;
    return NextLine();
}

QByteArrayView CDataFile::NextLine() {
    const qsizetype size = m_text.size();
    while (m_position < size) {
        const qsizetype begin = m_position;
        qsizetype end = m_text.indexOf('\n', begin);
        if (end < 0)
            end = size;
        m_position = end < size ? end + 1 : size;
        if (const QByteArrayView line = LineBefore(m_text, begin, end); !line.isEmpty())
            return line;
    }
    return {};
}

QByteArrayView CDataFile::LastLine() {
    m_position = m_text.size();
    return PrevLine();
}

QByteArrayView CDataFile::PrevLine() {
    while (m_position > m_dataStart) {
        // The line before m_position ends at the LF just before it (or at the text end).
        const qsizetype end = m_text[m_position - 1] == '\n' ? m_position - 1 : m_position;
        qsizetype begin = end;
        while (begin > m_dataStart && m_text[begin - 1] != '\n')
            --begin;
        m_position = begin;
        if (const QByteArrayView line = LineBefore(m_text, begin, end); !line.isEmpty())
            return line;
    }
    return {};
}

bool CDataFile::FirstEvent(CData& data) {
    for (QByteArrayView line = FirstLine(); !line.isEmpty(); line = NextLine()) {
        data.Parse(line, *this);
        if (data.kind & KIND_EVENT)
            return true;
    }
    return false;
}

bool CDataFile::LastEvent(CData& data) {
    for (QByteArrayView line = LastLine(); !line.isEmpty(); line = PrevLine()) {
        data.Parse(line, *this);
        if (data.kind & KIND_EVENT)
            return true;
    }
    return false;
}

bool CDataFile::TimeRange(std::int64_t& startMs, std::int64_t& endMs) {
    startMs = 0;
    endMs = 0;
    CData first;
    CData last;
    if (VersionNumber() < kVersion3 || used == 0 || !FirstEvent(first) || !LastEvent(last))
        return false;
    startMs = first.startMs;
    endMs = last.EndMs();
    return true;
}

// A long file is read as its first and last kEndBytes, joined after the last LF of the one and
// from the first LF of the other; the lines of the two pieces are lines of the file. The result
// holds when the header, the column line and the first event end in the first piece and the
// last event starts in the second: the lines between change none of them. Otherwise the whole
// file is read.
bool CDataFile::GetTimeRange(const QString& path, std::int64_t& startMs, std::int64_t& endMs,
                             QString* id) {
    constexpr qint64 kEndBytes = 8 << 10;
    startMs = 0;
    endMs = 0;
    CDataFile file;
    FileEnds ends = ReadRegularFileEnds(path, kMaxBytes, kEndBytes);
    if (!ends.ok())
        return false;
    if (ends.tailOffset < 0) {
        file.SetContent(std::move(ends.head));
    } else {
        const qsizetype headEnd = ends.head.lastIndexOf('\n') + 1;
        const qsizetype tailStart = ends.tail.indexOf('\n') + 1;
        if (headEnd > 0 && tailStart > 0 && tailStart < ends.tail.size()) {
            QByteArray head = ends.head.left(headEnd);
            RemoveQuotes(head);
            const qsizetype cut = head.size();
            file.SetContent(head.append(QByteArrayView(ends.tail).sliced(tailStart)));
            if (file.m_headerEnd <= cut && file.m_dataStart <= cut) {
                if (file.VersionNumber() < kVersion3 || file.used == 0)
                    return false;
                CData first;
                CData last;
                if (file.FirstEvent(first) && file.m_position <= cut && file.LastEvent(last) &&
                    file.m_position >= cut) {
                    startMs = first.startMs;
                    endMs = last.EndMs();
                    if (id)
                        *id = file.id;
                    return true;
                }
            }
        }
        if (!file.Open(path))
            return false;
    }
    if (id)
        *id = file.id;
    return file.TimeRange(startMs, endMs);
}
