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
    Transpose(x);

    const __m256 upper = _mm256_set1_ps(CONVERSION_LIMIT);
    const __m256i offset = _mm256_set1_epi32(128);
    for (int row = 0; row < 8; row += 2)
    {
        __m256 first = _mm256_min_ps(x[row].v, upper);
        __m256 second = _mm256_min_ps(x[row + 1].v, upper);
        __m256i a = _mm256_add_epi32(_mm256_srai_epi32(_mm256_cvttps_epi32(first), 3), offset);
        __m256i b = _mm256_add_epi32(_mm256_srai_epi32(_mm256_cvttps_epi32(second), 3), offset);
        // In-lane packing interleaves the halves: words are a0-3 b0-3 a4-7 b4-7.
        __m256i words = _mm256_packs_epi32(a, b);
        __m128i low = _mm256_castsi256_si128(words);
        __m128i high = _mm256_extracti128_si256(words, 1);
        __m128i bytes =
            _mm_packus_epi16(_mm_unpacklo_epi64(low, high), _mm_unpackhi_epi64(low, high));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + row * stride), bytes);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + (row + 1) * stride),
                         _mm_srli_si128(bytes, 8));
    }
}

#if defined(__clang__)
#pragma clang attribute pop
#endif
