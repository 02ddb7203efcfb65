// Fuzzes the TGA decoder over memory: any bytes must give either a complete image or a refusal,
// never a read or write outside the buffers.
#include "io/CByteReader.h"
#include "textures/CTgaImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{
// A GL-like texture limit keeps huge claimed sizes from dominating the run.
const int FUZZ_MAX_DIMENSION = 4096;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The decoder's messages are not the point here; keep the fuzzer's output readable.
    if (!freopen("/dev/null", "w", stdout))
    {
        return 0;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CByteReader reader(data, size);
    CTgaImage image;
    if (image.Decode(reader, "fuzz.tga", FUZZ_MAX_DIMENSION))
    {
        size_t expected = static_cast<size_t>(image.width) * static_cast<size_t>(image.height) *
                          static_cast<size_t>(image.bytesPerPixel);
        if (image.pixels.size() != expected || static_cast<size_t>(image.imageSize) != expected)
        {
            abort();
        }
    }
    else if (!image.pixels.empty())
    {
        abort();
    }
    return 0;
}
