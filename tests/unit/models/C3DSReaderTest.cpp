// The 3DS reader without GL: a file built chunk by chunk with two materials and two objects, the
// counts and boxes of the shared jeep model, the refusal of every malformed chunk tree with its
// message, the bounded copies, and the shared good and bad files.
#include "models/C3DSReader.h"
#include "support/Chunk3DSBuilder.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

using kyrel_test::Chunk3DSNode;
namespace c3 = kyrel_test::chunk3ds;

namespace
{
struct LoadResult
{
    bool loaded = false;
    std::string output;
    int dropped = 0;
};

LoadResult LoadBytes(CModelData& model, const std::vector<uint8_t>& bytes, int swapAxes = 0)
{
    C3DSReader reader;
    LoadResult result;
    testing::internal::CaptureStdout();
    result.loaded = reader.LoadFromMemory(&model, bytes.data(), bytes.size(), "test.3ds", swapAxes);
    result.output = testing::internal::GetCapturedStdout();
    result.dropped = reader.GetDroppedFaceCount();
    return result;
}

LoadResult LoadPath(CModelData& model, const std::string& path, int swapAxes = 0)
{
    C3DSReader reader;
    LoadResult result;
    testing::internal::CaptureStdout();
    result.loaded = reader.Load(&model, path.c_str(), swapAxes);
    result.output = testing::internal::GetCapturedStdout();
    return result;
}

void ExpectVector(const CVector3& expected, const CVector3& actual, const char* what)
{
    EXPECT_NEAR(expected.x, actual.x, 1e-4f) << what;
    EXPECT_NEAR(expected.y, actual.y, 1e-4f) << what;
    EXPECT_NEAR(expected.z, actual.z, 1e-4f) << what;
}

// Two materials (a textured "Wood", an untextured "Stone") and two objects: a textured crate
// naming "Wood", and a rock with texture coordinates naming "stone", which matches nothing. An
// unknown chunk sits between the two objects, and the version is 4.
std::vector<uint8_t> TwoMaterialFile()
{
    Chunk3DSNode crate =
        c3::Object("Crate", {c3::Vertices({{1, 2, 3}, {4, 2, 3}, {1, 5, 3}, {1, 2, 7}}),
                             c3::TexCoords({{0, 0}, {1, 0}, {0, 1}, {1, 1}}),
                             c3::Faces({{0, 1, 2}, {0, 2, 3}}, "Wood")});
    Chunk3DSNode rock = c3::Object(
        "Rock", {c3::Vertices({{-1, -1, -1}, {-2, -1, -1}, {-1, -3, -1}}),
                 c3::TexCoords({{0.5f, 0.5f}, {1, 1}, {0, 0}}), c3::Faces({{0, 1, 2}}, "stone")});
    Chunk3DSNode unknown(0x1234);
    unknown.U32(0xDEADBEEF).U32(0x4000AFFF);
    return c3::File({c3::Material("Wood", {200, 100, 50}, "wood.bmp"),
                     c3::Material("Stone", {10, 20, 30}, ""), crate, unknown, rock},
                    4)
        .Bytes();
}
}  // namespace

