// The OBJ reader without GL: line rules, index rebasing, dropped faces, polygons, material
// libraries, normals, boxes, the number scanner against strtof, and the shared real-world files.
#include "models/CObjReader.h"
#include "models/ObjTextScan.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace
{
struct ReadResult
{
    CModelData model;
    int dropped = 0;
    std::string errors;
};

ReadResult ReadText(const std::string& text)
{
    ReadResult result;
    CObjReader reader;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(reader.ReadFromMemory(&result.model, text.data(), text.size(), "test.obj"));
    result.errors = testing::internal::GetCapturedStderr();
    result.dropped = reader.GetDroppedFaceCount();
    return result;
}

std::vector<int> Corners(const ModelObject& object, bool texture = false)
{
    std::vector<int> corners;
    for (const ModelFace& face : object.faces)
    {
        for (int k = 0; k < 3; ++k)
        {
            corners.push_back(texture ? face.coordIndex[k] : face.vertIndex[k]);
        }
    }
    return corners;
}

const char* const QUAD = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

// One file of a line-rule table: the vertex and texture corners of every object (objects with
// no entry in texCorners have no texture coordinates) and the triangles dropped.
struct LineCase
{
    const char* name;
    std::string text;
    std::vector<std::vector<int>> corners;  // per object
    std::vector<std::vector<int>> texCorners;
    int dropped;
};

void CheckLineCase(const LineCase& c)
{
    SCOPED_TRACE(c.name);
    ReadResult result = ReadText(c.text);
    const CModelData& model = result.model;
    ASSERT_EQ(static_cast<int>(c.corners.size()), model.objectCount);
    ASSERT_EQ(c.corners.size(), model.objects.size());
    int faces = 0;
    for (size_t i = 0; i < c.corners.size(); ++i)
    {
        EXPECT_EQ(c.corners[i], Corners(model.objects[i])) << "object " << i;
        EXPECT_EQ(-1, model.objects[i].materialIndex);
        if (i < c.texCorners.size())
        {
            EXPECT_TRUE(model.objects[i].hasTexture);
            EXPECT_EQ(c.texCorners[i], Corners(model.objects[i], true)) << "object " << i;
        }
        else
        {
            EXPECT_FALSE(model.objects[i].hasTexture);
        }
        faces += model.objects[i].faceCount;
        EXPECT_EQ(3 * model.objects[i].faceCount, model.objects[i].bufferVertexCount);
    }
    EXPECT_EQ(3 * faces, model.totalVertexCount);
    EXPECT_EQ(c.dropped, result.dropped);
    // One message per file, only when something was dropped.
    if (c.dropped > 0)
    {
        EXPECT_NE(std::string::npos, result.errors.find("test.obj: "));
        EXPECT_EQ(result.errors.find("skipped"), result.errors.rfind("skipped"));
    }
    else
    {
        EXPECT_EQ("", result.errors);
    }
}
}  // namespace

