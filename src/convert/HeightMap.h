// Height maps for relief made from colour maps: luminance, lightly smoothed so that the relief has
// no single-texel spikes, stretched to the full range; written as TGA, which the engine reads.
#ifndef KYREL_CONVERT_HEIGHTMAP_H
#define KYREL_CONVERT_HEIGHTMAP_H

#include <string>
#include <vector>

struct HeightMap
{
    int width = 0;
    int height = 0;
    std::vector<unsigned char> heights;  // width * height, top row first; 255 is the top
};

// The height map of a picture of components bytes a pixel (R, G, B first), top row first. scale
// (0 to 1) shrinks the depth of the relief: heights become 255 - scale * (255 - h). A picture of
// one brightness gives a flat map at the top (255).
HeightMap MakeHeightMap(const unsigned char* pixels, int width, int height, int components,
                        float scale);

// Turns the map upside down: for colour maps the engine loads bottom row first.
void FlipHeightMapRows(HeightMap& map);

// Writes the map as an uncompressed 24-bit TGA, top row first; false when it cannot.
bool WriteHeightMapTga(const HeightMap& map, const std::string& path);

#endif
