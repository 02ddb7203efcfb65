// ZSoft PCX reader. The run-length stream is decoded one scan line at a time with the run state
// carried from line to line (and plane to plane), as PCX writers let runs cross line ends.
#include "images/CPcxReader.h"
#include "images/PixelConvert.h"
#include "io/CByteReader.h"
#include "io/Report.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
const char* const MSG_BAD_VERSION = "error: bad version number! (%i)\n";
const char* const MSG_UNKNOWN_BITCOUNT = "error: unknown %i bitcount pcx files\n";
const char* const MSG_BAD_COLORMAP = "error: colormap's first byte must be 0x0c! (%#x)\n";
const char* const MSG_BAD_SIZE = "error: bad image size! (%ix%i)\n";
const char* const MSG_BAD_LINE_LENGTH = "error: bad bytes per line! (%i)\n";

const size_t PCX_HEADER_SIZE = 128;
const uint8_t PCX_MANUFACTURER = 10;
const uint8_t PALETTE_MARKER = 12;
const size_t PALETTE_BLOCK_SIZE = 769;  // the marker byte and 256 entries of R, G, B
const size_t HEADER_PALETTE_OFFSET = 16;
const size_t HEADER_PALETTE_ENTRIES = 16;
const uint8_t RUN_FLAG = 0xC0;  // bytes with both top bits set start a run
const size_t STREAM_BLOCK_BYTES = 64 * 1024;
const size_t LINE_SLACK = 64;  // spare bytes after each decoded line, see FillRun

enum PcxLayout
{
    LAYOUT_UNKNOWN,
    LAYOUT_MONOCHROME,   // one plane of 1-bit pixels
    LAYOUT_FOUR_PLANES,  // four planes of 1 bit, plane j giving bit j of the palette index
    LAYOUT_NIBBLES,      // one plane of 4-bit pixels, high nibble first
    LAYOUT_INDEXED,      // one plane of 8-bit indices into the palette block at the file's end
    LAYOUT_RGB,          // three planes of 8 bits: red, green, blue
};

PcxLayout LayoutOf(int bitsPerPixel, int planes)
{
    if (bitsPerPixel == 1 && planes == 1)
    {
        return LAYOUT_MONOCHROME;
    }
    if (bitsPerPixel == 1 && planes == 4)
    {
        return LAYOUT_FOUR_PLANES;
    }
    if (bitsPerPixel == 4 && planes == 1)
    {
        return LAYOUT_NIBBLES;
    }
    if (bitsPerPixel == 8 && planes == 1)
    {
        return LAYOUT_INDEXED;
    }
    if (bitsPerPixel == 8 && planes == 3)
    {
        return LAYOUT_RGB;
    }
    return LAYOUT_UNKNOWN;
}

// Bytes of one plane's line that hold width pixels.
size_t NeededLineBytes(PcxLayout layout, size_t width)
{
    switch (layout)
    {
    case LAYOUT_MONOCHROME:
    case LAYOUT_FOUR_PLANES:
        return (width + 7) / 8;
    case LAYOUT_NIBBLES:
        return (width + 1) / 2;
    default:
        return width;
    }
}

// Number of leading bytes (at least one, at most limit) that are plain values, not run starts.
size_t LiteralSpan(const uint8_t* bytes, size_t limit)
{
    size_t count = 0;
#if defined(__SSE2__)
    const __m128i flag = _mm_set1_epi8(static_cast<char>(RUN_FLAG));
    for (; count + 16 <= limit; count += 16)
    {
        __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + count));
        int runs = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(chunk, flag), flag));
        if (runs != 0)
        {
            return count + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(runs)));
        }
    }
#endif
    while (count < limit && (bytes[count] & RUN_FLAG) != RUN_FLAG)
    {
        ++count;
    }
    return count;
}

// Stores a run of count bytes. A short run is written 16 bytes at a time, up to 15 bytes past its
// end: into bytes the line decodes next, or into the LINE_SLACK spare bytes after the line.
void FillRun(uint8_t* destination, uint8_t value, size_t count)
{
#if defined(__SSE2__)
    if (count <= LINE_SLACK)
    {
        __m128i bytes = _mm_set1_epi8(static_cast<char>(value));
        for (size_t offset = 0; offset < count; offset += 16)
        {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + offset), bytes);
        }
        return;
    }
