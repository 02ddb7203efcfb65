// Reference decodes for the image reader tests: ImageMagick's convert reads a picture and hands
// back 8-bit R, G, B rows (top row first) as a binary PPM, which is also the form of the
// checked-in reference outputs.
#ifndef KYREL_REFERENCEIMAGE_H
#define KYREL_REFERENCEIMAGE_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace reference_image
{
// A picture as R, G, B bytes per pixel, top row first.
struct RgbImage
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// Reads a binary PPM (P6, maximum value 255) from an open stream.
inline bool ReadPpm(FILE* stream, RgbImage& image)
{
    int maxValue = 0;
    if (!stream || fscanf(stream, "P6 %d %d %d", &image.width, &image.height, &maxValue) != 3 ||
        maxValue != 255 || image.width <= 0 || image.height <= 0 || fgetc(stream) == EOF)
    {
        return false;
    }
    image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
    return fread(image.rgb.data(), 1, image.rgb.size(), stream) == image.rgb.size();
}

// Reads a checked-in reference output.
inline bool ReadPpmFile(const std::string& path, RgbImage& image)
{
    FILE* file = fopen(path.c_str(), "rb");
    bool ok = ReadPpm(file, image);
    if (file)
    {
        fclose(file);
    }
    return ok;
}

// Decodes any picture ImageMagick reads; false when it cannot (or convert is missing).
inline bool DecodeWithImageMagick(const std::string& path, RgbImage& image)
{
    // The packaged binary, not whatever else is first on the path.
    const char* convert = access("/usr/bin/convert", X_OK) == 0 ? "/usr/bin/convert" : "convert";
    std::string command =
        std::string(convert) + " '" + path + "' -depth 8 -type TrueColor ppm:- 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
    {
        return false;
    }
    bool ok = ReadPpm(pipe, image);
    return pclose(pipe) == 0 && ok;
}
}  // namespace reference_image

#endif
