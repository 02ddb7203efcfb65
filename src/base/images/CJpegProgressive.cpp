// Progressive JPEG: DC and AC bands, first scans and successive-approximation refinements, end-of-
// band runs and restart intervals, into a grid of coefficients per component; then the sequential
// path's transform, planes and colour conversion.
//
// [SECTION] index: coefficient grid; bits and symbols; the four kinds of block; scans; output.
#include "images/CJpegProgressive.h"

#include "images/CJpegBitReader.h"
#include "images/CJpegColour.h"
#include "images/CJpegDecoder.h"
#include "images/CJpegIdct.h"
#include "images/CJpegMarkerReader.h"
#include "images/CJpegPlanes.h"

#include <cstring>
#include <emmintrin.h>
#include <new>
#include <vector>

// [SECTION] coefficient grid
namespace
{
const int BLOCK_SIZE = 8;
const int COEFFICIENTS = 64;

// Zigzag position to natural (row-major) position.
const uint8_t NATURAL_ORDER[COEFFICIENTS] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Every block of every component, 64 coefficients each in natural order, and beside each block
// the zigzag positions of its non-zero AC coefficients. The grid covers whole MCUs, as an
// interleaved scan codes them; a scan of one component codes only the blocks that hold samples of
// the picture. Kept from decode to decode, like the decoder's other buffers: clearing memory that
// is already there costs far less than the page faults of fresh memory.
struct CCoefficientGrid
{
    std::vector<int16_t> coefficients[CJpegDecoder::MAX_COMPONENTS];
    std::vector<uint64_t> nonZero[CJpegDecoder::MAX_COMPONENTS];
    int gridAcross[CJpegDecoder::MAX_COMPONENTS];  // blocks a row, whole MCUs
    int usedAcross[CJpegDecoder::MAX_COMPONENTS];  // blocks holding samples, across and down
    int usedDown[CJpegDecoder::MAX_COMPONENTS];

    // Sizes and clears the grid for the frame; false when the memory cannot be had.
    bool Prepare(const CJpegDecoder& d, int mcusAcross, int mcusDown)
    {
        try
        {
            for (int c = 0; c < d.componentCount; ++c)
            {
                gridAcross[c] = mcusAcross * d.blocksWide[c];
                usedAcross[c] = JpegBlocksAcross(d, c);
                usedDown[c] = JpegBlocksDown(d, c);
                size_t blocks = static_cast<size_t>(gridAcross[c]) *
                                static_cast<size_t>(mcusDown * d.blocksHigh[c]);
                coefficients[c].assign(blocks * COEFFICIENTS, 0);
                nonZero[c].assign(blocks, 0);
            }
        }
        catch (const std::bad_alloc&)
        {
            return false;
        }
        return true;
    }

    size_t Index(int component, int row, int column) const
    {
        return static_cast<size_t>(row) * gridAcross[component] + column;
    }
    int16_t* Coefficients(int component, size_t index)
    {
        return coefficients[component].data() + index * COEFFICIENTS;
    }
};

CCoefficientGrid gGrid;
}  // namespace

// [SECTION] bits and symbols
namespace
{
// The reader's data stop anywhere in a progressive scan, and blocks inside an end-of-band run
// take no bits at all, so every refill here is the checked one.
inline uint32_t ReadBit(CJpegBitReader& r)
{
    if (r.bitCount < 1)
    {
        Refill<true>(r);
    }
    uint32_t bit = static_cast<uint32_t>(r.bitBuffer >> 63);
    ConsumeBits(r, 1);
    return bit;
}

// n bits (1 to 32), most significant first; the buffer holds them after a refill.
inline uint32_t ReadBits(CJpegBitReader& r, int count)
{
    uint32_t value = static_cast<uint32_t>(r.bitBuffer >> (64 - count));
    ConsumeBits(r, count);
    return value;
}

// value << shift without the undefined behaviour of shifting a negative number, stored the way
// the coefficient grid holds it (sixteen bits, wrapping on corrupt data).
inline int16_t Scaled(int value, int shift)
{
    return static_cast<int16_t>(static_cast<uint32_t>(value) << shift);
}
}  // namespace

