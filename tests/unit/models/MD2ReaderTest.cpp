// The MD2 reader without GL: animation lists from frame names and from the shared real models,
// frame decoding (axis swap, texture-coordinate flip), normals and the bounding sphere on a tiny
// built file, the vector and plain paths giving the same bits, and the rejection of every kind of
// malformed file with its message.
#include "models/CMD2Reader.h"
#include "support/MD2FileBuilder.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using kyrel_test::MD2FileBuilder;
using kyrel_test::MD2Frame;

namespace
{
struct Animation
{
    std::string name;
    int start;
    int end;
};

std::vector<Animation> AnimationsOf(const CModelData& model)
{
    std::vector<Animation> list;
    for (const ModelAnimation& animation : model.animations)
    {
        list.push_back({animation.name, animation.startFrame, animation.endFrame});
    }
    return list;
}

void ExpectAnimations(const std::vector<Animation>& expected, const CModelData& model)
{
    const std::vector<Animation> actual = AnimationsOf(model);
    EXPECT_EQ(static_cast<int>(actual.size()), model.animationCount);
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(expected[i].name, actual[i].name) << "animation " << i;
        EXPECT_EQ(expected[i].start, actual[i].start) << expected[i].name;
        EXPECT_EQ(expected[i].end, actual[i].end) << expected[i].name;
    }
}

std::vector<std::string> Numbered(const std::string& name, int count, int digits)
{
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i)
    {
        std::string number = std::to_string(i);
        names.push_back(name + std::string(digits - std::min<int>(digits, number.size()), '0') +
                        number);
    }
    return names;
}

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Frame 0 of the tiny model, in the file's packed axes: x, y (engine -z), z (engine up).
const std::array<uint8_t, 3> TINY_VERTICES[4] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}};

// Four vertices, two triangles sharing the edge 0-1, three texture coordinates, two frames.
MD2FileBuilder TinyModel()
{
    MD2FileBuilder file;
    file.skinWidth = 128;
    file.skinHeight = 64;
    file.texCoords = {{0, 0}, {64, 16}, {128, 64}};
    file.triangles = {{{0, 1, 2}, {0, 1, 2}}, {{1, 0, 3}, {2, 1, 0}}};
    MD2Frame first;
    first.name = "wave1";
    first.vertices.assign(std::begin(TINY_VERTICES), std::end(TINY_VERTICES));
    MD2Frame second = first;
    second.name = "wave2";
    // Scale and translation per axis: x = X + 10, y = Z * 0.5 + 30, z = -(Y * 2 + 20).
    second.scale = {1.0f, 2.0f, 0.5f};
    second.translate = {10.0f, 20.0f, 30.0f};
    file.frames = {first, second};
    return file;
}

struct LoadResult
{
    bool ok = false;
    CModelData model;
    std::string errors;
};

LoadResult LoadBytes(const std::vector<uint8_t>& bytes, const char* texture = nullptr)
{
    LoadResult result;
    CMD2Reader reader;
    testing::internal::CaptureStderr();
    result.ok =
        reader.LoadFromMemory(&result.model, bytes.data(), bytes.size(), "bad.md2", texture);
    result.errors = testing::internal::GetCapturedStderr();
    return result;
}

std::vector<CVector3> Positions(const CModelData& model, int frame)
{
    const CVector3* p = model.keyFrames.Vertices(frame);
    return std::vector<CVector3>(p, p + model.keyFrames.VertexCount());
}

std::vector<CVector3> Normals(const CModelData& model, int frame)
{
    const CVector3* n = model.keyFrames.Normals(frame);
    return std::vector<CVector3>(n, n + model.keyFrames.VertexCount());
}

void ExpectVector(const CVector3& expected, const CVector3& actual, const char* what)
{
    EXPECT_NEAR(expected.x, actual.x, 1e-5f) << what;
    EXPECT_NEAR(expected.y, actual.y, 1e-5f) << what;
    EXPECT_NEAR(expected.z, actual.z, 1e-5f) << what;
}
}  // namespace

