// Baseline JPEG decoding: Huffman-coded blocks of the one interleaved scan, transformed into the
// component planes a row of MCUs at a time, and the entry points. Markers and frame set-up live in
// CJpegMarkerReader, the entropy-coded data reader in CJpegBitReader, rows and colour in
// CJpegPlanes, progressive scans in CJpegProgressive.
//
// [SECTION] index: engine-wide state; blocks; scan; entry points.
#include "images/CJpegDecoder.h"

#include "io/CByteReader.h"
#include "io/Report.h"
#include "images/CJpegBitReader.h"
#include "images/CJpegColour.h"
#include "images/CJpegIdct.h"
#include "images/CJpegMarkerReader.h"
#include "images/CJpegPlanes.h"
#include "images/CJpegProgressive.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

// [SECTION] engine-wide state
namespace
{
const char* const MSG_NOT_VALID_JPEG = "%s is not a valid JPEG file!\n";
const char* const MSG_ARITHMETIC_CODING = "%s uses arithmetic coding, which is not supported!\n";
const char* const MSG_TWELVE_BIT = "%s has 12-bit samples, which are not supported!\n";

const char* RefusalMessage(JpegRefusal refusal)
{
    switch (refusal)
    {
    case JpegRefusal::ArithmeticCoding:
        return MSG_ARITHMETIC_CODING;
    case JpegRefusal::TwelveBitSamples:
        return MSG_TWELVE_BIT;
    case JpegRefusal::NotValid:
        break;
    }
    return MSG_NOT_VALID_JPEG;
}

const int BLOCK_SIZE = 8;
const size_t MAX_FILE_SIZE = size_t(1) << 30;

// Zigzag index to natural index.
struct CDezigzag
{
    uint8_t natural[64];
    CDezigzag()
    {
        for (int n = 0; n < 64; ++n)
        {
            natural[JPEG_ZIGZAG[n]] = static_cast<uint8_t>(n);
        }
    }
};
const CDezigzag DEZIGZAG;

// Buffers reused from decode to decode, so a decode allocates only its output.
struct CJpegScratch
{
    CJpegPlanes planes;
    std::vector<uint8_t> fileBytes;
    std::vector<uint8_t> entropyBytes;  // the current restart interval, stuffing removed
};

static_assert(std::is_trivially_copyable<CJpegDecoder>::value,
              "the state block is cleared bytewise");

CJpegDecoder gJpegDecoder;
CJpegScratch gJpegScratch;

// Bytes a block can take from the segment, and the look-ahead its last refill reads: a DC code with
// its extra bits and 63 AC codes with theirs, each at most 16 + 15 bits, plus a buffer's worth.
const size_t BLOCK_BYTES_LIMIT = (64 * 31 + 63) / 8 + 8;
}  // namespace

void CJpegDecoder::Reset()
{
    memset(static_cast<void*>(this), 0, sizeof *this);
}

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
    const CJpegHuffmanTable& acTable = *where.acTable;
    Refill<Checked>(r);
    difference = DecodeDcDifference(r, *where.dcTable);

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

// [SECTION] scan
namespace
{
// The blocks of an MCU in the order the scan codes them; returns their number.
int ListMcuBlocks(CJpegDecoder& d, CJpegPlanes& planes, CMcuBlock* blocks)
{
    int count = 0;
    for (int i = 0; i < d.componentCount; ++i)
    {
        int c = d.scanOrder[i];
        const CJpegComponent& component = d.components[c];
        int stride = planes.Stride(c);
        for (int by = 0; by < d.blocksHigh[c]; ++by)
        {
            for (int bx = 0; bx < d.blocksWide[c]; ++bx)
            {
                CMcuBlock& block = blocks[count++];
                block.dcTable = &d.dcTables[component.dcTable];
                block.acTable = &d.acTables[component.acTable];
                block.quant = d.scaledQuant[c];
                block.dcPredictor = &d.dcPredictors[c];
                block.origin = planes.Plane(c) + by * BLOCK_SIZE * stride + bx * BLOCK_SIZE;
                block.mcuStep = d.blocksWide[c] * BLOCK_SIZE;
                block.stride = stride;
            }
        }
    }
    return count;
}

bool DecodeScan(CJpegDecoder& d, CJpegScratch& scratch, uint8_t* output)
{
    int mcusAcross = (d.width + d.mcuWidth - 1) / d.mcuWidth;
    int mcusDown = (d.height + d.mcuHeight - 1) / d.mcuHeight;
    scratch.planes.Prepare(d, mcusAcross);
    d.useAvx2 = CJpegColour::HasAvx2();
    for (int c = 0; c < d.componentCount; ++c)
    {
        PrepareJpegQuantisation(d, c);
    }

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
    const int blocksPerMcu = ListMcuBlocks(d, scratch.planes, mcuBlocks);
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
                    bool restartMarker = false;
                    reader = NextInterval(reader, entropyBytes, restartMarker);
                    if (restartMarker)
                    {
                        memset(d.dcPredictors, 0, sizeof d.dcPredictors);
                    }
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
            if (ReadPastSegment(reader) &&
                !(d.restartInterval > 0 &&
                  StoppedAtRestartMarker(reader.dataPosition, reader.dataEnd)))
            {
                return false;  // the MCU needed bits beyond the end of the data
            }
        }
        int firstRow = mcuRow * d.mcuHeight;
        scratch.planes.ConvertRows(d, output, firstRow, std::min(d.mcuHeight, d.height - firstRow));
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
        if (code == JPEG_END_OF_IMAGE)
        {
            return true;
        }
        if (IsRestartMarker(code))
        {
            continue;
        }
        bool segment = (code >= JPEG_FIRST_APPLICATION && code <= JPEG_LAST_APPLICATION) ||
                       code == JPEG_COMMENT || code == JPEG_QUANT_TABLES ||
                       code == JPEG_HUFFMAN_TABLES || code == JPEG_RESTART_INTERVAL ||
                       code == JPEG_NUMBER_OF_LINES;
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
    if (!data || ReadJpegSegments(*this, data, size, 0) != JpegSegmentsEnd::Scan ||
        !PrepareJpegGeometry(*this))
    {
        return nullptr;
    }
    size_t outputSize = 0;
    if (width > MAX_DIMENSION || height > MAX_DIMENSION || !JpegDataCanCoverFrame(*this) ||
        !CheckedImageSize(width, height, 4, SIZE_MAX, outputSize))
    {
        return nullptr;
    }
    uint8_t* output = new (std::nothrow) uint8_t[outputSize];
    if (!output)
    {
        return nullptr;
    }
    bool decoded = progressive
                       ? CJpegProgressive::Decode(*this, data, size, gJpegScratch.planes,
                                                  gJpegScratch.entropyBytes, output)
                       : DecodeScan(*this, gJpegScratch, output) && ReachesEndOfImage(*this);
    if (!decoded)
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
        Report(ReportStream::Err, RefusalMessage(gJpegDecoder.refusal), name ? name : "");
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
