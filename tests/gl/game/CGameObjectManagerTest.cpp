// The game object manager's render paths on real geometry: plain, stencil shadow volumes and
// shadow mapping, with the flags that keep objects out of each pass.
#include "gl/GLTestEnvironment.h"
#include "gl/scene/SceneFixture.h"
#include "platform/CGraphicsCore.h"
#include "game/CGameObject.h"
#include "game/CGameObjectManager.h"

#include <gtest/gtest.h>

using namespace kyrel_test;

namespace
{
// Seen from here the floor point below sits inside the caster's shadow and is not hidden by
// the caster itself; the light stands at (20, 100, 20).
const CVector3 EYE(0, 60, 40);
const CVector3 SHADOWED(-4, 0, -4);
const CVector3 LIT(10, 0, 12);

class GameObjectManagerGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureLight();
        floor = LoadObject(WriteQuadModel("floor", 20, 0), false);
        caster = LoadObject(WriteQuadModel("caster", 3, 10), true);
        gGameObjectManager->AddObject(floor);
        gGameObjectManager->AddObject(caster);
    }

    std::vector<unsigned char> Shadowless(const CVector3& point)
    {
        gGraphicsCore->SetShadows(false);
        DrawScene(EYE);
        return PixelAt(point);
    }

    CGameObject* floor = nullptr;
    CGameObject* caster = nullptr;
};

void ExpectHalf(const std::vector<unsigned char>& full, const std::vector<unsigned char>& half)
{
    for (int c = 0; c < 3; ++c)
    {
        EXPECT_NEAR(full[c] / 2.0, half[c], 1.5) << "channel " << c;
    }
}
}  // namespace

TEST_F(GameObjectManagerGL, CountsVerticesAndRefusesObjectsWithoutAModel)
{
    EXPECT_EQ(8u, gGameObjectManager->GetVertexCount());
    gGameObjectManager->AddObject(new CGameObject());
    EXPECT_EQ(2u, gGameObjectManager->GetObjectCount());
}

TEST_F(GameObjectManagerGL, PlainPathDrawsLitAndSkipsDisabledObjects)
{
    std::vector<unsigned char> lit = Shadowless(LIT);
    EXPECT_GT(lit[0], 40) << "the floor is drawn and lit";
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(floor->IsInFrustum());

    floor->SetEnabled(false);
    DrawScene(EYE);
    EXPECT_EQ(0, PixelAt(LIT)[0]) << "a disabled object is not drawn";
}

TEST_F(GameObjectManagerGL, StencilPathHalvesTheColourInsideTheCastersVolume)
{
    std::vector<unsigned char> shadowedBefore = Shadowless(SHADOWED);
    std::vector<unsigned char> litBefore = PixelAt(LIT);
    ASSERT_GT(shadowedBefore[0], 40);

    gGraphicsCore->SetShadows(true);
    gGraphicsCore->SetShadowMethod(SHADOW_STENCIL_VOLUMES);
    DrawScene(EYE);
    ExpectHalf(shadowedBefore, PixelAt(SHADOWED));
    std::vector<unsigned char> litAfter = PixelAt(LIT);
    for (int c = 0; c < 3; ++c)
    {
        EXPECT_NEAR(litBefore[c], litAfter[c], 1) << "outside the volume nothing changes";
    }
    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));

    // A caster that does not cast leaves the floor alone.
    caster->SetCastShadow(false);
    DrawScene(EYE);
    EXPECT_NEAR(shadowedBefore[0], PixelAt(SHADOWED)[0], 1);
}

TEST_F(GameObjectManagerGL, ShadowMapDepthPassRendersOnlyShadowCasters)
{
    gGraphicsCore->SetShadows(true);
    gGraphicsCore->SetShadowMethod(SHADOW_MAPPING);
    DrawScene(EYE);
    EXPECT_EQ(GL_NO_ERROR, static_cast<int>(glGetError()));

    // Read the light's depth map back: the caster is nearer than the cleared far value, and the
    // floor, which casts no shadow, left nothing.
    const int size = gGraphicsCore->GetRenderTargetWidth();
    std::vector<float> depth(static_cast<size_t>(size) * size);
    if (gGraphicsCore->HasFramebufferObjects())
    {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, gGraphicsCore->GetFramebuffer());
        glReadPixels(0, 0, size, size, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    }
    else
    {
        glBindTexture(GL_TEXTURE_2D, gGraphicsCore->GetRenderTargetTexture());
        glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    }
    size_t nearer = 0;
    for (float d : depth)
    {
        nearer += d < 0.999f;
    }
    EXPECT_GT(nearer, 0u) << "the caster is in the depth map";
    EXPECT_LT(nearer, depth.size() / 2) << "the floor is not";

    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(0, program);
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(GL_TEXTURE0, unit);
    float textureMatrix[16];
    glActiveTexture(GL_TEXTURE1);
    glGetFloatv(GL_TEXTURE_MATRIX, textureMatrix);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(1.0f, textureMatrix[0]) << "the lit pass resets texture matrix 1";
    EXPECT_EQ(0.0f, textureMatrix[12]);
}
