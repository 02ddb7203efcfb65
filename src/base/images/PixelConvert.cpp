// Row converters from file pixel layouts to packed R, G, B (, A). The SSSE3 and AVX2 versions are chosen
// at run time; the plain loops finish every row tail and serve processors without them.
#include "images/PixelConvert.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KYREL_HAVE_X86_SHUFFLE 1
#endif

namespace
{
void BgrToRgbPlain(const uint8_t* source, uint8_t* destination, size_t pixelCount)
{
    for (size_t i = 0; i < pixelCount; ++i)
    {
        uint8_t blue = source[3 * i];
        uint8_t green = source[3 * i + 1];
        uint8_t red = source[3 * i + 2];
        destination[3 * i] = red;
        destination[3 * i + 1] = green;
        destination[3 * i + 2] = blue;
    }
}

void BgraToRgbaPlain(const uint8_t* source, uint8_t* destination, size_t pixelCount)
{
    for (size_t i = 0; i < pixelCount; ++i)
    {
        uint8_t blue = source[4 * i];
        destination[4 * i] = source[4 * i + 2];
        destination[4 * i + 1] = source[4 * i + 1];
        destination[4 * i + 2] = blue;
        destination[4 * i + 3] = source[4 * i + 3];
    }
}

void BgrxToRgbPlain(const uint8_t* source, uint8_t* destination, size_t pixelCount)
{
    for (size_t i = 0; i < pixelCount; ++i)
    {
        destination[3 * i] = source[4 * i + 2];
        destination[3 * i + 1] = source[4 * i + 1];
        destination[3 * i + 2] = source[4 * i];
    }
}

void PlanesToRgbPlain(const uint8_t* red, const uint8_t* green, const uint8_t* blue,
                      uint8_t* destination, size_t pixelCount)
{
    for (size_t i = 0; i < pixelCount; ++i)
    {
        destination[3 * i] = red[i];
        destination[3 * i + 1] = green[i];
        destination[3 * i + 2] = blue[i];
    }
}

#ifdef KYREL_HAVE_X86_SHUFFLE
bool HasSsse3(PixelConvert::ConvertPath path)
{
    static const bool supported = __builtin_cpu_supports("ssse3");
    return supported && path == PixelConvert::ConvertPath::Shuffles;
}

bool HasAvx2(PixelConvert::ConvertPath path)
{
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported && path == PixelConvert::ConvertPath::Shuffles;
}

// Five pixels per step: 15 bytes are converted, the 16th is passed through unchanged and
// rewritten by the next step, which keeps the conversion right in place. Each step's bytes are
// loaded before the previous step's store, so in place no load waits on an overlapping store.
// Needs six pixels left so the 16-byte loads and stores stay inside.
__attribute__((target("ssse3"))) size_t BgrToRgbSsse3(const uint8_t* source, uint8_t* destination,
                                                      size_t pixelCount)
{
    const __m128i swap = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    if (pixelCount < 6)
    {
        return 0;
    }
    size_t done = 0;
    __m128i current = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
    for (;;)
    {
        bool more = done + 11 <= pixelCount;
        __m128i next =
            more ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 3 * (done + 5)))
                 : current;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 3 * done),
                         _mm_shuffle_epi8(current, swap));
        done += 5;
        if (!more)
        {
            return done;
        }
        current = next;
    }
}

// Eight pixels per step, each 16-byte half swapping its own four pixels' red and blue.
__attribute__((target("avx2"))) size_t BgraToRgbaAvx2(const uint8_t* source, uint8_t* destination,
                                                      size_t pixelCount)
{
    const __m256i swap = _mm256_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15, 2,
                                          1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    size_t done = 0;
    for (; done + 8 <= pixelCount; done += 8)
    {
        __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + 4 * done));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + 4 * done),
                            _mm256_shuffle_epi8(bytes, swap));
    }
    return done;
}

__attribute__((target("ssse3"))) size_t BgraToRgbaSsse3(const uint8_t* source, uint8_t* destination,
                                                        size_t pixelCount)
{
    const __m128i swap = _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    size_t done = 0;
    for (; done + 4 <= pixelCount; done += 4)
    {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 4 * done));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 4 * done),
                         _mm_shuffle_epi8(bytes, swap));
    }
    return done;
}

// Four pixels per step: 12 bytes out, 4 scratch bytes overwritten by the next step.
__attribute__((target("ssse3"))) size_t BgrxToRgbSsse3(const uint8_t* source, uint8_t* destination,
                                                       size_t pixelCount)
{
    const __m128i pick = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    size_t done = 0;
    for (; done + 6 <= pixelCount; done += 4)
    {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 4 * done));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 3 * done),
                         _mm_shuffle_epi8(bytes, pick));
    }
    return done;
}

// Shuffle masks taking 16 bytes of one plane into each of the three 16-byte output blocks.
struct PlaneMasks
{
    uint8_t mask[3][3][16];  // [output block][channel][byte]
    PlaneMasks()
    {
        for (int block = 0; block < 3; ++block)
        {
            for (int channel = 0; channel < 3; ++channel)
            {
                for (int byte = 0; byte < 16; ++byte)
                {
                    int position = block * 16 + byte;
                    mask[block][channel][byte] =
                        position % 3 == channel ? static_cast<uint8_t>(position / 3) : 0x80;
                }
            }
        }
    }
};

