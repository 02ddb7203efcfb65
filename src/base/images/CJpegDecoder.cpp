// Baseline JPEG decoding: marker parsing, Huffman-coded blocks, the float AAN inverse transform,
// pixel replication of subsampled components, YCbCr to RGB.
//
// [SECTION] index: tables and engine-wide state; markers; bit reader; blocks; rows and colour;
// scan; entry points.
#include "images/CJpegDecoder.h"

#include "io/CByteReader.h"
#include "images/CJpegColour.h"
#include "images/CJpegIdct.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

// [SECTION] tables and engine-wide state
namespace
{
// Natural (row-major) index to zigzag index.
const int ZIGZAG[64] = {0,  1,  5,  6,  14, 15, 27, 28, 2,  4,  7,  13, 16, 26, 29, 42,
                        3,  8,  12, 17, 25, 30, 41, 43, 9,  11, 18, 24, 31, 40, 44, 53,
                        10, 19, 23, 32, 39, 45, 52, 54, 20, 22, 33, 38, 46, 51, 55, 60,
                        21, 34, 37, 47, 50, 56, 59, 61, 35, 36, 48, 49, 57, 58, 62, 63};

// The transform's scale factors: 1 and cos(k * pi / 16) * sqrt(2).
const float AAN_SCALE[8] = {1.0f, 1.3870399f,  1.3065630f,  1.1758755f,
                            1.0f, 0.78569496f, 0.54119611f, 0.27589938f};

const char* const MSG_NOT_VALID_JPEG = "%s is not a valid JPEG file!\n";

const int BLOCK_SIZE = 8;
const size_t MAX_FILE_SIZE = size_t(1) << 30;
const int MARKER_PREFIX = 0xFF;
const int START_OF_IMAGE = 0xD8;
const int BASELINE_FRAME = 0xC0;
const int HUFFMAN_TABLES = 0xC4;
const int QUANT_TABLES = 0xDB;
const int RESTART_INTERVAL = 0xDD;
const int START_OF_SCAN = 0xDA;
const int ARITHMETIC_CONDITIONING = 0xCC;
const int FIRST_RESTART = 0xD0;
const int LAST_RESTART = 0xD7;
const int NUMBER_OF_LINES = 0xDC;
const int END_OF_IMAGE = 0xD9;
const int FIRST_APPLICATION = 0xE0;
const int LAST_APPLICATION = 0xEF;
const int COMMENT = 0xFE;
const int FIRST_FRAME_MARKER = 0xC0;
const int LAST_FRAME_MARKER = 0xDD;

// Zigzag index to natural index.
struct CDezigzag
{
    uint8_t natural[64];
    CDezigzag()
    {
        for (int n = 0; n < 64; ++n)
        {
            natural[ZIGZAG[n]] = static_cast<uint8_t>(n);
        }
    }
};
const CDezigzag DEZIGZAG;

// Buffers reused from decode to decode, so a decode allocates only its output.
struct CJpegScratch
{
    std::vector<uint8_t> planes[CJpegDecoder::MAX_COMPONENTS];    // one MCU row per component
    std::vector<uint8_t> wideRows[CJpegDecoder::MAX_COMPONENTS];  // one replicated pixel row
    std::vector<uint8_t> fileBytes;
    std::vector<uint8_t> entropyBytes;  // the current restart interval, stuffing removed
    int planeStride[CJpegDecoder::MAX_COMPONENTS];
};

static_assert(std::is_trivially_copyable<CJpegDecoder>::value,
              "the state block is cleared bytewise");

CJpegDecoder gJpegDecoder;
CJpegScratch gJpegScratch;
}  // namespace

void CJpegDecoder::Reset()
{
    memset(static_cast<void*>(this), 0, sizeof *this);
}

// [SECTION] markers
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

