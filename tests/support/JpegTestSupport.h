// What the JPEG tests need to know about a file before decoding it: its frame type, read by
// walking the segments in front of the first scan.
#ifndef KYREL_JPEGTESTSUPPORT_H
#define KYREL_JPEGTESTSUPPORT_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace jpeg_test
{
const int BASELINE_FRAME = 0xC0;
const int PROGRESSIVE_FRAME = 0xC2;

// The marker code of the file's first frame header (0xC0 to 0xCF but for the table markers),
// or 0 when none stands before the first scan.
inline int FrameMarker(const std::vector<uint8_t>& file)
{
    size_t position = 2;
    while (position + 4 <= file.size() && file[position] == 0xFF)
    {
        int code = file[position + 1];
        if (code == 0xFF)
        {
            ++position;  // a fill byte
            continue;
        }
        if (code == 0xDA)
        {
            return 0;
        }
        if (code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC)
        {
            return code;
        }
        position += 2 + (file[position + 2] << 8 | file[position + 3]);
    }
    return 0;
}
}  // namespace jpeg_test

#endif
