// The shadow-map render path over a floor of each model kind, textured red where x < 0 and blue
// where x > 0 (the XML floor white), under an OBJ caster: the floor point behind the caster, seen
// from the light, keeps its colour at half its light, and a point in the open stays as it was. The
// MD2 floor sinks while it animates, so a shadow drawn in another pose than its lit draw would
// miss it. The suite runs again on a driver without framebuffer objects, where the depth map is
// copied out of the window.
#include "gl/GLTestEnvironment.h"
#include "gl/scene/SceneFixture.h"
#include "platform/CGraphicsCore.h"
#include "game/CGameObject.h"
#include "game/CGameObjectManager.h"
#include "models/CMD2Object.h"
#include "scene/CLightManager.h"
#include "support/Chunk3DSBuilder.h"
#include "support/MD2FileBuilder.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace kyrel_test;
namespace c3 = kyrel_test::chunk3ds;

namespace
{
const std::string SCENE_DATA = std::string(KYREL_TEST_DATA_DIR) + "/scene/";
// The light stands at (20, 100, 20). Seen from the eye, the first floor point (red) lies in the
// shadow of the box (6 x 2 x 6 around height 10) without the box in front of it; the second
// (blue) lies in the open.
const CVector3 EYE(0, 60, 40);
const CVector3 SHADOWED(-4.5f, 0, -4.5f);
const CVector3 OPEN(10, 0, 12);

// Each channel of after is share of before's, give or take rounding and lighting.
void ExpectShare(const std::vector<unsigned char>& before, const std::vector<unsigned char>& after,
                 double share)
{
    for (int c = 0; c < 3; ++c)
    {
        EXPECT_NEAR(share * before[c], after[c], 0.08 * before[c] + 3) << "channel " << c;
    }
}

// Every read moves the MD2 clock a tenth of the way from the first frame to the second.
unsigned int steppingTicks = 0;
unsigned int SteppingClock()
{
    return steppingTicks += 1000;
}

// Floors of 40 x 40 at height 0 with the picture's left half at x < 0. The MD2 file's (X, Y, Z)
// become the engine's (X, Z, -Y): its first frame lies at height 2, the second and third (which
// only closes the animation) on the ground.
std::string WriteFloor(int kind, const TempDir& folder)
{
    if (kind == CGameObject::KIND_3DS)
    {
        const Chunk3DSNode file = c3::File(
            {c3::Material("Pic", {0, 255, 0}, "halves.bmp"),
             c3::Object("F",
                        {c3::Vertices({{-20, 0, -20}, {20, 0, -20}, {20, 0, 20}, {-20, 0, 20}}),
                         c3::TexCoords({{0, 0}, {1, 0}, {1, 1}, {0, 1}}),
                         c3::Faces({{0, 2, 1}, {0, 3, 2}}, "Pic")})});
        const std::vector<uint8_t> bytes = file.Bytes();
        return WriteFile(folder.File("floor.3ds"), std::string(bytes.begin(), bytes.end()));
    }
    MD2FileBuilder file;
    const int16_t side = static_cast<int16_t>(file.skinWidth);
    file.texCoords = {{0, side}, {side, side}, {side, 0}, {0, 0}};
    file.triangles = {{{0, 2, 1}, {0, 2, 1}}, {{0, 3, 2}, {0, 3, 2}}};
    for (float height : {2.0f, 0.0f, 0.0f})
    {
        MD2Frame frame;
        frame.name = "sink" + std::to_string(file.frames.size() + 1);
        frame.scale = {40, 40, 1};
        frame.translate = {-20, -20, height};
        frame.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
        file.frames.push_back(frame);
    }
    const std::vector<uint8_t> bytes = file.Build();
    return WriteFile(folder.File("floor.md2"), std::string(bytes.begin(), bytes.end()));
}

CGameObject* AddObject(int kind, const std::string& path, bool castsShadow)
{
    CGameObject* object = new CGameObject();
    object->LoadFile(path, SCENE_DATA + "halves.bmp", false);
    if (kind == CGameObject::KIND_MD2)
    {
        object->GetMD2Entity()->SetTickSource(SteppingClock);
        object->SetAnimationSpeed(0.1f);
        object->SetAnimation(0);
    }
    object->SetCastShadow(castsShadow);
    object->SetPosition(0, 0, 0);
    gGameObjectManager->AddObject(object);
    return object;
}

class FloorShadowMapGL : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, Engine());
        EnsureLight();
        ASSERT_EQ(CVector3(20, 100, 20), gLightManager->GetLightPosition(1));
        // The window's perspective, which a test before may have replaced, then the depth
        // state every frame's 2D overlay leaves behind.
        glViewport(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gGraphicsCore->Perspective(gGraphicsCore->GetFieldOfView(),
                                   double(WINDOW_WIDTH) / WINDOW_HEIGHT, 1.0, 15000.0);
        glMatrixMode(GL_MODELVIEW);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        // The manager lives as long as the process: objects earlier tests left in it sit out.
        for (size_t i = 0; i < gGameObjectManager->GetObjectCount(); ++i)
        {
            CGameObject* other = gGameObjectManager->GetObject(i);
            if (other->IsEnabled())
            {
                other->SetEnabled(false);
                sittingOut.push_back(other);
            }
        }
        const int kind = GetParam();
        std::filesystem::copy_file(SCENE_DATA + "halves.bmp", folder.File("halves.bmp"));
        const std::string floorPath = kind == CGameObject::KIND_OBJ ? SCENE_DATA + "floor.obj"
                                      : kind == CGameObject::KIND_XML
                                          ? WriteQuadModel("floor", 20, 0)
                                          : WriteFloor(kind, folder);
        floor = AddObject(kind, floorPath, false);
        caster = AddObject(CGameObject::KIND_OBJ, SCENE_DATA + "caster.obj", true);

        gGraphicsCore->SetShadows(false);
        DrawScene(EYE);
        shadowedBefore = PixelAt(SHADOWED);
        openBefore = PixelAt(OPEN);
        if (kind != CGameObject::KIND_XML)
        {
            ASSERT_TRUE(shadowedBefore[0] > 90 && shadowedBefore[2] < 30) << "the floor is red";
            ASSERT_TRUE(openBefore[2] > 90 && openBefore[0] < 30) << "the floor is blue";
        }
    }

    void TearDown() override
    {
        gGraphicsCore->SetShadows(false);
        if (floor && caster)
        {
            floor->SetEnabled(false);
            caster->SetEnabled(false);
        }
        for (CGameObject* other : sittingOut)
        {
            other->SetEnabled(true);
        }
    }

    // Draws with the shadow map and checks the two floor points against the unshadowed ones.
    void ExpectShadowMapped(double shadowedShare)
    {
        gGraphicsCore->SetShadows(true);
        gGraphicsCore->SetShadowMethod(SHADOW_MAPPING);
        DrawScene(EYE);
        SCOPED_TRACE(gGraphicsCore->HasFramebufferObjects() ? "framebuffer object"
                                                            : "copied window depth");
        ExpectShare(shadowedBefore, PixelAt(SHADOWED), shadowedShare);
        ExpectShare(openBefore, PixelAt(OPEN), 1.0);
        EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
    }

    TempDir folder{"shadowmap"};
    CGameObject* floor = nullptr;
    CGameObject* caster = nullptr;
    std::vector<unsigned char> shadowedBefore;
    std::vector<unsigned char> openBefore;
    std::vector<CGameObject*> sittingOut;
};
}  // namespace

TEST_P(FloorShadowMapGL, HalvesTheFloorBehindTheCasterOnly)
{
    ExpectShadowMapped(0.5);
}

TEST_P(FloorShadowMapGL, AnObjectThatCastsNoShadowLeavesTheFloorLit)
{
    caster->SetCastShadow(false);
    ExpectShadowMapped(1.0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, FloorShadowMapGL,
                         ::testing::Values(CGameObject::KIND_OBJ, CGameObject::KIND_3DS,
                                           CGameObject::KIND_MD2, CGameObject::KIND_XML));