bool ReadFrameHeader(CJpegDecoder& d, CByteReader& reader, int length)
{
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
    d.precision = precision;
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

bool ReadScanHeader(CJpegDecoder& d, CByteReader& reader, int length)
{
    uint8_t count = 0;
    if (!reader.ReadU8(count) || count != d.componentCount || length < 6 + 2 * count)
    {
        return false;
    }
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
        if (found < 0 || dcTable >= CJpegDecoder::MAX_TABLES || acTable >= CJpegDecoder::MAX_TABLES)
        {
            return false;
        }
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
    return true;
}

// Frame types other than baseline, arithmetic coding and markers that cannot stand before the
// scan are refused; application segments, comments and the like are skipped.
bool IsSkippedMarker(int code)
{
    if (code < FIRST_FRAME_MARKER || code > LAST_FRAME_MARKER)
    {
        return true;
    }
    return code == ARITHMETIC_CONDITIONING || code == NUMBER_OF_LINES ||
           (code >= FIRST_RESTART && code <= LAST_RESTART);
}

// Reads segments up to the start of the scan; on success the entropy-coded data follow.
bool ReadMarkers(CJpegDecoder& d, const uint8_t* data, size_t size)
{
    CByteReader reader(data, size);
    bool frameSeen = false;
    for (;;)
    {
        uint8_t prefix = 0;
        uint8_t code = MARKER_PREFIX;
        if (!reader.ReadU8(prefix) || prefix != MARKER_PREFIX)
        {
            return false;
        }
        while (code == MARKER_PREFIX)  // fill bytes may stand before a marker code
        {
            if (!reader.ReadU8(code))
            {
                return false;
            }
        }
        if (code == START_OF_IMAGE)
        {
            continue;
        }
        int length = 0;
        if (!ReadU16BE(reader, length) || length < 2)
        {
            return false;
        }
        size_t segmentEnd = reader.Tell() + static_cast<size_t>(length) - 2;
        if (segmentEnd > size)
        {
            return false;
        }
        bool ok = true;
        switch (code)
        {
        case BASELINE_FRAME:
            ok = ReadFrameHeader(d, reader, length);
            frameSeen = ok;
            break;
        case HUFFMAN_TABLES:
            ok = ReadHuffmanTables(d, reader, length - 2);
            break;
        case QUANT_TABLES:
            ok = ReadQuantTables(d, reader, length - 2);
            break;
        case RESTART_INTERVAL:
            ok = length >= 4 && ReadU16BE(reader, d.restartInterval);
            break;
        case START_OF_SCAN:
            if (!frameSeen || !ReadScanHeader(d, reader, length))
            {
                return false;
            }
            d.bitReader.dataPosition = data + segmentEnd;
            d.bitReader.dataEnd = data + size;
            return true;
        default:
            ok = IsSkippedMarker(code);
            break;
        }
        if (!ok || !reader.Seek(segmentEnd))
        {
            return false;
        }
    }
}

// Block layout of an MCU and the replication of each component; false for layouts a whole number
// of pixels per sample cannot express.
bool PrepareGeometry(CJpegDecoder& d)
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

// Every block takes at least two bits (a DC code and an AC code) and every restart interval after
// the first begins with a two-byte marker, so a file too short for its declared size would fail
// anyway; it is refused before the output is allocated.
bool DataCanCoverFrame(const CJpegDecoder& d)
{
    long long mcusAcross = (d.width + d.mcuWidth - 1) / d.mcuWidth;
    long long mcusDown = (d.height + d.mcuHeight - 1) / d.mcuHeight;
    long long mcus = mcusAcross * mcusDown;
    long long available = d.bitReader.dataEnd - d.bitReader.dataPosition;
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

// Dequantisation and the transform's scale factors folded into one factor per coefficient.
void PrepareQuantisation(CJpegDecoder& d)
{
    for (int c = 0; c < d.componentCount; ++c)
    {
        const int* quant = d.quantTables[d.components[c].quantTable];
        for (int n = 0; n < 64; ++n)
        {
            int row = n / BLOCK_SIZE;
            int column = n % BLOCK_SIZE;
            d.scaledQuant[c][n] =
                static_cast<float>(quant[ZIGZAG[n]]) * AAN_SCALE[column] * AAN_SCALE[row];
        }
    }
}
}  // namespace

// [SECTION] bit reader
namespace
{
// Bytes a block can take from the segment, and the look-ahead its last refill reads: a DC code with
// its extra bits and 63 AC codes with theirs, each at most 16 + 15 bits, plus a buffer's worth.
const size_t BLOCK_BYTES_LIMIT = (64 * 31 + 63) / 8 + 8;

// Copies the entropy-coded bytes from source up to the next marker into out, each stuffed 0xFF 0x00
// (fill bytes before the 0x00 included) as one 0xFF. Returns the bytes written and sets stop to the
// marker's first 0xFF, or to end when the data run out first. out has room for end - source + 16
// bytes, since whole groups of 16 are copied before they are looked at.
size_t RemoveStuffing(const uint8_t* source, const uint8_t* end, uint8_t* out, const uint8_t*& stop)
{
    const __m128i prefix = _mm_set1_epi8(static_cast<char>(MARKER_PREFIX));
    const uint8_t* position = source;
    uint8_t* target = out;
    for (;;)
    {
        while (end - position >= 16)
        {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(position));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target), bytes);
            int prefixes = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, prefix));
            if (prefixes != 0)
            {
                int plain = __builtin_ctz(static_cast<unsigned>(prefixes));
                position += plain;
                target += plain;
                break;
            }
            position += 16;
            target += 16;
        }
        while (position < end && *position != MARKER_PREFIX)
        {
            *target++ = *position++;
        }
        if (position == end)
        {
            stop = end;
            return static_cast<size_t>(target - out);
        }
        const uint8_t* next = position + 1;
        while (next < end && *next == MARKER_PREFIX)
        {
            ++next;
        }
        if (next == end || *next != 0)
        {
            stop = position;
            return static_cast<size_t>(target - out);
        }
        *target++ = MARKER_PREFIX;
        position = next + 1;
    }
}

