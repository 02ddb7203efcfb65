// The samples of one MCU row of a JPEG picture, one plane per component, and their conversion into
// rows of RGBA pixels; sequential and progressive scans both fill them a row at a time.
#ifndef KYREL_CJPEGPLANES_H
#define KYREL_CJPEGPLANES_H

#include "images/CJpegDecoder.h"

#include <cstdint>
#include <vector>

// Internal to the library: a shared build does not export it.
#pragma GCC visibility push(hidden)

class CJpegPlanes
{
public:
    static const int BLOCK_SIZE = 8;

    // Sizes the planes for MCU rows of mcusAcross MCUs; buffers are kept from decode to decode.
    void Prepare(const CJpegDecoder& d, int mcusAcross);
    // Converts rowCount rows (from firstRow of the picture), held in the planes, into the RGBA
    // output of d.width pixels a row.
    void ConvertRows(const CJpegDecoder& d, uint8_t* output, int firstRow, int rowCount);

    uint8_t* Plane(int component) { return m_planes[component].data(); }
    int Stride(int component) const { return m_stride[component]; }

private:
    std::vector<uint8_t> m_planes[CJpegDecoder::MAX_COMPONENTS];    // one MCU row per component
    std::vector<uint8_t> m_wideRows[CJpegDecoder::MAX_COMPONENTS];  // one replicated pixel row
    int m_stride[CJpegDecoder::MAX_COMPONENTS] = {};
};

#pragma GCC visibility pop

#endif
