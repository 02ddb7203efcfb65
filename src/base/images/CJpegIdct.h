// The float AAN inverse DCT of one 8 x 8 block and the conversion of its results to samples,
// four lanes at a time with SSE2. Every lane performs the same single-precision operations in the
// same order as the one-value form, so both give identical samples.
#ifndef KYREL_CJPEGIDCT_H
#define KYREL_CJPEGIDCT_H

#include <cstdint>
#include <emmintrin.h>

// Internal to the library: a shared build does not export it.
#pragma GCC visibility push(hidden)

class CJpegIdct
{
public:
    // Float results are clamped to this magnitude before the integer conversion: every value
    // beyond it saturates to 0 or 255 anyway, and the clamp keeps the conversion defined.
    // The SIMD forms clamp only from above: below -2^31 their conversion gives the most negative
    // integer, which saturates to 0 just as -CONVERSION_LIMIT does.
    static constexpr float CONVERSION_LIMIT = 4096.0f;

    // One 1-D pass over x[0..7] (x[0] first), written once for any number type with + - *.
    template <typename T> static inline void Pass(T x[8])
    {
        const T sqrt2(1.414213562f);
        const T c1847(1.847759065f);
        const T c1082(1.082392200f);
        const T c2613(2.613125930f);

        T tmp10 = x[0] + x[4];
        T tmp11 = x[0] - x[4];
        T tmp13 = x[2] + x[6];
        T tmp12 = (x[2] - x[6]) * sqrt2 - tmp13;
        T tmp0 = tmp10 + tmp13;
        T tmp3 = tmp10 - tmp13;
        T tmp1 = tmp11 + tmp12;
        T tmp2 = tmp11 - tmp12;

        T z13 = x[5] + x[3];
        T z10 = x[5] - x[3];
        T z11 = x[1] + x[7];
        T z12 = x[1] - x[7];
        T tmp7 = z11 + z13;
        T oddTmp11 = (z11 - z13) * sqrt2;
        T z5 = (z10 + z12) * c1847;
        T oddTmp10 = z12 * c1082 - z5;
        T oddTmp12 = z5 - z10 * c2613;
        T tmp6 = oddTmp12 - tmp7;
        T tmp5 = oddTmp11 - tmp6;
        T tmp4 = oddTmp10 + tmp5;

        x[0] = tmp0 + tmp7;
        x[7] = tmp0 - tmp7;
        x[1] = tmp1 + tmp6;
        x[6] = tmp1 - tmp6;
        x[2] = tmp2 + tmp5;
        x[5] = tmp2 - tmp5;
        x[4] = tmp3 + tmp4;
        x[3] = tmp3 - tmp4;
    }

    // Truncate toward zero, divide by 8 rounding down, add 128, clamp to 0..255.
    static inline uint8_t ToSample(float value)
    {
        if (value > CONVERSION_LIMIT)
        {
            value = CONVERSION_LIMIT;
        }
        if (value < -CONVERSION_LIMIT)
        {
            value = -CONVERSION_LIMIT;
        }
        int sample = (static_cast<int>(value) >> 3) + 128;
        return static_cast<uint8_t>(sample < 0 ? 0 : (sample > 255 ? 255 : sample));
    }

    // Dequantises the coefficients (natural order, row-major) with one multiply each and
    // transforms them into 8 rows of samples.
    static void Transform(const int32_t* coefficients, const float* scaledQuant, uint8_t* out,
                          int stride);
    // The same with AVX2; only for processors that have it.
    static void TransformAvx2(const int32_t* coefficients, const float* scaledQuant, uint8_t* out,
                              int stride);
    // The same for a block whose only non-zero coefficient is the DC term: the transform then
    // gives that value at every position, bit for bit.
    static void TransformDcOnly(float dc, uint8_t* out, int stride);
};

// float(coefficient) * factor for four coefficients: the same single multiply as one at a time.
inline __m128 Dequantise(const int32_t* coefficients, const float* scaledQuant)
{
    __m128i values = _mm_load_si128(reinterpret_cast<const __m128i*>(coefficients));
    return _mm_mul_ps(_mm_cvtepi32_ps(values), _mm_load_ps(scaledQuant));
}

