#include "graphs/PngWriter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include <zlib.h>

namespace {

constexpr std::uint32_t kAdlerModulus = 65521;
constexpr int kMaxMatch = 258;
constexpr std::size_t kChunkSize = std::size_t(256) * 1024;
// Bytes after a filtered row that the filter's whole-word writes may touch.
constexpr std::size_t kSlack = 2;

// A prefix code in the form the bit writer sends it: each symbol's code with its bits
// reversed (deflate sends Huffman codes from their first bit on) and its length.
struct PrefixCode {
    std::vector<std::uint16_t> code;
    std::vector<std::uint8_t> length;
};

PrefixCode CanonicalCode(const std::vector<std::uint8_t>& lengths) {
    std::array<int, 16> count{};
    for (std::uint8_t l : lengths)
        ++count[l];
    count[0] = 0;
    std::array<int, 16> next{};
    for (int bits = 1, code = 0; bits < 16; ++bits) {
        code = (code + count[bits - 1]) << 1;
        next[bits] = code;
    }
    PrefixCode result{std::vector<std::uint16_t>(lengths.size()), lengths};
    for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        const int l = lengths[symbol];
        if (l == 0)
            continue;
        const int code = next[l]++;
        int reversed = 0;
        for (int b = 0; b < l; ++b)
            reversed |= ((code >> b) & 1) << (l - 1 - b);
        result.code[symbol] = static_cast<std::uint16_t>(reversed);
    }
    return result;
}

// The one code table of every file. Literal/length symbols: a run of 258 bytes 1 bit, the
// zero byte 2 bits, the other symbols 10 or 11 bits, which makes the code complete (Kraft sum
// 1/2 + 1/4 + 228/1024 + 56/2048 = 1). Distances: 1 (a byte run) and 3 (a pixel run), 1 bit
// each. The block header sends these code lengths with the code-length code set up here.
struct DeflateTables {
    std::vector<std::uint8_t> literalLengths = std::vector<std::uint8_t>(286, 10);
    std::vector<std::uint8_t> distanceLengths{1, 0, 1};
    std::vector<std::uint8_t> codeLengthLengths = std::vector<std::uint8_t>(19, 0);
    PrefixCode literals, distances, codeLengths;
    // Per match length 3..258: symbol, extra bit count, extra bit value.
    std::array<std::uint16_t, kMaxMatch + 1> lengthSymbol{};
    std::array<std::uint8_t, kMaxMatch + 1> lengthExtraBits{};
    std::array<std::uint8_t, kMaxMatch + 1> lengthExtraValue{};

    DeflateTables() {
        literalLengths[285] = 1;
        literalLengths[0] = 2;
        literalLengths[256] = 11;
        for (int s = 265; s <= 284; ++s)
            literalLengths[s] = 11;
        for (int s = 100; s <= 134; ++s)
            literalLengths[s] = 11;
        codeLengthLengths[10] = 1;
        codeLengthLengths[11] = 2;
        codeLengthLengths[1] = 3;
        codeLengthLengths[0] = 4;
        codeLengthLengths[2] = 4;
        literals = CanonicalCode(literalLengths);
        distances = CanonicalCode(distanceLengths);
        codeLengths = CanonicalCode(codeLengthLengths);

        static constexpr int kBase[] = {3,  4,  5,  6,   7,   8,   9,   10, 11, 13,
                                        15, 17, 19, 23,  27,  31,  35,  43, 51, 59,
                                        67, 83, 99, 115, 131, 163, 195, 227};
        static constexpr int kExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                         2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
        for (int k = 0; k < 28; ++k) {
            for (int v = 0; v < (1 << kExtra[k]) && kBase[k] + v < kMaxMatch; ++v) {
                lengthSymbol[kBase[k] + v] = static_cast<std::uint16_t>(257 + k);
                lengthExtraBits[kBase[k] + v] = static_cast<std::uint8_t>(kExtra[k]);
                lengthExtraValue[kBase[k] + v] = static_cast<std::uint8_t>(v);
            }
        }
        lengthSymbol[kMaxMatch] = 285;
    }
};

const DeflateTables kTables;

static_assert(std::endian::native == std::endian::little,
              "the row filter stores pixels with little-endian word writes");