TEST(ObjReader, LineRulesGiveObjectsAndZeroBasedCorners)
{
    const LineCase cases[] = {
        {"texture coordinates",
         std::string(QUAD) + "vt 0 0\nvt 1 0\nvt 1 1\nf 1/1 2/2 3/3\n",
         {{0, 1, 2}},
         {{0, 1, 2}},
         0},
        {"two groups rebased",
         std::string(QUAD) + "f 1 2 3\n" + QUAD + "f 5 6 7\nf 8 7 6\n",
         {{0, 1, 2}, {0, 1, 2, 3, 2, 1}},
         {},
         0},
        {"first face need not start at the first vertex",
         std::string(QUAD) + "f 4 3 2\nf 1 2 3\n",
         {{3, 2, 1, 0, 1, 2}},
         {},
         0},
        {"relative indices",
         std::string(QUAD) + "f -4 -3 -2\n" + QUAD + "f -1 -2 -3\n",
         {{0, 1, 2}, {3, 2, 1}},
         {},
         0},
        {"faces naming another group are dropped",
         std::string(QUAD) + "f 1 2 3\n" + QUAD + "f 1 2 3\nf 5 6 8\n",
         {{0, 1, 2}, {0, 1, 3}},
         {},
         1},
        {"plain face among textured faces is dropped",
         std::string(QUAD) + "vt 0 0\nf 1/1 2/1 3/1\nf 1 2 3\n",
         {{0, 1, 2}},
         {{0, 0, 0}},
         1},
        {"no faces still finishes one object", QUAD, {{}}, {}, 0},
        {"empty file", "", {{}}, {}, 0},
        {"comments, groups and bare v lines",
         "# c\ng a\nusemtl m\ns 1\nv\n" + std::string(QUAD) + "\n\nf 1 2 3 # tail\n",
         {{0, 1, 2}},
         {},
         0},
        {"zero and huge indices are dropped",
         std::string(QUAD) + "f 0 1 2\nf 1 2 99999999999\n",
         {{}},
         {},
         2},
    };
    for (const LineCase& c : cases)
    {
        CheckLineCase(c);
    }
}

// Faces as exporters write them: every corner form, convex polygons as fans, and normal indices
// that are checked against the `vn` lines read so far although the engine computes its own normals.
TEST(ObjReader, FaceFormsAndPolygonsBecomeTriangles)
{
    const std::string pentagon = std::string(QUAD) + "v 0 2 0\n";
    const std::string textured = std::string(QUAD) + "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
    const std::string normals = "vn 0 0 1\nvn 0 0 -1\n";
    const LineCase cases[] = {
        {"v", std::string(QUAD) + "f 1 2 3\n", {{0, 1, 2}}, {}, 0},
        {"v/vt", textured + "f 1/3 2/2 3/1\n", {{0, 1, 2}}, {{2, 1, 0}}, 0},
        {"v//vn", std::string(QUAD) + normals + "f 1//1 2//2 3//1\n", {{0, 1, 2}}, {}, 0},
        {"v/vt/vn", textured + normals + "f 1/1/1 2/2/1 3/4/2\n", {{0, 1, 2}}, {{0, 1, 3}}, 0},
        {"quad", std::string(QUAD) + "f 1 2 3 4\n", {{0, 1, 2, 0, 2, 3}}, {}, 0},
        {"v/vt/vn quad",
         textured + normals + "f 1/1/1 2/2/1 3/3/1 4/4/1\n",
         {{0, 1, 2, 0, 2, 3}},
         {{0, 1, 2, 0, 2, 3}},
         0},
        // Its corner (0, 1) lies on the line from (0, 2) to (0, 0): the fan's last triangle
        // would be flat, so ears are clipped instead.
        {"pentagon with a straight corner",
         pentagon + "f 1 2 3 5 4\n",
         {{3, 0, 1, 3, 1, 2, 2, 4, 3}},
         {},
         0},
        {"v//vn pentagon with a straight corner",
         pentagon + normals + "f 5//1 4//1 3//2 2//2 1//1\n",
         {{3, 2, 1, 3, 1, 0, 4, 3, 0}},
         {},
         0},
        {"negative indices in every slot",
         textured + normals + "f -4/-1/-2 -3/-2/-1 -2/-3/-2 -1/-4/-1\n",
         {{0, 1, 2, 0, 2, 3}},
         {{3, 2, 1, 3, 1, 0}},
         0},
        {"quad cut short keeps its whole corners",
         textured + "f 1/1 2/2 3/3 4\n",
         {{0, 1, 2}},
         {{0, 1, 2}},
         0},
        {"normal past the normals read drops the whole quad",
         std::string(QUAD) + normals + "f 1//1 2//3 3//1 4//1\nf 1//2 2//2 3//2\n",
         {{0, 1, 2}},
         {},
         2},
        {"normal zero, before the first, or missing",
         std::string(QUAD) + normals + "f 1//0 2//1 3//1\nf 1//-3 2//1 3//1\nf 2//1 3//1 1//\n",
         {{}},
         {},
         3},
        {"normal index with no vn line", textured + "f 1/1/1 2/2/1 3/3/1\n", {{}}, {{}}, 1},
        {"v//vn in an object with texture coordinates",
         textured + normals + "f 1//1 2//1 3//1\n",
         {{}},
         {{}},
         1},
        {"v/vt in an object without texture coordinates",
         std::string(QUAD) + "f 1/1 2/1 3/1\n",
         {{}},
         {},
         1},
        {"two corners", std::string(QUAD) + "f 1 2\n", {{}}, {}, 1},
    };
    for (const LineCase& c : cases)
    {
        CheckLineCase(c);
    }
}

