// One picture, red over blue, saved in every format image loading reads, on a textured quad of
// each model kind whose texture coordinates count up from the bottom of the picture (OBJ, 3DS,
// MD2), and on each quad converted by kyrel-convert into the XML model: red shows above blue on
// screen whatever the picture's format.
#include "gl/GLTestEnvironment.h"
#include "gl/scene/SceneFixture.h"
#include "convert/ModelConverter.h"
#include "game/CGameObject.h"
#include "scene/CCamera.h"
#include "support/Chunk3DSBuilder.h"
#include "support/MD2FileBuilder.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace kyrel_test;
namespace c3 = kyrel_test::chunk3ds;

namespace
{
const int PICTURE_SIDE = 16;

std::string AsText(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// The top half red, the bottom half blue, as a binary PPM (top row first, as the format has it).
std::string RedOverBluePpm()
{
    std::string ppm =
        "P6 " + std::to_string(PICTURE_SIDE) + " " + std::to_string(PICTURE_SIDE) + " 255\n";
    for (int y = 0; y < PICTURE_SIDE; ++y)
    {
        for (int x = 0; x < PICTURE_SIDE; ++x)
        {
            ppm += y < PICTURE_SIDE / 2 ? std::string("\xff\x00\x00", 3)
                                        : std::string("\x00\x00\xff", 3);
        }
    }
    return ppm;
}

// An uncompressed 24-bit TGA of the same picture; its rows stored top first (origin flag set) or
// bottom first (clear), as the file says.
std::string RedOverBlueTga(bool topFirst)
{
    std::string tga(18, '\0');
    tga[2] = 2;  // uncompressed true colour
    tga[12] = static_cast<char>(PICTURE_SIDE);
    tga[14] = static_cast<char>(PICTURE_SIDE);
    tga[16] = 24;
    tga[17] = topFirst ? 0x20 : 0x00;
    for (int row = 0; row < PICTURE_SIDE; ++row)
    {
        const int y = topFirst ? row : PICTURE_SIDE - 1 - row;  // 0 is the top row
        for (int x = 0; x < PICTURE_SIDE; ++x)
        {
            tga += y < PICTURE_SIDE / 2 ? std::string("\x00\x00\xff", 3)
                                        : std::string("\xff\x00\x00", 3);
        }
    }
    return tga;
}

// Square quads of half size 1 in the y = 0 plane, facing up; the picture's top (v = 1) at -z.
std::string ObjQuad(const TempDir& folder)
{
    return WriteFile(folder.File("quad.obj"), "v -1 0 1\nv 1 0 1\nv 1 0 -1\nv -1 0 -1\n"
                                              "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                              "f 1/1 2/2 3/3 4/4\n");
}

std::string TdsQuad(const TempDir& folder, const std::string& picture)
{
    const std::vector<uint8_t> bytes =
        c3::File({c3::Material("Pic", {0, 255, 0}, picture),
                  c3::Object("Q", {c3::Vertices({{-1, 0, 1}, {1, 0, 1}, {1, 0, -1}, {-1, 0, -1}}),
                                   c3::TexCoords({{0, 0}, {1, 0}, {1, 1}, {0, 1}}),
                                   c3::Faces({{0, 1, 2}, {0, 2, 3}}, "Pic")})})
            .Bytes();
    return WriteFile(folder.File("quad-" + picture + ".3ds"), AsText(bytes));
}

// The file's (X, Y, Z) become the engine's (X, Z, -Y); MD2 counts t down from the skin's top and
// winds its triangles the other way round.
std::string Md2Quad(const TempDir& folder)
{
    MD2FileBuilder file;
    const int16_t side = static_cast<int16_t>(file.skinWidth);
    file.texCoords = {{0, side}, {side, side}, {side, 0}, {0, 0}};
    file.triangles = {{{0, 2, 1}, {0, 2, 1}}, {{0, 3, 2}, {0, 3, 2}}};
    MD2Frame frame;
    frame.name = "still1";
    frame.translate = {-1.0f, -1.0f, 0.0f};
    frame.vertices = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
    file.frames = {frame};
    return WriteFile(folder.File("quad.md2"), AsText(file.Build()));
}

void LookDownWithMinusZUp()
{
    ResetFrame();
    gCamera->PositionCamera(0, 10, 0, 0, 0, 0, 0, 0, -1);
    gCamera->Look();
    glDisable(GL_LIGHTING);
}

// The parallax program of converted models lights with a share of the ambient light only, so
// its red is darker than the other kinds'.
bool IsRed(const std::vector<unsigned char>& pixel)
{
    return pixel[0] > 110 && pixel[2] < 60;
}

bool IsBlue(const std::vector<unsigned char>& pixel)
{
    return pixel[2] > 110 && pixel[0] < 60;
}
void ExpectRedAboveBlue(CGameObject& object)
{
    ASSERT_TRUE(object.IsLoaded());
    object.SetPosition(0, 0, 0);
    LookDownWithMinusZUp();
    object.Draw(true);
    EXPECT_TRUE(IsRed(PixelAt(CVector3(0, 0, -0.5f)))) << "top half";
    EXPECT_TRUE(IsBlue(PixelAt(CVector3(0, 0, 0.5f)))) << "bottom half";
}
}  // namespace

TEST(TextureOrientationGL, RedAboveBlueForEveryFormatOnEveryModelKind)
{
    ASSERT_NE(nullptr, Engine());
    EnsureLight();
    TempDir folder("orient");
    const std::string source = WriteFile(folder.File("picture.ppm"), RedOverBluePpm());
    // ImageMagick writes TGA rows top first whatever origin it declares, so the two TGA copies are
    // written here: one stored bottom row first, one top row first, each declaring its origin.
    WriteFile(folder.File("up.tga"), RedOverBlueTga(false));
    WriteFile(folder.File("down.tga"), RedOverBlueTga(true));
    const struct
    {
        const char* file;
        const char* options;  // null: not made by ImageMagick
    } pictures[] = {{"pic.bmp", "-type TrueColor BMP3:"},
                    {"pic.pcx", ""},
                    {"up.tga", nullptr},
                    {"down.tga", nullptr},
                    {"pic.png", ""},
                    {"pic.jpg", "-quality 95"},
                    {"progressive.jpg", "-quality 95 -interlace Plane"}};
    for (const auto& picture : pictures)
    {
        if (!picture.options)
        {
            continue;
        }
        std::string options = picture.options;
        std::string prefix;
        const size_t colon = options.find(':');
        if (colon != std::string::npos)
        {
            const size_t space = options.rfind(' ', colon);
            prefix = options.substr(space + 1);
            options.erase(space + 1);
        }
        const std::string command =
            "convert '" + source + "' " + options + " '" + prefix + folder.File(picture.file) + "'";
        ASSERT_EQ(0, std::system(command.c_str())) << command;
    }

    const std::string obj = ObjQuad(folder);
    const std::string md2 = Md2Quad(folder);
    const std::string textureFolder = folder.Path() + "/";
    for (const auto& picture : pictures)
    {
        const std::string path = folder.File(picture.file);
        for (int kind : {CGameObject::KIND_OBJ, CGameObject::KIND_3DS, CGameObject::KIND_MD2})
        {
            for (bool converted : {false, true})
            {
                SCOPED_TRACE(std::string(picture.file) + " on kind " + std::to_string(kind) +
                             (converted ? ", converted" : ""));
                const std::string source =
                    kind == CGameObject::KIND_OBJ
                        ? obj
                        : (kind == CGameObject::KIND_MD2 ? md2 : TdsQuad(folder, picture.file));
                CGameObject object;
                testing::internal::CaptureStdout();
                testing::internal::CaptureStderr();
                if (converted)
                {
                    ConvertOptions options;
                    options.inputPath = source;
                    options.outputPath = folder.File("converted.xml");
                    options.texturePath = kind == CGameObject::KIND_3DS ? "" : path;
                    options.swapAxes = false;  // the quad is written y-up, as loaded below
                    std::string error;
                    EXPECT_TRUE(ConvertModelFile(options, error)) << error;
                    object.LoadXML(options.outputPath.c_str());
                }
                else if (kind == CGameObject::KIND_OBJ)
                {
                    object.LoadOBJ(obj.c_str(), path.c_str());
                }
                else if (kind == CGameObject::KIND_MD2)
                {
                    object.LoadMD2(md2.c_str(), path.c_str());
                }
                else
                {
                    object.Load3DS(textureFolder.c_str(), source.c_str(), 0);
                }
                testing::internal::GetCapturedStdout();
                testing::internal::GetCapturedStderr();
                ExpectRedAboveBlue(object);
            }
        }
    }
}