#endif
    memset(destination, value, count);
}

// The run-length stream with the run in progress. A file is read a block at a time; the bytes of
// a memory reader are used where they lie. Reads past the end give zero bytes, as a read past the
// end of a file does.
class CRunLengthStream
{
public:
    explicit CRunLengthStream(CByteReader& reader) : reader(reader) {}

    bool Exhausted() { return runLeft == 0 && !Available(); }

    // Decodes one line into line, or, when the whole line is stored as plain values, gives its
    // bytes where they lie in the stream.
    const uint8_t* DecodeLine(uint8_t* line, size_t lineBytes)
    {
        if (runLeft == 0 && Available() && static_cast<size_t>(end - next) >= lineBytes &&
            LiteralSpan(next, lineBytes) == lineBytes)
        {
            const uint8_t* stored = next;
            next += lineBytes;
            return stored;
        }
        size_t filled = 0;
        while (filled < lineBytes)
        {
            if (runLeft > 0)
            {
                size_t count = std::min(runLeft, lineBytes - filled);
                FillRun(line + filled, runValue, count);
                filled += count;
                runLeft -= count;
                continue;
            }
            if (!Available())
            {
                memset(line + filled, 0, lineBytes - filled);
                return line;
            }
            if ((*next & RUN_FLAG) == RUN_FLAG)
            {
                runLeft = *next++ & ~RUN_FLAG;  // a run of 0 stores nothing
                runValue = Available() ? *next++ : 0;
                continue;
            }
            size_t limit = std::min(lineBytes - filled, static_cast<size_t>(end - next));
            size_t count = LiteralSpan(next, limit);
            memcpy(line + filled, next, count);
            filled += count;
            next += count;
        }
        return line;
    }

private:
    // True when a byte is ready, reading the next block when the last one is used up.
    bool Available()
    {
        if (next < end)
        {
            return true;
        }
        size_t count = reader.Current() ? reader.Remaining()
                                        : std::min(reader.Remaining(), STREAM_BLOCK_BYTES);
        next = count > 0 ? ReadBlock(reader, count, block) : nullptr;
        end = next ? next + count : nullptr;
        return next != nullptr;
    }

    CByteReader& reader;
    std::vector<uint8_t> block;
    const uint8_t* next = nullptr;
    const uint8_t* end = nullptr;
    size_t runLeft = 0;
    uint8_t runValue = 0;
};

class CPcxReader
{
public:
    CPcxReader(CByteReader& reader, PixelConvert::ConvertPath path) : reader(reader), path(path) {}

    CDecodedImage* Decode();

private:
    bool ReadPaletteBlock();
    void ConvertLine(const uint8_t* line, uint8_t* destination) const;

    CByteReader& reader;
    PixelConvert::ConvertPath path;
    PcxLayout layout = LAYOUT_UNKNOWN;
    size_t width = 0;
    size_t bytesPerLine = 0;
    // R, G, B per entry: the header's 16 entries, or the 256 of the palette block.
    uint8_t palette[256 * 3] = {};
};

bool CPcxReader::ReadPaletteBlock()
{
    size_t pixelStart = reader.Tell();
    uint8_t block[PALETTE_BLOCK_SIZE] = {};
    if (reader.Size() >= PALETTE_BLOCK_SIZE && reader.Seek(reader.Size() - PALETTE_BLOCK_SIZE))
    {
        reader.ReadBytes(block, sizeof block);
    }
    if (block[0] != PALETTE_MARKER)
    {
        Report(ReportStream::Err, MSG_BAD_COLORMAP, block[0]);
        return false;
    }
    memcpy(palette, block + 1, sizeof palette);
    return reader.Seek(pixelStart);
}

