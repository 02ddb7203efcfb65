// YCbCr to RGBA conversion of decoded JPEG rows, in single precision with truncation toward zero.
// The SIMD forms (SSE2 always, AVX2 where the processor has it) perform the same float operations
// in the same order as the one-pixel form, so all give identical bytes.
#ifndef KYREL_CJPEGCOLOUR_H
#define KYREL_CJPEGCOLOUR_H

#include <cstdint>

// Internal to the library: a shared build does not export it.
#pragma GCC visibility push(hidden)

class CJpegColour
{
public:
    // One pixel: R = Y + 1.402 (Cr - 128), G = Y - 0.34414 (Cb - 128) - 0.71414 (Cr - 128),
    // B = Y + 1.772 (Cb - 128), each truncated and clamped to 0..255; alpha 255.
    static void ConvertPixel(int y, int cb, int cr, uint8_t* rgba)
    {
        float luma = static_cast<float>(y);
        float blue = static_cast<float>(cb - 128);
        float red = static_cast<float>(cr - 128);
        rgba[0] = ClampToByte(static_cast<int>(luma + 1.402f * red));
        rgba[1] = ClampToByte(static_cast<int>(luma - 0.34414f * blue - 0.71414f * red));
        rgba[2] = ClampToByte(static_cast<int>(luma + 1.772f * blue));
        rgba[3] = 255;
    }

    // Converts one row of width pixels. chromaStep is 1 when the chroma rows hold one sample per
    // pixel and 2 when each sample covers two pixels across.
    static void ConvertRow(const uint8_t* luma, const uint8_t* blue, const uint8_t* red,
                           int chromaStep, uint8_t* out, int width);

    // The two SIMD forms, for the tests; ConvertRow picks the widest the processor runs.
    static void ConvertRowSse2(const uint8_t* luma, const uint8_t* blue, const uint8_t* red,
                               int chromaStep, uint8_t* out, int width);
    static void ConvertRowAvx2(const uint8_t* luma, const uint8_t* blue, const uint8_t* red,
                               int chromaStep, uint8_t* out, int width);
    // Two rows sharing one row of chroma at half horizontal resolution, with AVX2.
    static void ConvertRowPairAvx2(const uint8_t* lumaTop, const uint8_t* lumaBottom,
                                   const uint8_t* blue, const uint8_t* red, uint8_t* outTop,
                                   uint8_t* outBottom, int width);
    static bool HasAvx2();

private:
    static uint8_t ClampToByte(int value)
    {
        return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
    }
};

#pragma GCC visibility pop

#endif