// [SECTION] the four kinds of block
namespace
{
// What every block of a scan needs besides its coefficients.
struct CScanContext
{
    // Per frame component: the DC table in a DC first scan, the AC table in AC scans.
    const CJpegHuffmanTable* tables[CJpegDecoder::MAX_COMPONENTS];
    int* dcPredictors;
    int component;  // of the block being decoded
    int start;      // spectral band, zigzag positions
    int end;
    int shift;        // successive approximation: the bit position this scan codes
    uint32_t eobRun;  // blocks left in the current end-of-band run
};

// DC first scan: the difference from the predictor, as in a sequential scan, scaled up.
inline void DecodeDcFirst(CJpegBitReader& r, CScanContext& scan, int16_t* block, uint64_t&)
{
    Refill<true>(r);
    int difference = DecodeDcDifference(r, *scan.tables[scan.component]);
    // Wraps rather than overflows on files whose differences never return toward zero.
    int& predictor = scan.dcPredictors[scan.component];
    int dc = static_cast<int>(static_cast<uint32_t>(predictor) + static_cast<uint32_t>(difference));
    predictor = dc;
    block[0] = Scaled(dc, scan.shift);
}

// DC refinement: one more bit of the DC term.
inline void DecodeDcRefine(CJpegBitReader& r, CScanContext& scan, int16_t* block, uint64_t&)
{
    if (ReadBit(r) != 0)
    {
        block[0] = static_cast<int16_t>(block[0] | (1 << scan.shift));
    }
}

// AC first scan: runs of zeros and values within the band, or the start of an end-of-band run
// that also covers the blocks after this one.
__attribute__((always_inline)) inline void DecodeAcFirst(CJpegBitReader& r, CScanContext& scan,
                                                         int16_t* block, uint64_t& nonZero)
{
    if (scan.eobRun > 0)
    {
        --scan.eobRun;
        return;
    }
    const CJpegHuffmanTable& table = *scan.tables[scan.component];
    for (int k = scan.start; k <= scan.end;)
    {
        Refill<true>(r);
        int32_t fast = table.fastValue[r.bitBuffer >> (64 - CJpegHuffmanTable::LOOKUP_BITS)];
        int value = fast >> 16;
        if (value != 0)
        {
            // A run and a value with its extra bits, in one look-up.
            k += (fast >> 8) & 15;
            ConsumeBits(r, fast & 0xFF);
        }
        else
        {
            int codeLength = 0;
            int symbol = table.Find(PeekBits16(r), codeLength);
            ConsumeBits(r, codeLength);
            int run = symbol >> 4;
            int size = symbol & 15;
            if (size == 0)
            {
                if (run == 15)
                {
                    k += 16;  // sixteen zeros
                    continue;
                }
                if (run < 15)
                {
                    scan.eobRun = (1u << run) - 1 + (run > 0 ? ReadBits(r, run) : 0);
                }
                return;  // an end-of-band run, or a code that matched nothing
            }
            k += run;
            value = ReceiveExtend(r, size);
        }
        if (k > scan.end)
        {
            return;  // a run past the band stores nothing
        }
        block[NATURAL_ORDER[k]] = Scaled(value, scan.shift);
        nonZero |= uint64_t(1) << k;
        ++k;
    }
}

// The zigzag positions from first to last (at most 63) as bits; none when first is past last.
inline uint64_t Band(int first, int last)
{
    if (first > last)
    {
        return 0;
    }
    uint64_t upToLast = last >= 63 ? ~uint64_t(0) : (uint64_t(2) << last) - 1;
    return upToLast & ~((uint64_t(1) << first) - 1);
}

// One correction bit for each coefficient at the positions given, which are non-zero already: a
// set bit makes its magnitude grow by the bit this scan codes (unless it has that bit). The bits
// are taken from the buffer up to 32 at a time, and, as good as random, are applied without a
// branch on them.
inline void RefineNonZero(CJpegBitReader& r, int16_t* block, uint64_t positions, int bit)
{
    const int MAX_BATCH = 32;
    while (positions != 0)
    {
        if (r.bitCount < MAX_BATCH)
        {
            Refill<true>(r);
        }
        const uint64_t bits = r.bitBuffer;
        int used = 0;
        for (; positions != 0 && used < MAX_BATCH; ++used)
        {
            int16_t& coefficient = block[NATURAL_ORDER[__builtin_ctzll(positions)]];
            positions &= positions - 1;
            int value = coefficient;
            int grow = -static_cast<int>(((bits >> (63 - used)) & 1) & ((value & bit) == 0));
            int sign = value >> 31;
            coefficient = static_cast<int16_t>(value + (((bit ^ sign) - sign) & grow));
        }
        ConsumeBits(r, used);
    }
}

// AC refinement: newly non-zero coefficients (of magnitude one at this bit) after runs of zeros
// that skip the non-zero ones, each of which takes a correction bit; inside an end-of-band run
// only the correction bits. nonZero marks the block's non-zero AC coefficients by zigzag
// position, so that runs and correction bits go straight to the coefficients they concern.
__attribute__((always_inline)) inline void DecodeAcRefine(CJpegBitReader& r, CScanContext& scan,
                                                          int16_t* block, uint64_t& nonZero)
{
    const int bit = 1 << scan.shift;
    int k = scan.start;
    if (scan.eobRun == 0)
    {
        while (k <= scan.end)
        {
            const CJpegHuffmanTable& table = *scan.tables[scan.component];
            Refill<true>(r);
            int32_t fast = table.fastValue[r.bitBuffer >> (64 - CJpegHuffmanTable::LOOKUP_BITS)];
            int value = fast >> 16;
            int run = 0;
            if (value == 1 || value == -1)
            {
                // A run and a newly non-zero coefficient with its sign bit, in one look-up.
                ConsumeBits(r, fast & 0xFF);
                run = (fast >> 8) & 15;
                value = value > 0 ? bit : -bit;
            }
            else
            {
                int codeLength = 0;
                int symbol = table.Find(PeekBits16(r), codeLength);
                ConsumeBits(r, codeLength);
                if (symbol > 0xFF)
                {
                    return;  // a code that matched nothing ends the block
                }
                run = symbol >> 4;
                if ((symbol & 15) != 0)
                {
                    // Only size 1 is valid; other sizes are read as it, as libjpeg does.
                    value = ReadBit(r) != 0 ? bit : -bit;
                }
                else if (run < 15)
                {
                    scan.eobRun = (1u << run) + (run > 0 ? ReadBits(r, run) : 0);
                    break;
                }
                else
                {
                    value = 0;  // sixteen zeros
                }
            }
            // The value (or, for sixteen zeros, nothing) lands on the zero after run zeros; the
            // non-zero coefficients on the way take their correction bits.
            uint64_t zeros = ~nonZero & Band(k, scan.end);
            for (int skipped = 0; skipped < run; ++skipped)
            {
                zeros &= zeros - 1;
            }
            int target = zeros != 0 ? __builtin_ctzll(zeros) : scan.end + 1;
            RefineNonZero(r, block, nonZero & Band(k, target - 1), bit);
            if (value != 0 && zeros != 0)
            {
                block[NATURAL_ORDER[target]] = static_cast<int16_t>(value);
                nonZero |= uint64_t(1) << target;
            }
            k = target + 1;
        }
    }
    if (scan.eobRun > 0)
    {
        RefineNonZero(r, block, nonZero & Band(k, scan.end), bit);
        --scan.eobRun;
    }
}
}  // namespace

