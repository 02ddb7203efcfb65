/// \file
/// Row converters shared by the BMP, PCX and TGA readers: file pixel layouts to tightly packed R, G,
/// B (, A).
/// Each has a plain loop and, where the processor offers SSSE3 (or AVX2), byte-shuffle versions
/// giving the same bytes; every call says which it may run.
#ifndef KYREL_PIXELCONVERT_H
#define KYREL_PIXELCONVERT_H

#include <cstddef>
#include <cstdint>

/// The image readers' row converters.
namespace PixelConvert
{
/// Which converters a call runs: the shuffle versions where the processor has them (what the
/// readers use unless told otherwise), or the plain loops alone, so that output can be compared
/// with theirs.
enum class ConvertPath
{
    Shuffles,   ///< shuffle versions where the processor has them
    PlainLoops  ///< the plain loops alone
};

/// B, G, R per pixel to R, G, B; source and destination may be the same buffer.
void BgrToRgb(const uint8_t* source, uint8_t* destination, size_t pixelCount, ConvertPath path);
/// B, G, R, A per pixel to R, G, B, A; source and destination may be the same buffer.
void BgraToRgba(const uint8_t* source, uint8_t* destination, size_t pixelCount, ConvertPath path);
/// B, G, R, unused per pixel to R, G, B.
void BgrxToRgb(const uint8_t* source, uint8_t* destination, size_t pixelCount, ConvertPath path);
/// Three separate planes of red, green and blue bytes to R, G, B per pixel.
void PlanesToRgb(const uint8_t* red, const uint8_t* green, const uint8_t* blue,
                 uint8_t* destination, size_t pixelCount, ConvertPath path);
/// Palette indices (one byte each) to the R, G, B of a 256-entry palette of 3-byte entries.
void IndicesToRgb(const uint8_t* indices, const uint8_t palette[256 * 3], uint8_t* destination,
                  size_t pixelCount);
}  // namespace PixelConvert

#endif
