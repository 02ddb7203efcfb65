// kyrel-convert's work without GL: every sample and shared model (and one of several materials)
// read back from its document with the same triangles, position bits, texture coordinates and
// materials; and the height-map maker.
#include "convert/HeightMap.h"
#include "convert/ModelConverter.h"
#include "images/CTgaReader.h"
#include "io/CByteReader.h"
#include "io/FindFile.h"
#include "models/CXMLModel.h"
#include "support/TempFiles.h"
#include "textures/CUtils.h"
#include "xml/xmlParser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

using kyrel_test::TempDir;
using kyrel_test::WriteFile;

namespace
{
const std::string SAMPLES = std::string(KYREL_ASSETS_DIR) + "/Data/Samples/";
const std::string SHARED = KYREL_SHARED_TESTDATA_DIR;

bool SameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string BaseName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

bool Exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

// The document at path as the engine's model reader gives it (no pictures loaded).
bool ReadBack(const std::string& path, CXMLModel& model)
{
    testing::internal::CaptureStdout();
    XmlParseResult result{};
    CXmlElement root = ParseFileText(path.c_str(), XML_MODEL_ROOT_TAG, &result);
    const bool read = result.errorCode == XML_ERROR_NONE &&
                      model.ReadDocument(root, path.c_str(), [](const char*) { return 0u; });
    testing::internal::GetCapturedStdout();
    return read;
}

// Two materials from a library: a textured one and a plain red one, a face of each and a face
// without a material.
std::string WriteTwoMaterialObj(const TempDir& folder)
{
    std::system(
        ("convert -size 8x8 gradient:white-black '" + folder.File("paint.png") + "'").c_str());
    WriteFile(folder.File("two.mtl"),
              "newmtl painted\nKd 1 1 1\nmap_Kd paint.png\nnewmtl red\nKd 1 0 0\n");
    return WriteFile(folder.File("two.obj"), "mtllib two.mtl\n"
                                             "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.1 0.2 0.3\n"
                                             "vt 0 0\nvt 1 0\nvt 1 1\nvt 0.25 0.75\n"
                                             "usemtl painted\nf 1/1 2/2 3/3\n"
                                             "usemtl red\nf 1/1 3/3 4/4\nf 3/3 4/4 5/4\n");
}

struct RoundTrip
{
    std::string input;
    std::string texture;
    int frame = 0;  // MD2
};

std::vector<RoundTrip> RoundTripCases(const TempDir& folder)
{
    std::vector<RoundTrip> cases = {{SAMPLES + "pedestal.obj", SAMPLES + "pedestal.png"},
                                    {SAMPLES + "floor.obj", ""},
                                    {SAMPLES + "table.3ds", ""},
                                    {SAMPLES + "figure.md2", SAMPLES + "figure.png"},
                                    {SAMPLES + "figure.md2", SAMPLES + "figure.png", 5},
                                    {WriteTwoMaterialObj(folder), ""}};
    const std::string md2 = SHARED + "/md2/good/";
    if (Exists(md2))
    {
        cases.push_back({md2 + "faerie.md2", md2 + "faerie2.bmp"});
        cases.push_back({md2 + "sydney.md2", md2 + "sydney.bmp"});
    }
    for (const char* kind : {"/obj/good", "/3ds/good"})
    {
        if (!Exists(SHARED + kind))
        {
            continue;
        }
        for (const auto& entry : std::filesystem::directory_iterator(SHARED + kind))
        {
            const std::string extension = entry.path().extension().string();
            if (extension == ".obj" || extension == ".3ds" || extension == ".3DS")
            {
                cases.push_back({entry.path().string(), ""});
            }
        }
    }
    return cases;
}

// The picture of a source material the document must name: the one given, or the material's
// own as the engine finds it; empty without one.
std::string ExpectedPicture(const RoundTrip& trip, const CModelData& mesh, int material)
{
    if (!trip.texture.empty())
    {
        return BaseName(trip.texture);
    }
    if (material >= mesh.materialCount)
    {
        return "";
    }
    const std::string written = mesh.materials[static_cast<size_t>(material)].textureFile;
    const std::string found = written.empty() ? "" : FindTextureFile(written, FolderOf(trip.input));
    return found.empty() ? "" : BaseName(found);
}

// Checks one source face against the document's face: corners in order (MD2: a, c, b), position
// bits, texture coordinates (v as 1 - v for pictures loaded top row first), material, picture and
// height map beside the document, vertex colour (white under a picture, else the material's).
void ExpectSameFace(const RoundTrip& trip, const CModelData& mesh, const ModelObject& part,
                    size_t f, bool keyFrames, const CXMLModel& back, const XMLFace& face,
                    const std::string& folder)
{
    const ModelFace& source = part.faces[f];
    const int index = f < part.faceMaterials.size() ? part.faceMaterials[f] : part.materialIndex;
    const int material = index >= 0 && index < mesh.materialCount ? index : mesh.materialCount;
    ASSERT_EQ(material, face.materialIndex);
    const XMLMaterial& written = back.materials[static_cast<size_t>(material)];
    const std::string picture = ExpectedPicture(trip, mesh, material);
    EXPECT_EQ(picture, written.textureFile);
    if (!picture.empty())
    {
        EXPECT_TRUE(Exists(folder + picture)) << picture;
        ASSERT_GE(face.parallaxMapIndex, 0);
        EXPECT_TRUE(Exists(folder + back.heightMaps[face.parallaxMapIndex].textureFile));
    }
    const unsigned char white[3] = {255, 255, 255};
    const unsigned char* color =
        material < mesh.materialCount ? mesh.materials[static_cast<size_t>(material)].color : white;
    EXPECT_EQ(color[0], ColorComponentByte(written.diffuse[0]));
    EXPECT_EQ(color[2], ColorComponentByte(written.diffuse[2]));
    const bool flip = !picture.empty() && !CUtils::KeepsRowOrder(picture.c_str());
    const bool texCoords = !part.texCoords.empty() && (keyFrames || part.hasTexture);
    const int corners[3] = {face.a, keyFrames ? face.c : face.b, keyFrames ? face.b : face.c};
    for (int k = 0; k < 3; ++k)
    {
        const XMLVertex& vertex = back.subObjects[0].vertices[static_cast<size_t>(corners[k])];
        const CVector3& position = keyFrames
                                       ? mesh.keyFrames.Vertices(trip.frame)[source.vertIndex[k]]
                                       : part.vertices[static_cast<size_t>(source.vertIndex[k])];
        EXPECT_EQ(picture.empty() ? color[1] : 255, ColorComponentByte(vertex.g));
        EXPECT_TRUE(SameBits(position.x, vertex.x) && SameBits(position.y, vertex.y) &&
                    SameBits(position.z, vertex.z))
            << "face " << f << " corner " << k;
        if (!texCoords)
        {
            EXPECT_EQ(XML_NO_TEXCOORD, vertex.u0);
            continue;
        }
        const ModelTexCoord& coord = part.texCoords[static_cast<size_t>(source.coordIndex[k])];
        EXPECT_TRUE(SameBits(coord.u, vertex.u0)) << "face " << f << " corner " << k;
        EXPECT_TRUE(SameBits(flip ? 1.0f - coord.v : coord.v, vertex.v0))
            << "face " << f << " corner " << k;
    }
}
}  // namespace