// Starts the interval whose data begin at r.dataPosition: its bytes, stuffing removed, go into
// buffer, and r.dataPosition moves to the marker (or file end) that closes it. The reader goes by
// value here and in the other calls made once an interval, so that the scan keeps it in registers.
CJpegBitReader BeginSegment(CJpegBitReader r, uint8_t* buffer)
{
    const uint8_t* stop = r.dataEnd;
    r.segment = buffer;
    r.segmentSize = RemoveStuffing(r.dataPosition, r.dataEnd, buffer, stop);
    r.dataPosition = stop;
    r.position = 0;
    r.bitBuffer = 0;
    r.bitCount = 0;
    return r;
}

// The next eight bytes of the segment, big-endian. With Checked, bytes past the segment's end read
// as zero; without, the caller has made sure that eight bytes remain.
template <bool Checked> inline uint64_t LoadBytes(const CJpegBitReader& r)
{
    uint64_t word = 0;
    if (!Checked || r.position + sizeof word <= r.segmentSize)
    {
        memcpy(&word, r.segment + r.position, sizeof word);
    }
    else if (r.position < r.segmentSize)
    {
        memcpy(&word, r.segment + r.position, r.segmentSize - r.position);
    }
    return __builtin_bswap64(word);
}

// Tops the bit buffer up to 56-63 bits without a branch: the buffer always ends on a byte of the
// segment, so the next eight bytes slot in right below the bits it holds.
template <bool Checked> inline void Refill(CJpegBitReader& r)
{
    r.bitBuffer |= LoadBytes<Checked>(r) >> r.bitCount;
    r.position += (63u - static_cast<uint32_t>(r.bitCount)) >> 3;
    r.bitCount |= 56;
}

// True when the bits taken so far reach past the segment's data into the zero bits after it.
inline bool ReadPastSegment(const CJpegBitReader& r)
{
    return r.position * 8 - static_cast<size_t>(r.bitCount) > r.segmentSize * 8;
}

inline uint32_t PeekBits16(const CJpegBitReader& r)
{
    return static_cast<uint32_t>(r.bitBuffer >> 48);
}

inline void ConsumeBits(CJpegBitReader& r, int count)
{
    r.bitBuffer <<= count;
    r.bitCount -= count;
}

