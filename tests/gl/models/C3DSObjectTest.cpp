// The 3DS entity on a real context, read back as pixels: per-part frustum culling of the buffer
// draw against the immediate draw, material colours beside textures, the texture directory join,
// back-face culling set around the draw, shadow volumes per part, and screenshots of real models.
#include "gl/GLTestEnvironment.h"
#include "gl/scene/SceneFixture.h"
#include "models/C3DSObject.h"
#include "scene/CCamera.h"
#include "support/Chunk3DSBuilder.h"
#include "support/TempFiles.h"
#include "support/WindowScreenshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace kyrel_test;
namespace c3 = kyrel_test::chunk3ds;

namespace
{
const std::string SCENE_DATA = std::string(KYREL_TEST_DATA_DIR) + "/scene/";
const std::string SHARED_3DS = std::string(KYREL_SHARED_TESTDATA_DIR) + "/3ds/good/";
const unsigned RED = 0xFF0000, BLUE = 0x0000FF, WHITE = 0xFFFFFF, BLACK = 0, GREEN = 0x00FF00;

// A flat square of half size 1 at (x, 0, z), wound to face up (or down), as one mesh object.
Chunk3DSNode Square(const std::string& name, float x, float z, const std::string& material,
                    bool facingUp = true)
{
    const std::vector<std::array<uint16_t, 3>> up = {{0, 2, 1}, {0, 3, 2}};
    const std::vector<std::array<uint16_t, 3>> down = {{0, 1, 2}, {0, 2, 3}};
    return c3::Object(
        name,
        {c3::Vertices({{x - 1, 0, z - 1}, {x + 1, 0, z - 1}, {x + 1, 0, z + 1}, {x - 1, 0, z + 1}}),
         c3::TexCoords({{0, 0}, {1, 0}, {1, 1}, {0, 1}}),
         c3::Faces(facingUp ? up : down, material)});
}

std::unique_ptr<C3DSObject> LoadModel(const std::vector<Chunk3DSNode>& editorChildren,
                                      const std::string& textureDirectory,
                                      std::string* output = nullptr)
{
    const TempDir dir("c3ds");
    const std::string path = dir.File("model.3ds");
    const std::vector<uint8_t> bytes = c3::File(editorChildren).Bytes();
    WriteFile(path, std::string(bytes.begin(), bytes.end()));
    std::unique_ptr<C3DSObject> entity(new C3DSObject());
    testing::internal::CaptureStdout();
    entity->Load(textureDirectory.c_str(), path.c_str(), 0);
    const std::string printed = testing::internal::GetCapturedStdout();
    if (output != nullptr)
    {
        *output = printed;
    }
    return entity;
}

void ExpectColorAt(const CVector3& world, unsigned rgb, const char* what)
{
    const std::vector<unsigned char> pixel = PixelAt(world);
    for (int c = 0; c < 3; ++c)
    {
        EXPECT_NEAR((rgb >> (16 - 8 * c)) & 0xFF, pixel[c], 3)
            << what << ", channel " << c << " at " << world.x << ", " << world.z;
    }
}

// Clears the frame and looks straight down at the origin from 10 units; screen right is +x.
void LookDown()
{
    ResetFrame();
    gCamera->PositionCamera(0, 10, 0, 0, 0, 0, 0, 0, -1);
    gCamera->Look();
}

class C3DSEntityGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, Engine());
        EnsureLight();
        glDisable(GL_LIGHTING);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
        LookDown();
    }
};

struct DrawPath
{
    const char* name;
    void (C3DSObject::*draw)(bool);
};
const DrawPath DRAW_PATHS[] = {{"Render", &C3DSObject::Render},
                               {"RenderVBO", &C3DSObject::RenderVBO}};
}  // namespace

