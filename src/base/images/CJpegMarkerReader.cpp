// Marker parsing (the frame header, tables, restart interval and scan header of a JPEG file) and
// the set-up that the frame's scans share: MCU geometry and dequantisation factors.
//
// [SECTION] index: segments; frame set-up.
#include "images/CJpegMarkerReader.h"

#include "images/CJpegDecoder.h"
#include "io/CByteReader.h"

#include <algorithm>

const int JPEG_ZIGZAG[64] = {0,  1,  5,  6,  14, 15, 27, 28, 2,  4,  7,  13, 16, 26, 29, 42,
                             3,  8,  12, 17, 25, 30, 41, 43, 9,  11, 18, 24, 31, 40, 44, 53,
                             10, 19, 23, 32, 39, 45, 52, 54, 20, 22, 33, 38, 46, 51, 55, 60,
                             21, 34, 37, 47, 50, 56, 59, 61, 35, 36, 48, 49, 57, 58, 62, 63};

namespace
{
// The transform's scale factors: 1 and cos(k * pi / 16) * sqrt(2).
const float AAN_SCALE[8] = {1.0f, 1.3870399f,  1.3065630f,  1.1758755f,
                            1.0f, 0.78569496f, 0.54119611f, 0.27589938f};

const int BLOCK_SIZE = 8;
const int SAMPLE_PRECISION = 8;
const int EXTENDED_PRECISION = 12;
// The frame types coded arithmetically: SOF9 to SOF11 and SOF13 to SOF15.
const int FIRST_ARITHMETIC_FRAME = 0xC9;
const int LAST_ARITHMETIC_FRAME = 0xCF;
const int LAST_HUFFMAN_FRAME = 0xC7;
const int MAX_SUCCESSIVE_APPROXIMATION = 13;
}  // namespace

