// Game objects of the OBJ kind: loading, the culling state their draw leaves, and the requests
// they forward to their entity.
#include "gl/GLTestEnvironment.h"
#include "gl/scene/SceneFixture.h"
#include "models/CObj.h"
#include "scene/CCamera.h"
#include "game/CGameObject.h"

#include <gtest/gtest.h>

#include <string>

using namespace kyrel_test;

namespace
{
const std::string SCENE_DATA = std::string(KYREL_TEST_DATA_DIR) + "/scene/";
}  // namespace

TEST(ObjGameObjectGL, ForwardsEveryRequestToItsObjEntity)
{
    ASSERT_NE(nullptr, Engine());
    EnsureLight();
    CGameObject object;
    object.LoadOBJ((SCENE_DATA + "two_parts.obj").c_str(), (SCENE_DATA + "halves.bmp").c_str());
    ASSERT_EQ(CGameObject::KIND_OBJ, object.GetKind());
    ASSERT_NE(nullptr, object.GetOBJEntity());
    EXPECT_EQ(12, object.GetVertexCount());

    ResetFrame();
    gCamera->PositionCamera(0, 10, 0, 0, 0, 0, 0, 0, -1);
    gCamera->Look();
    glDisable(GL_LIGHTING);
    object.SetScale(2, 1, 1);
    object.SetPosition(0, 0, 100);
    EXPECT_FLOAT_EQ(-10, object.GetBoundsMin()->x);
    object.UpdateFrustumVisibility();
    EXPECT_FALSE(object.IsInFrustum());
    object.SetScale(1, 1, 1);
    object.SetPosition(0, 0, 0);
    object.UpdateFrustumVisibility();
    EXPECT_TRUE(object.IsInFrustum());

    // Back faces culled while drawing, culling off afterwards; textured passes through.
    for (bool textured : {true, false})
    {
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        object.Draw(textured);
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        GLint mode = 0;
        glGetIntegerv(GL_CULL_FACE_MODE, &mode);
        EXPECT_EQ(GL_BACK, mode);
        EXPECT_NEAR(textured ? 0 : 255, PixelAt(CVector3(-4, 0, 0))[1], 3) << "red when textured";
    }
    glDisable(GL_TEXTURE_2D);

    object.BuildShadowVolume();
    EXPECT_EQ(2u, object.GetOBJEntity()->GetShadowVolumeCount());
    CRay ray;
    ray.origin = CVector3(0.5f, 10, 3);
    ray.direction = CVector3(0, -1, 0);
    object.IntersectRay(&ray);
    EXPECT_FALSE(ray.hit) << "nothing at +z before the turn";
    object.SetAngle(90);
    EXPECT_FLOAT_EQ(90, object.GetOBJEntity()->GetAngle());
    object.IntersectRay(&ray);
    EXPECT_TRUE(ray.hit) << "the left part turned to +z";
    object.IntersectRay(nullptr);

    // Another load replaces the entity, whatever the kind.
    object.LoadXML(WriteQuadModel("replacement", 1, 0).c_str());
    EXPECT_EQ(CGameObject::KIND_XML, object.GetKind());
    EXPECT_EQ(nullptr, object.GetOBJEntity());
    object.LoadOBJ((SCENE_DATA + "floor.obj").c_str(), nullptr);
    EXPECT_EQ(nullptr, object.GetXMLEntity());
    EXPECT_EQ(6, object.GetVertexCount());
}
