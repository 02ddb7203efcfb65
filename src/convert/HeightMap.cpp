// The height-map maker and its TGA writer.
#include "convert/HeightMap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace
{
// Rec. 601 luma weights.
const float LUMA_RED = 0.299f;
const float LUMA_GREEN = 0.587f;
const float LUMA_BLUE = 0.114f;
const float TOP = 255.0f;

const int TGA_HEADER_SIZE = 18;
const unsigned char TGA_TRUE_COLOR = 2;
const unsigned char TGA_TOP_LEFT_ORIGIN = 0x20;

// One pass of the [1 2 1] / 4 filter along rows or columns. Colour maps repeat over the model, so
// the filter wraps around the edges as the texture does.
std::vector<float> Smooth(const std::vector<float>& values, int width, int height, bool alongRows)
{
    std::vector<float> out(values.size());
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const int before = alongRows ? y * width + (x + width - 1) % width
                                         : ((y + height - 1) % height) * width + x;
            const int after =
                alongRows ? y * width + (x + 1) % width : ((y + 1) % height) * width + x;
            const int here = y * width + x;
            out[static_cast<size_t>(here)] = 0.25f * values[static_cast<size_t>(before)] +
                                             0.5f * values[static_cast<size_t>(here)] +
                                             0.25f * values[static_cast<size_t>(after)];
        }
    }
    return out;
}
}  // namespace

HeightMap MakeHeightMap(const unsigned char* pixels, int width, int height, int components,
                        float scale)
{
    HeightMap map;
    if (!pixels || width <= 0 || height <= 0 || components < 3)
    {
        return map;
    }
    map.width = width;
    map.height = height;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<float> luma(count);
    for (size_t i = 0; i < count; ++i)
    {
        const unsigned char* pixel = pixels + i * static_cast<size_t>(components);
        luma[i] = LUMA_RED * pixel[0] + LUMA_GREEN * pixel[1] + LUMA_BLUE * pixel[2];
    }
    luma = Smooth(Smooth(luma, width, height, true), width, height, false);
    const auto range = std::minmax_element(luma.begin(), luma.end());
    const float low = *range.first;
    const float span = *range.second - low;
    const float depth = std::min(std::max(scale, 0.0f), 1.0f);
    map.heights.resize(count);
    for (size_t i = 0; i < count; ++i)
    {
        // Less than half a step of brightness over the whole picture: flat.
        const float normalised = span < 0.5f ? TOP : (luma[i] - low) / span * TOP;
        const float value = TOP - depth * (TOP - normalised);
        map.heights[i] = static_cast<unsigned char>(std::lround(value));
    }
    return map;
}

void FlipHeightMapRows(HeightMap& map)
{
    const size_t row = static_cast<size_t>(map.width);
    for (int top = 0, bottom = map.height - 1; top < bottom; ++top, --bottom)
    {
        std::swap_ranges(map.heights.begin() + static_cast<std::ptrdiff_t>(top * row),
                         map.heights.begin() + static_cast<std::ptrdiff_t>((top + 1) * row),
                         map.heights.begin() + static_cast<std::ptrdiff_t>(bottom * row));
    }
}

bool WriteHeightMapTga(const HeightMap& map, const std::string& path)
{
    if (map.width <= 0 || map.height <= 0 || map.width > 0xFFFF || map.height > 0xFFFF)
    {
        return false;
    }
    unsigned char header[TGA_HEADER_SIZE] = {};
    header[2] = TGA_TRUE_COLOR;
    header[12] = static_cast<unsigned char>(map.width & 0xFF);
    header[13] = static_cast<unsigned char>(map.width >> 8);
    header[14] = static_cast<unsigned char>(map.height & 0xFF);
    header[15] = static_cast<unsigned char>(map.height >> 8);
    header[16] = 24;
    header[17] = TGA_TOP_LEFT_ORIGIN;
    // Grey: the same byte for blue, green and red.
    std::vector<unsigned char> pixels(map.heights.size() * 3);
    for (size_t i = 0; i < map.heights.size(); ++i)
    {
        std::fill_n(pixels.begin() + static_cast<std::ptrdiff_t>(3 * i), 3, map.heights[i]);
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         std::fclose);
    if (!file)
    {
        return false;
    }
    bool written = std::fwrite(header, 1, sizeof header, file.get()) == sizeof header &&
                   std::fwrite(pixels.data(), 1, pixels.size(), file.get()) == pixels.size();
    return std::fclose(file.release()) == 0 && written;
}
