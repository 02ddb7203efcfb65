// Encoding sniffing for the XML reader: UTF-16 and byte-order-mark detection, conversion of
// UTF-16 to UTF-8, and the guess between UTF-8 and single-byte text.
#include "xml/TextEncoding.h"

#include "xml/XmlInternal.h"

#include <cstdlib>
#include <cstring>

using namespace XmlInternal;

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

// GuessTextEncoding calls anything this short single-byte text.
const int kShortestGuessableText = 24;

bool StartsWithUtf8Mark(const unsigned char* bytes, size_t count)
{
    return count >= sizeof kUtf8Mark && memcmp(bytes, kUtf8Mark, sizeof kUtf8Mark) == 0;
}

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

bool DecodeDocumentText(const char* bytes, size_t count, bool guessUtf16, DocumentText* document)
{
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes);
    *document = DocumentText{bytes, count, nullptr};
    size_t markLength = 0;
    Utf16ByteOrder order = guessUtf16 ? DetectUtf16Text(data, count, &markLength) : UTF16_NOT_UTF16;
    if (order != UTF16_NOT_UTF16)
    {
        size_t length = 0;
        char* converted = ConvertUtf16ToUtf8(data + markLength, count - markLength, order, &length);
        if (converted == nullptr)
        {
            return false;
        }
        *document = DocumentText{converted, length, converted};
        return true;
    }
    if (StartsWithUtf8Mark(data, count))
    {
        document->text += sizeof kUtf8Mark;
        document->length -= sizeof kUtf8Mark;
    }
    return true;
}

XmlCharEncoding GuessTextEncoding(const void* bytes, int count, bool useEncodingAttribute)
{
    const unsigned char* data = static_cast<const unsigned char*>(bytes);
    size_t markLength = 0;
    if (data == nullptr || count <= kShortestGuessableText ||
        DetectUtf16Text(data, size_t(count), &markLength) != UTF16_NOT_UTF16)
    {
        return XML_CHARS_SINGLE_BYTE;
    }
    if (StartsWithUtf8Mark(data, size_t(count)))
    {
        return XML_CHARS_UTF8;
    }
    for (int i = 0; i < count && data[i] != 0;)
    {
        unsigned char lead = data[i];
        if (lead < 0x80)
        {
            ++i;
            continue;
        }
        // Stray continuation bytes and bytes no UTF-8 sequence starts with mean single-byte text.
        int length = lead >= 0xC2 && lead <= 0xF4 ? kUtf8Lengths.value[lead] : 0;
        if (length < 2)
        {
            return XML_CHARS_SINGLE_BYTE;
        }
        for (int k = 1; k < length && i + k < count; ++k)
        {
            if (data[i + k] < 0x80 || data[i + k] > 0xBF)
            {
                return XML_CHARS_SINGLE_BYTE;
            }
        }
        i += length;
    }
    if (!useEncodingAttribute)
    {
        return XML_CHARS_UTF8;
    }
    const char* text = static_cast<const char*>(bytes);
    int window = count < kEncodingSniffBytes ? count : kEncodingSniffBytes;
    static const char kEncodingWord[] = "encoding";
    const int wordLength = int(sizeof kEncodingWord - 1);
    for (int i = 0; i + wordLength <= window; ++i)
    {
        if (memcmp(text + i, kEncodingWord, size_t(wordLength)) != 0)
        {
            continue;
        }
        int p = i + wordLength;
        while (p < window && IsSpace(text[p]))
        {
            ++p;
        }
        if (p >= window || text[p] != '=')
        {
            return XML_CHARS_UTF8;
        }
        ++p;
        while (p < window && IsSpace(text[p]))
        {
            ++p;
        }
        if (p >= window || (text[p] != '"' && text[p] != '\''))
        {
            return XML_CHARS_UTF8;
        }
        ++p;
        bool utf8 = (window - p >= 5 && StartsWithNoCase(text + p, "utf-8", 5)) ||
                    (window - p >= 4 && StartsWithNoCase(text + p, "utf8", 4));
        return utf8 ? XML_CHARS_UTF8 : XML_CHARS_SINGLE_BYTE;
    }
    return XML_CHARS_UTF8;
}
