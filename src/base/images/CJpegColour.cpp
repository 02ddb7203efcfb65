// SSE2 and AVX2 forms of the YCbCr to RGBA row conversion, and the choice between them.
#include "images/CJpegColour.h"

#include <immintrin.h>

namespace
{
const float RED_TO_R = 1.402f;
const float BLUE_TO_G = 0.34414f;
const float RED_TO_G = 0.71414f;
const float BLUE_TO_B = 1.772f;

// Eight chroma samples for pixels x to x + 7 of a row at full or half horizontal resolution.
inline __m128i LoadChroma(const uint8_t* row, int x, int chromaStep)
{
    if (chromaStep == 1)
    {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x));
    }
    int four;
    __builtin_memcpy(&four, row + x / 2, sizeof four);
    __m128i samples = _mm_cvtsi32_si128(four);
    return _mm_unpacklo_epi8(samples, samples);
}

// Writes eight RGBA pixels from R, G, B as eight signed 16-bit values each (saturated to bytes).
inline void StorePixels(__m128i r, __m128i g, __m128i b, uint8_t* out)
{
    const __m128i opaque = _mm_set1_epi8(static_cast<char>(0xFF));
    __m128i redGreen = _mm_unpacklo_epi8(_mm_packus_epi16(r, r), _mm_packus_epi16(g, g));
    __m128i blueAlpha = _mm_unpacklo_epi8(_mm_packus_epi16(b, b), opaque);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(redGreen, blueAlpha));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi16(redGreen, blueAlpha));
}

inline __m128 LowFloats(__m128i words)
{
    return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(words, words), 16));
}

inline __m128 HighFloats(__m128i words)
{
    return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(words, words), 16));
}

inline __m128i TruncateToWords(__m128 low, __m128 high)
{
    return _mm_packs_epi32(_mm_cvttps_epi32(low), _mm_cvttps_epi32(high));
}

void ConvertTail(const uint8_t* luma, const uint8_t* blue, const uint8_t* red, int chromaStep,
                 uint8_t* out, int x, int width)
{
    for (; x < width; ++x)
    {
        int chroma = x / chromaStep;
        CJpegColour::ConvertPixel(luma[x], blue[chroma], red[chroma], out + 4 * x);
    }
}

bool DetectAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
}  // namespace

void CJpegColour::ConvertRowSse2(const uint8_t* luma, const uint8_t* blue, const uint8_t* red,
                                 int chromaStep, uint8_t* out, int width)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i centre = _mm_set1_epi16(128);
    const __m128 redToR = _mm_set1_ps(RED_TO_R);
    const __m128 blueToG = _mm_set1_ps(BLUE_TO_G);
    const __m128 redToG = _mm_set1_ps(RED_TO_G);
    const __m128 blueToB = _mm_set1_ps(BLUE_TO_B);
    int x = 0;
    for (; x + 8 <= width; x += 8)
    {
        __m128i y16 =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(luma + x)), zero);
        __m128i cb16 =
            _mm_sub_epi16(_mm_unpacklo_epi8(LoadChroma(blue, x, chromaStep), zero), centre);
        __m128i cr16 =
            _mm_sub_epi16(_mm_unpacklo_epi8(LoadChroma(red, x, chromaStep), zero), centre);
        __m128 yLow = LowFloats(y16), yHigh = HighFloats(y16);
        __m128 cbLow = LowFloats(cb16), cbHigh = HighFloats(cb16);
        __m128 crLow = LowFloats(cr16), crHigh = HighFloats(cr16);
        __m128i r = TruncateToWords(_mm_add_ps(yLow, _mm_mul_ps(redToR, crLow)),
                                    _mm_add_ps(yHigh, _mm_mul_ps(redToR, crHigh)));
        __m128i g = TruncateToWords(
            _mm_sub_ps(_mm_sub_ps(yLow, _mm_mul_ps(blueToG, cbLow)), _mm_mul_ps(redToG, crLow)),
            _mm_sub_ps(_mm_sub_ps(yHigh, _mm_mul_ps(blueToG, cbHigh)), _mm_mul_ps(redToG, crHigh)));
        __m128i b = TruncateToWords(_mm_add_ps(yLow, _mm_mul_ps(blueToB, cbLow)),
                                    _mm_add_ps(yHigh, _mm_mul_ps(blueToB, cbHigh)));
        StorePixels(r, g, b, out + 4 * x);
    }
    ConvertTail(luma, blue, red, chromaStep, out, x, width);
}