// Four floats with the operators the 1-D pass uses.
struct CJpegFloat4
{
    __m128 v;
    CJpegFloat4() = default;
    explicit CJpegFloat4(float value) : v(_mm_set1_ps(value)) {}
    explicit CJpegFloat4(__m128 value) : v(value) {}
};
inline CJpegFloat4 operator+(CJpegFloat4 a, CJpegFloat4 b)
{
    return CJpegFloat4(_mm_add_ps(a.v, b.v));
}
inline CJpegFloat4 operator-(CJpegFloat4 a, CJpegFloat4 b)
{
    return CJpegFloat4(_mm_sub_ps(a.v, b.v));
}
inline CJpegFloat4 operator*(CJpegFloat4 a, CJpegFloat4 b)
{
    return CJpegFloat4(_mm_mul_ps(a.v, b.v));
}

inline void CJpegIdct::Transform(const int32_t* coefficients, const float* scaledQuant,
                                 uint8_t* out, int stride)
{
    // Columns first: lane j of row vector u holds column j (left half) or 4 + j (right half).
    CJpegFloat4 left[8], right[8];
    for (int u = 0; u < 8; ++u)
    {
        left[u] = CJpegFloat4(Dequantise(coefficients + 8 * u, scaledQuant + 8 * u));
        right[u] = CJpegFloat4(Dequantise(coefficients + 8 * u + 4, scaledQuant + 8 * u + 4));
    }
    Pass(left);
    Pass(right);

    // Transpose so that lane j holds row j; then the same pass runs along the rows.
    CJpegFloat4 top[8], bottom[8];  // rows 0-3 and rows 4-7, element v in vector v
    _MM_TRANSPOSE4_PS(left[0].v, left[1].v, left[2].v, left[3].v);
    _MM_TRANSPOSE4_PS(right[0].v, right[1].v, right[2].v, right[3].v);
    _MM_TRANSPOSE4_PS(left[4].v, left[5].v, left[6].v, left[7].v);
    _MM_TRANSPOSE4_PS(right[4].v, right[5].v, right[6].v, right[7].v);
    for (int i = 0; i < 4; ++i)
    {
        top[i] = left[i];
        top[4 + i] = right[i];
        bottom[i] = left[4 + i];
        bottom[4 + i] = right[4 + i];
    }
    Pass(top);
    Pass(bottom);

    // Back to rows; then convert eight values per row.
    _MM_TRANSPOSE4_PS(top[0].v, top[1].v, top[2].v, top[3].v);
    _MM_TRANSPOSE4_PS(top[4].v, top[5].v, top[6].v, top[7].v);
    _MM_TRANSPOSE4_PS(bottom[0].v, bottom[1].v, bottom[2].v, bottom[3].v);
    _MM_TRANSPOSE4_PS(bottom[4].v, bottom[5].v, bottom[6].v, bottom[7].v);
    const __m128 upper = _mm_set1_ps(CONVERSION_LIMIT);
    const __m128i offset = _mm_set1_epi32(128);
    for (int row = 0; row < 8; ++row)
    {
        __m128 first = row < 4 ? top[row].v : bottom[row - 4].v;
        __m128 second = row < 4 ? top[4 + row].v : bottom[row].v;
        first = _mm_min_ps(first, upper);
        second = _mm_min_ps(second, upper);
        __m128i a = _mm_add_epi32(_mm_srai_epi32(_mm_cvttps_epi32(first), 3), offset);
        __m128i b = _mm_add_epi32(_mm_srai_epi32(_mm_cvttps_epi32(second), 3), offset);
        __m128i words = _mm_packs_epi32(a, b);
        __m128i bytes = _mm_packus_epi16(words, words);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + row * stride), bytes);
    }
}

inline void CJpegIdct::TransformDcOnly(float dc, uint8_t* out, int stride)
{
    uint8_t sample = ToSample(dc);
    const __m128i fill = _mm_set1_epi8(static_cast<char>(sample));
    for (int row = 0; row < 8; ++row)
    {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + row * stride), fill);
    }
}

#pragma GCC visibility pop

#endif
