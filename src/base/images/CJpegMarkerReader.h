// Reads the segments of a JPEG file that stand before its scans (frame header, Huffman and
// quantisation tables, restart interval, scan header) into the decoder's state block, and sets up
// what the frame's scans share.
#ifndef KYREL_CJPEGMARKERREADER_H
#define KYREL_CJPEGMARKERREADER_H

#include <cstddef>
#include <cstdint>

// Internal to the library: a shared build does not export it.
#pragma GCC visibility push(hidden)

class CJpegDecoder;

// Marker codes (the byte after JPEG_MARKER_PREFIX).
enum JpegMarkerCode
{
    JPEG_MARKER_PREFIX = 0xFF,
    JPEG_START_OF_IMAGE = 0xD8,
    JPEG_END_OF_IMAGE = 0xD9,
    JPEG_BASELINE_FRAME = 0xC0,
    JPEG_PROGRESSIVE_FRAME = 0xC2,
    JPEG_HUFFMAN_TABLES = 0xC4,
    JPEG_ARITHMETIC_CONDITIONING = 0xCC,
    JPEG_FIRST_RESTART = 0xD0,
    JPEG_LAST_RESTART = 0xD7,
    JPEG_START_OF_SCAN = 0xDA,
    JPEG_QUANT_TABLES = 0xDB,
    JPEG_NUMBER_OF_LINES = 0xDC,
    JPEG_RESTART_INTERVAL = 0xDD,
    JPEG_FIRST_APPLICATION = 0xE0,
    JPEG_LAST_APPLICATION = 0xEF,
    JPEG_COMMENT = 0xFE,
    JPEG_FIRST_FRAME_MARKER = 0xC0,
    JPEG_LAST_FRAME_MARKER = 0xDD
};

inline bool IsRestartMarker(int code)
{
    return code >= JPEG_FIRST_RESTART && code <= JPEG_LAST_RESTART;
}

// How a run of segments ended.
enum class JpegSegmentsEnd
{
    Scan,        // a scan header was read; its entropy-coded data follow
    EndOfImage,  // the end-of-image marker
    Failure      // a segment the decoder refuses, or one cut short
};

// Reads segments from offset on (the file's start, or the marker after a scan's data) up to the
// next scan header or the end of the image. After Scan, d.bitReader stands at the scan's data.
JpegSegmentsEnd ReadJpegSegments(CJpegDecoder& d, const uint8_t* data, size_t size, size_t offset);

// Natural (row-major) index to zigzag index.
extern const int JPEG_ZIGZAG[64];

// Block layout of an MCU and the replication of each component; false for layouts a whole number
// of pixels per sample cannot express.
bool PrepareJpegGeometry(CJpegDecoder& d);

// Blocks across and down that hold samples of the picture, for a component; a scan of that
// component alone codes these, an interleaved scan whole MCUs. Valid after PrepareJpegGeometry.
int JpegBlocksAcross(const CJpegDecoder& d, int component);
int JpegBlocksDown(const CJpegDecoder& d, int component);

// Every block takes at least two bits (a DC code and an AC code) and every restart interval after
// the first begins with a two-byte marker, so a file too short for its declared size would fail
// anyway; it is refused before the output is allocated. A progressive file codes every block's DC
// term in a first scan, each with a code of at least one bit.
bool JpegDataCanCoverFrame(const CJpegDecoder& d);

// Dequantisation and the transform's scale factors folded into one factor per coefficient, for
// one component from the table it names now.
void PrepareJpegQuantisation(CJpegDecoder& d, int component);

#pragma GCC visibility pop

#endif
