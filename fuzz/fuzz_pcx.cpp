// libFuzzer target: the PCX reader over bytes in memory, no GL (run with -close_fd_mask=2 to
// keep its messages quiet).
#include "images/CPcxReader.h"
#include "io/CByteReader.h"

#include <cstdint>
#include <memory>

namespace
{
// Large pictures are valid but slow to fill from a tiny file, and no branch of the reader needs
// one; keep runs short.
const long long MAX_FUZZ_PIXELS = 256LL * 256LL;

bool IsFuzzableSize(const uint8_t* data, size_t size)
{
    if (size < 12)
    {
        return true;
    }
    long long width = CByteReader::Le16(data + 8) - CByteReader::Le16(data + 4) + 1;
    long long height = CByteReader::Le16(data + 10) - CByteReader::Le16(data + 6) + 1;
    return width <= 0 || height <= 0 || width * height <= MAX_FUZZ_PIXELS;
}
}  // namespace

// Reads of the decoded bytes land here so the compiler keeps them.
volatile unsigned gSink = 0;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!IsFuzzableSize(data, size))
    {
        return 0;
    }
    CByteReader reader(data, size);
    std::unique_ptr<CDecodedImage> image(DecodePCX(reader, "fuzz.pcx"));
    if (image)
    {
        for (size_t i = 0; i < image->dataSize; i += 97)
        {
            gSink += image->data[i];
        }
        if (image->dataSize != size_t(image->width) * size_t(image->height) * 3)
        {
            __builtin_trap();
        }
    }
    return 0;
}
