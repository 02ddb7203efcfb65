// Windows and OS/2 bitmap reader. Every field read from the file is checked against the bytes
// actually there before it is used; a file that cannot be decoded gives a message and null.
#include "images/CBmpReader.h"
#include "images/PixelConvert.h"
#include "io/CByteReader.h"
#include "io/Report.h"

#include <algorithm>
#include <cstring>

namespace
{
const char* const MSG_NOT_VALID_BMP = "%s is not a valid BMP file!\n";
const char* const MSG_UNSUPPORTED_BMP =
    "unsupported bitmap type or bad filecompression type (%i)\n";

const size_t FILE_HEADER_SIZE = 14;
const size_t INFO_HEADER_READ_SIZE = 40;
const size_t PIXEL_OFFSET_FIELD = 10;

// Information header sizes: the OS/2 core header, the short and full OS/2 2.x headers, and the
// Windows headers (with bit-field masks, with alpha mask, version 4 and version 5). Every one but
// the core header starts with the Windows field layout.
const uint32_t OS2_CORE_HEADER_SIZE = 12;
const uint32_t KNOWN_HEADER_SIZES[] = {16, 40, 52, 56, 64, 108, 124};

enum BmpCompression : uint32_t
{
    COMPRESSION_NONE = 0,
    COMPRESSION_RLE8 = 1,
    COMPRESSION_RLE4 = 2,
};

// Rows of uncompressed pixel data are read this many bytes at a time.
const size_t READ_CHUNK_BYTES = 256 * 1024;

struct BmpHeader
{
    uint32_t pixelOffset = 0;
    uint32_t headerSize = 0;
    long long width = 0;
    long long height = 0;  // negative for files stored top row first
    int bitCount = 0;
    uint32_t compression = COMPRESSION_NONE;
    uint32_t colorsUsed = 0;  // 0 = the full 2^bitCount
    size_t paletteEntrySize = 4;
};

// One operation of an RLE8 or RLE4 stream.
struct RleOp
{
    enum Kind
    {
        RUN,            // count pixels of the colour(s) in value
        END_OF_LINE,    // to the start of the next row
        END_OF_BITMAP,  // the rest of the picture is skipped
        DELTA,          // count pixels right, value rows up
        LITERAL,        // count pixels whose indices follow in literal
        TRUNCATED,      // the stream ends inside an operation
    };
    Kind kind = TRUNCATED;
    unsigned count = 0;
    unsigned value = 0;
    const uint8_t* literal = nullptr;
};

// Reads the operation at next and moves past it (and past a literal's padding byte).
RleOp NextRleOp(const uint8_t*& next, const uint8_t* end, bool fourBit)
{
    RleOp op;
    if (end - next < 2)
    {
        return op;
    }
    op.count = next[0];
    op.value = next[1];
    next += 2;
    if (op.count > 0)
    {
        op.kind = RleOp::RUN;
        return op;
    }
    switch (op.value)
    {
    case 0:
        op.kind = RleOp::END_OF_LINE;
        return op;
    case 1:
        op.kind = RleOp::END_OF_BITMAP;
        return op;
    case 2:
        if (end - next < 2)
        {
            return op;
        }
        op.kind = RleOp::DELTA;
        op.count = next[0];
        op.value = next[1];
        next += 2;
        return op;
    default:
    {
        op.count = op.value;
        size_t literalBytes = fourBit ? (op.count + 1) / 2 : op.count;
        if (static_cast<size_t>(end - next) < literalBytes)
        {
            return op;
        }
        op.kind = RleOp::LITERAL;
        op.literal = next;
        next += literalBytes;
        // Literals are padded to an even number of bytes.
        if ((literalBytes & 1) && next < end)
        {
            ++next;
        }
        return op;
    }
    }
}

// Streams coded row by row end each row with an end-of-line escape; a run longer than its row is
// then clipped, as writers of such files expect. Streams without one run on from row to row.
bool UsesEndOfLine(const uint8_t* next, const uint8_t* end, bool fourBit)
{
    for (;;)
    {
        RleOp op = NextRleOp(next, end, fourBit);
        if (op.kind == RleOp::END_OF_LINE)
        {
            return true;
        }
        if (op.kind == RleOp::END_OF_BITMAP || op.kind == RleOp::TRUNCATED)
        {
            return false;
        }
    }
}

// The write position of a run-length decoder, bottom row first. x may equal the width: the row
// is full, and the next pixel either starts the following row or, when rows are clipped, is
// dropped.
class CRlePainter
{
public:
    CRlePainter(uint8_t* pixels, long long width, long long height, bool clipRows)
        : pixels(pixels), width(width), height(height), clipRows(clipRows)
    {
    }

