// The shadow-map render path on OBJ objects: a floor point behind the caster, seen from the
// light, comes out clearly darker than without shadows, and a point in the open stays as it was.
// The suite runs again on a driver without framebuffer objects, where the depth map is copied out
// of the window.
#include "gl/GLTestEnvironment.h"
#include "gl/scene/SceneFixture.h"
#include "platform/CGraphicsCore.h"
#include "game/CGameObject.h"
#include "game/CGameObjectManager.h"
#include "scene/CLightManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kyrel_test;

namespace
{
const std::string SCENE_DATA = std::string(KYREL_TEST_DATA_DIR) + "/scene/";
// The light stands at (20, 100, 20). Seen from the eye, the first floor point lies in the
// shadow of the box (6 x 2 x 6 around height 10) without the box in front of it; the second
// lies in the open.
const CVector3 EYE(0, 60, 40);
const CVector3 SHADOWED(-4.5f, 0, -4.5f);
const CVector3 OPEN(10, 0, 12);
// A shadowed pixel keeps at most this share of its unshadowed brightness.
const double SHADOWED_SHARE = 0.7;
// An open pixel keeps its brightness within this share.
const double OPEN_TOLERANCE = 0.15;

int Brightness(const std::vector<unsigned char>& pixel)
{
    return pixel[0] + pixel[1] + pixel[2];
}

CGameObject* LoadObj(const std::string& name, bool castsShadow)
{
    CGameObject* object = new CGameObject();
    object->LoadOBJ((SCENE_DATA + name).c_str(), nullptr);
    object->SetCastShadow(castsShadow);
    object->SetPosition(0, 0, 0);
    gGameObjectManager->AddObject(object);
    return object;
}

class ObjShadowMapGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, Engine());
        EnsureLight();
        ASSERT_EQ(CVector3(20, 100, 20), gLightManager->GetLightPosition(1));
        // The depth state every frame's 2D overlay leaves behind.
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
        floor = LoadObj("floor.obj", false);
        caster = LoadObj("caster.obj", true);

        gGraphicsCore->SetShadows(false);
        DrawScene(EYE);
        shadowedBefore = Brightness(PixelAt(SHADOWED));
        openBefore = Brightness(PixelAt(OPEN));
        ASSERT_GT(shadowedBefore, 90) << "the floor is drawn and lit";
        ASSERT_GT(openBefore, 90);
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

    // Draws with the shadow map and returns the two floor points' brightness.
    void DrawShadowMapped(int& shadowed, int& open)
    {
        gGraphicsCore->SetShadows(true);
        gGraphicsCore->SetShadowMethod(SHADOW_MAPPING);
        DrawScene(EYE);
        shadowed = Brightness(PixelAt(SHADOWED));
        open = Brightness(PixelAt(OPEN));
        EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
    }

    CGameObject* floor = nullptr;
    CGameObject* caster = nullptr;
    int shadowedBefore = 0;
    int openBefore = 0;
    std::vector<CGameObject*> sittingOut;
};
}  // namespace

TEST_F(ObjShadowMapGL, DarkensTheFloorBehindTheCasterOnly)
{
    int shadowed = 0;
    int open = 0;
    DrawShadowMapped(shadowed, open);
    const char* target =
        gGraphicsCore->HasFramebufferObjects() ? "framebuffer object" : "copied window depth";
    EXPECT_LT(shadowed, SHADOWED_SHARE * shadowedBefore)
        << target << ": shadowed " << shadowed << " of " << shadowedBefore;
    EXPECT_NEAR(openBefore, open, OPEN_TOLERANCE * openBefore) << target;
}

TEST_F(ObjShadowMapGL, AnObjectThatCastsNoShadowLeavesTheFloorLit)
{
    caster->SetCastShadow(false);
    int shadowed = 0;
    int open = 0;
    DrawShadowMapped(shadowed, open);
    EXPECT_NEAR(shadowed, open, OPEN_TOLERANCE * open) << "nothing in the depth map";
    EXPECT_GT(shadowed, SHADOWED_SHARE * shadowedBefore);
}