__attribute__((target("ssse3"))) size_t PlanesToRgbSsse3(const uint8_t* red, const uint8_t* green,
                                                         const uint8_t* blue, uint8_t* destination,
                                                         size_t pixelCount)
{
    static const PlaneMasks masks;
    __m128i shuffle[3][3];
    for (int block = 0; block < 3; ++block)
    {
        for (int channel = 0; channel < 3; ++channel)
        {
            shuffle[block][channel] =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks.mask[block][channel]));
        }
    }
    size_t done = 0;
    for (; done + 16 <= pixelCount; done += 16)
    {
        __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(red + done));
        __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + done));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + done));
        uint8_t* out = destination + 3 * done;
        for (int block = 0; block < 3; ++block)
        {
            __m128i rgb = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(r, shuffle[block][0]),
                                                    _mm_shuffle_epi8(g, shuffle[block][1])),
                                       _mm_shuffle_epi8(b, shuffle[block][2]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * block), rgb);
        }
    }
    return done;
}

// The same shuffles on 32 pixels at a time: each 128-bit lane builds the 48 bytes of its 16
// pixels, and the lane halves are then put back in order.
__attribute__((target("avx2"))) size_t PlanesToRgbAvx2(const uint8_t* red, const uint8_t* green,
                                                       const uint8_t* blue, uint8_t* destination,
                                                       size_t pixelCount)
{
    static const PlaneMasks masks;
    __m256i shuffle[3][3];
    for (int block = 0; block < 3; ++block)
    {
        for (int channel = 0; channel < 3; ++channel)
        {
            shuffle[block][channel] = _mm256_broadcastsi128_si256(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks.mask[block][channel])));
        }
    }
    size_t done = 0;
    for (; done + 32 <= pixelCount; done += 32)
    {
        __m256i r = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(red + done));
        __m256i g = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(green + done));
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(blue + done));
        __m256i blocks[3];  // [first 16 pixels' block | last 16 pixels' block]
        for (int block = 0; block < 3; ++block)
        {
            blocks[block] =
                _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(r, shuffle[block][0]),
                                                _mm256_shuffle_epi8(g, shuffle[block][1])),
                                _mm256_shuffle_epi8(b, shuffle[block][2]));
        }
        uint8_t* out = destination + 3 * done;
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                            _mm256_permute2x128_si256(blocks[0], blocks[1], 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32),
                            _mm256_permute2x128_si256(blocks[2], blocks[0], 0x30));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 64),
                            _mm256_permute2x128_si256(blocks[1], blocks[2], 0x31));
    }
    return done;
}
#endif
}  // namespace

namespace PixelConvert
{
void BgrToRgb(const uint8_t* source, uint8_t* destination, size_t pixelCount,
              [[maybe_unused]] ConvertPath path)
{
    size_t done = 0;
#ifdef KYREL_HAVE_X86_SHUFFLE
    if (HasSsse3(path))
    {
        done = BgrToRgbSsse3(source, destination, pixelCount);
    }
#endif
    BgrToRgbPlain(source + 3 * done, destination + 3 * done, pixelCount - done);
}

void BgraToRgba(const uint8_t* source, uint8_t* destination, size_t pixelCount,
                [[maybe_unused]] ConvertPath path)
{
    size_t done = 0;
#ifdef KYREL_HAVE_X86_SHUFFLE
    if (HasAvx2(path))
    {
        done = BgraToRgbaAvx2(source, destination, pixelCount);
    }
    if (HasSsse3(path))
    {
        done += BgraToRgbaSsse3(source + 4 * done, destination + 4 * done, pixelCount - done);
    }
#endif
    BgraToRgbaPlain(source + 4 * done, destination + 4 * done, pixelCount - done);
}

void BgrxToRgb(const uint8_t* source, uint8_t* destination, size_t pixelCount,
               [[maybe_unused]] ConvertPath path)
{
    size_t done = 0;
#ifdef KYREL_HAVE_X86_SHUFFLE
    if (HasSsse3(path))
    {
        done = BgrxToRgbSsse3(source, destination, pixelCount);
    }
#endif
    BgrxToRgbPlain(source + 4 * done, destination + 3 * done, pixelCount - done);
}

void PlanesToRgb(const uint8_t* red, const uint8_t* green, const uint8_t* blue,
                 uint8_t* destination, size_t pixelCount, [[maybe_unused]] ConvertPath path)
{
    size_t done = 0;
#ifdef KYREL_HAVE_X86_SHUFFLE
    if (HasAvx2(path))
    {
        done = PlanesToRgbAvx2(red, green, blue, destination, pixelCount);
    }
    if (HasSsse3(path))
    {
        done += PlanesToRgbSsse3(red + done, green + done, blue + done, destination + 3 * done,
                                 pixelCount - done);
    }
#endif
    PlanesToRgbPlain(red + done, green + done, blue + done, destination + 3 * done,
                     pixelCount - done);
}

void IndicesToRgb(const uint8_t* indices, const uint8_t palette[256 * 3], uint8_t* destination,
                  size_t pixelCount)
{
    for (size_t i = 0; i < pixelCount; ++i)
    {
        memcpy(destination + 3 * i, palette + 3 * indices[i], 3);
    }
}
}  // namespace PixelConvert