    bool Complete() const { return y >= height || (y == height - 1 && x >= width); }

    void Put(const uint8_t* rgb)
    {
        if (x >= width)
        {
            if (clipRows)
            {
                return;
            }
            x = 0;
            ++y;
        }
        if (y < height)
        {
            memcpy(pixels + 3 * (y * width + x), rgb, 3);
            ++x;
        }
    }

    void EndLine()
    {
        x = 0;
        ++y;
    }

    // A delta may end the picture by moving to the start of the row past the last, but one that
    // leaves the picture anywhere else marks a corrupt stream.
    bool Move(unsigned right, unsigned up)
    {
        x += right;
        y += up;
        return (y < height && x <= width) || (y == height && x == 0);
    }

private:
    uint8_t* pixels;
    long long width;
    long long height;
    bool clipRows;
    long long x = 0;
    long long y = 0;
};

class CBmpReader
{
public:
    CBmpReader(CByteReader& reader, const char* name, PixelConvert::ConvertPath path)
        : reader(reader), name(name), path(path)
    {
    }

    CDecodedImage* Decode();
    bool IsDecodable();

private:
    bool ReadHeaders();
    bool IsSupported(int* reported) const;
    bool CheckSupported();
    bool ReadPalette();
    bool DecodeUncompressed(CDecodedImage& image);
    bool ReadPackedRows(CDecodedImage& image);
    bool DecodeRunLength(CDecodedImage& image);
    void ConvertRow(const uint8_t* row, uint8_t* destination) const;

    CDecodedImage* Invalid() const
    {
        Report(ReportStream::Err, MSG_NOT_VALID_BMP, name);
        return nullptr;
    }