// [SECTION] segments
namespace
{
bool ReadU16BE(CByteReader& reader, int& value)
{
    uint8_t high = 0;
    uint8_t low = 0;
    if (!reader.ReadU8(high) || !reader.ReadU8(low))
    {
        return false;
    }
    value = (high << 8) | low;
    return true;
}

bool ReadFrameHeader(CJpegDecoder& d, CByteReader& reader, int length, bool progressive)
{
    if (d.scansRead > 0)
    {
        return false;  // one frame a file: its scans have begun filling its blocks
    }
    uint8_t precision = 0;
    uint8_t count = 0;
    int height = 0;
    int width = 0;
    if (!reader.ReadU8(precision) || !ReadU16BE(reader, height) || !ReadU16BE(reader, width) ||
        !reader.ReadU8(count))
    {
        return false;
    }
    if (count == 0 || count > CJpegDecoder::MAX_COMPONENTS || length != 8 + 3 * count)
    {
        return false;
    }
    if (progressive && precision != SAMPLE_PRECISION)
    {
        d.refusal = precision == EXTENDED_PRECISION ? JpegRefusal::TwelveBitSamples : d.refusal;
        return false;
    }
    d.precision = precision;
    d.progressive = progressive;
    d.width = width;
    d.height = height;
    d.componentCount = count;
    for (int c = 0; c < count; ++c)
    {
        uint8_t id = 0;
        uint8_t sampling = 0;
        uint8_t quant = 0;
        if (!reader.ReadU8(id) || !reader.ReadU8(sampling) || !reader.ReadU8(quant))
        {
            return false;
        }
        CJpegComponent& component = d.components[c];
        component.id = id;
        component.horizontalSampling = sampling >> 4;
        component.verticalSampling = sampling & 15;
        component.quantTable = quant;
        if (quant >= CJpegDecoder::MAX_TABLES || component.horizontalSampling < 1 ||
            component.horizontalSampling > CJpegDecoder::MAX_SAMPLING ||
            component.verticalSampling < 1 ||
            component.verticalSampling > CJpegDecoder::MAX_SAMPLING)
        {
            return false;
        }
    }
    return true;
}

bool ReadHuffmanTables(CJpegDecoder& d, CByteReader& reader, int remaining)
{
    while (remaining > 0)
    {
        uint8_t info = 0;
        uint8_t counts[CJpegHuffmanTable::MAX_CODE_LENGTH];
        uint8_t symbols[CJpegHuffmanTable::MAX_SYMBOLS];
        if (remaining < 17 || !reader.ReadU8(info) || !reader.ReadBytes(counts, sizeof counts))
        {
            return false;
        }
        int total = 0;
        for (uint8_t count : counts)
        {
            total += count;
        }
        int number = info & 15;
        if (number >= CJpegDecoder::MAX_TABLES || total > CJpegHuffmanTable::MAX_SYMBOLS ||
            17 + total > remaining || !reader.ReadBytes(symbols, static_cast<size_t>(total)))
        {
            return false;
        }
        CJpegHuffmanTable& table = (info & 0x10) ? d.acTables[number] : d.dcTables[number];
        if (!table.Build(counts, symbols))
        {
            return false;
        }
        remaining -= 17 + total;
    }
    return true;
}

bool ReadQuantTables(CJpegDecoder& d, CByteReader& reader, int remaining)
{
    while (remaining > 0)
    {
        uint8_t info = 0;
        if (!reader.ReadU8(info))
        {
            return false;
        }
        int number = info & 15;
        bool wide = (info >> 4) != 0;
        int size = wide ? 129 : 65;
        if (number >= CJpegDecoder::MAX_TABLES || size > remaining)
        {
            return false;
        }
        for (int i = 0; i < 64; ++i)
        {
            int value = 0;
            uint8_t narrow = 0;
            if (wide ? !ReadU16BE(reader, value) : !reader.ReadU8(narrow))
            {
                return false;
            }
            d.quantTables[number][i] = wide ? value : narrow;
        }
        remaining -= size;
    }
    return true;
}

// A DC band (0 to 0) may interleave components, an AC band (within 1 to 63) codes one; a
// refinement adds the one bit below the previous scan's.
bool ProgressiveScanIsValid(const CJpegDecoder& d)
{
    bool dcBand = d.spectralStart == 0;
    if (dcBand ? d.spectralEnd != 0
               : d.spectralEnd < d.spectralStart || d.spectralEnd > 63 || d.scanComponentCount != 1)
    {
        return false;
    }
    if (d.approximationHigh != 0 && d.approximationLow != d.approximationHigh - 1)
    {
        return false;
    }
    return d.approximationLow <= MAX_SUCCESSIVE_APPROXIMATION;
}

bool ReadScanHeader(CJpegDecoder& d, CByteReader& reader, int length)
{
    uint8_t count = 0;
    if (!reader.ReadU8(count) || length < 6 + 2 * count)
    {
        return false;
    }
    // A sequential scan here codes every component interleaved (as its header lists them); progressive
    // scans may code any of them, each once.
    if (d.progressive ? (count < 1 || count > d.componentCount) : count != d.componentCount)
    {
        return false;
    }
    bool inScan[CJpegDecoder::MAX_COMPONENTS] = {};
    for (int i = 0; i < count; ++i)
    {
        uint8_t id = 0;
        uint8_t tables = 0;
        if (!reader.ReadU8(id) || !reader.ReadU8(tables))
        {
            return false;
        }
        int dcTable = tables >> 4;
        int acTable = tables & 15;
        int found = -1;
        for (int c = 0; c < d.componentCount && found < 0; ++c)
        {
            found = d.components[c].id == id ? c : -1;
        }
        if (found < 0 || (d.progressive && inScan[found]) || dcTable >= CJpegDecoder::MAX_TABLES ||
            acTable >= CJpegDecoder::MAX_TABLES)
        {
            return false;
        }
        inScan[found] = true;
        d.components[found].dcTable = dcTable;
        d.components[found].acTable = acTable;
        d.scanOrder[i] = found;
    }
    uint8_t start = 0;
    uint8_t end = 0;
    uint8_t approximation = 0;
    if (!reader.ReadU8(start) || !reader.ReadU8(end) || !reader.ReadU8(approximation))
    {
        return false;
    }
    d.spectralStart = start;
    d.spectralEnd = end;
    d.approximationHigh = approximation >> 4;
    d.approximationLow = approximation & 15;
    d.scanComponentCount = count;
    return !d.progressive || ProgressiveScanIsValid(d);
}

// Notes why a frame type the decoder does not read is refused, when it has a message of its own:
// arithmetic coding, or 12-bit samples (read from the frame's first byte).
void NoteUnsupportedFrame(CJpegDecoder& d, CByteReader& reader, int code)
{
    if (code >= FIRST_ARITHMETIC_FRAME && code <= LAST_ARITHMETIC_FRAME &&
        code != JPEG_ARITHMETIC_CONDITIONING)
    {
        d.refusal = JpegRefusal::ArithmeticCoding;
        return;
    }
    uint8_t precision = 0;
    bool frame =
        code > JPEG_BASELINE_FRAME && code <= LAST_HUFFMAN_FRAME && code != JPEG_HUFFMAN_TABLES;
    if (frame && reader.ReadU8(precision) && precision == EXTENDED_PRECISION)
    {
        d.refusal = JpegRefusal::TwelveBitSamples;
    }
}

// Frame types other than baseline and progressive, arithmetic coding and markers that cannot stand
// before a scan are refused; application segments, comments and the like are skipped.
bool IsSkippedMarker(int code)
{
    if (code < JPEG_FIRST_FRAME_MARKER || code > JPEG_LAST_FRAME_MARKER)
    {
        return true;
    }
    return code == JPEG_ARITHMETIC_CONDITIONING || code == JPEG_NUMBER_OF_LINES ||
           IsRestartMarker(code);
}

}  // namespace