// Textured parts before and after untextured ones: each untextured part shows its material's
// colour, a part naming no material shows white, and the textured ones their picture.
TEST_F(C3DSEntityGL, UntexturedPartsShowTheirMaterialColour)
{
    std::unique_ptr<C3DSObject> entity = LoadModel(
        {c3::Material("Pic", {0, 0, 0}, "halves.bmp"), c3::Material("Green", {0, 255, 0}, ""),
         Square("T1", -4, 0, "Pic"), Square("G", -1.5f, 0, "Green"), Square("T2", 1.5f, 0, "Pic"),
         Square("W", 4, 0, "none")},
        SCENE_DATA);
    ASSERT_NE(0u, entity->GetTexture(0));
    for (const DrawPath& path : DRAW_PATHS)
    {
        SCOPED_TRACE(path.name);
        LookDown();
        (entity.get()->*path.draw)(true);
        // The picture's left half is red, its right half blue.
        ExpectColorAt(CVector3(-4.5f, 0, 0), RED, "textured before");
        ExpectColorAt(CVector3(-1.5f, 0, 0), GREEN, "material colour");
        ExpectColorAt(CVector3(2.0f, 0, 0), BLUE, "textured after");
        ExpectColorAt(CVector3(4, 0, 0), WHITE, "no material");
        ExpectColorAt(CVector3(0, 0, 4), BLACK, "background");
        glDisable(GL_TEXTURE_2D);
    }
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY) || glIsEnabled(GL_COLOR_ARRAY) ||
                 glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

// The camera's frustum decides, not the matrix the part is drawn with: moved off to x = 50 and
// drawn through a matrix that brings it back on screen, the part is culled by the buffer draw
// only.
TEST_F(C3DSEntityGL, BufferDrawSkipsPartsOutsideTheFrustumImmediateDrawDoesNot)
{
    std::unique_ptr<C3DSObject> entity = LoadModel(
        {c3::Material("Green", {0, 255, 0}, ""), Square("Near", 0, 0, "Green")}, SCENE_DATA);
    for (const DrawPath& path : DRAW_PATHS)
    {
        SCOPED_TRACE(path.name);
        LookDown();
        entity->SetPosition(50, 0, 0);
        glPushMatrix();
        glTranslatef(-50, 0, 0);
        (entity.get()->*path.draw)(true);
        glPopMatrix();
        const bool culled = path.draw == &C3DSObject::RenderVBO;
        ExpectColorAt(CVector3(0, 0, 0), culled ? BLACK : GREEN, "moved part");

        LookDown();
        entity->SetPosition(0, 0, 0);
        (entity.get()->*path.draw)(true);
        ExpectColorAt(CVector3(0, 0, 0), GREEN, "part in view");
    }
}

TEST_F(C3DSEntityGL, TextureNamesJoinTheDirectoryAsWritten)
{
    std::filesystem::create_directories(WorkingDirectory() + "/models");
    std::filesystem::copy_file(SCENE_DATA + "halves.bmp", WorkingDirectory() + "/models/crate.bmp",
                               std::filesystem::copy_options::overwrite_existing);
    const std::vector<Chunk3DSNode> model = {c3::Material("Crate", {0, 0, 0}, "crate.bmp"),
                                             Square("Box", 0, 0, "Crate")};
    std::string printed;
    std::unique_ptr<C3DSObject> joined = LoadModel(model, "models/", &printed);
    EXPECT_NE(0u, joined->GetTexture(0));
    EXPECT_NE(std::string::npos, printed.find("models/crate.bmp\n")) << printed;

    std::unique_ptr<C3DSObject> unjoined = LoadModel(model, "models", &printed);
    EXPECT_EQ(0u, unjoined->GetTexture(0));
    EXPECT_NE(std::string::npos, printed.find("modelscrate.bmp\n")) << printed;
}

// As the game object draws 3DS models: back faces culled around the buffer draw, which leaves
// the caller's culling in place.
TEST_F(C3DSEntityGL, BackFacesAreCulledAroundTheBufferDraw)
{
    std::unique_ptr<C3DSObject> entity =
        LoadModel({c3::Material("Green", {0, 255, 0}, ""), Square("Up", -2, 0, "Green", true),
                   Square("Down", 2, 0, "Green", false)},
                  SCENE_DATA);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    entity->RenderVBO(true);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    glDisable(GL_CULL_FACE);
    ExpectColorAt(CVector3(-2, 0, 0), GREEN, "front face");
    ExpectColorAt(CVector3(2, 0, 0), BLACK, "back face");

    LookDown();
    entity->RenderVBO(true);
    ExpectColorAt(CVector3(2, 0, 0), GREEN, "back face without culling");
}

