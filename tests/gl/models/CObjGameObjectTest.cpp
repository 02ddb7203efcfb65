// Game objects of the OBJ kind: loading, the culling state their draw leaves, and the requests
// they forward to their entity.
#include "gl/GLTestEnvironment.h"
#include "gl/scene/SceneFixture.h"
#include "models/CObj.h"
#include "scene/CCamera.h"
#include "scene/CGameObject.h"
#include "scene/CGameObjectManager.h"

#include <gtest/gtest.h>

#include <string>

using namespace kyrel_test;

namespace
{
const std::string SCENE_DATA = std::string(KYREL_TEST_DATA_DIR) + "/scene/";

class ObjGameObjectGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, Engine());
        EnsureLight();
        object.LoadOBJ((SCENE_DATA + "two_parts.obj").c_str(), (SCENE_DATA + "halves.bmp").c_str());
        ResetFrame();
        gCamera->PositionCamera(0, 10, 0, 0, 0, 0, 0, 0, -1);
        gCamera->Look();
        glDisable(GL_LIGHTING);
        glDisable(GL_BLEND);
    }

    CGameObject object;
};
}  // namespace

TEST_F(ObjGameObjectGL, LoadsAsTheObjKindAndForwardsPlacement)
{
    ASSERT_TRUE(object.IsLoaded());
    EXPECT_EQ(CGameObject::KIND_OBJ, object.GetKind());
    ASSERT_NE(nullptr, object.GetOBJEntity());
    EXPECT_EQ(nullptr, object.GetXMLEntity());
    EXPECT_EQ(12, object.GetVertexCount());

    object.SetScale(2, 1, 1);
    object.SetPosition(0, 0, 100);
    EXPECT_FLOAT_EQ(-10, object.GetBoundsMin()->x);
    EXPECT_FLOAT_EQ(98, object.GetBoundsMin()->z);
    object.UpdateFrustumVisibility();
    EXPECT_FALSE(object.IsInFrustum());
    object.SetPosition(0, 0, 0);
    object.UpdateFrustumVisibility();
    EXPECT_TRUE(object.IsInFrustum());
    object.SetAngle(90);
    EXPECT_FLOAT_EQ(90, object.GetOBJEntity()->GetAngle());

    object.BuildShadowVolume();
    EXPECT_EQ(2u, object.GetOBJEntity()->GetShadowVolumeCount());
}

TEST_F(ObjGameObjectGL, DrawPassesTexturedThroughAndLeavesCullingOff)
{
    for (bool textured : {true, false})
    {
        SCOPED_TRACE(textured ? "textured" : "untextured");
        ResetFrame();
        gCamera->Look();
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        object.Draw(textured);
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        GLint mode = 0;
        glGetIntegerv(GL_CULL_FACE_MODE, &mode);
        EXPECT_EQ(GL_BACK, mode);
        const std::vector<unsigned char> pixel = PixelAt(CVector3(-4, 0, 0));
        EXPECT_NEAR(255, pixel[0], 3);
        EXPECT_NEAR(textured ? 0 : 255, pixel[1], 3) << "red texture only when textured";
    }
    glDisable(GL_TEXTURE_2D);
}

TEST_F(ObjGameObjectGL, RayTestReachesTheEntity)
{
    CRay ray;
    ray.origin = CVector3(-3, 10, 0.5f);
    ray.direction = CVector3(0, -1, 0);
    object.IntersectRay(&ray);
    EXPECT_TRUE(ray.hit);
    EXPECT_NEAR(10, ray.nearestDistance, 1e-3);
    object.IntersectRay(nullptr);
}

TEST_F(ObjGameObjectGL, AnotherLoadReplacesTheEntity)
{
    object.LoadXML(WriteQuadModel("replacement", 1, 0).c_str());
    EXPECT_EQ(CGameObject::KIND_XML, object.GetKind());
    EXPECT_EQ(nullptr, object.GetOBJEntity());
    EXPECT_EQ(4, object.GetVertexCount());
    object.LoadOBJ((SCENE_DATA + "floor.obj").c_str(), nullptr);
    EXPECT_EQ(CGameObject::KIND_OBJ, object.GetKind());
    EXPECT_EQ(nullptr, object.GetXMLEntity());
    EXPECT_EQ(6, object.GetVertexCount());
}

TEST_F(ObjGameObjectGL, ManagerCountsObjObjects)
{
    const unsigned before = gGameObjectManager->GetVertexCount();
    CGameObject* added = new CGameObject();
    added->LoadOBJ((SCENE_DATA + "caster.obj").c_str(), nullptr);
    gGameObjectManager->AddObject(added);
    EXPECT_EQ(before + 36, gGameObjectManager->GetVertexCount());
    EXPECT_EQ(added, gGameObjectManager->GetObject(gGameObjectManager->GetObjectCount() - 1));
    added->SetEnabled(false);  // kept out of later scenes in the same process
}