std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// How many bytes from b[i] on (at most limit) repeat the bytes distance before them.
std::size_t RunLength(const std::uint8_t* b, std::size_t i, std::size_t distance,
                      std::size_t limit) {
    std::size_t k = 0;
    while (k + 8 <= limit && Load64(b + i + k) == Load64(b + i + k - distance))
        k += 8;
    while (k < limit && b[i + k] == b[i + k - distance])
        ++k;
    return k;
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

} // namespace

CPngWriter::CPngWriter(const QString& path, QSize size)
    : m_file(path), m_size(size), m_row(1 + 3 * std::size_t(std::max(0, size.width())) + kSlack),
      m_previous(std::size_t(std::max(0, size.width())), 0) {
    if (size.width() <= 0 || size.height() <= 0 || !m_file.open(QIODevice::WriteOnly)) {
        m_failed = true;
        return;
    }
    static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    m_failed = m_file.write(reinterpret_cast<const char*>(kSignature), sizeof kSignature) !=
               qint64(sizeof kSignature);
    std::vector<std::uint8_t> header;
    PutBigEndian(header, std::uint32_t(size.width()));
    PutBigEndian(header, std::uint32_t(size.height()));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8 bits per channel, RGB, no interlace
    WriteChunk("IHDR", header.data(), header.size());

    m_out = {0x78, 0x01}; // zlib stream, 32 KiB window, fastest compression
    const DeflateTables& t = kTables;
    Put(1, 1); // the last and only block
    Put(2, 2); // with its own code table
    Put(286 - 257, 5);
    Put(3 - 1, 5);
    static constexpr int kOrder[] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1};
    Put(std::size(kOrder) - 4, 4);
    for (int symbol : kOrder)
        Put(t.codeLengthLengths[symbol], 3);
    for (const auto* lengths : {&t.literalLengths, &t.distanceLengths}) {
        for (std::uint8_t l : *lengths)
            Put(t.codeLengths.code[l], t.codeLengths.length[l]);
    }
}

void CPngWriter::Put(std::uint32_t bits, int count) {
    m_bits |= std::uint64_t(bits) << m_bitCount;
    m_bitCount += count;
    if (m_bitCount < 32)
        return;
    const auto word = static_cast<std::uint32_t>(m_bits);
    const std::uint8_t bytes[] = {std::uint8_t(word), std::uint8_t(word >> 8),
                                  std::uint8_t(word >> 16), std::uint8_t(word >> 24)};
    m_out.insert(m_out.end(), bytes, bytes + 4);
    m_bits >>= 32;
    m_bitCount -= 32;
}

void CPngWriter::PutSymbol(int symbol) {
    const DeflateTables& t = kTables;
    Put(t.literals.code[symbol], t.literals.length[symbol]);
}

void CPngWriter::PutMatch(int length, int distanceCode) {
    const DeflateTables& t = kTables;
    PutSymbol(t.lengthSymbol[length]);
    if (t.lengthExtraBits[length] != 0)
        Put(t.lengthExtraValue[length], t.lengthExtraBits[length]);
    Put(t.distances.code[distanceCode], t.distances.length[distanceCode]);
}

void CPngWriter::AddRows(const QImage& image, int first, int count) {
    if (m_failed)
        return;
    if (image.width() != m_size.width() || first < 0 || count < 0 ||
        first + count > image.height() || m_rows + count > m_size.height() ||
        (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)) {
        m_failed = true;
        return;
    }
    // The row above is read in place; only the last row of a batch is kept for the next one.
    const std::uint32_t* above = m_previous.data();
    for (int y = first; y < first + count; ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        FilterRow(line, above);
        above = line;
        EncodeRow();
        ++m_rows;
        FlushBytes(false);
    }
    if (count > 0)
        std::copy(above, above + m_previous.size(), m_previous.begin());
}

// The "Up" filter: each byte minus the byte above it, R, G, B per pixel.
void CPngWriter::FilterRow(const std::uint32_t* line, const std::uint32_t* above) {
    std::uint8_t* out = m_row.data();
    *out++ = 2;
    const std::size_t width = m_previous.size();
    std::size_t x = 0;
    while (x < width) {
        // Most pixels equal the pixel above: eight (or two) at a time become zero bytes, and
        // the next write overwrites the two written beyond them.
        if (x + 8 <= width && std::memcmp(line + x, above + x, 32) == 0) {
            std::memset(out, 0, 26);
            out += 24;
            x += 8;
            continue;
        }
        if (x + 2 <= width && std::memcmp(line + x, above + x, 8) == 0) {
            std::memset(out, 0, 8);
            out += 6;
            x += 2;
            continue;
        }
        // Byte-wise difference of the four channels at once, then R, G, B (and a byte the
        // next pixel overwrites) stored with one write.
        const std::uint32_t now = line[x];
        const std::uint32_t up = above[x];
        const std::uint32_t d =
            ((now | 0x80808080u) - (up & 0x7F7F7F7Fu)) ^ ((now ^ ~up) & 0x80808080u);
        const std::uint32_t rgb = ((d >> 16) & 0xFF) | (d & 0xFF00) | ((d & 0xFF) << 16);
        std::memcpy(out, &rgb, sizeof rgb);
        out += 3;
        ++x;
    }
}