// n bits, most significant first, as a signed coefficient value.
inline int ReceiveExtend(CJpegBitReader& r, int count)
{
    if (count == 0)
    {
        return 0;
    }
    int value = static_cast<int>(r.bitBuffer >> (64 - count));
    ConsumeBits(r, count);
    // JpegExtend without a branch on the sign, which the data make unpredictable.
    int belowHalf = (value - (1 << (count - 1))) >> 31;
    return value + (belowHalf & (1 - (1 << count)));
}

// The first marker at or after position (fill bytes included), or end when there is none.
const uint8_t* FindMarker(const uint8_t* position, const uint8_t* end)
{
    while (position + 1 < end &&
           !(position[0] == MARKER_PREFIX && position[1] != 0 && position[1] != MARKER_PREFIX))
    {
        ++position;
    }
    return position + 1 < end ? position : end;
}

inline bool IsRestartMarker(int code)
{
    return code >= FIRST_RESTART && code <= LAST_RESTART;
}

// Data that ran out at a restart marker belongs to a damaged interval: its remaining MCUs decode
// from zero bits and decoding picks up again after the marker. Data that ran out anywhere else
// means the file is cut short.
bool StoppedAtRestartMarker(const CJpegDecoder& d, CJpegBitReader r)
{
    if (d.restartInterval == 0)
    {
        return false;
    }
    const uint8_t* marker = FindMarker(r.dataPosition, r.dataEnd);
    return marker != r.dataEnd && IsRestartMarker(marker[1]);
}

// At the end of each restart interval: the rest of the current byte is dropped, bytes up to the
// next marker are passed over, and a restart marker resets the DC predictors. Any other marker
// ends the data: the intervals after it decode from zero bits.
CJpegBitReader Restart(CJpegDecoder& d, CJpegBitReader r, uint8_t* buffer)
{
    const uint8_t* position = FindMarker(r.dataPosition, r.dataEnd);
    if (position != r.dataEnd && IsRestartMarker(position[1]))
    {
        r.dataPosition = position + 2;
        memset(d.dcPredictors, 0, sizeof d.dcPredictors);
        return BeginSegment(r, buffer);
    }
    r.dataPosition = position;
    r.segmentSize = 0;
    r.position = 0;
    r.bitBuffer = 0;
    r.bitCount = 0;
    return r;
}
}  // namespace

// [SECTION] blocks
namespace
{
// One block of an MCU with everything its decoding needs, worked out once a scan.
struct CMcuBlock
{
    const CJpegHuffmanTable* dcTable;
    const CJpegHuffmanTable* acTable;
    const float* quant;
    int* dcPredictor;
    uint8_t* origin;  // where the block's samples go in the first MCU of a row
    int mcuStep;      // bytes from one MCU's block to the next one's
    int stride;
};

// The block being decoded, with a copy of the zigzag table beside it. Both live on the scan's
// stack frame, where one instruction addresses an entry by index; as globals, each access first
// needs their address in a register the decode loop does not have to spare.
struct CJpegBlock
{
    alignas(16) int32_t coefficients[64];  // natural order; zero between blocks
    uint8_t natural[64];

    CJpegBlock()
    {
        memset(coefficients, 0, sizeof coefficients);
        memcpy(natural, DEZIGZAG.natural, sizeof natural);
    }
};

// Sixteen aligned stores; a call to memset costs more than the stores themselves here.
inline void ClearCoefficients(int32_t* coefficients)
{
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 64; i += 4)
    {
        _mm_store_si128(reinterpret_cast<__m128i*>(coefficients + i), zero);
    }
}

// One AC symbol at coefficient k: stores its value and moves k past it; false once the block is
// complete. A full buffer holds a long symbol (at most 31 bits with its extra bits) and then two
// short ones (at most LOOKUP_BITS each), so only the first of three symbols refills up front and
// the others refill only before a long search.
static_assert(56 - 31 - 2 * CJpegHuffmanTable::LOOKUP_BITS >= 0,
              "a refilled buffer must hold a long symbol and two short ones");