void CPcxReader::ConvertLine(const uint8_t* line, uint8_t* destination) const
{
    switch (layout)
    {
    case LAYOUT_MONOCHROME:
        for (size_t x = 0; x < width; ++x)
        {
            unsigned index = (line[x >> 3] >> (7 - (x & 7))) & 1u;
            memcpy(destination + 3 * x, palette + 3 * index, 3);
        }
        break;
    case LAYOUT_FOUR_PLANES:
        for (size_t x = 0; x < width; ++x)
        {
            unsigned index = 0;
            for (unsigned plane = 0; plane < 4; ++plane)
            {
                unsigned bit = (line[plane * bytesPerLine + (x >> 3)] >> (7 - (x & 7))) & 1u;
                index |= bit << plane;
            }
            memcpy(destination + 3 * x, palette + 3 * index, 3);
        }
        break;
    case LAYOUT_NIBBLES:
        for (size_t x = 0; x < width; ++x)
        {
            uint8_t pair = line[x >> 1];
            unsigned index = (x & 1) ? (pair & 0x0Fu) : (pair >> 4);
            memcpy(destination + 3 * x, palette + 3 * index, 3);
        }
        break;
    case LAYOUT_INDEXED:
        PixelConvert::IndicesToRgb(line, palette, destination, width);
        break;
    default:
        PixelConvert::PlanesToRgb(line, line + bytesPerLine, line + 2 * bytesPerLine, destination,
                                  width, path);
        break;
    }
}

CDecodedImage* CPcxReader::Decode()
{
    uint8_t header[PCX_HEADER_SIZE];
    reader.ReadBytes(header, sizeof header);  // a short file fails the checks below
    if (header[0] != PCX_MANUFACTURER)
    {
        Report(ReportStream::Err, MSG_BAD_VERSION, header[0]);
        return nullptr;
    }
    int bitsPerPixel = header[3];
    int planes = header[65];
    layout = LayoutOf(bitsPerPixel, planes);
    if (layout == LAYOUT_UNKNOWN)
    {
        Report(ReportStream::Err, MSG_UNKNOWN_BITCOUNT, bitsPerPixel * planes);
        return nullptr;
    }
    int pictureWidth = CByteReader::Le16(header + 8) - CByteReader::Le16(header + 4) + 1;
    int pictureHeight = CByteReader::Le16(header + 10) - CByteReader::Le16(header + 6) + 1;
    if (!IsAcceptedImageSize(pictureWidth, pictureHeight))
    {
        Report(ReportStream::Err, MSG_BAD_SIZE, pictureWidth, pictureHeight);
        return nullptr;
    }
    width = static_cast<size_t>(pictureWidth);
    bytesPerLine = CByteReader::Le16(header + 66);
    if (bytesPerLine < NeededLineBytes(layout, width))
    {
        Report(ReportStream::Err, MSG_BAD_LINE_LENGTH, static_cast<int>(bytesPerLine));
        return nullptr;
    }
    memcpy(palette, header + HEADER_PALETTE_OFFSET, HEADER_PALETTE_ENTRIES * 3);
    if (layout == LAYOUT_INDEXED && !ReadPaletteBlock())
    {
        return nullptr;
    }

    std::unique_ptr<CDecodedImage> image(new CDecodedImage);
    image->format = IMAGE_FORMAT_RGB;
    image->components = 3;
    image->AllocateRgb(pictureWidth, pictureHeight);

    // Everything after the header is the stream.
    CRunLengthStream stream(reader);
    size_t lineBytes = bytesPerLine * static_cast<size_t>(planes);
    std::vector<uint8_t> line(lineBytes + LINE_SLACK);
    size_t rowBytes = width * 3;
    const uint8_t* lineData = line.data();
    bool lineIsZero = false;
    for (int fileLine = 0; fileLine < pictureHeight; ++fileLine)
    {
        // Once the stream is used up every line is zero bytes; clear the line only once.
        if (!stream.Exhausted() || !lineIsZero)
        {
            lineIsZero = stream.Exhausted();
            lineData = stream.DecodeLine(line.data(), lineBytes);
        }
        size_t row = static_cast<size_t>(pictureHeight - 1 - fileLine);
        ConvertLine(lineData, image->data.get() + row * rowBytes);
    }
    return image.release();
}
}  // namespace

CDecodedImage* DecodePCX(CByteReader& reader, const char* /*name*/, PixelConvert::ConvertPath path)
{
    return CPcxReader(reader, path).Decode();
}

CDecodedImage* DecodePCX(CByteReader& reader, const char* name)
{
    return DecodePCX(reader, name, PixelConvert::ConvertPath::Shuffles);
}
