/// \file
/// Base64 encoding and decoding for XML documents, with errors from the XML reader's error table.
/// Results live in the codec's own buffer until its next call.
#ifndef KYREL_XMLBASE64BUFFER_H
#define KYREL_XMLBASE64BUFFER_H

#include "xml/xmlParser.h"

/// A Base64 codec with its own result buffer: the text or bytes it returns belong to it.
class XmlBase64Buffer
{
public:
    XmlBase64Buffer() = default;
    /// Frees the result buffer.
    ~XmlBase64Buffer();
    XmlBase64Buffer(const XmlBase64Buffer&) = delete;
    XmlBase64Buffer& operator=(const XmlBase64Buffer&) = delete;

    /// Bytes Base64Encode needs for n input bytes, terminating NUL included.
    static int Base64EncodedLength(int n, bool formatted);
    /// NUL-terminated text; formatted output breaks the line after every 72 symbols.
    char* Base64Encode(const unsigned char* bytes, int n, bool formatted);
    /// *error (may be none) gets XML_ERROR_NONE, XML_WARNING_BASE64_LENGTH or
    /// XML_ERROR_BASE64_ILLEGAL_CHARACTER.
    static int Base64DecodedSize(const char* text, XmlError* error);
    /// The decoded bytes, or none on XML_ERROR_BASE64_ILLEGAL_CHARACTER and
    /// XML_ERROR_BASE64_BUFFER_TOO_SMALL; the warnings XML_WARNING_BASE64_LENGTH and
    /// XML_WARNING_BASE64_TRUNCATED still give data.
    unsigned char* Base64Decode(const char* text, int* size, XmlError* error);

private:
    bool Reserve(int size);

    unsigned char* buffer = nullptr;
    int allocatedSize = 0;
};

#endif