template <bool Checked, bool RefillFirst>
inline bool DecodeAcSymbol(CJpegBitReader& r, const CJpegHuffmanTable& acTable, CJpegBlock& block,
                           uint32_t& k, bool& acPresent)
{
    if (RefillFirst)
    {
        Refill<Checked>(r);
    }
    int32_t fast = acTable.fastValue[r.bitBuffer >> (64 - CJpegHuffmanTable::LOOKUP_BITS)];
    int value = 0;
    if (fast != 0)
    {
        // The end-of-block symbol's run takes k past the last coefficient.
        k += (static_cast<uint32_t>(fast) >> 8) & 0xFF;
        ConsumeBits(r, fast & 0xFF);
        value = fast >> 16;
    }
    else
    {
        if (!RefillFirst)
        {
            Refill<Checked>(r);
        }
        int codeLength = 0;
        uint32_t symbol = static_cast<uint32_t>(acTable.Find(PeekBits16(r), codeLength));
        ConsumeBits(r, codeLength);
        if (symbol == 0)
        {
            return false;
        }
        k += symbol >> 4;
        value = ReceiveExtend(r, static_cast<int>(symbol & 15));
    }
    if (k > 63)
    {
        return false;  // a run past the last coefficient stores nothing
    }
    block.coefficients[block.natural[k]] = value;
    acPresent = true;
    return ++k <= 63;
}

// Decodes one block's DC difference and AC coefficients, the latter into block.coefficients in
// natural order; true when any AC coefficient was stored. Checked is needed only within a block's
// reach of the segment's end. The bit reader is the caller's local copy, so that it stays in
// registers.
template <bool Checked>
inline bool DecodeCoefficients(const CMcuBlock& where, CJpegBitReader& r, CJpegBlock& block,
                               int& difference)
{
    const CJpegHuffmanTable& dcTable = *where.dcTable;
    const CJpegHuffmanTable& acTable = *where.acTable;
    const int lookupShift = 16 - CJpegHuffmanTable::LOOKUP_BITS;

    Refill<Checked>(r);
    int32_t fast = dcTable.fastValue[PeekBits16(r) >> lookupShift];
    if (fast != 0)
    {
        ConsumeBits(r, fast & 0xFF);
        difference = fast >> 16;
    }
    else
    {
        int codeLength = 0;
        int symbol = dcTable.Find(PeekBits16(r), codeLength);
        ConsumeBits(r, codeLength);
        difference = ReceiveExtend(r, symbol & 15);
    }

    bool acPresent = false;
    uint32_t k = 1;
    while (DecodeAcSymbol<Checked, true>(r, acTable, block, k, acPresent) &&
           DecodeAcSymbol<Checked, false>(r, acTable, block, k, acPresent) &&
           DecodeAcSymbol<Checked, false>(r, acTable, block, k, acPresent))
    {
    }
    return acPresent;
}

// Decodes one block and transforms it, dequantised, into 8 x 8 samples at out.
inline void DecodeBlock(const CMcuBlock& where, bool useAvx2, CJpegBitReader& r, CJpegBlock& block,
                        uint8_t* out)
{
    int difference = 0;
    bool acPresent = r.position + BLOCK_BYTES_LIMIT <= r.segmentSize
                         ? DecodeCoefficients<false>(where, r, block, difference)
                         : DecodeCoefficients<true>(where, r, block, difference);
    // Wraps rather than overflows on files whose differences never return toward zero.
    int dc = static_cast<int>(static_cast<uint32_t>(*where.dcPredictor) +
                              static_cast<uint32_t>(difference));
    *where.dcPredictor = dc;

    const float* quant = where.quant;
    const int stride = where.stride;
    int32_t* coefficients = block.coefficients;
    if (acPresent)
    {
        coefficients[0] = dc;
        if (useAvx2)
        {
            CJpegIdct::TransformAvx2(coefficients, quant, out, stride);
        }
        else
        {
            CJpegIdct::Transform(coefficients, quant, out, stride);
        }
        ClearCoefficients(coefficients);
    }
    else
    {
        CJpegIdct::TransformDcOnly(static_cast<float>(dc) * quant[0], out, stride);
    }
}
}  // namespace

