// TGA reader: the header checks, then the uncompressed or the run-length decoder. Every failure
// prints one line on standard output (message, the name where one is given) and gives null.
#include "images/CTgaReader.h"
#include "io/CByteReader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>

namespace
{
const char* const MSG_NO_COMMENT = "Failed to read TGAcomment!";
const char* const MSG_NO_HEADER = "Could not read file header: ";
const char* const MSG_WRONG_TYPE = "TGA file be type 2 or type 10, Invalid Image: ";
const char* const MSG_NO_INFO = "Could not read info header: ";
const char* const MSG_BAD_INFO = "Invalid texture information: ";
const char* const MSG_NO_MEMORY = "Could not allocate memory for image: ";
const char* const MSG_NO_IMAGE_DATA = "Could not read image data: ";
const char* const MSG_NO_RLE_HEADER = "Could not read RLE header: ";
const char* const MSG_NO_RUN_PIXEL = "Could not read from file: ";
const char* const MSG_TOO_MANY_PIXELS = "Too many pixels read: ";

const int TYPE_UNCOMPRESSED = 2;
const int TYPE_COMPRESSED = 10;
// Offset of the image type inside the 11-byte header block (file byte 2).
const int HEADER_TYPE_INDEX = 1;
const size_t INFO_WIDTH = 0;
const size_t INFO_HEIGHT = 2;
const size_t INFO_DEPTH = 4;
const int MAX_PIXEL_BYTES = 4;
// A run packet header carries its pixel count minus one in the low seven bits.
const unsigned RUN_PACKET_FLAG = 128;
const size_t MAX_PACKET_PIXELS = 128;

bool MatchesTemplate(const unsigned char header[11], int imageType)
{
    unsigned char expected[11] = {};
    expected[HEADER_TYPE_INDEX] = static_cast<unsigned char>(imageType);
    return memcmp(header, expected, sizeof expected) == 0;
}

class CTgaReader
{
public:
    CTgaReader(CByteReader& reader, const char* name, int maxDimension, CTgaFileBytes& fileBytes)
        : reader(reader), name(name ? name : ""), maxDimension(maxDimension), bytes(fileBytes)
    {
    }

    CDecodedImage* Decode();

private:
    bool ReadInfo();
    bool Allocate(size_t pixelCount);
    bool LoadUncompressed();
    bool LoadCompressed();
    bool StoreRlePixel(const unsigned char* pixel);

    bool Fail(const char* message)
    {
        std::cout << message << name << std::endl;
        return false;
    }