TEST(ObjReader, LongLineContinuesAsANewLineAfterTheSkip)
{
    // The 100th character after "#" starts a line of its own, so the v there is a position;
    // one character less and the position stays part of the comment.
    const std::string atLimit = "#" + std::string(OBJ_SKIP_LENGTH, 'x') + "v 5 6 7\n";
    const std::string belowLimit = "#" + std::string(OBJ_SKIP_LENGTH - 1, 'x') + "v 5 6 7\n";
    ReadResult continued = ReadText(atLimit);
    ASSERT_EQ(1u, continued.model.objects[0].vertices.size());
    EXPECT_EQ(CVector3(5, 6, 7), continued.model.objects[0].vertices[0]);
    EXPECT_TRUE(ReadText(belowLimit).model.objects[0].vertices.empty());
}

TEST(ObjReader, ScansPositionsAndTexCoordsWithMissingValuesZero)
{
    ReadResult result = ReadText("v 1.5 -2 3e2 9\nv 4\nv\t1 2 3\nvt 0.25 0.75\nvt 0.5\n"
                                 "v 7 8 9\n");
    const ModelObject& object = result.model.objects[0];
    ASSERT_EQ(3u, object.vertices.size());
    EXPECT_EQ(CVector3(1.5f, -2.0f, 300.0f), object.vertices[0]);
    EXPECT_EQ(CVector3(4.0f, 0.0f, 0.0f), object.vertices[1]);  // the line ended early
    EXPECT_EQ(CVector3(7.0f, 8.0f, 9.0f), object.vertices[2]);  // "v\t" is not a position
    ASSERT_EQ(2u, object.texCoords.size());
    EXPECT_EQ(0.25f, object.texCoords[0].u);
    EXPECT_EQ(0.75f, object.texCoords[0].v);
    EXPECT_EQ(0.5f, object.texCoords[1].u);
    EXPECT_EQ(0.0f, object.texCoords[1].v);
}

TEST(ObjReader, NormalsAverageFacesAndUnusedVerticesPointUp)
{
    // Two triangles folded along the edge 0-1: one in z = 0, one in x = 0. Vertices 5 to 7 carry
    // one triangle twice, in both windings, so their face normals cancel.
    ReadResult result = ReadText("v 0 0 0\nv 0 1 0\nv 1 0 0\nv 0 0 1\nv 5 5 5\n"
                                 "v 2 0 0\nv 3 0 0\nv 2 0 1\n"
                                 "f 1 3 2\nf 1 2 4\nf 6 7 8\nf 6 8 7\n");
    const ModelObject& object = result.model.objects[0];
    ASSERT_EQ(8u, object.normals.size());
    const float half = std::sqrt(0.5f);
    const CVector3 up(0, 1, 0);
    const CVector3 expected[] = {CVector3(half, 0, half),
                                 CVector3(half, 0, half),
                                 CVector3(0, 0, 1),
                                 CVector3(1, 0, 0),
                                 up,
                                 up,
                                 up,
                                 up};
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_NEAR(expected[i].x, object.normals[i].x, 1e-6f) << i;
        EXPECT_NEAR(expected[i].y, object.normals[i].y, 1e-6f) << i;
        EXPECT_NEAR(expected[i].z, object.normals[i].z, 1e-6f) << i;
    }
}