// Sixteen chroma samples for pixels x to x + 15, as two groups of eight widened to 32 bits and
// centred on zero.
__attribute__((target("avx2"))) inline void LoadChroma16(const uint8_t* row, int x, int chromaStep,
                                                         __m256i& first, __m256i& second)
{
    const __m256i centre = _mm256_set1_epi32(128);
    __m128i samples;
    if (chromaStep == 1)
    {
        samples = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
    }
    else
    {
        __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x / 2));
        samples = _mm_unpacklo_epi8(eight, eight);
    }
    first = _mm256_sub_epi32(_mm256_cvtepu8_epi32(samples), centre);
    second = _mm256_sub_epi32(_mm256_cvtepu8_epi32(_mm_srli_si128(samples, 8)), centre);
}

// Sixteen RGBA pixels from R, G, B as two groups of eight 32-bit values each (saturated to bytes).
// The 256-bit packs work within 128-bit lanes, so each lane ends up holding four pixels of each
// group; the final unpacks put them back in order.
__attribute__((target("avx2"))) inline void
StorePixels16(__m256i r0, __m256i r1, __m256i g0, __m256i g1, __m256i b0, __m256i b1, uint8_t* out)
{
    const __m256i opaque = _mm256_set1_epi16(0xFF);
    __m256i redGreen = _mm256_packus_epi16(_mm256_packs_epi32(r0, r1), _mm256_packs_epi32(g0, g1));
    __m256i blueAlpha = _mm256_packus_epi16(_mm256_packs_epi32(b0, b1), opaque);
    // Per lane: bytes 0-7 red (or blue), 8-15 green (or alpha); pair them up.
    __m256i rg = _mm256_unpacklo_epi8(redGreen, _mm256_srli_si256(redGreen, 8));
    __m256i ba = _mm256_unpacklo_epi8(blueAlpha, _mm256_srli_si256(blueAlpha, 8));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_unpacklo_epi16(rg, ba));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32), _mm256_unpackhi_epi16(rg, ba));
}

// The four chroma products of each pixel (or chroma sample): red's share of R, blue's and red's
// shares of G, blue's share of B.
__attribute__((target("avx2"))) inline void ChromaProducts(__m256 cb, __m256 cr, __m256 products[4])
{
    products[0] = _mm256_mul_ps(_mm256_set1_ps(RED_TO_R), cr);
    products[1] = _mm256_mul_ps(_mm256_set1_ps(BLUE_TO_G), cb);
    products[2] = _mm256_mul_ps(_mm256_set1_ps(RED_TO_G), cr);
    products[3] = _mm256_mul_ps(_mm256_set1_ps(BLUE_TO_B), cb);
}

// R, G and B of eight pixels, truncated to integers, from luma and the pixels' chroma products.
__attribute__((target("avx2"))) inline void Combine(__m256 y, const __m256 products[4], __m256i& r,
                                                    __m256i& g, __m256i& b)
{
    r = _mm256_cvttps_epi32(_mm256_add_ps(y, products[0]));
    g = _mm256_cvttps_epi32(_mm256_sub_ps(_mm256_sub_ps(y, products[1]), products[2]));
    b = _mm256_cvttps_epi32(_mm256_add_ps(y, products[3]));
}

// Sixteen pixels from luma at row and the chroma products of pixels 0-7 (first) and 8-15 (second).
__attribute__((target("avx2"))) inline void
ConvertSixteen(const uint8_t* row, const __m256 first[4], const __m256 second[4], uint8_t* out)
{
    __m128i luma16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
    __m256 y0 = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(luma16));
    __m256 y1 = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_srli_si128(luma16, 8)));
    __m256i r0, g0, b0, r1, g1, b1;
    Combine(y0, first, r0, g0, b0);
    Combine(y1, second, r1, g1, b1);
    StorePixels16(r0, r1, g0, g1, b0, b1, out);
}