    CByteReader& reader;
    const char* name;
    int maxDimension;
    CTgaFileBytes& bytes;
    std::unique_ptr<CDecodedImage> image;
    size_t pixelBytes = 0;
    size_t totalPixels = 0;
    size_t storedPixels = 0;
    size_t capacityPixels = 0;
};

CDecodedImage* CTgaReader::Decode()
{
    uint8_t idLength = 0;
    if (!reader.ReadU8(idLength))
    {
        std::cout << MSG_NO_COMMENT << std::endl;
        return nullptr;
    }
    if (!reader.ReadBytes(bytes.header, sizeof bytes.header))
    {
        Fail(MSG_NO_HEADER);
        return nullptr;
    }
    bool compressed = MatchesTemplate(bytes.header, TYPE_COMPRESSED);
    if (!compressed && !MatchesTemplate(bytes.header, TYPE_UNCOMPRESSED))
    {
        Fail(MSG_WRONG_TYPE);
        return nullptr;
    }
    if (!ReadInfo())
    {
        return nullptr;
    }
    // The identification field sits between the header and the pixels. One that runs past the
    // end leaves the reader at the end, so the first pixel read reports the truncation.
    reader.Skip(idLength);
    bool decoded = compressed ? LoadCompressed() : LoadUncompressed();
    return decoded ? image.release() : nullptr;
}

// The part both kinds share: size and depth from the info block.
bool CTgaReader::ReadInfo()
{
    if (!reader.ReadBytes(bytes.info, sizeof bytes.info))
    {
        return Fail(MSG_NO_INFO);
    }
    int width = CByteReader::Le16(bytes.info + INFO_WIDTH);
    int height = CByteReader::Le16(bytes.info + INFO_HEIGHT);
    int bitsPerPixel = bytes.info[INFO_DEPTH];
    size_t size = 0;
    bool depthOk = bitsPerPixel == 24 || bitsPerPixel == 32;
    if (width == 0 || height == 0 || !depthOk || width > maxDimension || height > maxDimension ||
        !CheckedImageSize(width, height, bitsPerPixel / 8, INT_MAX, size))
    {
        return Fail(MSG_BAD_INFO);
    }
    image.reset(new CDecodedImage);
    image->width = width;
    image->height = height;
    image->components = bitsPerPixel / 8;
    image->format = bitsPerPixel == 24 ? IMAGE_FORMAT_RGB : IMAGE_FORMAT_RGBA;
    pixelBytes = static_cast<size_t>(image->components);
    totalPixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    return true;
}

// Room for pixelCount pixels (contents undefined); the record's size is the whole picture's.
bool CTgaReader::Allocate(size_t pixelCount)
{
    image->data.reset(new (std::nothrow) unsigned char[pixelCount * pixelBytes]);
    if (!image->data)
    {
        return Fail(MSG_NO_MEMORY);
    }
    image->dataSize = totalPixels * pixelBytes;
    capacityPixels = pixelCount;
    return true;
}

bool CTgaReader::LoadUncompressed()
{
    const size_t imageSize = totalPixels * pixelBytes;
    // A file too short for its pixels is refused before the buffer is made for them.
    if (imageSize > reader.Remaining())
    {
        return Fail(MSG_NO_IMAGE_DATA);
    }
    if (!Allocate(totalPixels))
    {
        return false;
    }
    unsigned char* pixels = image->data.get();
    if (!reader.ReadBytes(pixels, imageSize))
    {
        return Fail(MSG_NO_IMAGE_DATA);
    }
    // Stored B, G, R (, A); alpha stays in the fourth byte.
    for (size_t offset = 0; offset < imageSize; offset += pixelBytes)
    {
        std::swap(pixels[offset], pixels[offset + 2]);
    }
    return true;
}

bool CTgaReader::LoadCompressed()
{
    // Every packet takes at least a header byte and one pixel and yields at most 128 pixels, so
    // the buffer is sized by the data actually there rather than by what the header claims. A
    // picture the data cannot fill fails before its buffer would be needed in full.
    const size_t packetsThere = reader.Remaining() / (1 + pixelBytes) + 1;
    if (!Allocate(std::min(totalPixels, packetsThere * MAX_PACKET_PIXELS)))
    {
        return false;
    }
    unsigned char pixel[MAX_PIXEL_BYTES] = {};
    while (storedPixels < totalPixels)
    {
        uint8_t packetHeader = 0;
        if (!reader.ReadU8(packetHeader))
        {
            return Fail(MSG_NO_RLE_HEADER);
        }
        if (packetHeader < RUN_PACKET_FLAG)
        {
            for (size_t i = 0; i <= packetHeader; ++i)
            {
                if (!reader.ReadBytes(pixel, pixelBytes))
                {
                    return Fail(MSG_NO_IMAGE_DATA);
                }
                if (!StoreRlePixel(pixel))
                {
                    return false;
                }
            }
        }
        else
        {
            const size_t runLength = packetHeader - RUN_PACKET_FLAG + 1;
            if (!reader.ReadBytes(pixel, pixelBytes))
            {
                return Fail(MSG_NO_RUN_PIXEL);
            }
            for (size_t i = 0; i < runLength; ++i)
            {
                if (!StoreRlePixel(pixel))
                {
                    return false;
                }
            }
        }
    }
    return true;
}

// Stores one pixel read as B, G, R (, A) in R, G, B (, A) order; refuses a pixel beyond the
// picture's own count so that a packet running past the end writes nothing outside it.
bool CTgaReader::StoreRlePixel(const unsigned char* pixel)
{
    if (storedPixels >= totalPixels || storedPixels >= capacityPixels)
    {
        return Fail(MSG_TOO_MANY_PIXELS);
    }
    unsigned char* destination = image->data.get() + storedPixels * pixelBytes;
    destination[0] = pixel[2];
    destination[1] = pixel[1];
    destination[2] = pixel[0];
    if (pixelBytes == 4)
    {
        destination[3] = pixel[3];
    }
    ++storedPixels;
    return true;
}
}  // namespace

CDecodedImage* DecodeTGA(CByteReader& reader, const char* name, int maxDimension,
                         CTgaFileBytes* fileBytes)
{
    CTgaFileBytes scratch;
    return CTgaReader(reader, name, maxDimension, fileBytes ? *fileBytes : scratch).Decode();
}

CDecodedImage* DecodeTGA(CByteReader& reader, const char* name)
{
    return DecodeTGA(reader, name, TGA_MAX_DIMENSION, nullptr);
}
