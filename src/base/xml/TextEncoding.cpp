// UTF-16 detection and conversion to UTF-8 for the XML reader.
#include "xml/TextEncoding.h"

#include <cstdlib>

namespace
{
// Bytes looked at for the NUL pattern; the start of a document tells enough.
const size_t kPatternSampleBytes = 512;
// Share of sampled code units that must look like ASCII in UTF-16 (three in four).
const size_t kPatternNumerator = 3;
const size_t kPatternDenominator = 4;

const unsigned kHighSurrogateFirst = 0xD800;
const unsigned kLowSurrogateFirst = 0xDC00;
const unsigned kSurrogateLast = 0xDFFF;

unsigned ReadUnit(const unsigned char* bytes, Utf16ByteOrder order)
{
    return order == UTF16_LITTLE_ENDIAN ? unsigned(bytes[0]) | (unsigned(bytes[1]) << 8)
                                        : (unsigned(bytes[0]) << 8) | unsigned(bytes[1]);
}

char* AppendUtf8(char* out, unsigned codePoint)
{
    if (codePoint < 0x80)
    {
        *out++ = char(codePoint);
    }
    else if (codePoint < 0x800)
    {
        *out++ = char(0xC0 | (codePoint >> 6));
        *out++ = char(0x80 | (codePoint & 0x3F));
    }
    else if (codePoint < 0x10000)
    {
        *out++ = char(0xE0 | (codePoint >> 12));
        *out++ = char(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = char(0x80 | (codePoint & 0x3F));
    }
    else
    {
        *out++ = char(0xF0 | (codePoint >> 18));
        *out++ = char(0x80 | ((codePoint >> 12) & 0x3F));
        *out++ = char(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = char(0x80 | (codePoint & 0x3F));
    }
    return out;
}
}  // namespace

Utf16ByteOrder DetectUtf16Text(const unsigned char* bytes, size_t count, size_t* markLength)
{
    *markLength = 0;
    if (bytes == nullptr || count < 2)
    {
        return UTF16_NOT_UTF16;
    }
    if (bytes[0] == 0xFF && bytes[1] == 0xFE)
    {
        *markLength = 2;
        return UTF16_LITTLE_ENDIAN;
    }
    if (bytes[0] == 0xFE && bytes[1] == 0xFF)
    {
        *markLength = 2;
        return UTF16_BIG_ENDIAN;
    }
    // Without a mark: ASCII characters in UTF-16 have one NUL byte in each code unit, always on
    // the same side. Single-byte and UTF-8 text has no NUL bytes at all.
    size_t sample = count < kPatternSampleBytes ? count : kPatternSampleBytes;
    size_t units = sample / 2;
    size_t lowOnly = 0;
    size_t highOnly = 0;
    for (size_t i = 0; i < units; ++i)
    {
        unsigned char first = bytes[2 * i];
        unsigned char second = bytes[2 * i + 1];
        if (first != 0 && second == 0)
        {
            ++lowOnly;
        }
        else if (first == 0 && second != 0)
        {
            ++highOnly;
        }
    }
    if (lowOnly * kPatternDenominator >= units * kPatternNumerator)
    {
        return UTF16_LITTLE_ENDIAN;
    }
    if (highOnly * kPatternDenominator >= units * kPatternNumerator)
    {
        return UTF16_BIG_ENDIAN;
    }
    return UTF16_NOT_UTF16;
}

char* ConvertUtf16ToUtf8(const unsigned char* bytes, size_t count, Utf16ByteOrder order,
                         size_t* length)
{
    *length = 0;
    if (order == UTF16_NOT_UTF16 || count % 2 != 0)
    {
        return nullptr;
    }
    size_t units = count / 2;
    // One unit gives at most three bytes; a pair of units gives four.
    char* text = static_cast<char*>(malloc(units * 3 + 1));
    if (text == nullptr)
    {
        return nullptr;
    }
    char* out = text;
    for (size_t i = 0; i < units; ++i)
    {
        unsigned unit = ReadUnit(bytes + 2 * i, order);
        if (unit < kHighSurrogateFirst || unit > kSurrogateLast)
        {
            out = AppendUtf8(out, unit);
            continue;
        }
        if (unit >= kLowSurrogateFirst || i + 1 >= units)
        {
            free(text);
            return nullptr;
        }
        unsigned low = ReadUnit(bytes + 2 * (i + 1), order);
        if (low < kLowSurrogateFirst || low > kSurrogateLast)
        {
            free(text);
            return nullptr;
        }
        ++i;
        out = AppendUtf8(out, 0x10000 + ((unit - kHighSurrogateFirst) << 10) +
                                  (low - kLowSurrogateFirst));
    }
    *out = '\0';
    *length = size_t(out - text);
    return text;
}