TEST(C3DSReader, ReadsMaterialsObjectsAndSwapsAxes)
{
    CModelData model;
    const LoadResult result = LoadBytes(model, TwoMaterialFile(), 1);
    ASSERT_TRUE(result.loaded) << result.output;
    // Version 4 loads, with the warning printed once.
    EXPECT_EQ("\nThis 3DS file is over version 3 so it may load incorrectly\n", result.output);

    ASSERT_EQ(2, model.materialCount);
    EXPECT_STREQ("Wood", model.materials[0].name);
    EXPECT_STREQ("wood.bmp", model.materials[0].textureFile);
    EXPECT_EQ(50, model.materials[0].color[2]);
    EXPECT_STREQ("", model.materials[1].textureFile);

    ASSERT_EQ(2, model.objectCount);
    const ModelObject& crate = model.objects[0];
    const ModelObject& rock = model.objects[1];
    EXPECT_STREQ("Crate", crate.name);
    EXPECT_EQ(0, crate.materialIndex);
    EXPECT_TRUE(crate.hasTexture);
    // Case-sensitive match: "stone" is not "Stone".
    EXPECT_EQ(-1, rock.materialIndex);
    EXPECT_FALSE(rock.hasTexture);

    // (x, y, z) is stored as (x, z, -y).
    ExpectVector(CVector3(1, 3, -2), crate.vertices[0], "swapped vertex");
    ExpectVector(CVector3(1, 7, -2), crate.vertices[3], "swapped vertex");
    EXPECT_EQ(4, crate.vertexCount);
    EXPECT_EQ(2, crate.faceCount);
    EXPECT_EQ(6, crate.bufferVertexCount);
    EXPECT_EQ(9, model.totalVertexCount);
    // Texture coordinates go by vertex index.
    EXPECT_EQ(2, crate.faces[1].coordIndex[1]);
    EXPECT_EQ(3, crate.faces[1].coordIndex[2]);

    // Boxes per object and over the model (in the swapped axes).
    ExpectVector(CVector3(1, 3, -5), crate.boundsMin, "crate min");
    ExpectVector(CVector3(4, 7, -2), crate.boundsMax, "crate max");
    ExpectVector(CVector3(-2, -1, 1), rock.boundsMin, "rock min");
    ExpectVector(CVector3(4, 7, 3), model.boundsMax, "model max");

    // Vertex 3 is used by face 1 only: (1, 3, -2), (1, 3, -5), (1, 7, -2) in the plane x = 1,
    // whose (p0 - p2) x (p2 - p1) is (-12, 0, 0); divided by minus one face and made unit length.
    ExpectVector(CVector3(1, 0, 0), crate.normals[3], "vertex normal");

    // The sphere's centre is the mean of all seven positions; (1, 7, -2) lies farthest from it.
    ExpectVector(CVector3(3.0f / 7.0f, 13.0f / 7.0f, -6.0f / 7.0f), model.sphereCenter, "centre");
    EXPECT_NEAR((CVector3(1, 7, -2) - model.sphereCenter).Length(), model.sphereRadius, 1e-4f);

    // Colour buffers: the material's colour over 255, white for a missing material.
    std::vector<float> colors;
    C3DSReader::BuildColorArray(model, crate, colors);
    ASSERT_EQ(18u, colors.size());
    EXPECT_FLOAT_EQ(200.0f / 255.0f, colors[15]);
    EXPECT_FLOAT_EQ(50.0f / 255.0f, colors[17]);
    C3DSReader::BuildColorArray(model, rock, colors);
    EXPECT_EQ(std::vector<float>(9, 1.0f), colors);
}

TEST(C3DSReader, ObjectWithoutFaceMaterialKeepsMaterialZeroUntextured)
{
    CModelData model;
    const std::vector<uint8_t> bytes =
        c3::File({c3::Material("Wood", {1, 2, 3}, "wood.bmp"),
                  c3::Object("Plain", {c3::Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                                       c3::TexCoords({{0, 0}, {1, 0}, {0, 1}}),
                                       c3::Faces({{0, 1, 2}}, "")})})
            .Bytes();
    const LoadResult result = LoadBytes(model, bytes);
    ASSERT_TRUE(result.loaded);
    EXPECT_EQ("", result.output);
    EXPECT_EQ(0, model.objects[0].materialIndex);
    EXPECT_FALSE(model.objects[0].hasTexture);
    // Unswapped, the counter-clockwise triangle faces +z.
    ExpectVector(CVector3(0, 0, 1), model.objects[0].normals[0], "normal");
    ExpectVector(CVector3(1, 0, 0), model.objects[0].vertices[1], "unswapped vertex");
}

// Exporters put an object or a material first in the editor chunk, where the mesh version
// usually stands. A material there without a colour chunk is white.
TEST(C3DSReader, EditorChunkMayStartWithAnObjectOrAMaterial)
{
    const Chunk3DSNode hull = c3::Object(
        "Hull", {c3::Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), c3::Faces({{0, 1, 2}}, "Bare")});
    Chunk3DSNode bare(0xAFFF);
    bare.Add(Chunk3DSNode(0xA000).Name("Bare"));
    const struct
    {
        const char* name;
        std::vector<Chunk3DSNode> editorChildren;
        int objects;
        int materials;
    } cases[] = {
        {"object first", {hull}, 1, 0},
        {"material first", {bare, hull}, 1, 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Chunk3DSNode editor(0x3D3D);
        for (const Chunk3DSNode& child : c.editorChildren)
        {
            editor.Add(child);
        }
        CModelData model;
        const LoadResult result = LoadBytes(model, Chunk3DSNode(0x4D4D).Add(editor).Bytes());
        ASSERT_TRUE(result.loaded) << result.output;
        ASSERT_EQ(c.objects, model.objectCount);
        EXPECT_STREQ("Hull", model.objects[0].name);
        EXPECT_EQ(3, model.totalVertexCount);
        ASSERT_EQ(c.materials, model.materialCount);
        std::vector<float> colors;
        C3DSReader::BuildColorArray(model, model.objects[0], colors);
        EXPECT_EQ(std::vector<float>(9, 1.0f), colors);
    }
}