TEST_F(C3DSEntityGL, OneShadowVolumePerPartRebuiltInPlace)
{
    std::unique_ptr<C3DSObject> entity =
        LoadModel({c3::Material("Green", {0, 255, 0}, ""), Square("A", -2, 0, "Green"),
                   Square("B", 2, 0, "Green")},
                  SCENE_DATA);
    entity->BuildShadowVolume(20, 100, 20);
    ASSERT_EQ(2u, entity->GetShadowVolumeCount());
    const CShadowVolume* first = &entity->GetShadowVolume(0);
    entity->BuildShadowVolume(20, 100, 20);
    EXPECT_EQ(2u, entity->GetShadowVolumeCount());
    EXPECT_EQ(first, &entity->GetShadowVolume(0));
    // Four silhouette edges of a lit square, six vertices each.
    EXPECT_EQ(24u, entity->GetShadowVolume(1).GetVertexCount());
}

// Screenshots for a person to look at: the jeep textured and lit with its progressive JPEG as it
// is, and a model of five differently coloured materials, saved under /tmp.
TEST_F(C3DSEntityGL, ScreenshotsOfRealModels)
{
    const std::string jeepPicture = SHARED_3DS + "jeep1.jpg";
    if (!std::filesystem::exists(jeepPicture))
    {
        GTEST_SKIP() << "shared jeep picture not present: " << jeepPicture;
    }
    const struct
    {
        const char* file;
        const char* screenshot;
        CVector3 direction;  // from the model's centre towards the eye
    } shots[] = {{"jeep1.3ds", "/tmp/kyrel-3ds-jeep.png", CVector3(0.6f, 0.45f, 0.75f)},
                 {"assimp-cubes_with_alpha.3DS", "/tmp/kyrel-3ds-materials.png",
                  CVector3(0.3f, 1.0f, 0.5f)}};
    for (const auto& shot : shots)
    {
        const std::string path = SHARED_3DS + shot.file;
        C3DSObject entity;
        testing::internal::CaptureStdout();
        const std::string textureDirectory = SHARED_3DS;
        ASSERT_TRUE(entity.Load(textureDirectory.c_str(), path.c_str(), 1));
        testing::internal::GetCapturedStdout();
        // The jeep's one picture is a progressive JPEG beside it (the other model's is missing).
        const std::vector<ModelMaterial>& materials = entity.GetModel().materials;
        for (size_t i = 0; shot.file == std::string("jeep1.3ds") && i < materials.size(); ++i)
        {
            EXPECT_TRUE(materials[i].textureFile[0] == '\0' ||
                        entity.GetTexture(static_cast<int>(i)) != 0u)
                << "jeep material " << i << " keeps no texture";
        }
        const CVector3 centre = entity.GetModel().sphereCenter;
        const CVector3 eye =
            centre + shot.direction.Normalized() * (2.2f * entity.GetModel().sphereRadius);
        ResetFrame();
        glClearColor(0.3f, 0.35f, 0.45f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
        gCamera->PositionCamera(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, 0, 1, 0);
        gCamera->Look();
        const GLfloat lightPosition[4] = {0.4f, 1.0f, 0.6f, 0.0f};
        const GLfloat ambient[4] = {0.25f, 0.25f, 0.25f, 1.0f};
        const GLfloat diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
        const GLfloat none[4] = {0, 0, 0, 1};
        GLfloat defaultAmbient[4];
        glGetFloatv(GL_LIGHT_MODEL_AMBIENT, defaultAmbient);
        glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
        glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_COLOR_MATERIAL);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        entity.RenderVBO(true);
        glDisable(GL_CULL_FACE);
        glDisable(GL_LIGHTING);
        glDisable(GL_COLOR_MATERIAL);
        glDisable(GL_TEXTURE_2D);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, defaultAmbient);
        EXPECT_TRUE(SaveWindowPng(shot.screenshot));
        // Something other than the background covers the middle of the picture.
        const std::vector<unsigned char> middle = ReadPixel(WINDOW_WIDTH / 2, WINDOW_HEIGHT / 2);
        EXPECT_FALSE(middle[0] == 77 && middle[1] == 89 && middle[2] == 115) << shot.file;
    }
}
