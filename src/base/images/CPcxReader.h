/// \file
/// The engine's reader of ZSoft PCX pictures: 1-bit, 4-bit (four 1-bit planes or one plane of
/// 4-bit pixels), 8-bit with a 256-colour palette and 24-bit, decoded to R, G, B bottom row first.
#ifndef KYREL_CPCXREADER_H
#define KYREL_CPCXREADER_H

#include "images/CDecodedImage.h"
#include "images/PixelConvert.h"

class CByteReader;

/// Decodes a PCX picture from an open reader over a file or memory; null (after a message on
/// standard error) when it cannot. name is the file's name, for the reader's shape: the PCX
/// messages show header values only.
CDecodedImage* DecodePCX(CByteReader& reader, const char* name);
/// The same, with path choosing the line converters; both give the same pixels.
CDecodedImage* DecodePCX(CByteReader& reader, const char* name, PixelConvert::ConvertPath path);

#endif