// [SECTION] scans
namespace
{
typedef void BlockDecoder(CJpegBitReader&, CScanContext&, int16_t*, uint64_t&);

template <BlockDecoder* Decode> struct CBlockKind
{
    __attribute__((always_inline)) void operator()(CJpegBitReader& r, CScanContext& scan,
                                                   int16_t* block, uint64_t& nonZero) const
    {
        Decode(r, scan, block, nonZero);
    }
};

// Restart intervals: at each one the DC predictors and the end-of-band run start again.
struct CRestarts
{
    int interval;
    int untilRestart;

    void Next(CJpegDecoder& d, CJpegBitReader& r, CScanContext& scan, uint8_t* buffer)
    {
        if (interval == 0)
        {
            return;
        }
        if (untilRestart == 0)
        {
            bool restartMarker = false;
            r = NextInterval(r, buffer, restartMarker);
            if (restartMarker)
            {
                memset(d.dcPredictors, 0, sizeof d.dcPredictors);
            }
            scan.eobRun = 0;
            untilRestart = interval;
        }
        --untilRestart;
    }
};

// True when the MCU just decoded needed bits beyond the scan's data (and not because an interval
// was cut short at its restart marker).
inline bool RanOut(const CJpegDecoder& d, const CJpegBitReader& r)
{
    return ReadPastSegment(r) &&
           !(d.restartInterval > 0 && StoppedAtRestartMarker(r.dataPosition, r.dataEnd));
}

// Decodes every MCU of the current scan with decodeBlock; false when the data stop short.
template <typename DecodeBlockFn>
bool DecodeScanBlocks(CJpegDecoder& d, CCoefficientGrid& grid, uint8_t* buffer, CScanContext& scan,
                      DecodeBlockFn decodeBlock)
{
    CJpegBitReader r = BeginSegment(d.bitReader, buffer);
    CRestarts restarts = {d.restartInterval, d.restartInterval};
    if (d.scanComponentCount == 1)
    {
        // One component: an MCU is one block, and only blocks inside the picture are coded.
        const int c = d.scanOrder[0];
        scan.component = c;
        for (int row = 0; row < grid.usedDown[c]; ++row)
        {
            for (int column = 0; column < grid.usedAcross[c]; ++column)
            {
                restarts.Next(d, r, scan, buffer);
                size_t index = grid.Index(c, row, column);
                decodeBlock(r, scan, grid.Coefficients(c, index), grid.nonZero[c][index]);
                if (RanOut(d, r))
                {
                    return false;
                }
            }
        }
    }
    else
    {
        const int mcusAcross = (d.width + d.mcuWidth - 1) / d.mcuWidth;
        const int mcusDown = (d.height + d.mcuHeight - 1) / d.mcuHeight;
        for (int mcuRow = 0; mcuRow < mcusDown; ++mcuRow)
        {
            for (int mcuColumn = 0; mcuColumn < mcusAcross; ++mcuColumn)
            {
                restarts.Next(d, r, scan, buffer);
                for (int i = 0; i < d.scanComponentCount; ++i)
                {
                    const int c = d.scanOrder[i];
                    scan.component = c;
                    for (int by = 0; by < d.blocksHigh[c]; ++by)
                    {
                        for (int bx = 0; bx < d.blocksWide[c]; ++bx)
                        {
                            size_t index = grid.Index(c, mcuRow * d.blocksHigh[c] + by,
                                                      mcuColumn * d.blocksWide[c] + bx);
                            decodeBlock(r, scan, grid.Coefficients(c, index),
                                        grid.nonZero[c][index]);
                        }
                    }
                }
                if (RanOut(d, r))
                {
                    return false;
                }
            }
        }
    }
    d.bitReader = r;
    return true;
}

bool DecodeScan(CJpegDecoder& d, CCoefficientGrid& grid, uint8_t* buffer)
{
    CScanContext scan = {};
    scan.dcPredictors = d.dcPredictors;
    scan.start = d.spectralStart;
    scan.end = d.spectralEnd;
    scan.shift = d.approximationLow;
    memset(d.dcPredictors, 0, sizeof d.dcPredictors);
    bool dcBand = d.spectralStart == 0;
    for (int c = 0; c < d.componentCount; ++c)
    {
        const CJpegComponent& component = d.components[c];
        scan.tables[c] = dcBand ? &d.dcTables[component.dcTable] : &d.acTables[component.acTable];
    }
    // Each kind of block goes in as a type of its own, so that it is inlined into its scan loop
    // and the bit reader stays in registers.
    if (d.approximationHigh != 0)
    {
        return dcBand ? DecodeScanBlocks(d, grid, buffer, scan, CBlockKind<DecodeDcRefine>())
                      : DecodeScanBlocks(d, grid, buffer, scan, CBlockKind<DecodeAcRefine>());
    }
    return dcBand ? DecodeScanBlocks(d, grid, buffer, scan, CBlockKind<DecodeDcFirst>())
                  : DecodeScanBlocks(d, grid, buffer, scan, CBlockKind<DecodeAcFirst>());
}

// Where the segments after a scan begin: the first marker after its data, restart markers passed.
size_t NextSegmentOffset(const CJpegDecoder& d, const uint8_t* data, size_t size)
{
    const uint8_t* end = data + size;
    const uint8_t* marker = FindMarker(d.bitReader.dataPosition, end);
    while (marker != end && IsRestartMarker(marker[1]))
    {
        marker = FindMarker(marker + 2, end);
    }
    return static_cast<size_t>(marker - data);
}
}  // namespace