TEST(MD2Reader, AnimationListFromFrameNames)
{
    const struct
    {
        const char* name;
        std::vector<std::string> frames;
        std::vector<Animation> expected;
    } cases[] = {
        {"stand and run, the last frame closes run",
         Joined(Numbered("stand", 40, 2), Numbered("run", 6, 2)),
         {{"stand", 0, 40}, {"run", 40, 45}}},
        {"a name without a number starts one frame early",
         {"idle1", "idle2", "base", "base", "jump1", "jump2"},
         {{"idle", 0, 2}, {"base", 1, 4}, {"jump", 4, 5}}},
        {"run1 and run12 are run; pain101 is pain1",
         {"run1", "run12", "pain101", "pain102", "end1"},
         {{"run", 0, 2}, {"pain1", 2, 4}}},
        {"the frame number shifts the start",
         {"a1", "a2", "b3", "b4", "c1"},
         {{"a", 0, 2}, {"b", 4, 4}}},
        {"a single frame gives no animation", {"stand01"}, {}},
        {"unnamed frames give no animation", {"", "", ""}, {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CModelData model;
        CMD2Reader::BuildAnimations(model, c.frames);
        ExpectAnimations(c.expected, model);
    }
}

TEST(MD2Reader, RealModelsLoadWithTheirAnimations)
{
    const std::string folder = std::string(KYREL_SHARED_TESTDATA_DIR) + "/md2/good/";
    const struct
    {
        const char* file;
        const char* skin;
        int vertices, texCoords, triangles;
        std::vector<Animation> animations;
    } cases[] = {
        {"faerie.md2", "faerie2.bmp", 366, 487, 654, {{"stand", 0, 40},      {"run", 40, 46},
                                                      {"attack", 46, 54},    {"pain1", 54, 58},
                                                      {"pain2", 58, 62},     {"pain3", 62, 66},
                                                      {"jump", 66, 72},      {"flip", 72, 84},
                                                      {"salute", 84, 95},    {"taunt", 95, 112},
                                                      {"wave", 112, 123},    {"point", 123, 135},
                                                      {"crstnd", 135, 154},  {"crwalk", 154, 160},
                                                      {"crattak", 160, 169}, {"crpain", 169, 173},
                                                      {"crdeath", 173, 178}, {"death1", 178, 184},
                                                      {"death2", 184, 190},  {"death3", 190, 197}}},
        // Its run and taunt frames are numbered run001, taunt001: the digit rule keeps a zero.
        {"sydney.md2",
         "sydney.bmp",
         342,
         456,
         679,
         {{"stand", 0, 40},
          {"run0", 40, 46},
          {"attack", 46, 54},
          {"pain", 54, 66},
          {"jump", 66, 72},
          {"flip", 72, 84},
          {"salute", 84, 95},
          {"taunt0", 95, 112},
          {"wave", 112, 123},
          {"point", 123, 135},
          {"crstnd", 135, 154},
          {"crwalk", 154, 160},
          {"crattak", 160, 169},
          {"crpain", 169, 173},
          {"crdeth", 173, 178},
          {"death", 178, 197}}},
    };
    for (const auto& c : cases)
    {
        const std::string path = folder + c.file;
        if (!std::filesystem::exists(path))
        {
            GTEST_SKIP() << "shared MD2 models not present: " << path;
        }
        SCOPED_TRACE(c.file);
        const std::string skin = folder + c.skin;
        CModelData model;
        CMD2Reader reader;
        ASSERT_TRUE(reader.Load(&model, path.c_str(), skin.c_str()));
        ExpectAnimations(c.animations, model);
        ASSERT_EQ(198, model.objectCount);
        EXPECT_EQ(3 * c.triangles, model.totalVertexCount);
        ASSERT_EQ(1, model.materialCount);
        EXPECT_STREQ(skin.c_str(), model.materials[0].textureFile);
        EXPECT_EQ(c.texCoords, static_cast<int>(model.objects[0].texCoords.size()));
        EXPECT_EQ(c.triangles, static_cast<int>(model.objects[0].faces.size()));
        ASSERT_EQ(198, model.keyFrames.FrameCount());
        EXPECT_EQ(c.vertices, model.keyFrames.VertexCount());
        for (const ModelObject& frame : model.objects)
        {
            EXPECT_EQ(c.vertices, frame.vertexCount);
            EXPECT_EQ(c.triangles, frame.faceCount);
        }
        // Key frames differ, and every position lies inside its frame's box and the sphere.
        EXPECT_NE(Positions(model, 0), Positions(model, 45));
        CVector3 centre;
        float radius = 0.0f;
        model.GetBoundingSphere(centre, radius);
        for (int frame = 0; frame < model.keyFrames.FrameCount(); ++frame)
        {
            const CVector3& lo = model.keyFrames.BoundsMin(frame);
            const CVector3& hi = model.keyFrames.BoundsMax(frame);
            for (const CVector3& p : Positions(model, frame))
            {
                ASSERT_TRUE(p.x >= lo.x && p.y >= lo.y && p.z >= lo.z && p.x <= hi.x &&
                            p.y <= hi.y && p.z <= hi.z);
                ASSERT_LE((p - centre).Length(), radius * 1.0001f);
            }
        }
        // Standing models are taller (engine y) than deep.
        const CVector3 standSize = model.keyFrames.BoundsMax(0) - model.keyFrames.BoundsMin(0);
        EXPECT_GT(standSize.y, standSize.z);
    }
}

TEST(MD2Reader, TinyFileAxesTexCoordsNormalsAndSphere)
{
    const LoadResult loaded = LoadBytes(TinyModel().Build(), "skin.bmp");
    ASSERT_TRUE(loaded.ok) << loaded.errors;
    EXPECT_EQ("", loaded.errors);
    const CModelData& model = loaded.model;
    ASSERT_EQ(2, model.objectCount);
    EXPECT_EQ(6, model.totalVertexCount);
    // wave1, wave2: a single animation closed by the last frame, which it leaves out.
    ExpectAnimations({{"wave", 0, 1}}, model);

    // Unit scale: (X, Y, Z) becomes (X, Z, -Y).
    const ModelObject& first = model.objects[0];
    const std::vector<CVector3> firstPositions = {{0, 0, 0}, {2, 0, 0}, {0, 0, -2}, {0, 2, 0}};
    EXPECT_EQ(firstPositions, Positions(model, 0));
    const ModelObject& second = model.objects[1];
    const std::vector<CVector3> secondPositions = {
        {10, 30, -20}, {12, 30, -20}, {10, 30, -24}, {10, 31, -20}};
    EXPECT_EQ(secondPositions, Positions(model, 1));

    // u = s / width, v = 1 - t / height.
    ASSERT_EQ(3u, first.texCoords.size());
    const float expectedUV[3][2] = {{0, 1}, {0.5f, 0.75f}, {1, 0}};
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_FLOAT_EQ(expectedUV[i][0], first.texCoords[i].u);
        EXPECT_FLOAT_EQ(expectedUV[i][1], first.texCoords[i].v);
    }
    ASSERT_EQ(2u, first.faces.size());
    EXPECT_EQ(1, first.faces[1].vertIndex[0]);
    EXPECT_EQ(2, first.faces[1].coordIndex[0]);
    // Only the first frame carries faces and texture coordinates.
    EXPECT_EQ(2, second.faceCount);
    EXPECT_TRUE(second.faces.empty() && second.texCoords.empty());
    EXPECT_FALSE(first.hasTexture);

    // Face 0 (0, 1, 2) lies flat: (p0 - p2) x (p2 - p1) = (0, 0, 2) x (-2, 0, -2) = (0, -4, 0).
    // Face 1 (1, 0, 3) stands in the x-y plane: (2, -2, 0) x (0, 2, 0) = (0, 0, 4).
    // Vertices 0 and 1 average both: (0, -4, 4) / 2, normalised.
    const float h = std::sqrt(0.5f);
    const std::vector<CVector3> firstNormals = Normals(model, 0);
    ExpectVector({0, -h, h}, firstNormals[0], "shared vertex 0");
    ExpectVector({0, -h, h}, firstNormals[1], "shared vertex 1");
    ExpectVector({0, -1, 0}, firstNormals[2], "flat face only");
    ExpectVector({0, 0, 1}, firstNormals[3], "standing face only");
    // Each frame averages its own face normals: the second frame's standing face is shorter,
    // (0, -8, 0) + (0, 0, 2) at vertex 0.
    const float r = std::sqrt(17.0f);
    ExpectVector({0, -4 / r, 1 / r}, Normals(model, 1)[0], "second frame, shared vertex 0");

    ExpectVector({0, 0, -2}, model.keyFrames.BoundsMin(0), "first frame box minimum");
    ExpectVector({2, 2, 0}, model.keyFrames.BoundsMax(0), "first frame box maximum");
    ExpectVector({10, 30, -24}, model.keyFrames.BoundsMin(1), "second frame box minimum");
    ExpectVector({12, 31, -20}, model.keyFrames.BoundsMax(1), "second frame box maximum");

    // Centre: the mean of all eight positions; radius: the farthest of them.
    const CVector3 centre(44.0f / 8, 123.0f / 8, -86.0f / 8);
    CVector3 sphereCentre;
    float sphereRadius = 0.0f;
    model.GetBoundingSphere(sphereCentre, sphereRadius);
    ExpectVector(centre, sphereCentre, "sphere centre");
    // The farthest is (10, 30, -24): (4.5, 14.625, -13.25) from the centre.
    EXPECT_FLOAT_EQ(std::sqrt(409.703125f), sphereRadius);

    ASSERT_EQ(1, model.materialCount);
    EXPECT_STREQ("skin.bmp", model.materials[0].textureFile);
    EXPECT_STREQ("", model.materials[0].name);
    EXPECT_EQ(0, LoadBytes(TinyModel().Build()).model.materialCount) << "no texture path";
}

namespace
{
// A model with what the vector path must get right at its edges: a vertex count off a group of
// four, a vertex no face uses, faces naming a vertex twice, fractional and negative scales.
std::vector<uint8_t> UnevenModel()
{
    const int vertexCount = 37;  // the last, 36, is used by no face
    MD2FileBuilder file;
    file.skinWidth = 64;
    file.skinHeight = 64;
    file.texCoords = {{0, 0}, {32, 48}};
    for (int i = 0; i < vertexCount - 3; ++i)
    {
        const int16_t a = static_cast<int16_t>(i), b = static_cast<int16_t>(i + 1),
                      c = static_cast<int16_t>((i * 7 + 3) % (vertexCount - 1));
        file.triangles.push_back({{a, b, c}, {0, 1, 0}});
        if (i % 5 == 0)
        {
            file.triangles.push_back({{a, a, b}, {0, 0, 1}});
            file.triangles.push_back({{c, b, c}, {1, 0, 1}});
        }
    }
    for (int f = 0; f < 6; ++f)
    {
        MD2Frame frame;
        frame.name = "bend" + std::to_string(f + 1);
        frame.scale = {0.37f + 0.011f * f, -1.3f, 0.0917f * (f + 1)};
        frame.translate = {-12.25f, 3.1f * f, -100.7f};
        for (int i = 0; i < vertexCount; ++i)
        {
            frame.vertices.push_back({static_cast<uint8_t>((i * 37 + f * 11) % 256),
                                      static_cast<uint8_t>((i * i + 3 * f) % 256),
                                      static_cast<uint8_t>((255 - i * 5 + f) % 256)});
        }
        file.frames.push_back(frame);
    }
    return file.Build();
}

template <typename T> bool SameBits(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// The plain model's frames are decoded first to last, the other's last to first: decoding a
// frame must neither depend on nor disturb the frames decoded before it.
void ExpectSameBits(const CModelData& plain, const CModelData& other)
{
    const CKeyFrames& a = plain.keyFrames;
    const CKeyFrames& b = other.keyFrames;
    ASSERT_EQ(a.FrameCount(), b.FrameCount());
    ASSERT_EQ(a.VertexCount(), b.VertexCount());
    for (int f = b.FrameCount() - 1; f >= 0; --f)
    {
        b.Normals(f);
    }
    CVector3 centres[2];
    float radii[2];
    plain.GetBoundingSphere(centres[0], radii[0]);
    other.GetBoundingSphere(centres[1], radii[1]);
    EXPECT_TRUE(SameBits(centres[0], centres[1]));
    EXPECT_TRUE(SameBits(radii[0], radii[1]));
    const size_t bytes = static_cast<size_t>(a.VertexCount()) * sizeof(CVector3);
    for (int f = 0; f < a.FrameCount(); ++f)
    {
        SCOPED_TRACE("frame " + std::to_string(f));
        EXPECT_EQ(0, std::memcmp(a.Vertices(f), b.Vertices(f), bytes));
        EXPECT_EQ(0, std::memcmp(a.Normals(f), b.Normals(f), bytes));
        EXPECT_TRUE(SameBits(a.BoundsMin(f), b.BoundsMin(f)) &&
                    SameBits(a.BoundsMax(f), b.BoundsMax(f)));
    }
}
}  // namespace

TEST(MD2Reader, FramesGiveTheSameBitsOnEitherPathInAnyOrder)
{
    const std::string folder = std::string(KYREL_SHARED_TESTDATA_DIR) + "/md2/good/";
    std::vector<std::pair<std::string, std::vector<uint8_t>>> models = {
        {"uneven", UnevenModel()}, {"tiny", TinyModel().Build()}};
    for (const char* file : {"faerie.md2", "sydney.md2"})
    {
        const std::string bytes = kyrel_test::ReadFile(folder + file);
        if (!bytes.empty())
        {
            models.emplace_back(file, std::vector<uint8_t>(bytes.begin(), bytes.end()));
        }
    }
    for (const auto& [name, bytes] : models)
    {
        SCOPED_TRACE(name);
        // The plain path in frame order, against the vector and the plain path in reverse order.
        CModelData paths[3];
        for (int path = 0; path < 3; ++path)
        {
            CMD2Reader reader;
            reader.UseVectorMath(path == 1);
            ASSERT_TRUE(reader.LoadFromMemory(&paths[path], bytes.data(), bytes.size(),
                                              name.c_str(), nullptr));
        }
        ExpectSameBits(paths[0], paths[1]);
        ExpectSameBits(paths[0], paths[2]);
        // Every used vertex got a unit normal, and the unused one keeps zero.
        const std::vector<CVector3> normals =
            Normals(paths[1], paths[1].keyFrames.FrameCount() - 1);
        EXPECT_NEAR(1.0f, normals[0].Length(), 1e-5f);
        if (name == "uneven")
        {
            EXPECT_EQ(CVector3(), normals.back());
        }
    }
}

TEST(MD2Reader, MalformedFilesAreRejectedWithTheirMessage)
{
    using kyrel_test::MD2Field;
    const std::vector<uint8_t> good = TinyModel().Build();
    const auto with = [&](MD2Field field, int32_t value)
    { return MD2FileBuilder::WithField(good, field, value); };
    const int32_t framesAt = MD2FileBuilder::Field(good, kyrel_test::MD2_OFFSET_FRAMES);
    const int32_t trianglesAt = MD2FileBuilder::Field(good, kyrel_test::MD2_OFFSET_TRIANGLES);
    const auto triangleIndex = [&](int corner, int16_t value)
    {
        std::vector<uint8_t> bytes = good;
        bytes[trianglesAt + 2 * corner] = static_cast<uint8_t>(value & 0xFF);
        bytes[trianglesAt + 2 * corner + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
        return bytes;
    };
    MD2FileBuilder tooMany = TinyModel();
    for (MD2Frame& frame : tooMany.frames)
    {
        frame.vertices.resize(CMD2Reader::MD2_MAX_VERTICES + 1);
    }
    const struct
    {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* reason;
    } cases[] = {
        {"empty file", {}, "Header too short"},
        {"header cut short", std::vector<uint8_t>(good.begin(), good.begin() + 67),
         "Header too short"},
        {"version 6", with(kyrel_test::MD2_VERSION_FIELD, 6), "Version not 8"},
        {"a Quake model's identifier, IDPO", with(kyrel_test::MD2_MAGIC, 0x4F504449),
         "Not an MD2 file"},
        {"negative triangle count", with(kyrel_test::MD2_NUM_TRIANGLES, -1), "Bad counts"},
        {"negative skin count", with(kyrel_test::MD2_NUM_SKINS, -5), "Bad counts"},
        {"negative texture-coordinate count", with(kyrel_test::MD2_NUM_TEXCOORDS, -3),
         "Bad counts"},
        {"no frames", with(kyrel_test::MD2_NUM_FRAMES, 0), "Bad counts"},
        {"no vertices", with(kyrel_test::MD2_NUM_VERTICES, 0), "Bad counts"},
        {"frames of more than 2048 vertices", tooMany.Build(), "Frame size"},
        {"frame size over the frame buffer", with(kyrel_test::MD2_FRAME_SIZE, 40 + 4 * 2049),
         "Frame size"},
        {"frame size too small for its vertices", with(kyrel_test::MD2_FRAME_SIZE, 40 + 4 * 3),
         "Frame size"},
        {"negative frame size", with(kyrel_test::MD2_FRAME_SIZE, -56), "Frame size"},
        {"skin width 0", with(kyrel_test::MD2_SKIN_WIDTH, 0), "Skin size"},
        {"absurd triangle count", with(kyrel_test::MD2_NUM_TRIANGLES, 0x7FFFFFFF),
         "Data past end of file"},
        {"absurd frame count", with(kyrel_test::MD2_NUM_FRAMES, 0x7FFFFFFF),
         "Data past end of file"},
        {"one frame more than the file holds", with(kyrel_test::MD2_NUM_FRAMES, 3),
         "Data past end of file"},
        {"skins past the end", with(kyrel_test::MD2_NUM_SKINS, 1000), "Data past end of file"},
        {"negative offset", with(kyrel_test::MD2_OFFSET_TEXCOORDS, -4), "Data past end of file"},
        {"frames start past the end", with(kyrel_test::MD2_OFFSET_FRAMES, framesAt + 1000),
         "Data past end of file"},
        {"last frame cut by one byte", std::vector<uint8_t>(good.begin(), good.end() - 1),
         "Data past end of file"},
        {"vertex index past the vertices", triangleIndex(1, 4), "Index out of range"},
        {"negative vertex index", triangleIndex(2, -1), "Index out of range"},
        {"texture index past the coordinates", triangleIndex(5, 3), "Index out of range"},
        {"texture index in a file without coordinates", with(kyrel_test::MD2_NUM_TEXCOORDS, 0),
         "Index out of range"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CModelData model;
        model.objectCount = 7;  // what was there before must stay
        CMD2Reader reader;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(
            reader.LoadFromMemory(&model, c.bytes.data(), c.bytes.size(), "bad.md2", "skin.bmp"));
        EXPECT_EQ(std::string("Invalid file format (") + c.reason + "): bad.md2!\n",
                  testing::internal::GetCapturedStderr());
        EXPECT_EQ(7, model.objectCount);
        EXPECT_TRUE(model.objects.empty() && model.materials.empty());
    }
    // The reader trusts nothing in a well-formed file either: the good one loads.
    EXPECT_TRUE(LoadBytes(good).ok);

    kyrel_test::TempDir folder("md2");
    const std::string missing = folder.File("none.md2");
    CModelData model;
    CMD2Reader reader;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(reader.Load(&model, missing.c_str(), nullptr));
    EXPECT_EQ("Unable to find the file: " + missing + "!\n",
              testing::internal::GetCapturedStderr());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(reader.Load(&model, folder.Path().c_str(), nullptr)) << "a folder has no bytes";
    EXPECT_EQ("Unable to find the file: " + folder.Path() + "!\n",
              testing::internal::GetCapturedStderr());

    // A model from another tool with no vertices but a triangle naming vertex 0.
    const std::string shared =
        std::string(KYREL_SHARED_TESTDATA_DIR) + "/md2/bad/assimp-malformed_zero_numvertices.md2";
    if (std::filesystem::exists(shared))
    {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(reader.Load(&model, shared.c_str(), nullptr));
        EXPECT_EQ("Invalid file format (Bad counts): " + shared + "!\n",
                  testing::internal::GetCapturedStderr());
    }
    EXPECT_TRUE(model.objects.empty());
}
