// TGA reader: the header checks, then the uncompressed or the run-length decoder. Every failure
// prints one line on standard output (message, the name where one is given) and gives null.
#include "images/CTgaReader.h"
#include "images/PixelConvert.h"
#include "io/CByteReader.h"
#include "io/Report.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

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
    CTgaReader(CByteReader& reader, const char* name, int maxDimension, CTgaFileBytes& fileBytes,
               PixelConvert::ConvertPath path)
        : reader(reader), name(name ? name : ""), maxDimension(maxDimension), bytes(fileBytes),
          path(path)
    {
    }

    CDecodedImage* Decode();

private:
    bool ReadInfo();
    bool Allocate(size_t pixelCount);
    bool LoadUncompressed();
    bool LoadCompressed();
    bool ExpandPackets(const uint8_t* begin, const uint8_t* end, size_t& consumed);
    void SwapToRgb(const uint8_t* source, uint8_t* destination, size_t pixelCount) const;
    void FillRun(const uint8_t* pixel, uint8_t* destination, size_t pixelCount) const;

    bool Fail(const char* message)
    {
        Report(ReportStream::Out, "%s%s\n", message, name);
        return false;
    }

    CByteReader& reader;
    const char* name;
    int maxDimension;
    CTgaFileBytes& bytes;
    PixelConvert::ConvertPath path;
    std::unique_ptr<CDecodedImage> image;
    size_t pixelBytes = 0;
    size_t totalPixels = 0;
    size_t capacityPixels = 0;
};

CDecodedImage* CTgaReader::Decode()
{
    uint8_t idLength = 0;
    if (!reader.ReadU8(idLength))
    {
        Report(ReportStream::Out, "%s\n", MSG_NO_COMMENT);
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
    // From memory the channels are swapped on the way in; a file is read whole, then swapped.
    if (const uint8_t* stored = reader.Current())
    {
        SwapToRgb(stored, pixels, totalPixels);
        reader.Skip(imageSize);
        return true;
    }
    if (!reader.ReadBytes(pixels, imageSize))
    {
        return Fail(MSG_NO_IMAGE_DATA);
    }
    SwapToRgb(pixels, pixels, totalPixels);
    return true;
}

bool CTgaReader::LoadCompressed()
{
    // Every packet takes at least a header byte and one pixel and yields at most 128 pixels, so
    // the buffer is sized by the data actually there rather than by what the header claims. A
    // picture the data cannot fill fails before its buffer would be needed in full.
    const size_t available = reader.Remaining();
    const size_t packetsThere = available / (1 + pixelBytes) + 1;
    if (!Allocate(std::min(totalPixels, packetsThere * MAX_PACKET_PIXELS)))
    {
        return false;
    }
    // The packets are expanded from one block: the rest of a memory reader, or the rest of a
    // file read in one call.
    const size_t start = reader.Tell();
    std::vector<uint8_t> scratch;
    const uint8_t* packets = ReadBlock(reader, available, scratch);
    if (!packets)
    {
        return Fail(MSG_NO_RLE_HEADER);
    }
    size_t consumed = 0;
    if (!ExpandPackets(packets, packets + available, consumed))
    {
        return false;
    }
    // Bytes after the last packet are not the picture's: leave the reader just past it.
    reader.Seek(start + consumed);
    return true;
}

// Packets from in up to end fill the picture; every packet is checked whole against the bytes
// there and the pixels still missing before anything of it is stored. Where a packet is both
// short of bytes and too long, the message is the one for whichever pixel comes first.
bool CTgaReader::ExpandPackets(const uint8_t* begin, const uint8_t* end, size_t& consumed)
{
    const uint8_t* in = begin;
    uint8_t* out = image->data.get();
    // capacityPixels never exceeds the picture's own count, so it is the one limit to keep.
    size_t storedPixels = 0;
    while (storedPixels < totalPixels)
    {
        if (in == end)
        {
            return Fail(MSG_NO_RLE_HEADER);
        }
        const unsigned packetHeader = *in++;
        const size_t count = (packetHeader & (RUN_PACKET_FLAG - 1)) + 1;
        const size_t room = capacityPixels - storedPixels;
        const size_t pixelsThere = static_cast<size_t>(end - in) / pixelBytes;
        if (packetHeader < RUN_PACKET_FLAG)
        {
            if (count > pixelsThere || count > room)
            {
                return Fail(pixelsThere <= room ? MSG_NO_IMAGE_DATA : MSG_TOO_MANY_PIXELS);
            }
            SwapToRgb(in, out + storedPixels * pixelBytes, count);
            in += count * pixelBytes;
        }
        else
        {
            if (pixelsThere == 0)
            {
                return Fail(MSG_NO_RUN_PIXEL);
            }
            if (count > room)
            {
                return Fail(MSG_TOO_MANY_PIXELS);
            }
            FillRun(in, out + storedPixels * pixelBytes, count);
            in += pixelBytes;
        }
        storedPixels += count;
    }
    consumed = static_cast<size_t>(in - begin);
    return true;
}

// Stored B, G, R (, A) to R, G, B (, A); alpha stays in the fourth byte.
void CTgaReader::SwapToRgb(const uint8_t* source, uint8_t* destination, size_t pixelCount) const
{
    if (pixelBytes == 4)
    {
        PixelConvert::BgraToRgba(source, destination, pixelCount, path);
    }
    else
    {
        PixelConvert::BgrToRgb(source, destination, pixelCount, path);
    }
}

// One stored pixel repeated pixelCount times, with plain stores of whole pixels.
void CTgaReader::FillRun(const uint8_t* pixel, uint8_t* destination, size_t pixelCount) const
{
    uint8_t swapped[MAX_PIXEL_BYTES] = {pixel[2], pixel[1], pixel[0], 0};
    if (pixelBytes == 4)
    {
        swapped[3] = pixel[3];
        uint32_t value = 0;
        memcpy(&value, swapped, sizeof value);
        for (size_t i = 0; i < pixelCount; ++i)
        {
            memcpy(destination + 4 * i, &value, sizeof value);
        }
        return;
    }
    // Four 3-byte pixels make a 12-byte pattern stored in one step.
    const size_t patternPixels = 4;
    uint8_t pattern[3 * patternPixels];
    for (size_t i = 0; i < patternPixels; ++i)
    {
        memcpy(pattern + 3 * i, swapped, 3);
    }
    size_t done = 0;
    for (; done + patternPixels <= pixelCount; done += patternPixels)
    {
        memcpy(destination + 3 * done, pattern, sizeof pattern);
    }
    for (; done < pixelCount; ++done)
    {
        memcpy(destination + 3 * done, swapped, 3);
    }
}
}  // namespace

CDecodedImage* DecodeTGA(CByteReader& reader, const char* name, int maxDimension,
                         CTgaFileBytes* fileBytes, PixelConvert::ConvertPath path)
{
    CTgaFileBytes scratch;
    return CTgaReader(reader, name, maxDimension, fileBytes ? *fileBytes : scratch, path).Decode();
}

CDecodedImage* DecodeTGA(CByteReader& reader, const char* name)
{
    return DecodeTGA(reader, name, TGA_MAX_DIMENSION, nullptr);
}
