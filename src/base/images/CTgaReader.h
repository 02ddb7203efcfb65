/// \file
/// The engine's reader of Truevision TGA pictures: uncompressed (type 2) and run-length encoded
/// (type 10) true colour at 24 or 32 bits, decoded to R, G, B (, A) with rows in the file's order.
#ifndef KYREL_CTGAREADER_H
#define KYREL_CTGAREADER_H

#include "images/CDecodedImage.h"
#include "images/PixelConvert.h"

class CByteReader;

/// Bytes 1 to 11 and 12 to 17 of a TGA file as read.
struct CTgaFileBytes
{
    unsigned char header[11] = {};  ///< bytes 1 to 11
    unsigned char info[6] = {};     ///< bytes 12 to 17: width, height, bits per pixel, descriptor
};

/// A 16-bit size field can never exceed this: the limit when no texture size limit applies.
const int TGA_MAX_DIMENSION = 65535;

/// Decodes a TGA picture from an open reader over a file or memory (format RGB or RGBA,
/// components 3 or 4); null, after a message on standard output, when it cannot. name is used in
/// messages.
CDecodedImage* DecodeTGA(CByteReader& reader, const char* name);
/// The same, refusing a width or height above maxDimension as invalid information, and keeping
/// the header and info bytes in fileBytes when it is not null (as far as they were read). path
/// chooses the channel-swap converters; both give the same pixels.
CDecodedImage* DecodeTGA(CByteReader& reader, const char* name, int maxDimension,
                         CTgaFileBytes* fileBytes,
                         PixelConvert::ConvertPath path = PixelConvert::ConvertPath::Shuffles);

#endif
