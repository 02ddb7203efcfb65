// Fuzzes the JPEG decoder over memory: any bytes must give either a whole RGBA picture of the size
// the frame declares, fully opaque, or a refusal, never a read or write outside the buffers.
// Decoding the same bytes twice must give the same picture, since the decoder state is reused.
// Run with -close_fd_mask=2 to keep the refusal messages quiet.
#include "images/CJpegDecoder.h"
#include "io/CByteReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace
{
// Frames above this many pixels are legal but take long to decode (a few bytes can declare a
// 16384 x 16384 picture whose restart intervals all stop early, or whose progressive scans cover
// it with end-of-band runs, and every one of its blocks is still transformed); they are left to
// the unit tests so that the fuzzer keeps a useful pace.
const long long FUZZ_MAX_PIXELS = 1 << 18;

bool DeclaresHugeFrame(const uint8_t* data, size_t size)
{
    for (size_t i = 0; i + 8 < size; ++i)
    {
        if (data[i] == 0xFF && (data[i + 1] == 0xC0 || data[i + 1] == 0xC2))
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
    CByteReader reader(data, size);
    std::unique_ptr<CDecodedImage> image(DecodeJPEG(reader, "fuzz.jpg"));
    if (!image)
    {
        return 0;
    }
    const int width = image->width;
    const int height = image->height;
    if (width < 1 || height < 1 || width > CJpegDecoder::MAX_DIMENSION ||
        height > CJpegDecoder::MAX_DIMENSION || image->components != 4)
    {
        abort();
    }
    size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    const uint8_t* pixels = image->data.get();
    if (image->dataSize != bytes)
    {
        abort();
    }
    for (size_t i = 3; i < bytes; i += 4)
    {
        if (pixels[i] != 255)
        {
            abort();
        }
    }
    CByteReader readerAgain(data, size);
    std::unique_ptr<CDecodedImage> again(DecodeJPEG(readerAgain, "fuzz.jpg"));
    if (!again || again->width != width || again->height != height ||
        memcmp(pixels, again->data.get(), bytes) != 0)
    {
        abort();
    }
    return 0;
}