__attribute__((target("avx2"))) void CJpegColour::ConvertRowAvx2(const uint8_t* luma,
                                                                 const uint8_t* blue,
                                                                 const uint8_t* red, int chromaStep,
                                                                 uint8_t* out, int width)
{
    const __m256i centre = _mm256_set1_epi32(128);
    int x = 0;
    for (; x + 16 <= width; x += 16)
    {
        __m256i cbInt0, cbInt1, crInt0, crInt1;
        LoadChroma16(blue, x, chromaStep, cbInt0, cbInt1);
        LoadChroma16(red, x, chromaStep, crInt0, crInt1);
        __m256 first[4], second[4];
        ChromaProducts(_mm256_cvtepi32_ps(cbInt0), _mm256_cvtepi32_ps(crInt0), first);
        ChromaProducts(_mm256_cvtepi32_ps(cbInt1), _mm256_cvtepi32_ps(crInt1), second);
        ConvertSixteen(luma + x, first, second, out + 4 * x);
    }
    for (; x + 8 <= width; x += 8)
    {
        __m256 y = _mm256_cvtepi32_ps(
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(luma + x))));
        __m256 cb = _mm256_cvtepi32_ps(
            _mm256_sub_epi32(_mm256_cvtepu8_epi32(LoadChroma(blue, x, chromaStep)), centre));
        __m256 cr = _mm256_cvtepi32_ps(
            _mm256_sub_epi32(_mm256_cvtepu8_epi32(LoadChroma(red, x, chromaStep)), centre));
        __m256 products[4];
        ChromaProducts(cb, cr, products);
        __m256i r, g, b;
        Combine(y, products, r, g, b);
        StorePixels(_mm_packs_epi32(_mm256_castsi256_si128(r), _mm256_extracti128_si256(r, 1)),
                    _mm_packs_epi32(_mm256_castsi256_si128(g), _mm256_extracti128_si256(g, 1)),
                    _mm_packs_epi32(_mm256_castsi256_si128(b), _mm256_extracti128_si256(b, 1)),
                    out + 4 * x);
    }
    ConvertTail(luma, blue, red, chromaStep, out, x, width);
}

// Each chroma sample covers two pixels in each of the two rows, so its four products are worked
// out once and spread over the four pixels: the same products, so the same bytes.
__attribute__((target("avx2"))) void
CJpegColour::ConvertRowPairAvx2(const uint8_t* lumaTop, const uint8_t* lumaBottom,
                                const uint8_t* blue, const uint8_t* red, uint8_t* outTop,
                                uint8_t* outBottom, int width)
{
    const __m256i centre = _mm256_set1_epi32(128);
    const __m256i firstHalf = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
    const __m256i secondHalf = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
    int x = 0;
    for (; x + 16 <= width; x += 16)
    {
        __m256i cb =
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(blue + x / 2)));
        __m256i cr =
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(red + x / 2)));
        __m256 products[4];
        ChromaProducts(_mm256_cvtepi32_ps(_mm256_sub_epi32(cb, centre)),
                       _mm256_cvtepi32_ps(_mm256_sub_epi32(cr, centre)), products);
        __m256 first[4], second[4];  // per pixel of x to x + 7, then x + 8 to x + 15
        for (int i = 0; i < 4; ++i)
        {
            first[i] = _mm256_permutevar8x32_ps(products[i], firstHalf);
            second[i] = _mm256_permutevar8x32_ps(products[i], secondHalf);
        }
        ConvertSixteen(lumaTop + x, first, second, outTop + 4 * x);
        ConvertSixteen(lumaBottom + x, first, second, outBottom + 4 * x);
    }
    if (x < width)
    {
        ConvertRowAvx2(lumaTop + x, blue + x / 2, red + x / 2, 2, outTop + 4 * x, width - x);
        ConvertRowAvx2(lumaBottom + x, blue + x / 2, red + x / 2, 2, outBottom + 4 * x, width - x);
    }
}

bool CJpegColour::HasAvx2()
{
    static const bool hasAvx2 = DetectAvx2();
    return hasAvx2;
}

void CJpegColour::ConvertRow(const uint8_t* luma, const uint8_t* blue, const uint8_t* red,
                             int chromaStep, uint8_t* out, int width)
{
    if (HasAvx2())
    {
        ConvertRowAvx2(luma, blue, red, chromaStep, out, width);
    }
    else
    {
        ConvertRowSse2(luma, blue, red, chromaStep, out, width);
    }
}
