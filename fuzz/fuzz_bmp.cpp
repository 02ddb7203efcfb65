// libFuzzer target: the BMP reader over bytes in memory, no GL (run with -close_fd_mask=2 to
// keep its messages quiet).
#include "images/CBmpReader.h"
#include "io/CByteReader.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace
{
// Pictures up to the reader's full 16384 x 16384 are valid, but a 60-byte run-length file of
// that size costs seconds per input; keep the fuzzer on inputs it can run thousands of times.
const long long MAX_FUZZ_PIXELS = 4096LL * 4096LL;

bool IsFuzzableSize(const uint8_t* data, size_t size)
{
    if (size < 26)
    {
        return true;
    }
    uint32_t headerSize =
        data[14] | (data[15] << 8) | (data[16] << 16) | (uint32_t(data[17]) << 24);
    long long width, height;
    if (headerSize == 12)
    {
        width = data[18] | (data[19] << 8);
        height = data[20] | (data[21] << 8);
    }
    else
    {
        int32_t w, h;
        memcpy(&w, data + 18, 4);
        memcpy(&h, data + 22, 4);
        width = w < 0 ? -(long long)w : w;
        height = h < 0 ? -(long long)h : h;
    }
    return width * height <= MAX_FUZZ_PIXELS;
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
    std::unique_ptr<CDecodedImage> image(DecodeBMP(reader, "fuzz.bmp"));
    if (image)
    {
        // Touch every byte so a short buffer shows up under AddressSanitizer.
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
