// Base64 codec: a 256-entry table classifies every byte of encoded text.
#include "xml/XmlBase64Buffer.h"

#include "xml/xmlParser.h"

#include <climits>
#include <cstdlib>

namespace
{
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kPadding = '=';
// Formatted output: a line feed after this many groups of four symbols (72 symbols).
const int kGroupsPerLine = 18;
const int kBytesPerLine = kGroupsPerLine * 3;

// Table values below 64 are symbol values.
enum : unsigned char
{
    B64_PADDING = 64,
    B64_SPACE = 65,  // tab, line feed, carriage return, space: skipped anywhere
    B64_END = 66,    // the NUL that ends the text
    B64_ILLEGAL = 67
};

struct DecodeTable
{
    unsigned char value[256];
};

constexpr DecodeTable MakeDecodeTable()
{
    DecodeTable table{};
    for (int c = 0; c < 256; ++c)
    {
        table.value[c] = B64_ILLEGAL;
    }
    for (int i = 0; i < 64; ++i)
    {
        table.value[(unsigned char)kAlphabet[i]] = (unsigned char)i;
    }
    table.value[(unsigned char)kPadding] = B64_PADDING;
    table.value[(unsigned char)'\t'] = B64_SPACE;
    table.value[(unsigned char)'\n'] = B64_SPACE;
    table.value[(unsigned char)'\r'] = B64_SPACE;
    table.value[(unsigned char)' '] = B64_SPACE;
    table.value[0] = B64_END;
    return table;
}
constexpr DecodeTable kDecode = MakeDecodeTable();

void SetError(XmlError* error, XmlError code)
{
    if (error != nullptr)
    {
        *error = code;
    }
}

// Writes the bytes a group of `symbols` values (2 to 4) carries, as far as `room` allows.
int EmitGroup(const unsigned char* group, int symbols, unsigned char* out, int room)
{
    const unsigned char bytes[3] = {
        (unsigned char)((group[0] << 2) | (group[1] >> 4)),
        (unsigned char)((group[1] << 4) | (group[2] >> 2)),
        (unsigned char)((group[2] << 6) | group[3]),
    };
    int count = symbols - 1;
    count = count < room ? count : room;
    for (int i = 0; i < count; ++i)
    {
        out[i] = bytes[i];
    }
    return count;
}
}  // namespace

XmlBase64Buffer::~XmlBase64Buffer()
{
    free(buffer);
}

bool XmlBase64Buffer::Reserve(int size)
{
    if (size <= allocatedSize)
    {
        return true;
    }
    unsigned char* grown = static_cast<unsigned char*>(realloc(buffer, size_t(size)));
    if (grown == nullptr)
    {
        return false;
    }
    buffer = grown;
    allocatedSize = size;
    return true;
}

int XmlBase64Buffer::Base64EncodedLength(int n, bool formatted)
{
    if (n < 0)
    {
        n = 0;
    }
    // One line feed per full line of groups. Counting it from whole groups rather than from
    // n / 54 also covers 52 and 53 bytes, whose last, partial group still completes a line.
    long long groups = ((long long)n + 2) / 3;
    long long length = (long long)(n - 1) / 3 * 4 + 5 + (formatted ? groups / kGroupsPerLine : 0);
    return length > INT_MAX ? INT_MAX : int(length);
}

char* XmlBase64Buffer::Base64Encode(const unsigned char* bytes, int n, bool formatted)
{
    if (n < 0 || (n > 0 && bytes == nullptr) || n > (INT_MAX / 4) * 3 - kBytesPerLine)
    {
        return nullptr;
    }
    if (!Reserve(Base64EncodedLength(n, formatted)))
    {
        return nullptr;
    }
    char* out = reinterpret_cast<char*>(buffer);
    int groups = 0;
    for (int i = 0; i < n; i += 3)
    {
        int remaining = n - i;
        unsigned value = unsigned(bytes[i]) << 16;
        value |= remaining > 1 ? unsigned(bytes[i + 1]) << 8 : 0;
        value |= remaining > 2 ? unsigned(bytes[i + 2]) : 0;
        *out++ = kAlphabet[(value >> 18) & 63];
        *out++ = kAlphabet[(value >> 12) & 63];
        *out++ = remaining > 1 ? kAlphabet[(value >> 6) & 63] : kPadding;
        *out++ = remaining > 2 ? kAlphabet[value & 63] : kPadding;
        if (formatted && ++groups % kGroupsPerLine == 0)
        {
            *out++ = '\n';
        }
    }
    *out = '\0';
    return reinterpret_cast<char*>(buffer);
}

