// Builds MD2 files byte by byte for the reader, entity and benchmark tests: a header with its
// sections laid out after it (skins, texture coordinates, triangles, frames), and a way to
// overwrite any header field afterwards to make a malformed file.
#ifndef KYREL_TEST_MD2FILEBUILDER_H
#define KYREL_TEST_MD2FILEBUILDER_H

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kyrel_test
{
// Header fields by their index among the 17 little-endian 32-bit header fields.
enum MD2Field
{
    MD2_MAGIC,
    MD2_VERSION_FIELD,
    MD2_SKIN_WIDTH,
    MD2_SKIN_HEIGHT,
    MD2_FRAME_SIZE,
    MD2_NUM_SKINS,
    MD2_NUM_VERTICES,
    MD2_NUM_TEXCOORDS,
    MD2_NUM_TRIANGLES,
    MD2_NUM_GLCMDS,
    MD2_NUM_FRAMES,
    MD2_OFFSET_SKINS,
    MD2_OFFSET_TEXCOORDS,
    MD2_OFFSET_TRIANGLES,
    MD2_OFFSET_FRAMES,
    MD2_OFFSET_GLCMDS,
    MD2_OFFSET_END
};

struct MD2Frame
{
    std::string name;
    std::array<float, 3> scale{{1, 1, 1}};
    std::array<float, 3> translate{{0, 0, 0}};
    // Packed x, y, z of each vertex, in the file's axes.
    std::vector<std::array<uint8_t, 3>> vertices;
};

struct MD2Triangle
{
    std::array<int16_t, 3> vertex;
    std::array<int16_t, 3> coord;
};

class MD2FileBuilder
{
public:
    int32_t skinWidth = 64;
    int32_t skinHeight = 64;
    int32_t skinCount = 1;
    std::vector<std::array<int16_t, 2>> texCoords;  // s, t in skin pixels
    std::vector<MD2Triangle> triangles;
    std::vector<MD2Frame> frames;

    std::vector<uint8_t> Build() const
    {
        const int32_t vertexCount =
            frames.empty() ? 0 : static_cast<int32_t>(frames[0].vertices.size());
        const int32_t frameSize = 40 + 4 * vertexCount;
        const int32_t skinsAt = 68;
        const int32_t texCoordsAt = skinsAt + 64 * skinCount;
        const int32_t trianglesAt = texCoordsAt + 4 * static_cast<int32_t>(texCoords.size());
        const int32_t framesAt = trianglesAt + 12 * static_cast<int32_t>(triangles.size());
        const int32_t end = framesAt + frameSize * static_cast<int32_t>(frames.size());
        const int32_t header[17] = {0x32504449,  // "IDP2"
                                    8,
                                    skinWidth,
                                    skinHeight,
                                    frameSize,
                                    skinCount,
                                    vertexCount,
                                    static_cast<int32_t>(texCoords.size()),
                                    static_cast<int32_t>(triangles.size()),
                                    0,
                                    static_cast<int32_t>(frames.size()),
                                    skinsAt,
                                    texCoordsAt,
                                    trianglesAt,
                                    framesAt,
                                    end,
                                    end};
        std::vector<uint8_t> bytes;
        bytes.reserve(static_cast<size_t>(end));
        for (int32_t field : header)
        {
            Put32(bytes, static_cast<uint32_t>(field));
        }
        for (int32_t i = 0; i < skinCount; ++i)
        {
            PutName(bytes, "skin.pcx", 64);
        }
        for (const auto& coord : texCoords)
        {
            Put16(bytes, coord[0]);
            Put16(bytes, coord[1]);
        }
        for (const MD2Triangle& triangle : triangles)
        {
            for (int16_t index : triangle.vertex)
            {
                Put16(bytes, index);
            }
            for (int16_t index : triangle.coord)
            {
                Put16(bytes, index);
            }
        }
        for (const MD2Frame& frame : frames)
        {
            for (float value : frame.scale)
            {
                PutFloat(bytes, value);
            }
            for (float value : frame.translate)
            {
                PutFloat(bytes, value);
            }
            PutName(bytes, frame.name, 16);
            for (const auto& vertex : frame.vertices)
            {
                bytes.insert(bytes.end(), vertex.begin(), vertex.end());
                bytes.push_back(0);  // normal index, unused
            }
        }
        return bytes;
    }

    static int32_t Field(const std::vector<uint8_t>& bytes, MD2Field field)
    {
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
        {
            value = (value << 8) | bytes[4 * field + i];
        }
        return static_cast<int32_t>(value);
    }

    static std::vector<uint8_t> WithField(std::vector<uint8_t> bytes, MD2Field field, int32_t value)
    {
        const size_t at = 4 * static_cast<size_t>(field);
        for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i)
        {
            bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
        }
        return bytes;
    }

private:
    static void Put16(std::vector<uint8_t>& bytes, int16_t value)
    {
        const uint16_t raw = static_cast<uint16_t>(value);
        bytes.push_back(static_cast<uint8_t>(raw & 0xFF));
        bytes.push_back(static_cast<uint8_t>(raw >> 8));
    }
    static void Put32(std::vector<uint8_t>& bytes, uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
        {
            bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
    }
    static void PutFloat(std::vector<uint8_t>& bytes, float value)
    {
        uint32_t raw = 0;
        std::memcpy(&raw, &value, sizeof raw);
        Put32(bytes, raw);
    }
    static void PutName(std::vector<uint8_t>& bytes, const std::string& name, size_t length)
    {
        for (size_t i = 0; i < length; ++i)
        {
            bytes.push_back(i < name.size() ? static_cast<uint8_t>(name[i]) : 0);
        }
    }
};
}  // namespace kyrel_test

#endif
