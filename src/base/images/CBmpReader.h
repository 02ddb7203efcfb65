/// \file
/// The engine's reader of Windows and OS/2 bitmaps: 1, 4, 8, 24 and 32 bits per pixel, RLE8 and
/// RLE4, decoded to R, G, B with the bottom row first.
#ifndef KYREL_CBMPREADER_H
#define KYREL_CBMPREADER_H

#include "images/CDecodedImage.h"
#include "images/PixelConvert.h"

class CByteReader;

/// Decodes a bitmap from an open reader over a file or memory; null (after a message on standard
/// error) when it cannot. name is used in messages.
CDecodedImage* DecodeBMP(CByteReader& reader, const char* name);
/// The same, with path choosing the row converters; both give the same pixels.
CDecodedImage* DecodeBMP(CByteReader& reader, const char* name, PixelConvert::ConvertPath path);

/// Whether the headers are ones DecodeBMP takes (a bitmap of a kind it decodes), without a message:
/// a caller with another decoder to fall back on asks first, so the user sees no refusal for a file
/// that then loads. Moves the reader's position.
bool IsDecodableBMP(CByteReader& reader);

#endif