// Each malformed file is refused with its message and leaves the caller's model as it was.
TEST(C3DSReader, RefusesMalformedChunkTrees)
{
    const std::string invalid = "\nInvalid 3DS file (";
    auto withChild = [](const Chunk3DSNode& child) { return c3::File({child}); };
    auto tooShort = []
    {
        Chunk3DSNode chunk(0x1234);
        chunk.forcedLength = 3;
        return chunk;
    }();
    auto pastParent = []
    {
        Chunk3DSNode chunk(0x1234);
        chunk.U32(0);
        chunk.forcedLength = 0x7FFFFFF0;
        return chunk;
    }();
    Chunk3DSNode vertexCountPastChunk(0x4110);
    vertexCountPastChunk.U16(100).Float(1).Float(2).Float(3);
    Chunk3DSNode faceCountPastChunk(0x4120);
    faceCountPastChunk.U16(2).U16(0).U16(0).U16(0).U16(0);
    Chunk3DSNode texCountPastChunk(0x4140);
    texCountPastChunk.U16(65535);
    Chunk3DSNode countMissing(0x4110);
    Chunk3DSNode deep(0x3D3D);
    for (int i = 0; i < 40; ++i)
    {
        Chunk3DSNode outer(0x3D3D);
        outer.Add(c3::MeshVersion()).Add(deep);
        deep = outer;
    }
    std::vector<uint8_t> truncated = TwoMaterialFile();
    truncated.resize(truncated.size() - 10);
    std::vector<uint8_t> trailingPartialHeader = withChild(c3::MeshVersion()).Bytes();
    trailingPartialHeader.insert(trailingPartialHeader.end(), {0x11, 0x22, 0x33});
    trailingPartialHeader[2] = static_cast<uint8_t>(trailingPartialHeader.size());
    std::vector<uint8_t> notMain = TwoMaterialFile();
    notMain[0] = 0x4C;

    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
        std::string message;
    };
    const Case cases[] = {
        {"empty file", {}, "\nUnable to load PRIMARY chuck from file: test.3ds!\n"},
        {"first chunk not main", notMain, "\nUnable to load PRIMARY chuck from file: test.3ds!\n"},
        {"main chunk past the file", truncated, invalid + "Chunk length outside its parent"},
        {"chunk length under 6", withChild(tooShort).Bytes(),
         invalid + "Chunk length outside its parent"},
        {"chunk past its parent", withChild(pastParent).Bytes(),
         invalid + "Chunk length outside its parent"},
        {"partial header at a chunk's end", trailingPartialHeader,
         invalid + "Chunk header past its parent"},
        {"vertex count past the chunk", withChild(c3::Object("A", {vertexCountPastChunk})).Bytes(),
         invalid + "Count past its chunk"},
        {"face count past the chunk", withChild(c3::Object("A", {faceCountPastChunk})).Bytes(),
         invalid + "Count past its chunk"},
        {"texture-coordinate count past the chunk",
         withChild(c3::Object("A", {texCountPastChunk})).Bytes(), invalid + "Count past its chunk"},
        {"vertex list without its count", withChild(c3::Object("A", {countMissing})).Bytes(),
         invalid + "Count past its chunk"},
        {"chunks nested too deep", withChild(deep).Bytes(), invalid + "Chunks nested too deep"},
    };
    for (const Case& c : cases)
    {
        CModelData model;
        model.objectCount = 7;
        const LoadResult result = LoadBytes(model, c.bytes);
        EXPECT_FALSE(result.loaded) << c.what;
        EXPECT_EQ(0u, result.output.find(c.message)) << c.what << ": " << result.output;
        EXPECT_EQ(7, model.objectCount) << c.what;
        EXPECT_TRUE(model.objects.empty()) << c.what;
    }

    kyrel_test::TempDir dir("c3ds");
    CModelData model;
    const std::string missing = dir.File("missing.3ds");
    const LoadResult result = LoadPath(model, missing);
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ("\nUnable to find the file: " + missing + "!\n", result.output);
}

