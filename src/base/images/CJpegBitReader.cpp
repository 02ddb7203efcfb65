// Entropy-coded data: stuffed bytes removed a restart interval at a time, markers found between
// intervals.
#include "images/CJpegBitReader.h"

#include "images/CJpegMarkerReader.h"

#include <emmintrin.h>

namespace
{
// Copies the entropy-coded bytes from source up to the next marker into out, each stuffed 0xFF 0x00
// (fill bytes before the 0x00 included) as one 0xFF. Returns the bytes written and sets stop to the
// marker's first 0xFF, or to end when the data run out first. out has room for end - source + 16
// bytes, since whole groups of 16 are copied before they are looked at.
size_t RemoveStuffing(const uint8_t* source, const uint8_t* end, uint8_t* out, const uint8_t*& stop)
{
    const __m128i prefix = _mm_set1_epi8(static_cast<char>(JPEG_MARKER_PREFIX));
    const uint8_t* position = source;
    uint8_t* target = out;
    for (;;)
    {
        while (end - position >= 16)
        {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(position));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target), bytes);
            int prefixes = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, prefix));
            if (prefixes != 0)
            {
                int plain = __builtin_ctz(static_cast<unsigned>(prefixes));
                position += plain;
                target += plain;
                break;
            }
            position += 16;
            target += 16;
        }
        while (position < end && *position != JPEG_MARKER_PREFIX)
        {
            *target++ = *position++;
        }
        if (position == end)
        {
            stop = end;
            return static_cast<size_t>(target - out);
        }
        const uint8_t* next = position + 1;
        while (next < end && *next == JPEG_MARKER_PREFIX)
        {
            ++next;
        }
        if (next == end || *next != 0)
        {
            stop = position;
            return static_cast<size_t>(target - out);
        }
        *target++ = JPEG_MARKER_PREFIX;
        position = next + 1;
    }
}

}  // namespace

CJpegBitReader BeginSegment(CJpegBitReader r, uint8_t* buffer)
{
    const uint8_t* stop = r.dataEnd;
    r.segment = buffer;
    r.segmentSize = RemoveStuffing(r.dataPosition, r.dataEnd, buffer, stop);
    r.dataPosition = stop;
    r.position = 0;
    r.bitBuffer = 0;
    r.bitCount = 0;
    return r;
}

const uint8_t* FindMarker(const uint8_t* position, const uint8_t* end)
{
    while (position + 1 < end && !(position[0] == JPEG_MARKER_PREFIX && position[1] != 0 &&
                                   position[1] != JPEG_MARKER_PREFIX))
    {
        ++position;
    }
    return position + 1 < end ? position : end;
}

bool StoppedAtRestartMarker(const uint8_t* dataPosition, const uint8_t* dataEnd)
{
    const uint8_t* marker = FindMarker(dataPosition, dataEnd);
    return marker != dataEnd && IsRestartMarker(marker[1]);
}

CJpegBitReader NextInterval(CJpegBitReader r, uint8_t* buffer, bool& restartMarker)
{
    const uint8_t* position = FindMarker(r.dataPosition, r.dataEnd);
    restartMarker = position != r.dataEnd && IsRestartMarker(position[1]);
    if (restartMarker)
    {
        r.dataPosition = position + 2;
        return BeginSegment(r, buffer);
    }
    r.dataPosition = position;
    r.segmentSize = 0;
    r.position = 0;
    r.bitBuffer = 0;
    r.bitCount = 0;
    return r;
}