// [SECTION] rows and colour
namespace
{
void GreyRow(const uint8_t* lumaRow, uint8_t* out, int width)
{
    const __m128i opaque = _mm_set1_epi8(static_cast<char>(0xFF));
    int x = 0;
    for (; x + 16 <= width; x += 16)
    {
        __m128i luma = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lumaRow + x));
        __m128i pairsLow = _mm_unpacklo_epi8(luma, luma);
        __m128i pairsHigh = _mm_unpackhi_epi8(luma, luma);
        __m128i alphaLow = _mm_unpacklo_epi8(luma, opaque);
        __m128i alphaHigh = _mm_unpackhi_epi8(luma, opaque);
        __m128i* target = reinterpret_cast<__m128i*>(out + 4 * x);
        _mm_storeu_si128(target, _mm_unpacklo_epi16(pairsLow, alphaLow));
        _mm_storeu_si128(target + 1, _mm_unpackhi_epi16(pairsLow, alphaLow));
        _mm_storeu_si128(target + 2, _mm_unpacklo_epi16(pairsHigh, alphaHigh));
        _mm_storeu_si128(target + 3, _mm_unpackhi_epi16(pairsHigh, alphaHigh));
    }
    for (; x < width; ++x)
    {
        out[4 * x] = out[4 * x + 1] = out[4 * x + 2] = lumaRow[x];
        out[4 * x + 3] = 255;
    }
}

// Two components carry no colour model; they land in red and green.
void TwoComponentRow(const uint8_t* first, const uint8_t* second, uint8_t* out, int width)
{
    for (int x = 0; x < width; ++x)
    {
        out[4 * x] = first[x];
        out[4 * x + 1] = second[x];
        out[4 * x + 2] = 0;
        out[4 * x + 3] = 255;
    }
}

// Each sample covers `factor` pixels across. The source plane holds whole MCUs, so it is always
// at least (width + 15) / 16 * 8 samples wide for a factor of 2.
void ReplicateRow(const uint8_t* samples, uint8_t* out, int width, int factor)
{
    if (factor == 2)
    {
        for (int x = 0; x < width; x += 16)
        {
            __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples + x / 2));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_unpacklo_epi8(eight, eight));
        }
        return;
    }
    for (int x = 0; x < width; ++x)
    {
        out[x] = samples[x / factor];
    }
}

// Converts the rows of one MCU row, held in the component planes, into the RGBA output.
void ConvertRows(CJpegDecoder& d, CJpegScratch& scratch, uint8_t* output, int firstRow,
                 int rowCount)
{
    // With chroma at half resolution both ways, two rows share each chroma row: they are
    // converted together, so each chroma sample is worked out once for its four pixels.
    bool halfBothWays = d.componentCount == 3 && d.replicateX[0] == 1 && d.replicateY[0] == 1 &&
                        d.replicateX[1] == 2 && d.replicateY[1] == 2 && d.replicateX[2] == 2 &&
                        d.replicateY[2] == 2;
    int j = 0;
    if (halfBothWays && d.useAvx2)
    {
        size_t rowBytes = static_cast<size_t>(d.width) * 4;
        for (; j + 1 < rowCount; j += 2)
        {
            const uint8_t* luma = scratch.planes[0].data() + j * scratch.planeStride[0];
            uint8_t* out = output + static_cast<size_t>(firstRow + j) * rowBytes;
            CJpegColour::ConvertRowPairAvx2(
                luma, luma + scratch.planeStride[0],
                scratch.planes[1].data() + (j / 2) * scratch.planeStride[1],
                scratch.planes[2].data() + (j / 2) * scratch.planeStride[2], out, out + rowBytes,
                d.width);
        }
    }
    for (; j < rowCount; ++j)
    {
        const uint8_t* rows[CJpegDecoder::MAX_COMPONENTS] = {};
        // Chroma at half horizontal resolution is widened inside the colour conversion.
        int chromaStep = d.componentCount == 3 && d.replicateX[0] == 1 && d.replicateX[1] == 2 &&
                                 d.replicateX[2] == 2
                             ? 2
                             : 1;
        for (int c = 0; c < d.componentCount; ++c)
        {
            const uint8_t* samples =
                scratch.planes[c].data() + (j / d.replicateY[c]) * scratch.planeStride[c];
            if (d.replicateX[c] == 1 || (c > 0 && chromaStep == 2))
            {
                rows[c] = samples;
            }
            else
            {
                ReplicateRow(samples, scratch.wideRows[c].data(), d.width, d.replicateX[c]);
                rows[c] = scratch.wideRows[c].data();
            }
        }
        uint8_t* out =
            output + static_cast<size_t>(firstRow + j) * static_cast<size_t>(d.width) * 4;
        if (d.componentCount == 3)
        {
            CJpegColour::ConvertRow(rows[0], rows[1], rows[2], chromaStep, out, d.width);
        }
        else if (d.componentCount == 2)
        {
            TwoComponentRow(rows[0], rows[1], out, d.width);
        }
        else
        {
            GreyRow(rows[0], out, d.width);
        }
    }
}
}  // namespace