// Odd data the reader takes without refusing the file: bounded copies, other colour forms, a
// large skipped chunk, faces naming missing vertices, more materials than the old texture table.
TEST(C3DSReader, BoundsWhatItCopiesAndKeepsTheRest)
{
    const std::string longName(300, 'n');
    Chunk3DSNode floatColor(0xAFFF);
    floatColor.Add(Chunk3DSNode(0xA000).Name("Float"));
    floatColor.Add(
        Chunk3DSNode(0xA020).Add(Chunk3DSNode(0x0010).Float(1.0f).Float(0.5f).Float(-3.0f)));
    Chunk3DSNode oddColor(0xAFFF);
    oddColor.Add(Chunk3DSNode(0xA000).Name("Odd"));
    oddColor.Add(Chunk3DSNode(0xA020).Add(Chunk3DSNode(0x0030).U16(99).U16(98).U16(97)));
    Chunk3DSNode shortColor(0xAFFF);
    shortColor.Add(Chunk3DSNode(0xA000).Name("Short"));
    shortColor.Add(Chunk3DSNode(0xA020).Add(Chunk3DSNode(0x0011).U8(9)));
    Chunk3DSNode bigSkipped(0xB000);
    bigSkipped.data.assign(300000, 0xAB);

    std::vector<Chunk3DSNode> children = {c3::Material(longName, {1, 2, 3}, longName + ".bmp"),
                                          floatColor, oddColor, shortColor, bigSkipped};
    for (int i = 0; i < 12; ++i)
    {
        children.push_back(c3::Material("M" + std::to_string(i), {0, 0, 0}, ""));
    }
    children.push_back(c3::Object(longName, {c3::Vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
                                             c3::Faces({{0, 1, 2}, {0, 1, 3}, {9, 1, 2}}, "M11"),
                                             c3::TexCoords({{0.25f, 0.75f}})}));
    CModelData model;
    const LoadResult result = LoadBytes(model, c3::File(children).Bytes());
    ASSERT_TRUE(result.loaded) << result.output;

    EXPECT_EQ(std::string(254, 'n'), model.materials[0].name);
    EXPECT_EQ(std::string(254, 'n'), model.objects[0].name);
    const unsigned char floatRgb[3] = {255, 128, 0};
    EXPECT_EQ(0, std::memcmp(floatRgb, model.materials[1].color, 3));
    // Colour chunks of an unknown kind or cut short leave the default white.
    const unsigned char white[3] = {255, 255, 255};
    EXPECT_EQ(0, std::memcmp(white, model.materials[2].color, 3));
    EXPECT_EQ(0, std::memcmp(white, model.materials[3].color, 3));

    ASSERT_EQ(16, model.materialCount);
    const ModelObject& object = model.objects[0];
    EXPECT_EQ(15, object.materialIndex);
    // The two faces naming vertex 3 and vertex 9 of a three-vertex object are dropped.
    EXPECT_EQ(2, result.dropped);
    EXPECT_EQ(1, object.faceCount);
    EXPECT_EQ(3, model.totalVertexCount);
    EXPECT_NE(std::string::npos, result.output.find("2 faces name vertices outside"));
    // A short coordinate list is padded so that every vertex has one.
    ASSERT_EQ(3u, object.texCoords.size());
    EXPECT_EQ(0.75f, object.texCoords[0].v);
    EXPECT_EQ(0.0f, object.texCoords[2].u);
}