// Polygons the fan would fold over themselves: every triangle is turned the polygon's way, none is
// flat, and together they cover exactly its area.
TEST(ObjReader, ConcavePolygonsAreClippedIntoEars)
{
    const struct
    {
        const char* name;
        std::string text;
        float area;
    } cases[] = {
        // An L whose first corner (2, 1) sits beside the inner corner (1, 1).
        {"L from beside the inner corner",
         "v 2 1 0\nv 1 1 0\nv 1 2 0\nv 0 2 0\nv 0 0 0\nv 2 0 0\nf 1 2 3 4 5 6\n", 3.0f},
        // An arrow pointing up the y axis, drawn clockwise in the x-z plane.
        {"arrow in another plane",
         "v 0 0 0\nv 0 0 2\nv -1 0 2\nv 0.5 0 4\nv 2 0 2\nv 1 0 2\nv 1 0 0\nf 1 2 3 4 5 6 7\n",
         5.0f},
        {"L with a straight corner on its long side",
         "v 1 2 0\nv 0 2 0\nv 0 1 0\nv 0 0 0\nv 2 0 0\nv 2 1 0\nv 1 1 0\nf 1 2 3 4 5 6 7\n", 3.0f},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const ReadResult result = ReadText(c.text);
        const ModelObject& object = result.model.objects[0];
        ASSERT_EQ(object.vertexCount - 2, object.faceCount);
        // The polygon's own normal, from its first three corners (a convex turn in each case).
        const CVector3 facing = Cross(object.vertices[0] - object.vertices.back(),
                                      object.vertices[1] - object.vertices[0])
                                    .Normalized();
        float covered = 0.0f;
        for (const ModelFace& face : object.faces)
        {
            const CVector3& a = object.vertices[face.vertIndex[0]];
            const CVector3 doubled = Cross(object.vertices[face.vertIndex[1]] - a,
                                           object.vertices[face.vertIndex[2]] - a);
            const float area = 0.5f * Dot(doubled, facing);
            EXPECT_GT(area, 1e-3f);
            covered += std::fabs(area);
        }
        EXPECT_NEAR(c.area, covered, 1e-5f);
    }
}

namespace
{
ReadResult LoadFile(const std::string& path)
{
    ReadResult result;
    CObjReader reader;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(reader.Load(&result.model, path.c_str()));
    result.errors = testing::internal::GetCapturedStderr();
    return result;
}

const char* const MATERIAL_FACES = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\n"
                                   "usemtl wood\nf 1 3 4\nusemtl stone\nf 1 2 4\n"
                                   "usemtl nothing\nf 2 3 4\n"
                                   "v 0 0 1\nv 1 0 1\nv 1 1 1\nusemtl wood\nf 5 6 7\n";
}  // namespace

