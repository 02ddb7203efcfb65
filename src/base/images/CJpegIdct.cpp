// The AVX2 form of the block transform: all eight columns (then all eight rows) of a block in one
// pass, with the same single-precision operations in the same order as the SSE2 and scalar forms.
//
// This whole file is compiled for AVX2 so that the shared 1-D pass is instantiated for eight lanes
// here; it uses nothing else from the header, so no inline function that other files share gets an
// AVX2 body. The decoder calls TransformAvx2 only when the processor has AVX2.
#include <cstdint>
#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC target("avx2")
#endif

#include "images/CJpegIdct.h"

namespace
{
struct CJpegFloat8
{
    __m256 v;
    CJpegFloat8() = default;
    explicit CJpegFloat8(float value) : v(_mm256_set1_ps(value)) {}
    explicit CJpegFloat8(__m256 value) : v(value) {}
};

inline CJpegFloat8 operator+(CJpegFloat8 a, CJpegFloat8 b)
{
    return CJpegFloat8(_mm256_add_ps(a.v, b.v));
}
inline CJpegFloat8 operator-(CJpegFloat8 a, CJpegFloat8 b)
{
    return CJpegFloat8(_mm256_sub_ps(a.v, b.v));
}
inline CJpegFloat8 operator*(CJpegFloat8 a, CJpegFloat8 b)
{
    return CJpegFloat8(_mm256_mul_ps(a.v, b.v));
}

// Rows in, columns out (and back): the usual unpack/shuffle/lane-swap 8 x 8 transpose.
inline void Transpose(CJpegFloat8 x[8])
{
    __m256 t0 = _mm256_unpacklo_ps(x[0].v, x[1].v);
    __m256 t1 = _mm256_unpackhi_ps(x[0].v, x[1].v);
    __m256 t2 = _mm256_unpacklo_ps(x[2].v, x[3].v);
    __m256 t3 = _mm256_unpackhi_ps(x[2].v, x[3].v);
    __m256 t4 = _mm256_unpacklo_ps(x[4].v, x[5].v);
    __m256 t5 = _mm256_unpackhi_ps(x[4].v, x[5].v);
    __m256 t6 = _mm256_unpacklo_ps(x[6].v, x[7].v);
    __m256 t7 = _mm256_unpackhi_ps(x[6].v, x[7].v);
    __m256 s0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
    __m256 s1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
    __m256 s2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
    __m256 s3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
    __m256 s4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
    __m256 s5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
    __m256 s6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
    __m256 s7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
    x[0].v = _mm256_permute2f128_ps(s0, s4, 0x20);
    x[1].v = _mm256_permute2f128_ps(s1, s5, 0x20);
    x[2].v = _mm256_permute2f128_ps(s2, s6, 0x20);
    x[3].v = _mm256_permute2f128_ps(s3, s7, 0x20);
    x[4].v = _mm256_permute2f128_ps(s0, s4, 0x31);
    x[5].v = _mm256_permute2f128_ps(s1, s5, 0x31);
    x[6].v = _mm256_permute2f128_ps(s2, s6, 0x31);
    x[7].v = _mm256_permute2f128_ps(s3, s7, 0x31);
}
}  // namespace

void CJpegIdct::TransformAvx2(const int32_t* coefficients, const float* scaledQuant, uint8_t* out,
                              int stride)
{
    CJpegFloat8 x[8];
    for (int u = 0; u < 8; ++u)
    {
        __m256i values = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(coefficients + 8 * u));
        x[u].v = _mm256_mul_ps(_mm256_cvtepi32_ps(values), _mm256_loadu_ps(scaledQuant + 8 * u));
    }
    Pass(x);  // lane j of vector u: row u, column j
    Transpose(x);
    Pass(x);  // lane j of vector v: row j, column v

    // Columns to samples, then an in-lane byte transpose back to rows: cheaper than transposing
    // the floats. Shifting and offsetting the saturated 16-bit values gives the same samples as
    // doing it on 32 bits, since everything below -32768 ends at 0 either way.
    const __m256 upper = _mm256_set1_ps(CONVERSION_LIMIT);
    __m256i words[4];
    for (int v = 0; v < 8; v += 2)
    {
        __m256i first = _mm256_cvttps_epi32(_mm256_min_ps(x[v].v, upper));
        __m256i second = _mm256_cvttps_epi32(_mm256_min_ps(x[v + 1].v, upper));
        // Per lane: column v then column v + 1, four rows each (rows 0-3, then rows 4-7).
        __m256i packed = _mm256_packs_epi32(first, second);
        words[v / 2] = _mm256_add_epi16(_mm256_srai_epi16(packed, 3), _mm256_set1_epi16(128));
    }
    // Per lane: columns 0-3 (or 4-7), four rows each; then rows of four columns.
    const __m256i byRow = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 0,
                                           4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
    __m256i left = _mm256_shuffle_epi8(_mm256_packus_epi16(words[0], words[1]), byRow);
    __m256i right = _mm256_shuffle_epi8(_mm256_packus_epi16(words[2], words[3]), byRow);
    // Whole rows: 0 and 1 (4 and 5 in the upper lane), then 2 and 3 (6 and 7).
    __m256i rowPairs[2] = {_mm256_unpacklo_epi32(left, right), _mm256_unpackhi_epi32(left, right)};
    for (int pair = 0; pair < 2; ++pair)
    {
        __m128i lower = _mm256_castsi256_si128(rowPairs[pair]);
        __m128i upperRows = _mm256_extracti128_si256(rowPairs[pair], 1);
        uint8_t* row = out + 2 * pair * stride;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(row), lower);
        // The upper halves go through the unaligned 64-bit store too: a double store would
        // claim an alignment that output rows do not have.
        _mm_storel_epi64(reinterpret_cast<__m128i*>(row + stride),
                         _mm_unpackhi_epi64(lower, lower));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(row + 4 * stride), upperRows);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(row + 5 * stride),
                         _mm_unpackhi_epi64(upperRows, upperRows));
    }
}

#if defined(__clang__)
#pragma clang attribute pop
#endif
