// libFuzzer target: the BMP reader over bytes in memory, no GL (run with -close_fd_mask=2 to
// keep its messages quiet).
#include "images/CBmpReader.h"
#include "io/CByteReader.h"

#include <cstdint>
#include <memory>

namespace
{
// Pictures up to the reader's full 16384 x 16384 are valid, but a 60-byte run-length file of
// that size costs seconds per input, and even 512 x 512 held the fuzzer to a few hundred runs a
// second under AddressSanitizer; no branch of the reader needs a larger picture to be reached.
const long long MAX_FUZZ_PIXELS = 256LL * 256LL;

bool IsFuzzableSize(const uint8_t* data, size_t size)
{
    if (size < 26)
    {
        return true;
    }
    uint32_t headerSize = CByteReader::Le32(data + 14);
    long long width, height;
    if (headerSize == 12)
    {
        width = CByteReader::Le16(data + 18);
        height = CByteReader::Le16(data + 20);
    }
    else
    {
        int32_t w = static_cast<int32_t>(CByteReader::Le32(data + 18));
        int32_t h = static_cast<int32_t>(CByteReader::Le32(data + 22));
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
