// Recognises UTF-16 text and converts it to UTF-8, the 8-bit encoding the engine uses on this
// platform, so that UTF-16 XML files read like any other.
#ifndef KYREL_TEXTENCODING_H
#define KYREL_TEXTENCODING_H

#include <cstddef>

enum Utf16ByteOrder
{
    UTF16_NOT_UTF16 = 0,
    UTF16_LITTLE_ENDIAN,
    UTF16_BIG_ENDIAN
};

// UTF-16 when the bytes start with a byte-order mark (FF FE or FE FF), or when they show the NUL
// pattern of UTF-16 text of ASCII characters. *markLength receives 2 for a mark, else 0.
Utf16ByteOrder DetectUtf16Text(const unsigned char* bytes, size_t count, size_t* markLength);

// Converts UTF-16 code units (surrogate pairs joined) to a NUL-terminated UTF-8 string allocated
// with malloc. Returns none when the bytes are not valid UTF-16 (odd length, unpaired surrogate)
// or memory runs out. *length receives the byte count without the terminator.
char* ConvertUtf16ToUtf8(const unsigned char* bytes, size_t count, Utf16ByteOrder order,
                         size_t* length);

#endif
