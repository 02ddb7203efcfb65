/// \file
/// Encoding sniffing for the XML reader: recognises UTF-16 text and byte-order marks and converts
/// UTF-16 to UTF-8, the 8-bit encoding the engine uses on this platform, so that UTF-16 XML files
/// read like any other. GuessTextEncoding (declared in xmlParser.h) is defined here too.
#ifndef KYREL_TEXTENCODING_H
#define KYREL_TEXTENCODING_H

#include <cstddef>

/// The UTF-8 byte-order mark: skipped when a document is read, written before a saved one.
inline constexpr unsigned char kUtf8Mark[] = {0xEF, 0xBB, 0xBF};

/// What the UTF-16 test found.
enum Utf16ByteOrder
{
    UTF16_NOT_UTF16 = 0,  ///< not UTF-16 text
    UTF16_LITTLE_ENDIAN,  ///< UTF-16, low byte first
    UTF16_BIG_ENDIAN      ///< UTF-16, high byte first
};

/// UTF-16 when the bytes start with a byte-order mark (FF FE or FE FF), or when they show the NUL
/// pattern of UTF-16 text of ASCII characters. *markLength receives 2 for a mark, else 0.
Utf16ByteOrder DetectUtf16Text(const unsigned char* bytes, size_t count, size_t* markLength);

/// Converts UTF-16 code units (surrogate pairs joined) to a NUL-terminated UTF-8 string allocated
/// with malloc. Returns none when the bytes are not valid UTF-16 (odd length, unpaired surrogate)
/// or memory runs out. *length receives the byte count without the terminator.
char* ConvertUtf16ToUtf8(const unsigned char* bytes, size_t count, Utf16ByteOrder order,
                         size_t* length);

/// The text of a document file as the parser reads it.
struct DocumentText
{
    const char* text;  ///< into the file's bytes, or into `converted`
    size_t length;     ///< bytes of text without the terminating NUL
    char* converted;   ///< the UTF-8 copy (malloc) when the file held UTF-16 text, else none
};

/// UTF-16 bytes (looked for only when guessUtf16) are converted to UTF-8; other bytes are read as
/// they are, after a UTF-8 mark if there is one. `bytes` must be NUL-terminated. Returns false when
/// UTF-16 text cannot be converted.
bool DecodeDocumentText(const char* bytes, size_t count, bool guessUtf16, DocumentText* document);

#endif
