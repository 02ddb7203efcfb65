/// \file
/// The engine's reader of DirectDraw Surface files holding DXT1, DXT3 or DXT5 blocks. The blocks go
/// to GL unchanged, one compressed upload per stored mipmap level.
#ifndef KYREL_CDDSREADER_H
#define KYREL_CDDSREADER_H

#include "images/CDecodedImage.h"

class CByteReader;

/// Reads a DDS file from an open reader over a file or memory; null (after a message on standard
/// error) when it cannot. mipmapCount is the number of levels whose bytes are all in the file (at
/// least one). name is used in messages.
CDecodedImage* DecodeDDS(CByteReader& reader, const char* name);
/// Bytes of one 4 x 4 block of an S3TC format.
int DdsBlockBytes(unsigned int format);
/// Bytes of one level of w x h pixels in 4 x 4 blocks of blockBytes each.
size_t DdsLevelSize(int width, int height, int blockBytes);

#endif