// [SECTION] output
namespace
{
// Widens a block's coefficients for the transform; true when any AC coefficient is non-zero.
inline bool WidenBlock(const int16_t* block, int32_t* out)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i withoutDc = _mm_set_epi16(-1, -1, -1, -1, -1, -1, -1, 0);
    __m128i any = zero;
    for (int i = 0; i < COEFFICIENTS; i += 8)
    {
        __m128i values = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + i));
        any = _mm_or_si128(any, i == 0 ? _mm_and_si128(values, withoutDc) : values);
        _mm_store_si128(reinterpret_cast<__m128i*>(out + i),
                        _mm_srai_epi32(_mm_unpacklo_epi16(values, values), 16));
        _mm_store_si128(reinterpret_cast<__m128i*>(out + i + 4),
                        _mm_srai_epi32(_mm_unpackhi_epi16(values, values), 16));
    }
    return _mm_movemask_epi8(_mm_cmpeq_epi16(any, zero)) != 0xFFFF;
}

// Transforms the blocks of every MCU row into the planes and converts the rows to RGBA.
void WritePixels(CJpegDecoder& d, CCoefficientGrid& grid, CJpegPlanes& planes, uint8_t* output)
{
    const int mcusAcross = (d.width + d.mcuWidth - 1) / d.mcuWidth;
    const int mcusDown = (d.height + d.mcuHeight - 1) / d.mcuHeight;
    planes.Prepare(d, mcusAcross);
    alignas(16) int32_t coefficients[COEFFICIENTS];
    for (int mcuRow = 0; mcuRow < mcusDown; ++mcuRow)
    {
        for (int c = 0; c < d.componentCount; ++c)
        {
            const float* quant = d.scaledQuant[c];
            const int stride = planes.Stride(c);
            for (int by = 0; by < d.blocksHigh[c]; ++by)
            {
                int16_t* block =
                    grid.Coefficients(c, grid.Index(c, mcuRow * d.blocksHigh[c] + by, 0));
                uint8_t* out = planes.Plane(c) + by * BLOCK_SIZE * stride;
                for (int bx = 0; bx < grid.gridAcross[c]; ++bx, block += COEFFICIENTS)
                {
                    uint8_t* target = out + bx * BLOCK_SIZE;
                    if (!WidenBlock(block, coefficients))
                    {
                        CJpegIdct::TransformDcOnly(static_cast<float>(block[0]) * quant[0], target,
                                                   stride);
                    }
                    else if (d.useAvx2)
                    {
                        CJpegIdct::TransformAvx2(coefficients, quant, target, stride);
                    }
                    else
                    {
                        CJpegIdct::Transform(coefficients, quant, target, stride);
                    }
                }
            }
        }
        int firstRow = mcuRow * d.mcuHeight;
        int rows = d.height - firstRow < d.mcuHeight ? d.height - firstRow : d.mcuHeight;
        planes.ConvertRows(d, output, firstRow, rows);
    }
}
}  // namespace

