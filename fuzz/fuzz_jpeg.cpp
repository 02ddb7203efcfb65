// Fuzzes the JPEG decoder over memory: any bytes must give either a whole RGBA picture of the size
// the frame declares, fully opaque, or a refusal, never a read or write outside the buffers.
// Decoding the same bytes twice must give the same picture, since the decoder state is reused.
#include "images/CJpegDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
// Frames above this many pixels are legal but take long to decode (a few bytes can declare a
// 16384 x 16384 picture whose restart intervals all stop early); they are left to the unit tests
// so that the fuzzer keeps a useful pace.
const long long FUZZ_MAX_PIXELS = 1 << 22;

bool DeclaresHugeFrame(const uint8_t* data, size_t size)
{
    for (size_t i = 0; i + 8 < size; ++i)
    {
        if (data[i] == 0xFF && data[i + 1] == 0xC0)
        {
            long long height = (data[i + 5] << 8) | data[i + 6];
            long long width = (data[i + 7] << 8) | data[i + 8];
            if (width * height > FUZZ_MAX_PIXELS)
            {
                return true;
            }
        }
    }
    return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (DeclaresHugeFrame(data, size))
    {
        return 0;
    }
    int width = -1;
    int height = -1;
    uint8_t* pixels = DecodeJPEGFromMemory(data, size, width, height);
    if (!pixels)
    {
        if (width != -1 || height != -1)
        {
            abort();  // sizes are reported on success only
        }
        return 0;
    }
    if (width < 1 || height < 1 || width > CJpegDecoder::MAX_DIMENSION ||
        height > CJpegDecoder::MAX_DIMENSION)
    {
        abort();
    }
    size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    for (size_t i = 3; i < bytes; i += 4)
    {
        if (pixels[i] != 255)
        {
            abort();
        }
    }
    int againWidth = 0;
    int againHeight = 0;
    uint8_t* again = DecodeJPEGFromMemory(data, size, againWidth, againHeight);
    if (!again || againWidth != width || againHeight != height || memcmp(pixels, again, bytes) != 0)
    {
        abort();
    }
    delete[] again;
    delete[] pixels;
    return 0;
}
