// Progressive JPEG scans: each scan adds a band of coefficients, or one more bit of them, to the
// coefficients kept for the whole picture; after the last scan they are transformed into pixels a
// row of MCUs at a time, as the sequential scan does.
#ifndef KYREL_CJPEGPROGRESSIVE_H
#define KYREL_CJPEGPROGRESSIVE_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Internal to the library: a shared build does not export it.
#pragma GCC visibility push(hidden)

class CJpegDecoder;
class CJpegPlanes;

class CJpegProgressive
{
public:
    // Decodes the scan whose header d holds and every scan after it up to the end of the image,
    // then writes d.width * d.height RGBA pixels to output. False when a scan header or table
    // is refused, the data of a scan stop short, or the end-of-image marker is missing.
    // entropyBytes is the scratch buffer for the stuffing-free copy of each restart interval.
    static bool Decode(CJpegDecoder& d, const uint8_t* data, size_t size, CJpegPlanes& planes,
                       std::vector<uint8_t>& entropyBytes, uint8_t* output);
};

#pragma GCC visibility pop

#endif
