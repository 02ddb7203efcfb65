// The decoded-image record, the size limits every reader applies and their shared file helpers.
#include "images/CDecodedImage.h"
#include "io/CByteReader.h"
#include "io/Report.h"

#include <algorithm>
#include <cstdint>

namespace
{
const char* const MSG_COULDNT_OPEN = "error: couldn't open \"%s\"!\n";
}

void CDecodedImage::AllocateRgb(int pictureWidth, int pictureHeight)
{
    width = pictureWidth;
    height = pictureHeight;
    dataSize = static_cast<size_t>(pictureWidth) * static_cast<size_t>(pictureHeight) * 3;
    data.reset(new unsigned char[dataSize]);
}

void CDecodedImage::FlipRows()
{
    if (format != IMAGE_FORMAT_RGB && format != IMAGE_FORMAT_RGBA)
    {
        return;
    }
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(components);
    if (!data || height < 2 || rowBytes * static_cast<size_t>(height) > dataSize)
    {
        return;
    }
    unsigned char* top = data.get();
    unsigned char* bottom = data.get() + rowBytes * static_cast<size_t>(height - 1);
    for (; top < bottom; top += rowBytes, bottom -= rowBytes)
    {
        std::swap_ranges(top, top + rowBytes, bottom);
    }
}

bool IsAcceptedImageSize(long long width, long long height)
{
    size_t bytes = 0;
    return width <= MAX_IMAGE_SIDE && height <= MAX_IMAGE_SIDE &&
           CheckedImageSize(width, height, 4, SIZE_MAX, bytes);
}

CDecodedImage* DecodeImageFile(const char* path, ImageDecoder decode)
{
    CByteReader reader;
    if (!reader.OpenFile(path))
    {
        Report(ReportStream::Err, MSG_COULDNT_OPEN, path ? path : "");
        return nullptr;
    }
    return decode(reader, path);
}

const uint8_t* ReadBlock(CByteReader& reader, size_t count, std::vector<uint8_t>& scratch)
{
    if (count > reader.Remaining())
    {
        return nullptr;
    }
    if (const uint8_t* direct = reader.Current())
    {
        reader.Skip(count);
        return direct;
    }
    if (scratch.size() < count || scratch.empty())
    {
        scratch.resize(count > 0 ? count : 1);
    }
    return reader.ReadBytes(scratch.data(), count) ? scratch.data() : nullptr;
}
