// libFuzzer target: the PCX reader over bytes in memory, no GL.
#include "textures/CPcxReader.h"
#include "core/CByteReader.h"

#include <cstdint>
#include <cstdio>
#include <memory>

namespace
{
// Large pictures are valid but slow to fill from a tiny file; keep runs short.
const long long MAX_FUZZ_PIXELS = 4096LL * 4096LL;

bool IsFuzzableSize(const uint8_t* data, size_t size)
{
    if (size < 12)
    {
        return true;
    }
    long long width = (data[8] | (data[9] << 8)) - (data[4] | (data[5] << 8)) + 1;
    long long height = (data[10] | (data[11] << 8)) - (data[6] | (data[7] << 8)) + 1;
    return width <= 0 || height <= 0 || width * height <= MAX_FUZZ_PIXELS;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    freopen("/dev/null", "w", stderr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!IsFuzzableSize(data, size))
    {
        return 0;
    }
    CByteReader reader(data, size);
    std::unique_ptr<CDecodedImage> image(DecodePCX(reader));
    if (image)
    {
        volatile unsigned sum = 0;
        for (size_t i = 0; i < image->dataSize; i += 97)
        {
            sum += image->data[i];
        }
        if (image->dataSize != size_t(image->width) * size_t(image->height) * 3)
        {
            __builtin_trap();
        }
    }
    return 0;
}
