#pragma once

#include <QImage>
#include <QSaveFile>
#include <QSize>

#include <cstdint>
#include <vector>

// Writes a 24-bit RGB PNG file row by row, fast enough for diagrams tens of thousands of
// pixels wide. Every row is stored with the "Up" filter, so the large single-coloured areas
// of a diagram become runs of zero bytes, and the deflate stream holds only literal bytes and
// copies of the previous byte or pixel, coded with one fixed table in which a run of 258
// equal bytes costs two bits. The file appears only when it is complete (QSaveFile).
class CPngWriter {
public:
    CPngWriter(const QString& path, QSize size);
    CPngWriter(const CPngWriter&) = delete;
    CPngWriter& operator=(const CPngWriter&) = delete;

    // Appends rows first .. first + count - 1 of image, which has the PNG's width and is in
    // Format_RGB32 or Format_ARGB32 (alpha is dropped).
    void AddRows(const QImage& image, int first, int count);
    // Ends the stream and moves the file into place; false when it could not be written or
    // the rows added do not add up to the image height.
    bool Finish();

    // Writes a whole image; false when the file could not be written.
    static bool Write(const QImage& image, const QString& path);

private:
    void Put(std::uint32_t bits, int count);
    void PutSymbol(int symbol);
    void PutMatch(int length, int distanceCode);
    void FilterRow(const std::uint32_t* line, const std::uint32_t* above);
    void EncodeRow();
    void FlushBytes(bool all);
    void WriteChunk(const char* type, const std::uint8_t* data, std::size_t size);

    QSaveFile m_file;
    QSize m_size;
    int m_rows = 0;
    bool m_failed = false;
    std::vector<std::uint8_t> m_row;       // filter byte and the filtered RGB bytes of a row
    std::vector<std::uint32_t> m_previous; // the row before, as RGB32
    std::vector<std::uint8_t> m_out;       // compressed bytes not yet written as a chunk
    std::uint64_t m_bits = 0;
    int m_bitCount = 0;
    std::uint32_t m_adlerA = 1;
    std::uint32_t m_adlerB = 0;
};