JpegSegmentsEnd ReadJpegSegments(CJpegDecoder& d, const uint8_t* data, size_t size, size_t offset)
{
    CByteReader reader(data, size);
    if (!reader.Seek(offset))
    {
        return JpegSegmentsEnd::Failure;
    }
    for (;;)
    {
        uint8_t prefix = 0;
        uint8_t code = JPEG_MARKER_PREFIX;
        if (!reader.ReadU8(prefix) || prefix != JPEG_MARKER_PREFIX)
        {
            return JpegSegmentsEnd::Failure;
        }
        while (code == JPEG_MARKER_PREFIX)  // fill bytes may stand before a marker code
        {
            if (!reader.ReadU8(code))
            {
                return JpegSegmentsEnd::Failure;
            }
        }
        if (code == JPEG_START_OF_IMAGE)
        {
            continue;
        }
        if (code == JPEG_END_OF_IMAGE)
        {
            return JpegSegmentsEnd::EndOfImage;
        }
        int length = 0;
        if (!ReadU16BE(reader, length) || length < 2)
        {
            return JpegSegmentsEnd::Failure;
        }
        size_t segmentEnd = reader.Tell() + static_cast<size_t>(length) - 2;
        if (segmentEnd > size)
        {
            return JpegSegmentsEnd::Failure;
        }
        bool ok = true;
        switch (code)
        {
        case JPEG_BASELINE_FRAME:
        case JPEG_PROGRESSIVE_FRAME:
            ok = ReadFrameHeader(d, reader, length, code == JPEG_PROGRESSIVE_FRAME);
            break;
        case JPEG_HUFFMAN_TABLES:
            ok = ReadHuffmanTables(d, reader, length - 2);
            break;
        case JPEG_QUANT_TABLES:
            ok = ReadQuantTables(d, reader, length - 2);
            break;
        case JPEG_RESTART_INTERVAL:
            ok = length >= 4 && ReadU16BE(reader, d.restartInterval);
            break;
        case JPEG_START_OF_SCAN:
            if (d.componentCount == 0 || !ReadScanHeader(d, reader, length))
            {
                return JpegSegmentsEnd::Failure;
            }
            d.bitReader.dataPosition = data + segmentEnd;
            d.bitReader.dataEnd = data + size;
            ++d.scansRead;
            return JpegSegmentsEnd::Scan;
        default:
            ok = IsSkippedMarker(code);
            if (!ok)
            {
                NoteUnsupportedFrame(d, reader, code);
            }
            break;
        }
        if (!ok || !reader.Seek(segmentEnd))
        {
            return JpegSegmentsEnd::Failure;
        }
    }

    // [SECTION] frame set-up
}