TEST(KyrelConvert, EveryModelReadsBackWithItsTrianglesPositionsCoordinatesAndMaterials)
{
    TempDir folder("convert-trip");
    int converted = 0;
    std::set<int> materialsUsed;
    for (const RoundTrip& trip : RoundTripCases(folder))
    {
        SCOPED_TRACE(trip.input);
        TempDir out("convert-out");
        ConvertOptions options;
        options.inputPath = trip.input;
        options.outputPath = out.File("model.xml");
        options.texturePath = trip.texture;
        options.frame = trip.frame;
        options.height = "auto";
        CModelData mesh;
        bool keyFrames = false;
        std::string error;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const bool readable = ReadSourceMesh(options, mesh, keyFrames, error);
        const bool done = ConvertModelFile(options, error);
        testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
        // A file the engine's reader refuses is refused by the converter too, and leaves nothing.
        ASSERT_EQ(readable, done) << error;
        if (!done)
        {
            EXPECT_FALSE(Exists(options.outputPath));
            continue;
        }
        ++converted;
        CXMLModel back;
        ASSERT_TRUE(ReadBack(options.outputPath, back));
        ASSERT_EQ(1u, back.subObjects.size());
        const std::vector<XMLFace>& faces = back.subObjects[0].faces;
        if (trip.input == folder.File("two.obj"))
        {
            for (const XMLFace& face : faces)
            {
                materialsUsed.insert(face.materialIndex);
            }
        }
        size_t next = 0;
        const size_t parts = keyFrames ? 1 : mesh.objects.size();
        for (size_t p = 0; p < parts; ++p)
        {
            const ModelObject& part = mesh.objects[p];
            for (size_t f = 0; f < part.faces.size() && next < faces.size(); ++f, ++next)
            {
                ExpectSameFace(trip, mesh, part, f, keyFrames, back, faces[next], out.Path() + "/");
            }
        }
        EXPECT_EQ(next, faces.size()) << "triangles";
    }
    EXPECT_GE(converted, 5);
    EXPECT_GE(materialsUsed.size(), 2u) << "a model of several materials";
}