int XmlBase64Buffer::Base64DecodedSize(const char* text, XmlError* error)
{
    SetError(error, XML_ERROR_NONE);
    if (text == nullptr)
    {
        return 0;
    }
    long long count = 0;
    int trailingPadding = 0;
    for (const char* p = text;; ++p)
    {
        unsigned char kind = kDecode.value[(unsigned char)*p];
        if (kind == B64_END)
        {
            break;
        }
        if (kind == B64_ILLEGAL)
        {
            SetError(error, XML_ERROR_BASE64_ILLEGAL_CHARACTER);
            return 0;
        }
        if (kind == B64_SPACE)
        {
            continue;
        }
        ++count;
        trailingPadding = kind == B64_PADDING ? trailingPadding + 1 : 0;
    }
    if (count % 4 != 0)
    {
        SetError(error, XML_WARNING_BASE64_LENGTH);
    }
    long long size = (count - trailingPadding) * 3 / 4;
    return size > INT_MAX ? INT_MAX : int(size);
}

unsigned char* XmlBase64Buffer::Base64Decode(const char* text, int* size, XmlError* error)
{
    int ignoredSize = 0;
    size = size != nullptr ? size : &ignoredSize;
    *size = 0;
    XmlError sizeError = XML_ERROR_NONE;
    int expected = Base64DecodedSize(text, &sizeError);
    SetError(error, sizeError);
    if (sizeError == XML_ERROR_BASE64_ILLEGAL_CHARACTER || text == nullptr)
    {
        return nullptr;
    }
    if (!Reserve(expected > 0 ? expected : 1))
    {
        SetError(error, XML_ERROR_BASE64_BUFFER_TOO_SMALL);
        return nullptr;
    }
    unsigned char group[4] = {0, 0, 0, 0};
    int symbols = 0;  // real symbols in the current group
    int filled = 0;   // symbols and padding in the current group
    int produced = 0;
    for (const char* p = text;; ++p)
    {
        unsigned char kind = kDecode.value[(unsigned char)*p];
        if (kind == B64_SPACE)
        {
            continue;
        }
        bool boundary = filled == 0;
        if (kind == B64_END || (kind == B64_PADDING && boundary && produced == expected))
        {
            if (!boundary || produced < expected)
            {
                produced += symbols >= 2
                                ? EmitGroup(group, symbols, buffer + produced, expected - produced)
                                : 0;
                SetError(error, XML_WARNING_BASE64_TRUNCATED);
            }
            *size = produced;
            return buffer;
        }
        if (kind == B64_PADDING)
        {
            group[filled++] = 0;
        }
        else
        {
            if (boundary && produced == expected)
            {
                SetError(error, XML_ERROR_BASE64_BUFFER_TOO_SMALL);
                return nullptr;
            }
            if (filled > symbols)
            {
                // A symbol after padding inside a group: the padding did end the data.
                SetError(error, XML_WARNING_BASE64_TRUNCATED);
                *size = produced;
                return buffer;
            }
            group[filled++] = kind;
            ++symbols;
        }
        if (filled == 4)
        {
            int room = expected - produced;
            if (symbols - 1 > room)
            {
                SetError(error, XML_ERROR_BASE64_BUFFER_TOO_SMALL);
                return nullptr;
            }
            produced += symbols >= 2 ? EmitGroup(group, symbols, buffer + produced, room) : 0;
            group[0] = group[1] = group[2] = group[3] = 0;
            filled = 0;
            symbols = 0;
        }
    }
}
