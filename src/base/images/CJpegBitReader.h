/// \file
/// The reader of entropy-coded JPEG data shared by the sequential and progressive scans: each
/// restart interval is copied with its stuffed bytes removed, so that the bit buffer refills eight
/// bytes at a time without a branch; bits are taken from the top of the buffer.
#ifndef KYREL_CJPEGBITREADER_H
#define KYREL_CJPEGBITREADER_H

#include "images/CJpegHuffmanTable.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

/// Entropy-coded data reader. Each restart interval's bytes are copied with the stuffing removed
/// into segment, so the bit buffer refills eight bytes at a time; bits are taken from its top.
struct CJpegBitReader
{
    /// In the file: the data not yet copied, or the marker (or file end) that ends them.
    const uint8_t* dataPosition;
    const uint8_t* dataEnd;  ///< end of the file's data
    const uint8_t* segment;  ///< the current interval's bytes, stuffing removed
    size_t segmentSize;      ///< bytes in segment
    size_t position;     ///< next segment byte for the buffer; zero bits stand beyond segmentSize
    uint64_t bitBuffer;  ///< the next bits, most significant first
    int bitCount;        ///< valid bits at the top of bitBuffer
};

/// Starts the interval whose data begin at r.dataPosition: its bytes, stuffing removed, go into
/// buffer, and r.dataPosition moves to the marker (or file end) that closes it. The reader goes by
/// value here and in the other calls made once an interval, so that the scan keeps it in registers.
/// buffer has room for dataEnd - dataPosition + 16 bytes.
CJpegBitReader BeginSegment(CJpegBitReader r, uint8_t* buffer);

/// At the end of each restart interval: the rest of the current byte is dropped, bytes up to the
/// next marker are passed over, and after a restart marker the next interval begins (restartMarker
/// set: the caller resets what the marker resets). Any other marker ends the data: the intervals
/// after it decode from zero bits.
CJpegBitReader NextInterval(CJpegBitReader r, uint8_t* buffer, bool& restartMarker);

/// Data that ran out at a restart marker belong to a damaged interval: its remaining MCUs decode
/// from zero bits and decoding picks up again after the marker. Data that ran out anywhere else
/// mean the file is cut short. Takes the reader's file positions only: a reader whose address
/// went to a call in another file would have to live in memory through the whole scan.
bool StoppedAtRestartMarker(const uint8_t* dataPosition, const uint8_t* dataEnd);

/// The first marker at or after position (fill bytes included), or end when there is none.
const uint8_t* FindMarker(const uint8_t* position, const uint8_t* end);

/// The next eight bytes of the segment, big-endian. With Checked, bytes past the segment's end read
/// as zero; without, the caller has made sure that eight bytes remain.
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

/// Tops the bit buffer up to 56-63 bits without a branch: the buffer always ends on a byte of the
/// segment, so the next eight bytes slot in right below the bits it holds.
template <bool Checked> inline void Refill(CJpegBitReader& r)
{
    r.bitBuffer |= LoadBytes<Checked>(r) >> r.bitCount;
    r.position += (63u - static_cast<uint32_t>(r.bitCount)) >> 3;
    r.bitCount |= 56;
}

/// True when the bits taken so far reach past the segment's data into the zero bits after it.
inline bool ReadPastSegment(const CJpegBitReader& r)
{
    return r.position * 8 - static_cast<size_t>(r.bitCount) > r.segmentSize * 8;
}

/// The next 16 bits, without taking them; the buffer has been refilled.
inline uint32_t PeekBits16(const CJpegBitReader& r)
{
    return static_cast<uint32_t>(r.bitBuffer >> 48);
}

/// Takes count bits off the top of the buffer.
inline void ConsumeBits(CJpegBitReader& r, int count)
{
    r.bitBuffer <<= count;
    r.bitCount -= count;
}

/// n bits, most significant first, as a signed coefficient value.
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

/// A DC difference: its category's code and extra bits, most often in one look-up. The buffer has
/// been refilled.
inline int DecodeDcDifference(CJpegBitReader& r, const CJpegHuffmanTable& table)
{
    int32_t fast = table.fastValue[PeekBits16(r) >> (16 - CJpegHuffmanTable::LOOKUP_BITS)];
    if (fast != 0)
    {
        ConsumeBits(r, fast & 0xFF);
        return fast >> 16;
    }
    int codeLength = 0;
    int symbol = table.Find(PeekBits16(r), codeLength);
    ConsumeBits(r, codeLength);
    return ReceiveExtend(r, symbol & 15);
}

#endif