    CByteReader& reader;
    const char* name;
    PixelConvert::ConvertPath path;
    BmpHeader header;
    // R, G, B per entry; entries the file does not hold stay black.
    uint8_t palette[256 * 3] = {};
    std::vector<uint8_t> scratch;
};

bool CBmpReader::ReadHeaders()
{
    uint8_t fileHeader[FILE_HEADER_SIZE];
    if (!reader.ReadBytes(fileHeader, sizeof fileHeader) || fileHeader[0] != 'B' ||
        fileHeader[1] != 'M')
    {
        return false;
    }
    header.pixelOffset = CByteReader::Le32(fileHeader + PIXEL_OFFSET_FIELD);

    uint8_t info[INFO_HEADER_READ_SIZE];
    reader.ReadBytes(info, sizeof info);  // a short header is caught by its size below
    header.headerSize = CByteReader::Le32(info);
    if (FILE_HEADER_SIZE + header.headerSize > reader.Size())
    {
        return false;
    }
    if (header.headerSize == OS2_CORE_HEADER_SIZE)
    {
        header.width = CByteReader::Le16(info + 4);
        header.height = CByteReader::Le16(info + 6);
        header.bitCount = CByteReader::Le16(info + 10);
        header.paletteEntrySize = 3;
        return true;
    }
    const uint32_t* knownEnd = std::end(KNOWN_HEADER_SIZES);
    if (std::find(std::begin(KNOWN_HEADER_SIZES), knownEnd, header.headerSize) == knownEnd)
    {
        return false;
    }
    header.width = static_cast<int32_t>(CByteReader::Le32(info + 4));
    header.height = static_cast<int32_t>(CByteReader::Le32(info + 8));
    header.bitCount = CByteReader::Le16(info + 14);
    // The short OS/2 2.x header ends before the compression and colour-count fields.
    if (header.headerSize >= INFO_HEADER_READ_SIZE)
    {
        header.compression = CByteReader::Le32(info + 16);
        header.colorsUsed = CByteReader::Le32(info + 32);
    }
    return true;
}

bool CBmpReader::IsSupported(int* reported) const
{
    *reported = static_cast<int>(header.compression);
    switch (header.compression)
    {
    case COMPRESSION_NONE:
        *reported = header.bitCount;
        return header.bitCount == 1 || header.bitCount == 4 || header.bitCount == 8 ||
               header.bitCount == 24 || header.bitCount == 32;
    case COMPRESSION_RLE8:
        return header.bitCount == 8;
    case COMPRESSION_RLE4:
        return header.bitCount == 4;
    default:
        return false;
    }
}

bool CBmpReader::CheckSupported()
{
    int reported = 0;
    if (!IsSupported(&reported))
    {
        Report(ReportStream::Err, MSG_UNSUPPORTED_BMP, reported);
        return false;
    }
    return true;
}

bool CBmpReader::IsDecodable()
{
    int reported = 0;
    return ReadHeaders() && IsSupported(&reported);
}

bool CBmpReader::ReadPalette()
{
    size_t paletteStart = FILE_HEADER_SIZE + header.headerSize;
    if (header.pixelOffset < paletteStart || header.pixelOffset > reader.Size())
    {
        return false;
    }
    if (header.bitCount > 8)
    {
        return true;
    }
    size_t declared = size_t(1) << header.bitCount;
    if (header.colorsUsed > declared)
    {
        return false;
    }
    if (header.colorsUsed != 0)
    {
        declared = header.colorsUsed;
    }
    // The palette lies between the information header and the pixels; some writers store
    // fewer entries than the bit count allows.
    size_t available = (header.pixelOffset - paletteStart) / header.paletteEntrySize;
    size_t count = std::min(declared, available);
    if (count == 0 || !reader.Seek(paletteStart))
    {
        return false;
    }
    const uint8_t* entries = ReadBlock(reader, count * header.paletteEntrySize, scratch);
    if (!entries)
    {
        return false;
    }
    for (size_t i = 0; i < count; ++i)
    {
        const uint8_t* entry = entries + i * header.paletteEntrySize;
        palette[3 * i] = entry[2];
        palette[3 * i + 1] = entry[1];
        palette[3 * i + 2] = entry[0];
    }
    return true;
}

void CBmpReader::ConvertRow(const uint8_t* row, uint8_t* destination) const
{
    size_t width = static_cast<size_t>(header.width);
    switch (header.bitCount)
    {
    case 1:
        for (size_t x = 0; x < width; ++x)
        {
            unsigned index = (row[x >> 3] >> (7 - (x & 7))) & 1u;
            memcpy(destination + 3 * x, palette + 3 * index, 3);
        }
        break;
    case 4:
        for (size_t x = 0; x < width; ++x)
        {
            uint8_t pair = row[x >> 1];
            unsigned index = (x & 1) ? (pair & 0x0Fu) : (pair >> 4);
            memcpy(destination + 3 * x, palette + 3 * index, 3);
        }
        break;
    case 8:
        PixelConvert::IndicesToRgb(row, palette, destination, width);
        break;
    case 24:
        PixelConvert::BgrToRgb(row, destination, width, path);
        break;
    default:
        PixelConvert::BgrxToRgb(row, destination, width, path);
        break;
    }
}

bool CBmpReader::DecodeUncompressed(CDecodedImage& image)
{
    size_t width = static_cast<size_t>(image.width);
    size_t height = static_cast<size_t>(image.height);
    size_t rowBits = width * static_cast<size_t>(header.bitCount);
    size_t rowBytes = (rowBits + 7) / 8;
    size_t stride = (rowBits + 31) / 32 * 4;  // rows are padded to 4 bytes
    // The last row's padding may be missing.
    if (stride * (height - 1) + rowBytes > reader.Remaining())
    {
        return false;
    }
    if (header.bitCount == 24 && stride == width * 3 && !reader.Current())
    {
        return ReadPackedRows(image);
    }
    bool topDown = header.height < 0;
    size_t rowsPerChunk = std::max<size_t>(1, READ_CHUNK_BYTES / stride);
    for (size_t fileRow = 0; fileRow < height; fileRow += rowsPerChunk)
    {
        size_t rows = std::min(rowsPerChunk, height - fileRow);
        size_t chunkBytes = std::min(stride * rows, reader.Remaining());
        const uint8_t* chunk = ReadBlock(reader, chunkBytes, scratch);
        if (!chunk)
        {
            return false;
        }
        for (size_t i = 0; i < rows; ++i)
        {
            size_t row = fileRow + i;
            size_t destinationRow = topDown ? height - 1 - row : row;
            ConvertRow(chunk + i * stride, image.data.get() + destinationRow * width * 3);
        }
    }
    return true;
}

// 24-bit rows with no padding from a file: read straight into the picture (a block of rows at a
// time, or row by row for files stored top row first) and swapped to R, G, B while still in cache.
bool CBmpReader::ReadPackedRows(CDecodedImage& image)
{
    size_t width = static_cast<size_t>(image.width);
    size_t height = static_cast<size_t>(image.height);
    size_t rowBytes = width * 3;
    bool topDown = header.height < 0;
    size_t rowsPerChunk = topDown ? 1 : std::max<size_t>(1, READ_CHUNK_BYTES / rowBytes);
    for (size_t fileRow = 0; fileRow < height; fileRow += rowsPerChunk)
    {
        size_t rows = std::min(rowsPerChunk, height - fileRow);
        size_t row = topDown ? height - 1 - fileRow : fileRow;
        uint8_t* destination = image.data.get() + row * rowBytes;
        if (!reader.ReadBytes(destination, rows * rowBytes))
        {
            return false;
        }
        PixelConvert::BgrToRgb(destination, destination, rows * width, path);
    }
    return true;
}

// RLE8 and RLE4 with the end-of-line, end-of-bitmap and delta escapes. Pixels the stream skips
// keep the colour of palette entry 0. A stream that ends before the picture is complete and
// without an end-of-bitmap escape is taken as truncated.
bool CBmpReader::DecodeRunLength(CDecodedImage& image)
{
    const bool fourBit = header.compression == COMPRESSION_RLE4;
    size_t streamSize = reader.Remaining();
    const uint8_t* next = ReadBlock(reader, streamSize, scratch);
    if (!next)
    {
        return false;
    }
    const uint8_t* end = next + streamSize;
    uint8_t* pixels = image.data.get();
    for (size_t i = 0; i < image.dataSize; i += 3)
    {
        memcpy(pixels + i, palette, 3);
    }
    CRlePainter painter(pixels, image.width, image.height, UsesEndOfLine(next, end, fourBit));
    while (!painter.Complete())
    {
        RleOp op = NextRleOp(next, end, fourBit);
        switch (op.kind)
        {
        case RleOp::RUN:
        {
            const uint8_t* high = palette + 3 * (fourBit ? op.value >> 4 : op.value);
            const uint8_t* low = palette + 3 * (fourBit ? op.value & 0x0F : op.value);
            for (unsigned i = 0; i < op.count && !painter.Complete(); ++i)
            {
                painter.Put((i & 1) ? low : high);
            }
            break;
        }
        case RleOp::LITERAL:
            for (unsigned i = 0; i < op.count && !painter.Complete(); ++i)
            {
                uint8_t byte = op.literal[fourBit ? i / 2 : i];
                unsigned index = !fourBit ? byte : (i & 1) ? (byte & 0x0Fu) : (byte >> 4);
                painter.Put(palette + 3 * index);
            }
            break;
        case RleOp::END_OF_LINE:
            painter.EndLine();
            break;
        case RleOp::DELTA:
            if (!painter.Move(op.count, op.value))
            {
                return false;
            }
            break;
        case RleOp::END_OF_BITMAP:
            return true;
        case RleOp::TRUNCATED:
            return false;
        }
    }
    return true;
}

CDecodedImage* CBmpReader::Decode()
{
    if (!ReadHeaders())
    {
        return Invalid();
    }
    if (!CheckSupported())
    {
        return nullptr;
    }
    long long height = header.height < 0 ? -header.height : header.height;
    // Run-length pixels are always stored bottom row first.
    if ((header.height < 0 && header.compression != COMPRESSION_NONE) ||
        !IsAcceptedImageSize(header.width, height))
    {
        return Invalid();
    }
    if (!ReadPalette() || !reader.Seek(header.pixelOffset))
    {
        return Invalid();
    }
    std::unique_ptr<CDecodedImage> image(new CDecodedImage);
    image->format = IMAGE_FORMAT_RGB;
    image->components = 3;
    image->AllocateRgb(static_cast<int>(header.width), static_cast<int>(height));
    bool decoded = header.compression == COMPRESSION_NONE ? DecodeUncompressed(*image)
                                                          : DecodeRunLength(*image);
    if (!decoded)
    {
        return Invalid();
    }
    return image.release();
}
}  // namespace

CDecodedImage* DecodeBMP(CByteReader& reader, const char* name, PixelConvert::ConvertPath path)
{
    return CBmpReader(reader, name, path).Decode();
}

CDecodedImage* DecodeBMP(CByteReader& reader, const char* name)
{
    return DecodeBMP(reader, name, PixelConvert::ConvertPath::Shuffles);
}

bool IsDecodableBMP(CByteReader& reader)
{
    return CBmpReader(reader, "", PixelConvert::ConvertPath::Shuffles).IsDecodable();
}