// [SECTION] scan
namespace
{
// The blocks of an MCU in the order the scan codes them; returns their number.
int ListMcuBlocks(CJpegDecoder& d, CJpegScratch& scratch, CMcuBlock* blocks)
{
    int count = 0;
    for (int i = 0; i < d.componentCount; ++i)
    {
        int c = d.scanOrder[i];
        const CJpegComponent& component = d.components[c];
        int stride = scratch.planeStride[c];
        for (int by = 0; by < d.blocksHigh[c]; ++by)
        {
            for (int bx = 0; bx < d.blocksWide[c]; ++bx)
            {
                CMcuBlock& block = blocks[count++];
                block.dcTable = &d.dcTables[component.dcTable];
                block.acTable = &d.acTables[component.acTable];
                block.quant = d.scaledQuant[c];
                block.dcPredictor = &d.dcPredictors[c];
                block.origin =
                    scratch.planes[c].data() + by * BLOCK_SIZE * stride + bx * BLOCK_SIZE;
                block.mcuStep = d.blocksWide[c] * BLOCK_SIZE;
                block.stride = stride;
            }
        }
    }
    return count;
}

void PreparePlanes(CJpegDecoder& d, CJpegScratch& scratch, int mcusAcross)
{
    for (int c = 0; c < d.componentCount; ++c)
    {
        scratch.planeStride[c] = mcusAcross * d.blocksWide[c] * BLOCK_SIZE;
        scratch.planes[c].resize(static_cast<size_t>(scratch.planeStride[c]) * d.blocksHigh[c] *
                                 BLOCK_SIZE);
        // Replication writes whole groups of 16 pixels.
        scratch.wideRows[c].resize(static_cast<size_t>(d.width) + 16);
    }
}

bool DecodeScan(CJpegDecoder& d, CJpegScratch& scratch, uint8_t* output)
{
    int mcusAcross = (d.width + d.mcuWidth - 1) / d.mcuWidth;
    int mcusDown = (d.height + d.mcuHeight - 1) / d.mcuHeight;
    PreparePlanes(d, scratch, mcusAcross);
    d.useAvx2 = CJpegColour::HasAvx2();
    PrepareQuantisation(d);

    // No interval holds more bytes than the scan; 16 more let the copy run in whole groups.
    size_t scanBytes = static_cast<size_t>(d.bitReader.dataEnd - d.bitReader.dataPosition);
    if (scratch.entropyBytes.size() < scanBytes + 16)
    {
        scratch.entropyBytes.resize(scanBytes + 16);
    }
    uint8_t* entropyBytes = scratch.entropyBytes.data();
    CJpegBitReader reader = BeginSegment(d.bitReader, entropyBytes);
    CJpegBlock block;
    CMcuBlock mcuBlocks[CJpegDecoder::MAX_COMPONENTS * CJpegDecoder::MAX_SAMPLING *
                        CJpegDecoder::MAX_SAMPLING];
    const int blocksPerMcu = ListMcuBlocks(d, scratch, mcuBlocks);
    const bool useAvx2 = d.useAvx2;
    int untilRestart = d.restartInterval;
    for (int mcuRow = 0; mcuRow < mcusDown; ++mcuRow)
    {
        for (int mcuColumn = 0; mcuColumn < mcusAcross; ++mcuColumn)
        {
            if (d.restartInterval > 0)
            {
                if (untilRestart == 0)
                {
                    reader = Restart(d, reader, entropyBytes);
                    untilRestart = d.restartInterval;
                }
                --untilRestart;
            }
            for (int b = 0; b < blocksPerMcu; ++b)
            {
                const CMcuBlock& where = mcuBlocks[b];
                DecodeBlock(where, useAvx2, reader, block,
                            where.origin + mcuColumn * where.mcuStep);
            }
            if (ReadPastSegment(reader) && !StoppedAtRestartMarker(d, reader))
            {
                return false;  // the MCU needed bits beyond the end of the data
            }
        }
        int firstRow = mcuRow * d.mcuHeight;
        ConvertRows(d, scratch, output, firstRow, std::min(d.mcuHeight, d.height - firstRow));
    }
    d.bitReader = reader;
    return true;
}

// A single-scan picture ends with the end-of-image marker; only table and application segments
// may stand between. Anything else (another scan, another frame, a cut) marks a damaged file.
bool ReachesEndOfImage(const CJpegDecoder& d)
{
    const uint8_t* position = d.bitReader.dataPosition;
    for (;;)
    {
        position = FindMarker(position, d.bitReader.dataEnd);
        if (position == d.bitReader.dataEnd)
        {
            return false;
        }
        int code = position[1];
        position += 2;
        if (code == END_OF_IMAGE)
        {
            return true;
        }
        if (IsRestartMarker(code))
        {
            continue;
        }
        bool segment = (code >= FIRST_APPLICATION && code <= LAST_APPLICATION) || code == COMMENT ||
                       code == QUANT_TABLES || code == HUFFMAN_TABLES || code == RESTART_INTERVAL ||
                       code == NUMBER_OF_LINES;
        if (!segment || d.bitReader.dataEnd - position < 2)
        {
            return false;
        }
        int length = (position[0] << 8) | position[1];
        if (length < 2 || d.bitReader.dataEnd - position < length)
        {
            return false;
        }
        position += length;
    }
}
}  // namespace

