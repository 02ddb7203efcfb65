// Builds 3DS files chunk by chunk for the reader, entity, fuzz-seed and benchmark code: a chunk is
// an identifier, its own data bytes and its children, and its length is worked out when the tree
// is written (or forced, to make a malformed file).
#ifndef KYREL_TEST_CHUNK3DSBUILDER_H
#define KYREL_TEST_CHUNK3DSBUILDER_H

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kyrel_test
{
struct Chunk3DSNode
{
    uint16_t id = 0;
    std::vector<uint8_t> data;
    std::vector<Chunk3DSNode> children;
    // When not zero, written as the length instead of the true one.
    uint32_t forcedLength = 0;

    explicit Chunk3DSNode(uint16_t chunkId) : id(chunkId) {}

    Chunk3DSNode& U8(uint8_t value)
    {
        data.push_back(value);
        return *this;
    }
    Chunk3DSNode& U16(uint16_t value)
    {
        data.push_back(static_cast<uint8_t>(value & 0xFF));
        data.push_back(static_cast<uint8_t>(value >> 8));
        return *this;
    }
    Chunk3DSNode& U32(uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8)
        {
            data.push_back(static_cast<uint8_t>(value >> shift));
        }
        return *this;
    }
    Chunk3DSNode& Float(float value)
    {
        uint32_t raw;
        std::memcpy(&raw, &value, sizeof raw);
        return U32(raw);
    }
    // The text and its terminating zero.
    Chunk3DSNode& Name(const std::string& text)
    {
        data.insert(data.end(), text.begin(), text.end());
        data.push_back(0);
        return *this;
    }
    Chunk3DSNode& Add(const Chunk3DSNode& child)
    {
        children.push_back(child);
        return *this;
    }

    size_t Size() const
    {
        size_t size = 6 + data.size();
        for (const Chunk3DSNode& child : children)
        {
            size += child.Size();
        }
        return size;
    }

    void Write(std::vector<uint8_t>& out) const
    {
        const uint32_t length = forcedLength != 0 ? forcedLength : static_cast<uint32_t>(Size());
        out.push_back(static_cast<uint8_t>(id & 0xFF));
        out.push_back(static_cast<uint8_t>(id >> 8));
        for (int shift = 0; shift < 32; shift += 8)
        {
            out.push_back(static_cast<uint8_t>(length >> shift));
        }
        out.insert(out.end(), data.begin(), data.end());
        for (const Chunk3DSNode& child : children)
        {
            child.Write(out);
        }
    }

    std::vector<uint8_t> Bytes() const
    {
        std::vector<uint8_t> out;
        out.reserve(Size());
        Write(out);
        return out;
    }
};

// Typical chunks, with the identifiers a 3DS file uses.
namespace chunk3ds
{
inline Chunk3DSNode Version(uint32_t version)
{
    return Chunk3DSNode(0x0002).U32(version);
}

inline Chunk3DSNode MeshVersion()
{
    return Chunk3DSNode(0x3D3E).U32(3);
}

// A material chunk: name, 24-bit diffuse colour and, when textureFile is not empty, a texture map
// naming it.
inline Chunk3DSNode Material(const std::string& name, std::array<uint8_t, 3> rgb,
                             const std::string& textureFile)
{
    Chunk3DSNode material(0xAFFF);
    material.Add(Chunk3DSNode(0xA000).Name(name));
    material.Add(Chunk3DSNode(0xA020).Add(Chunk3DSNode(0x0011).U8(rgb[0]).U8(rgb[1]).U8(rgb[2])));
    if (!textureFile.empty())
    {
        material.Add(Chunk3DSNode(0xA200).Add(Chunk3DSNode(0xA300).Name(textureFile)));
    }
    return material;
}

inline Chunk3DSNode Vertices(const std::vector<std::array<float, 3>>& positions)
{
    Chunk3DSNode chunk(0x4110);
    chunk.U16(static_cast<uint16_t>(positions.size()));
    for (const auto& p : positions)
    {
        chunk.Float(p[0]).Float(p[1]).Float(p[2]);
    }
    return chunk;
}

// The face list; a face-material chunk naming faceMaterial (when not empty) is stored inside it,
// as exporters write it.
inline Chunk3DSNode Faces(const std::vector<std::array<uint16_t, 3>>& faces,
                          const std::string& faceMaterial)
{
    Chunk3DSNode chunk(0x4120);
    chunk.U16(static_cast<uint16_t>(faces.size()));
    for (const auto& face : faces)
    {
        chunk.U16(face[0]).U16(face[1]).U16(face[2]).U16(0x0007);
    }
    if (!faceMaterial.empty())
    {
        Chunk3DSNode material(0x4130);
        material.Name(faceMaterial).U16(static_cast<uint16_t>(faces.size()));
        for (size_t i = 0; i < faces.size(); ++i)
        {
            material.U16(static_cast<uint16_t>(i));
        }
        chunk.Add(material);
    }
    return chunk;
}

inline Chunk3DSNode TexCoords(const std::vector<std::array<float, 2>>& coords)
{
    Chunk3DSNode chunk(0x4140);
    chunk.U16(static_cast<uint16_t>(coords.size()));
    for (const auto& c : coords)
    {
        chunk.Float(c[0]).Float(c[1]);
    }
    return chunk;
}

// A named object holding one triangle mesh with the given sub-chunks.
inline Chunk3DSNode Object(const std::string& name, const std::vector<Chunk3DSNode>& meshChunks)
{
    Chunk3DSNode mesh(0x4100);
    for (const Chunk3DSNode& child : meshChunks)
    {
        mesh.Add(child);
    }
    return Chunk3DSNode(0x4000).Name(name).Add(mesh);
}

// Main chunk > version, editor (mesh version first, then the given children).
inline Chunk3DSNode File(const std::vector<Chunk3DSNode>& editorChildren, uint32_t version = 3)
{
    Chunk3DSNode editor(0x3D3D);
    editor.Add(MeshVersion());
    for (const Chunk3DSNode& child : editorChildren)
    {
        editor.Add(child);
    }
    return Chunk3DSNode(0x4D4D).Add(Version(version)).Add(editor);
}
}  // namespace chunk3ds
}  // namespace kyrel_test

#endif
