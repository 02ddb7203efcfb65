// Fuzzes the TGA decoder over memory: any bytes must give either a complete image or a refusal,
// never a read or write outside the buffers.
#include "images/CTgaReader.h"
#include "io/CByteReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace
{
// A small texture limit keeps huge claimed sizes from dominating the run: a 4096 x 4096 limit
// let a few header bytes cost 64 MB of output per input.
const int FUZZ_MAX_DIMENSION = 512;
}  // namespace

// Reads of the decoded bytes land here so the compiler keeps them.
volatile unsigned gSink = 0;

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
    std::unique_ptr<CDecodedImage> image(
        DecodeTGA(reader, "fuzz.tga", FUZZ_MAX_DIMENSION, nullptr));
    if (image)
    {
        size_t expected = static_cast<size_t>(image->width) * static_cast<size_t>(image->height) *
                          static_cast<size_t>(image->components);
        if (image->dataSize != expected || (image->components != 3 && image->components != 4))
        {
            abort();
        }
        // The last byte must lie inside the buffer (AddressSanitizer checks the read).
        gSink += image->data[expected - 1];
    }
    return 0;
}
