// The shadow-map lit pass over several OBJ objects: the floor drawn first and a slab drawn after
// it both darken where the caster hides them from the light, so every object of the pass is
// darkened, not only the first.
#include "gl/GLTestEnvironment.h"
#include "gl/scene/SceneFixture.h"
#include "platform/CGraphicsCore.h"
#include "game/CGameObject.h"
#include "game/CGameObjectManager.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace kyrel_test;

namespace
{
const std::string SCENE_DATA = std::string(KYREL_TEST_DATA_DIR) + "/scene/";
const CVector3 EYE(0, 60, 40);
// The light at (20, 100, 20) throws the caster's shadow (a 6 x 2 x 6 box around height 10) over
// about x, z in [-5.8, 1.3] on the floor and [-5, 1.8] at the slab's height 3. Each point is seen
// from the eye past the caster and past the slab.
struct ProbePoint
{
    const char* name;
    CVector3 position;
    bool shadowed;
};
const ProbePoint PROBES[] = {
    {"floor in the shadow", CVector3(-4.5f, 0, -4.5f), true},
    {"floor in the open", CVector3(10, 0, 12), false},
    {"slab in the shadow", CVector3(-1, 3, -1), true},
    {"slab in the open", CVector3(5, 3, 5), false},
};
const double SHADOWED_SHARE = 0.7;  // a shadowed point keeps at most this share of its light
const double OPEN_TOLERANCE = 0.15;

// A quad at height 3 over x, z in [-2, 6], wound like the floor so that its normal points up.
std::string WriteSlab()
{
    const std::string path = WorkingDirectory() + "/slab.obj";
    std::ofstream(path) << "v -2 3 -2\nv -2 3 6\nv 6 3 6\nv 6 3 -2\nf 1 2 3 4\n";
    return path;
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

std::vector<int> ProbeBrightness()
{
    std::vector<int> brightness;
    for (const ProbePoint& probe : PROBES)
    {
        const std::vector<unsigned char> pixel = PixelAt(probe.position);
        brightness.push_back(pixel[0] + pixel[1] + pixel[2]);
    }
    return brightness;
}
}  // namespace

TEST(ShadowMapLitPassGL, EveryReceiverDrawnAfterTheFirstIsShadowedToo)
{
    ASSERT_NE(nullptr, Engine());
    EnsureLight();
    for (size_t i = 0; i < gGameObjectManager->GetObjectCount(); ++i)
    {
        gGameObjectManager->GetObject(i)->SetEnabled(false);
    }
    // Receivers first, the caster last: with one program bind for the pass only the floor was
    // shadowed.
    AddObj(SCENE_DATA + "floor.obj", false);
    AddObj(WriteSlab(), false);
    AddObj(SCENE_DATA + "caster.obj", true);

    gGraphicsCore->SetShadows(false);
    DrawScene(EYE);
    const std::vector<int> lit = ProbeBrightness();
    gGraphicsCore->SetShadows(true);
    gGraphicsCore->SetShadowMethod(SHADOW_MAPPING);
    DrawScene(EYE);
    const std::vector<int> shadowMapped = ProbeBrightness();
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
    gGraphicsCore->SetShadows(false);

    for (size_t i = 0; i < lit.size(); ++i)
    {
        SCOPED_TRACE(PROBES[i].name);
        ASSERT_GT(lit[i], 90) << "drawn and lit without shadows";
        if (PROBES[i].shadowed)
        {
            EXPECT_LT(shadowMapped[i], SHADOWED_SHARE * lit[i]) << shadowMapped[i];
        }
        else
        {
            EXPECT_NEAR(lit[i], shadowMapped[i], OPEN_TOLERANCE * lit[i]);
        }
    }
}
