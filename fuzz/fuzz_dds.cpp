// libFuzzer target: the DDS reader over bytes in memory, no GL (run with -close_fd_mask=2 to
// keep its messages quiet). The level walk the upload does is repeated here over the decoded
// record, so a level past the data shows up as a fault.
#include "images/CDdsReader.h"
#include "io/CByteReader.h"

#include <algorithm>
#include <cstdint>
#include <memory>

// Reads of the decoded bytes land here so the compiler keeps them.
volatile unsigned gSink = 0;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CByteReader reader(data, size);
    std::unique_ptr<CDecodedImage> image(DecodeDDS(reader, "fuzz.dds"));
    if (!image)
    {
        return 0;
    }
    int blockBytes = DdsBlockBytes(image->format);
    int width = image->width;
    int height = image->height;
    size_t offset = 0;
    for (int level = 0; level < image->mipmapCount; ++level)
    {
        size_t levelSize = DdsLevelSize(width, height, blockBytes);
        if (offset + levelSize > image->dataSize)
        {
            __builtin_trap();
        }
        gSink += image->data[offset] + image->data[offset + levelSize - 1];
        offset += levelSize;
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
    }
    return 0;
}