bool PrepareJpegGeometry(CJpegDecoder& d)
{
    if (d.componentCount == 1)
    {
        // A single component is never interleaved: one block per MCU whatever it declares.
        d.components[0].horizontalSampling = 1;
        d.components[0].verticalSampling = 1;
    }
    int maxHorizontal = 1;
    int maxVertical = 1;
    for (int c = 0; c < d.componentCount; ++c)
    {
        maxHorizontal = std::max(maxHorizontal, d.components[c].horizontalSampling);
        maxVertical = std::max(maxVertical, d.components[c].verticalSampling);
    }
    for (int c = 0; c < d.componentCount; ++c)
    {
        const CJpegComponent& component = d.components[c];
        if (maxHorizontal % component.horizontalSampling != 0 ||
            maxVertical % component.verticalSampling != 0)
        {
            return false;
        }
        d.blocksWide[c] = component.horizontalSampling;
        d.blocksHigh[c] = component.verticalSampling;
        d.replicateX[c] = maxHorizontal / component.horizontalSampling;
        d.replicateY[c] = maxVertical / component.verticalSampling;
    }
    d.mcuWidth = BLOCK_SIZE * maxHorizontal;
    d.mcuHeight = BLOCK_SIZE * maxVertical;
    return true;
}

int JpegBlocksAcross(const CJpegDecoder& d, int component)
{
    int maxHorizontal = d.mcuWidth / BLOCK_SIZE;
    int samples =
        (d.width * d.components[component].horizontalSampling + maxHorizontal - 1) / maxHorizontal;
    return (samples + BLOCK_SIZE - 1) / BLOCK_SIZE;
}

int JpegBlocksDown(const CJpegDecoder& d, int component)
{
    int maxVertical = d.mcuHeight / BLOCK_SIZE;
    int samples =
        (d.height * d.components[component].verticalSampling + maxVertical - 1) / maxVertical;
    return (samples + BLOCK_SIZE - 1) / BLOCK_SIZE;
}

bool JpegDataCanCoverFrame(const CJpegDecoder& d)
{
    long long mcusAcross = (d.width + d.mcuWidth - 1) / d.mcuWidth;
    long long mcusDown = (d.height + d.mcuHeight - 1) / d.mcuHeight;
    long long mcus = mcusAcross * mcusDown;
    long long available = d.bitReader.dataEnd - d.bitReader.dataPosition;
    if (d.progressive)
    {
        long long blocks = 0;
        for (int c = 0; c < d.componentCount; ++c)
        {
            blocks += static_cast<long long>(JpegBlocksAcross(d, c)) * JpegBlocksDown(d, c);
        }
        return available * 8 >= blocks;
    }
    if (d.restartInterval > 0)
    {
        long long intervals = (mcus + d.restartInterval - 1) / d.restartInterval;
        return available >= 2 * (intervals - 1);
    }
    long long blocksPerMcu = 0;
    for (int c = 0; c < d.componentCount; ++c)
    {
        blocksPerMcu += d.blocksWide[c] * d.blocksHigh[c];
    }
    return available * 8 >= mcus * blocksPerMcu * 2;
}

void PrepareJpegQuantisation(CJpegDecoder& d, int component)
{
    const int* quant = d.quantTables[d.components[component].quantTable];
    for (int n = 0; n < 64; ++n)
    {
        int row = n / BLOCK_SIZE;
        int column = n % BLOCK_SIZE;
        d.scaledQuant[component][n] =
            static_cast<float>(quant[JPEG_ZIGZAG[n]]) * AAN_SCALE[column] * AAN_SCALE[row];
    }
}
