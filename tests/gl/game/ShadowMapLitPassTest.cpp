// The shadow-map lit pass over a floor of each model kind, a slab drawn after it and the caster:
// every object keeps its own texture and colour, halved where the caster hides it from the light
// and unchanged in the open. The MD2 floor sinks while it animates, so a darkening drawn in
// another pose than its lit draw would miss it.
#include "gl/GLTestEnvironment.h"
#include "gl/scene/SceneFixture.h"
#include "platform/CGraphicsCore.h"
#include "game/CGameObject.h"
#include "game/CGameObjectManager.h"
#include "models/CMD2Object.h"
#include "support/Chunk3DSBuilder.h"
#include "support/MD2FileBuilder.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace kyrel_test;
namespace c3 = kyrel_test::chunk3ds;

namespace
{
const std::string SCENE_DATA = std::string(KYREL_TEST_DATA_DIR) + "/scene/";
const std::string HALVES = SCENE_DATA + "halves.bmp";  // red where x < 0, blue where x > 0
const CVector3 EYE(0, 60, 40);
// The light at (20, 100, 20) throws the caster's shadow (a 6 x 2 x 6 box around height 10) over
// about x, z in [-5.8, 1.3] on the floor and [-5, 1.8] at the slab's height 3. Each point is seen
// from the eye past the caster and past the slab.
// The colour of halves.bmp under a point; the slab's is whatever the plain path leaves current.
enum Colour
{
    RED,
    BLUE,
    ANY
};
struct ProbePoint
{
    const char* name;
    CVector3 position;
    bool shadowed;
    Colour picture;
};
const ProbePoint PROBES[] = {
    {"floor in the shadow", CVector3(-4.5f, 0, -4.5f), true, RED},
    {"red floor in the open", CVector3(-10, 0, 12), false, RED},
    {"blue floor in the open", CVector3(10, 0, 12), false, BLUE},
    {"slab in the shadow", CVector3(-1, 3, -1), true, ANY},
    {"slab in the open", CVector3(5, 3, 5), false, ANY},
};

std::string AsText(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// A quad at height 3 over x, z in [-2, 6], wound like the floor so that its normal points up.
std::string WriteSlab()
{
    const std::string path = WorkingDirectory() + "/slab.obj";
    std::ofstream(path) << "v -2 3 -2\nv -2 3 6\nv 6 3 6\nv 6 3 -2\nf 1 2 3 4\n";
    return path;
}

std::string Write3dsFloor(const TempDir& folder)
{
    const Chunk3DSNode file = c3::File(
        {c3::Material("Pic", {0, 255, 0}, "halves.bmp"),
         c3::Object("F", {c3::Vertices({{-20, 0, -20}, {20, 0, -20}, {20, 0, 20}, {-20, 0, 20}}),
                          c3::TexCoords({{0, 0}, {1, 0}, {1, 1}, {0, 1}}),
                          c3::Faces({{0, 2, 1}, {0, 3, 2}}, "Pic")})});
    return WriteFile(folder.File("floor.3ds"), AsText(file.Bytes()));
}

// The file's (X, Y, Z) become the engine's (X, Z, -Y): frame 1 lies at height 2, frame 2 on
// the ground; the third frame only closes the animation.
std::string WriteMd2Floor(const TempDir& folder)
{
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
    return WriteFile(folder.File("floor.md2"), AsText(file.Build()));
}

// Every read moves the MD2 clock a tenth of the way towards the next frame.
unsigned int steppingTicks = 0;
unsigned int SteppingClock()
{
    return steppingTicks += 1000;
}

CGameObject* AddFloor(int kind, const TempDir& folder)
{
    CGameObject* object = new CGameObject();
    if (kind == CGameObject::KIND_OBJ)
    {
        object->LoadOBJ((SCENE_DATA + "floor.obj").c_str(), HALVES.c_str());
    }
    else if (kind == CGameObject::KIND_3DS)
    {
        object->Load3DS(SCENE_DATA.c_str(), Write3dsFloor(folder).c_str(), 0);
    }
    else if (kind == CGameObject::KIND_MD2)
    {
        object->LoadMD2(WriteMd2Floor(folder).c_str(), HALVES.c_str());
        object->GetMD2Entity()->SetTickSource(SteppingClock);
        object->SetAnimationSpeed(0.1f);
        object->SetAnimation(0);
    }
    else
    {
        object->LoadXML(WriteQuadModel("floor", 20, 0).c_str());
    }
    object->SetPosition(0, 0, 0);
    gGameObjectManager->AddObject(object);
    return object;
}

CGameObject* AddObj(const std::string& path, bool castsShadow)
{
    CGameObject* object = new CGameObject();
    object->LoadOBJ(path.c_str(), nullptr);
    object->SetCastShadow(castsShadow);
    object->SetPosition(0, 0, 0);
    gGameObjectManager->AddObject(object);
    return object;
}

std::vector<std::vector<unsigned char>> ProbePixels()
{
    std::vector<std::vector<unsigned char>> pixels;
    for (const ProbePoint& probe : PROBES)
    {
        pixels.push_back(PixelAt(probe.position));
    }
    return pixels;
}

bool Shows(Colour colour, const std::vector<unsigned char>& pixel)
{
    const int r = pixel[0], g = pixel[1], b = pixel[2];
    return colour == RED ? r > 90 && g < r / 3 && b < r / 3 : b > 90 && r < b / 3 && g < b / 3;
}
}  // namespace

TEST(ShadowMapLitPassGL, EveryKindKeepsItsTextureAndIsHalvedOnlyInTheShadow)
{
    ASSERT_NE(nullptr, Engine());
    EnsureLight();
    TempDir folder("shadowpass");
    for (int kind : {CGameObject::KIND_OBJ, CGameObject::KIND_3DS, CGameObject::KIND_MD2,
                     CGameObject::KIND_XML})
    {
        SCOPED_TRACE("floor of kind " + std::to_string(kind));
        for (size_t i = 0; i < gGameObjectManager->GetObjectCount(); ++i)
        {
            gGameObjectManager->GetObject(i)->SetEnabled(false);
        }
        // Receivers first, the caster last, so every receiver's lit draw comes before the map
        // has been compared with anything drawn after it.
        AddFloor(kind, folder);
        AddObj(WriteSlab(), false);
        AddObj(SCENE_DATA + "caster.obj", true);

        gGraphicsCore->SetShadows(false);
        DrawScene(EYE);
        const std::vector<std::vector<unsigned char>> lit = ProbePixels();
        gGraphicsCore->SetShadows(true);
        gGraphicsCore->SetShadowMethod(SHADOW_MAPPING);
        DrawScene(EYE);
        const std::vector<std::vector<unsigned char>> mapped = ProbePixels();
        EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
        gGraphicsCore->SetShadows(false);

        for (size_t i = 0; i < lit.size(); ++i)
        {
            const ProbePoint& probe = PROBES[i];
            SCOPED_TRACE(probe.name);
            // The XML floor's picture is white.
            if (probe.picture != ANY && kind != CGameObject::KIND_XML)
            {
                ASSERT_TRUE(Shows(probe.picture, lit[i])) << "drawn without shadows";
            }
            for (int c = 0; c < 3; ++c)
            {
                const double expected = probe.shadowed ? lit[i][c] / 2.0 : lit[i][c];
                EXPECT_NEAR(expected, mapped[i][c], 0.08 * lit[i][c] + 3) << "channel " << c;
            }
        }
    }
}
