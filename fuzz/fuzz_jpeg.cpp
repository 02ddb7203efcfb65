// Fuzzes the JPEG decoder over memory: any bytes must give either a whole RGBA picture of the size
// the frame declares, fully opaque, or a refusal, never a read or write outside the buffers.
// Decoding the same bytes twice must give the same picture, since the decoder state is reused.
#include "textures/CJpegDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
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