bool CJpegProgressive::Decode(CJpegDecoder& d, const uint8_t* data, size_t size,
                              CJpegPlanes& planes, std::vector<uint8_t>& entropyBytes,
                              uint8_t* output)
{
    const int mcusAcross = (d.width + d.mcuWidth - 1) / d.mcuWidth;
    const int mcusDown = (d.height + d.mcuHeight - 1) / d.mcuHeight;
    CCoefficientGrid& grid = gGrid;
    if (!grid.Prepare(d, mcusAcross, mcusDown))
    {
        return false;
    }
    // Every later scan lies within the bytes after the first; 16 more let the copy run in whole
    // groups.
    size_t scanBytes = static_cast<size_t>(d.bitReader.dataEnd - d.bitReader.dataPosition);
    if (entropyBytes.size() < scanBytes + 16)
    {
        entropyBytes.resize(scanBytes + 16);
    }
    // Each component takes the quantisation table its first scan finds, even if a later
    // segment redefines that table.
    bool quantSet[CJpegDecoder::MAX_COMPONENTS] = {};
    for (;;)
    {
        for (int i = 0; i < d.scanComponentCount; ++i)
        {
            int c = d.scanOrder[i];
            if (!quantSet[c])
            {
                PrepareJpegQuantisation(d, c);
                quantSet[c] = true;
            }
        }
        if (!DecodeScan(d, grid, entropyBytes.data()))
        {
            return false;
        }
        JpegSegmentsEnd next = ReadJpegSegments(d, data, size, NextSegmentOffset(d, data, size));
        if (next == JpegSegmentsEnd::EndOfImage)
        {
            break;
        }
        if (next == JpegSegmentsEnd::Failure)
        {
            return false;
        }
    }
    for (int c = 0; c < d.componentCount; ++c)
    {
        if (!quantSet[c])
        {
            PrepareJpegQuantisation(d, c);
        }
    }
    d.useAvx2 = CJpegColour::HasAvx2();
    WritePixels(d, grid, planes, output);
    return true;
}