TEST(C3DSReader, JeepCountsAndBoxes)
{
    const std::string path = std::string(KYREL_SHARED_TESTDATA_DIR) + "/3ds/good/jeep1.3ds";
    if (!std::filesystem::exists(path))
    {
        GTEST_SKIP() << "shared 3DS model not present: " << path;
    }
    CModelData model;
    const LoadResult result = LoadPath(model, path);
    ASSERT_TRUE(result.loaded) << result.output;
    EXPECT_EQ("", result.output);

    struct Part
    {
        const char* name;
        int vertices;
        int faces;
    };
    const Part parts[] = {{"frw", 210, 192},   {"rrw", 210, 192},  {"flw", 210, 192},
                          {"rlw", 210, 192},   {"rsteer", 24, 36}, {"lsteer", 24, 36},
                          {"main", 1060, 1192}};
    ASSERT_EQ(7, model.objectCount);
    for (size_t i = 0; i < 7; ++i)
    {
        const ModelObject& object = model.objects[i];
        EXPECT_STREQ(parts[i].name, object.name);
        EXPECT_EQ(parts[i].vertices, object.vertexCount) << parts[i].name;
        EXPECT_EQ(parts[i].vertices, object.texCoordCount) << parts[i].name;
        EXPECT_EQ(parts[i].faces, object.faceCount) << parts[i].name;
        EXPECT_EQ(0, object.materialIndex) << parts[i].name;
        EXPECT_TRUE(object.hasTexture) << parts[i].name;
    }
    EXPECT_EQ(6096, model.totalVertexCount);
    ASSERT_EQ(1, model.materialCount);
    EXPECT_STREQ("Material01", model.materials[0].name);
    EXPECT_STREQ("jeep1.jpg", model.materials[0].textureFile);
    const unsigned char grey[3] = {0xCC, 0xCC, 0xCC};
    EXPECT_EQ(0, std::memcmp(grey, model.materials[0].color, 3));

    // Boxes as lib3ds measures them.
    ExpectVector(CVector3(-5.52924f, -4.34786f, -0.0260483f), model.boundsMin, "model min");
    ExpectVector(CVector3(5.52924f, 12.298f, 7.61354f), model.boundsMax, "model max");
    ExpectVector(CVector3(3.33216f, 7.09058f, -0.0260483f), model.objects[0].boundsMin, "frw");
    ExpectVector(CVector3(5.52924f, 10.4318f, 3.3152f), model.objects[0].boundsMax, "frw");
    ExpectVector(CVector3(-4.63989f, -4.34786f, 0.730855f), model.objects[6].boundsMin, "main");
    ExpectVector(CVector3(4.63989f, 12.298f, 7.61354f), model.objects[6].boundsMax, "main");
}

// Counts from the shared folder's notes: named objects and 3 x faces.
TEST(C3DSReader, SharedGoodFilesLoadAndBadFilesAreRefused)
{
    const std::string folder = std::string(KYREL_SHARED_TESTDATA_DIR) + "/3ds/";
    if (!std::filesystem::exists(folder))
    {
        GTEST_SKIP() << "shared 3DS files not present in " << folder;
    }
    struct Expected
    {
        const char* file;
        int objects;
        int totalVertices;
    };
    const Expected good[] = {
        {"assimp-CameraRollAnim.3ds", 2, 36},
        {"assimp-CameraRollAnimWithChildObject.3ds", 3, 72},
        {"assimp-RotatingCube.3DS", 1, 36},
        {"assimp-TargetCameraAnim.3ds", 2, 36},
        {"assimp-cube_with_diffuse_texture.3DS", 1, 36},
        {"assimp-cube_with_specular_texture.3DS", 1, 36},
        {"assimp-cubes_with_alpha.3DS", 5, 180},
        {"assimp-fels.3ds", 1, 2304},
        {"assimp-test1.3ds", 9, 324},
        {"assimp-testFormatDetection.3ds", 1, 4104},
        {"jeep1.3ds", 7, 6096},
        {"uvtransform/UVTransform_Cube.3DS", 1, 36},
        {"uvtransform/UVTransform_Normal.3DS", 1, 96},
    };
    size_t goodFiles = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder + "good"))
    {
        const std::string extension = entry.path().extension().string();
        goodFiles += extension == ".3ds" || extension == ".3DS";
    }
    EXPECT_EQ(std::size(good), goodFiles) << "a good file without expected counts";
    for (const Expected& expected : good)
    {
        CModelData model;
        const LoadResult result = LoadPath(model, folder + "good/" + expected.file);
        EXPECT_TRUE(result.loaded) << expected.file << ": " << result.output;
        EXPECT_EQ(expected.objects, model.objectCount) << expected.file;
        EXPECT_EQ(expected.totalVertices, model.totalVertexCount) << expected.file;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder + "bad"))
    {
        CModelData model;
        const LoadResult result = LoadPath(model, entry.path().string());
        EXPECT_FALSE(result.loaded) << entry.path();
        EXPECT_EQ(0, model.objectCount) << entry.path();
        EXPECT_FALSE(result.output.empty()) << entry.path();
    }
}