TEST(ObjReader, MaterialLibraryGivesFacesTheirMaterials)
{
    kyrel_test::TempDir dir("objmtl");
    kyrel_test::WriteFile(dir.File("scene lib.mtl"),
                          "# made by hand\nKd 0 0 0\nnewmtl wood\nKd 1 0.5 0\n"
                          "map_Kd -s 1 1 1 -o 0.5 -clamp on maps/dark wood.png\n"
                          "newmtl stone\r\n\tKd 0.2\r\nmap_Kd C:\\textures\\STONE.JPG\r\n"
                          "newmtl plain\n");
    const ReadResult with = LoadFile(kyrel_test::WriteFile(
        dir.File("scene.obj"), std::string("mtllib Scene Lib.MTL\n") + MATERIAL_FACES));
    EXPECT_EQ("", with.errors);
    const CModelData& model = with.model;
    ASSERT_EQ(3, model.materialCount);
    const struct
    {
        const char* name;
        unsigned char color[3];
        const char* textureFile;
    } materials[] = {{"wood", {255, 128, 0}, "maps/dark wood.png"},
                     {"stone", {51, 51, 51}, "C:\\textures\\STONE.JPG"},
                     {"plain", {255, 255, 255}, ""}};
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_STREQ(materials[i].name, model.materials[i].name);
        EXPECT_EQ(0, std::memcmp(materials[i].color, model.materials[i].color, 3)) << i;
        EXPECT_STREQ(materials[i].textureFile, model.materials[i].textureFile);
    }
    ASSERT_EQ(2, model.objectCount);
    EXPECT_EQ((std::vector<int>{-1, 0, 1, -1}), model.objects[0].faceMaterials);
    EXPECT_EQ((std::vector<int>{0}), model.objects[1].faceMaterials);

    // Without the library line the model is what it always was.
    const ReadResult without = ReadText(MATERIAL_FACES);
    EXPECT_EQ(0, without.model.materialCount);
    for (int i = 0; i < 2; ++i)
    {
        EXPECT_TRUE(without.model.objects[i].faceMaterials.empty());
        EXPECT_EQ(Corners(without.model.objects[i]), Corners(model.objects[i]));
        EXPECT_EQ(without.model.objects[i].vertices, model.objects[i].vertices);
    }
}

TEST(ObjReader, MissingOrBadLibraryLoadsUntextured)
{
    kyrel_test::TempDir dir("objmtl");
    kyrel_test::WriteFile(dir.File("empty.mtl"), "# no materials\nKd 1 1 1\n");
    std::filesystem::create_directory(dir.File("folder.mtl"));
    for (const char* library : {"missing.mtl", "empty.mtl", "folder.mtl"})
    {
        const ReadResult result = LoadFile(kyrel_test::WriteFile(
            dir.File("model.obj"), std::string("mtllib ") + library + "\n" + MATERIAL_FACES));
        EXPECT_EQ(std::string("\nCouldn't read material library ") + library + "\n", result.errors);
        EXPECT_EQ(0, result.model.materialCount);
        EXPECT_EQ(4, result.model.objects[0].faceCount);
        EXPECT_TRUE(result.model.objects[0].faceMaterials.empty());
    }
}

TEST(ObjReader, BoxesPerObjectAndOverTheModel)
{
    ReadResult result = ReadText("v -1 2 3\nv 4 -5 6\nf 1 2 1\nv 0 0 -9\nf 3 3 3\n");
    const CModelData& model = result.model;
    ASSERT_EQ(2, model.objectCount);
    EXPECT_EQ(CVector3(-1, -5, 3), model.objects[0].boundsMin);
    EXPECT_EQ(CVector3(4, 2, 6), model.objects[0].boundsMax);
    EXPECT_EQ(CVector3(0, 0, -9), model.objects[1].boundsMin);
    EXPECT_EQ(CVector3(-1, -5, -9), model.boundsMin);
    EXPECT_EQ(CVector3(4, 2, 6), model.boundsMax);

    const ReadResult nothing = ReadText("# nothing\n");
    const ModelObject& empty = nothing.model.objects[0];
    EXPECT_EQ(CVector3(999999, 999999, 999999), empty.boundsMin);
    EXPECT_EQ(CVector3(-999999, -999999, -999999), empty.boundsMax);
}