TEST(KyrelConvert, HeightMapsAreFlatForFlatPicturesAndFullRangeSmoothedSteps)
{
    TempDir folder("convert-height");
    const int side = 8;
    struct Case
    {
        const char* name;
        unsigned char left, right;  // grey of the left and the right half
        float scale;
        int low, high;  // expected extremes of the map
    };
    const Case cases[] = {{"flat", 90, 90, 1.0f, 255, 255},
                          {"step", 20, 200, 1.0f, 0, 255},
                          {"reversed step", 200, 20, 1.0f, 0, 255},
                          {"half depth", 20, 200, 0.5f, 128, 255}};
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.name);
        std::vector<unsigned char> rgb;
        for (int y = 0; y < side; ++y)
        {
            for (int x = 0; x < side; ++x)
            {
                rgb.insert(rgb.end(), 3, x < side / 2 ? test.left : test.right);
            }
        }
        const HeightMap map = MakeHeightMap(rgb.data(), side, side, 3, test.scale);
        ASSERT_EQ(static_cast<size_t>(side * side), map.heights.size());
        std::set<int> row;
        for (int y = 0; y < side; ++y)
        {
            for (int x = 0; x < side; ++x)
            {
                // Every row the same, as the picture's are.
                EXPECT_EQ(map.heights[x], map.heights[y * side + x]);
            }
        }
        for (int x = 0; x < side; ++x)
        {
            row.insert(map.heights[x]);
        }
        EXPECT_EQ(test.low, *row.begin());
        EXPECT_EQ(test.high, *row.rbegin());
        if (test.left != test.right)
        {
            // Smoothed: the columns beside each edge lie between the two levels.
            const int bright = test.left > test.right ? 0 : side / 2;
            EXPECT_GT(map.heights[bright], test.low);
            EXPECT_LT(map.heights[bright], test.high);
            EXPECT_EQ(test.high, map.heights[bright + 1]);
            EXPECT_EQ(4u, row.size());
        }
        // The engine's TGA reader gives the map back, top row first.
        const std::string path = folder.File("h.tga");
        ASSERT_TRUE(WriteHeightMapTga(map, path));
        CByteReader reader;
        ASSERT_TRUE(reader.OpenFile(path.c_str()));
        std::unique_ptr<CDecodedImage> image(DecodeTGA(reader, path.c_str()));
        ASSERT_TRUE(image && image->width == side && image->height == side);
        for (size_t i = 0; i < map.heights.size(); ++i)
        {
            EXPECT_EQ(map.heights[i], image->data[i * image->components + 1]);
        }
    }
}