// [SECTION] entry points
uint8_t* CJpegDecoder::Decode(const uint8_t* data, size_t size, int& widthOut, int& heightOut)
{
    Reset();
    if (!data || !ReadMarkers(*this, data, size) || !PrepareGeometry(*this))
    {
        return nullptr;
    }
    size_t outputSize = 0;
    if (width > MAX_DIMENSION || height > MAX_DIMENSION || !DataCanCoverFrame(*this) ||
        !CheckedImageSize(width, height, 4, SIZE_MAX, outputSize))
    {
        return nullptr;
    }
    uint8_t* output = new (std::nothrow) uint8_t[outputSize];
    if (!output)
    {
        return nullptr;
    }
    if (!DecodeScan(*this, gJpegScratch, output) || !ReachesEndOfImage(*this))
    {
        delete[] output;
        return nullptr;
    }
    widthOut = width;
    heightOut = height;
    return output;
}

CDecodedImage* DecodeJPEG(CByteReader& reader, const char* name)
{
    // A memory reader's bytes are decoded where they lie; a file is read whole into the
    // decoder's reused buffer first.
    const uint8_t* bytes = reader.Current();
    size_t size = reader.Remaining();
    if (!bytes && size <= MAX_FILE_SIZE)
    {
        std::vector<uint8_t>& fileBytes = gJpegScratch.fileBytes;
        try
        {
            fileBytes.resize(size);
            if (reader.ReadBytes(fileBytes.data(), size))
            {
                bytes = fileBytes.data();
            }
        }
        catch (const std::bad_alloc&)
        {
            bytes = nullptr;
        }
    }
    int width = 0;
    int height = 0;
    uint8_t* pixels = bytes ? gJpegDecoder.Decode(bytes, size, width, height) : nullptr;
    if (!pixels)
    {
        fprintf(stderr, MSG_NOT_VALID_JPEG, name ? name : "");
        return nullptr;
    }
    std::unique_ptr<CDecodedImage> image(new CDecodedImage);
    image->width = width;
    image->height = height;
    image->format = IMAGE_FORMAT_RGBA;
    image->components = 4;
    image->data.reset(pixels);
    image->dataSize = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    return image.release();
}
