// DDS reader for S3TC-compressed textures. Only the header fields that locate and size the levels
// are used; levels the file does not hold in full are not uploaded.
#include "images/CDdsReader.h"
#include "io/CByteReader.h"
#include "io/Report.h"

#include <algorithm>
#include <cstring>

namespace
{
const char* const MSG_NOT_DDS = "the file \"%s\" doesn't appear to bea valid .dds file!\n";
const char* const MSG_NOT_DXT =
    "the file \"%s\" doesn't appear to becompressed using DXT1, DXT3, or DXT5! [%i]\n";

const uint8_t DDS_MAGIC[4] = {'D', 'D', 'S', ' '};
const size_t SURFACE_DESCRIPTION_SIZE = 124;
const size_t HEIGHT_FIELD = 8;
const size_t WIDTH_FIELD = 12;
const size_t MIPMAP_COUNT_FIELD = 24;
const size_t FOUR_CC_FIELD = 80;

struct DxtFormat
{
    char fourCC[4];
    unsigned int format;
    int components;
};

const DxtFormat DXT_FORMATS[] = {
    {{'D', 'X', 'T', '1'}, IMAGE_FORMAT_DXT1, 3},
    {{'D', 'X', 'T', '3'}, IMAGE_FORMAT_DXT3, 4},
    {{'D', 'X', 'T', '5'}, IMAGE_FORMAT_DXT5, 4},
};

// Levels of the full chain down to 1 x 1.
int ChainLength(int width, int height)
{
    int levels = 1;
    for (int side = std::max(width, height); side > 1; side /= 2)
    {
        ++levels;
    }
    return levels;
}

// Levels, out of at most wanted, whose bytes all lie within dataSize.
int FittingLevels(int width, int height, int blockBytes, int wanted, size_t dataSize)
{
    size_t offset = 0;
    int levels = 0;
    for (; levels < wanted; ++levels)
    {
        size_t size = DdsLevelSize(width, height, blockBytes);
        if (size > dataSize - offset)
        {
            break;
        }
        offset += size;
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
    }
    return levels;
}
}  // namespace

int DdsBlockBytes(unsigned int format)
{
    return format == IMAGE_FORMAT_DXT1 ? 8 : 16;
}

size_t DdsLevelSize(int width, int height, int blockBytes)
{
    return static_cast<size_t>((width + 3) / 4) * static_cast<size_t>((height + 3) / 4) *
           static_cast<size_t>(blockBytes);
}

CDecodedImage* DecodeDDS(CByteReader& reader, const char* name)
{
    uint8_t magic[sizeof DDS_MAGIC];
    uint8_t description[SURFACE_DESCRIPTION_SIZE];
    if (!reader.ReadBytes(magic, sizeof magic) || memcmp(magic, DDS_MAGIC, sizeof magic) != 0 ||
        !reader.ReadBytes(description, sizeof description))
    {
        Report(ReportStream::Err, MSG_NOT_DDS, name);
        return nullptr;
    }
    const uint8_t* fourCC = description + FOUR_CC_FIELD;
    const DxtFormat* dxt = nullptr;
    for (const DxtFormat& candidate : DXT_FORMATS)
    {
        if (memcmp(candidate.fourCC, fourCC, 4) == 0)
        {
            dxt = &candidate;
        }
    }
    if (!dxt)
    {
        Report(ReportStream::Err, MSG_NOT_DXT, name, static_cast<int>(CByteReader::Le32(fourCC)));
        return nullptr;
    }
    uint32_t width = CByteReader::Le32(description + WIDTH_FIELD);
    uint32_t height = CByteReader::Le32(description + HEIGHT_FIELD);
    if (!IsAcceptedImageSize(width, height))
    {
        Report(ReportStream::Err, MSG_NOT_DDS, name);
        return nullptr;
    }
    std::unique_ptr<CDecodedImage> image(new CDecodedImage);
    image->width = static_cast<int>(width);
    image->height = static_cast<int>(height);
    image->format = dxt->format;
    image->components = dxt->components;
    // A count of 0 comes from writers that leave the count unset for a single level. Levels past
    // 1 x 1 do not exist, and a level the file cuts short is not read.
    uint32_t headerLevels =
        std::max<uint32_t>(CByteReader::Le32(description + MIPMAP_COUNT_FIELD), 1);
    int wanted = static_cast<int>(
        std::min<uint32_t>(headerLevels, ChainLength(image->width, image->height)));
    image->dataSize = reader.Remaining();
    image->mipmapCount = FittingLevels(image->width, image->height, DdsBlockBytes(dxt->format),
                                       wanted, image->dataSize);
    if (image->mipmapCount == 0)
    {
        Report(ReportStream::Err, MSG_NOT_DDS, name);
        return nullptr;
    }
    image->data.reset(new unsigned char[image->dataSize]);
    if (!reader.ReadBytes(image->data.get(), image->dataSize))
    {
        Report(ReportStream::Err, MSG_NOT_DDS, name);
        return nullptr;
    }
    return image.release();
}