TEST(ObjReader, MissingFileLeavesTheModelAndSaysSo)
{
    CModelData model;
    model.objectCount = 7;
    CObjReader reader;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(reader.Load(&model, "/nonexistent/dir/model.obj"));
    EXPECT_EQ("\nUnable to find or open the file: /nonexistent/dir/model.obj\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(7, model.objectCount);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(reader.Load(&model, "/tmp"));  // a directory opens but cannot be read
    EXPECT_EQ("\nUnable to find or open the file: /tmp\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ(7, model.objectCount);
    EXPECT_FALSE(reader.Load(nullptr, "x.obj"));
    EXPECT_FALSE(reader.Load(&model, nullptr));
}

TEST(ObjReader, MaterialsAndCornerArrays)
{
    ReadResult result = ReadText(std::string(QUAD) + "vt 0.5 0.25\nf 1/1 3/1 4/1\n");
    CModelData& model = result.model;
    CObjReader reader;
    const std::string longName(400, 'n');
    reader.AddMaterial(&model, "tex.tga", longName.c_str(), 255, 128, 1);
    reader.AddMaterial(&model, nullptr, nullptr, 0, 0, 0);
    reader.SetObjectMaterial(&model, 0, 1);
    reader.SetObjectMaterial(&model, 1, 0);  // no object 1: ignored
    reader.SetObjectMaterial(&model, -1, 0);
    ASSERT_EQ(2, model.materialCount);
    EXPECT_STREQ("tex.tga", model.materials[0].name);
    EXPECT_EQ(MODEL_NAME_LENGTH - 1, std::strlen(model.materials[0].textureFile));
    EXPECT_EQ(128, model.materials[0].color[1]);
    EXPECT_STREQ("", model.materials[1].name);
    EXPECT_EQ(1, model.objects[0].materialIndex);

    std::vector<float> positions, normals, texCoords;
    CObjReader::BuildCornerArrays(model.objects[0], positions, normals, texCoords);
    const std::vector<float> expectedPositions = {0, 0, 0, 1, 1, 0, 0, 1, 0};
    EXPECT_EQ(expectedPositions, positions);
    ASSERT_EQ(9u, normals.size());
    EXPECT_EQ(1.0f, normals[2]);
    EXPECT_EQ(1.0f, normals[8]);
    const std::vector<float> expectedTexCoords = {0.5f, 0.25f, 0.5f, 0.25f, 0.5f, 0.25f};
    EXPECT_EQ(expectedTexCoords, texCoords);
}

// The fast float path must give strtof's float bit for bit.
TEST(ObjTextScan, FloatsMatchStrtof)
{
    std::vector<std::string> texts = {"0",
                                      "-0",
                                      "1.",
                                      ".5",
                                      "-.5e-3",
                                      "0.1",
                                      "3.4028235e38",
                                      "1e-50",
                                      "inf",
                                      "-Infinity",
                                      "nan",
                                      "0x1p-3",
                                      "123456789.123456789",
                                      "0.000000000000000000000000123",
                                      "9007199254740993",
                                      "16777217",
                                      "16777219",
                                      "0.30000001192092896",
                                      "1.00000005960464477539",
                                      "+7",
                                      "00012.50",
                                      "5e",
                                      "1.5-2",
                                      "99999999999999999999999"};
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i)
    {
        char text[64];
        int decimals = static_cast<int>(random() % 10);
        double value = std::ldexp(static_cast<double>(random()), -static_cast<int>(random() % 40));
        std::snprintf(text, sizeof text, "%s%.*f", (random() & 1) ? "-" : "", decimals, value);
        texts.push_back(text);
    }
    for (const std::string& text : texts)
    {
        char* libraryEnd = nullptr;
        float expected = std::strtof(text.c_str(), &libraryEnd);
        float scanned = -12345.0f;
        const char* end = ScanFloat(text.data(), text.data() + text.size(), scanned);
        ASSERT_NE(nullptr, end) << text;
        EXPECT_EQ(libraryEnd - text.c_str(), end - text.data()) << text;
        uint32_t expectedBits, scannedBits;
        std::memcpy(&expectedBits, &expected, 4);
        std::memcpy(&scannedBits, &scanned, 4);
        EXPECT_EQ(expectedBits, scannedBits) << text;
    }
    float untouched = 3.0f;
    for (const char* text : {"", "-", ".", "x1", "\n1"})
    {
        EXPECT_EQ(nullptr, ScanFloat(text, text + std::strlen(text), untouched)) << text;
    }
    EXPECT_EQ(3.0f, untouched);
}

namespace
{
// Triangles a fan makes of the faces of a "corners" histogram ("3:2, 4:1"); a face of fewer than
// three corners is dropped as one.
int TrianglesOfCorners(const std::string& histogram)
{
    int triangles = 0;
    std::stringstream entries(histogram);
    std::string entry;
    while (std::getline(entries, entry, ','))
    {
        const size_t colon = entry.find(':');
        if (colon == std::string::npos)
        {
            continue;
        }
        const int corners = std::atoi(entry.substr(0, colon).c_str());
        const int faces = std::atoi(entry.substr(colon + 1).c_str());
        triangles += (corners >= 3 ? corners - 2 : 1) * faces;
    }
    return triangles;
}
}  // namespace

// The shared real-world files: every one loads without harm, with the counts of EXPECTED.md and
// as many triangles as the fans of its faces.
TEST(ObjReader, SharedTestFilesLoadWithTheirCounts)
{
    const std::string root = std::string(KYREL_SHARED_TESTDATA_DIR);
    std::ifstream expected(root + "/EXPECTED.md");
    if (!expected)
    {
        GTEST_SKIP() << "shared test data not present at " << root;
    }
    std::string line;
    int files = 0;
    while (std::getline(expected, line))
    {
        // | file | class | v | vt | vn | f | g/o | faces as | corners | v blocks | ...
        if (line.rfind("| ", 0) != 0 || line.find(".obj |") == std::string::npos)
        {
            continue;
        }
        std::vector<std::string> cells;
        std::stringstream row(line.substr(1));
        std::string cell;
        while (std::getline(row, cell, '|'))
        {
            const size_t first = cell.find_first_not_of(' ');
            const size_t last = cell.find_last_not_of(' ');
            cells.push_back(first == std::string::npos ? "" : cell.substr(first, last + 1 - first));
        }
        ASSERT_GE(cells.size(), 10u) << line;
        const std::string path = root + "/obj/" + cells[0];
        SCOPED_TRACE(path);
        CModelData model;
        CObjReader reader;
        testing::internal::CaptureStderr();
        ASSERT_TRUE(reader.Load(&model, path.c_str()));
        testing::internal::GetCapturedStderr();
        ++files;
        int vertices = 0, texCoords = 0, faces = 0;
        for (const ModelObject& object : model.objects)
        {
            vertices += object.vertexCount;
            texCoords += object.texCoordCount;
            faces += object.faceCount;
            for (const ModelFace& face : object.faces)
            {
                for (int k = 0; k < 3; ++k)
                {
                    ASSERT_GE(face.vertIndex[k], 0);
                    ASSERT_LT(face.vertIndex[k], object.vertexCount);
                }
            }
        }
        if (cells[2].rfind("not UTF-8", 0) == 0)
        {
            EXPECT_EQ(0, faces);
            continue;
        }
        EXPECT_EQ(std::atoi(cells[2].c_str()), vertices);
        EXPECT_EQ(std::atoi(cells[3].c_str()), texCoords);
        EXPECT_EQ(TrianglesOfCorners(cells[8]), faces + reader.GetDroppedFaceCount());
        EXPECT_EQ(std::atoi(cells[9].c_str()), model.objectCount);
        // Well-formed files whose face syntax the engine reads lose nothing: corners with a
        // texture index where the file has texture coordinates, without one where it has none.
        const std::string& form = cells[7];
        const bool textured = form.rfind("v/vt x", 0) == 0 || form.rfind("v/vt/vn x", 0) == 0;
        const bool plain = form.rfind("v x", 0) == 0 || form.rfind("v//vn x", 0) == 0;
        const bool readable =
            form.find(',') == std::string::npos && (cells[3] == "0" ? plain : textured);
        if (cells[1] == "good" && readable)
        {
            EXPECT_EQ(0, reader.GetDroppedFaceCount());
        }
    }
    EXPECT_GE(files, 20);
}