// Literals and runs (distance 1 or 3) of one filtered row; the Adler-32 sum of the row is
// kept along, in closed form for runs of one byte value.
void CPngWriter::EncodeRow() {
    const std::uint8_t* b = m_row.data();
    const std::size_t n = m_row.size() - kSlack;
    std::uint64_t a = m_adlerA;
    std::uint64_t s = m_adlerB;
    std::size_t i = 0;
    while (i < n) {
        const std::size_t limit = std::min<std::size_t>(kMaxMatch, n - i);
        std::size_t run = i >= 1 ? RunLength(b, i, 1, limit) : 0;
        int distanceCode = 0;
        if (run < limit && i >= 3) {
            const std::size_t pixelRun = RunLength(b, i, 3, limit);
            if (pixelRun > run) {
                run = pixelRun;
                distanceCode = 2;
            }
        }
        if (run < 3) {
            PutSymbol(b[i]);
            a += b[i];
            s += a;
            ++i;
        } else {
            PutMatch(static_cast<int>(run), distanceCode);
            if (distanceCode == 0) {
                const std::uint64_t v = b[i - 1];
                s += run * a + v * run * (run + 1) / 2;
                a += run * v;
            } else {
                for (std::size_t k = 0; k < run; ++k) {
                    a += b[i + k];
                    s += a;
                }
            }
            i += run;
        }
        a %= kAdlerModulus;
        s %= kAdlerModulus;
    }
    m_adlerA = static_cast<std::uint32_t>(a);
    m_adlerB = static_cast<std::uint32_t>(s);
}

void CPngWriter::FlushBytes(bool all) {
    if (m_out.size() >= kChunkSize || (all && !m_out.empty())) {
        WriteChunk("IDAT", m_out.data(), m_out.size());
        m_out.clear();
    }
}

void CPngWriter::WriteChunk(const char* type, const std::uint8_t* data, std::size_t size) {
    if (m_failed)
        return;
    std::vector<std::uint8_t> head;
    PutBigEndian(head, static_cast<std::uint32_t>(size));
    head.insert(head.end(), type, type + 4);
    uLong crc = crc32(0, head.data() + 4, 4);
    if (size != 0) // zlib takes a null buffer for a request of the initial value
        crc = crc32(crc, data, static_cast<uInt>(size));
    std::vector<std::uint8_t> tail;
    PutBigEndian(tail, static_cast<std::uint32_t>(crc));
    const auto write = [this](const std::uint8_t* bytes, std::size_t count) {
        return m_file.write(reinterpret_cast<const char*>(bytes), qint64(count)) == qint64(count);
    };
    if (!write(head.data(), head.size()) || (size != 0 && !write(data, size)) ||
        !write(tail.data(), tail.size()))
        m_failed = true;
}

bool CPngWriter::Finish() {
    if (m_failed || m_rows != m_size.height()) {
        m_file.cancelWriting();
        return false;
    }
    PutSymbol(256);
    for (Put(0, (8 - m_bitCount % 8) % 8); m_bitCount > 0; m_bitCount -= 8) {
        m_out.push_back(static_cast<std::uint8_t>(m_bits));
        m_bits >>= 8;
    }
    PutBigEndian(m_out, (m_adlerB << 16) | m_adlerA);
    FlushBytes(true);
    WriteChunk("IEND", nullptr, 0);
    if (m_failed) {
        m_file.cancelWriting();
        return false;
    }
    return m_file.commit();
}

bool CPngWriter::Write(const QImage& image, const QString& path) {
    const QImage rgb =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    CPngWriter writer(path, rgb.size());
    writer.AddRows(rgb, 0, rgb.height());
    return writer.Finish();
}
