// Mouse look, key movement, the view and the frustum of the free-fly camera on a real window.
#include "gl/GLTestEnvironment.h"
#include "platform/CEventManager.h"
#include "platform/CGraphicsCore.h"
#include "scene/CCamera.h"
#include "scene/CFrustum.h"
#include "textures/CUtils.h"

#include <gtest/gtest.h>
#include <cmath>
#include "support/XInput.h"

namespace
{
class CCameraGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kyrel_test::SettleInput();
        camera.PositionCamera(0, 0, 0, 0, 0, -10, 0, 1, 0);
    }

    void TearDown() override
    {
        Uint8* keys = SDL_GetKeyState(nullptr);
        keys[SDLK_w] = keys[SDLK_a] = keys[SDLK_s] = keys[SDLK_d] = 0;
    }

    // Puts the pointer at (x, y) and lets the event manager read it, as a frame's poll does.
    static void MouseAt(int x, int y)
    {
        gEventManager->WarpMouse(x, y);
        kyrel_test::SettleInput();
        gEventManager->Poll();
    }

    static float Distance(const CVector3& a, const CVector3& b) { return (a - b).Length(); }

    CCamera camera;
};
}  // namespace

TEST_F(CCameraGL, MouseLeftOfCentreTurnsAboutWorldUpAndWarpsBack)
{
    MouseAt(512 - 100, 384);
    camera.Update();
    CVector3 direction = camera.GetView() - camera.GetPosition();
    EXPECT_NEAR(10.0f, direction.Length(), 1e-4f);
    float angle = std::atan2(-direction.x, -direction.z);
    EXPECT_NEAR(0.5f, angle, 1e-5f) << "turned left by 0.5 rad";
    EXPECT_NEAR(0.0f, direction.y, 1e-5f);
    // The pointer goes back to the centre; motion reports of the earlier warp may still be on
    // their way from the X server, so look until they have all arrived.
    int x = 0, y = 0;
    for (int attempt = 0; attempt < 20 && (x != 512 || y != 384); ++attempt)
    {
        kyrel_test::SettleInput();
        SDL_GetMouseState(&x, &y);
    }
    EXPECT_EQ(512, x);
    EXPECT_EQ(384, y);

    // At the centre nothing turns.
    CVector3 before = camera.GetView();
    MouseAt(512, 384);
    camera.Update();
    EXPECT_EQ(before, camera.GetView());
}

TEST_F(CCameraGL, LookDistanceStaysUnderManyRotationsEvenStraightUp)
{
    const int moves[][2] = {{30, -90}, {-200, 150}, {7, -384}, {500, 0}, {0, -384}, {-3, 300}};
    for (int round = 0; round < 20; ++round)
    {
        for (const auto& move : moves)
        {
            MouseAt(512 + move[0], 384 + move[1]);
            camera.Update();
            ASSERT_NEAR(10.0f, Distance(camera.GetView(), camera.GetPosition()), 1e-3f);
        }
    }
    // Looking along the up vector: the side axis has no direction; the camera keeps a usable one.
    camera.PositionCamera(0, 0, 0, 0, 10, 0, 0, 1, 0);
    MouseAt(400, 300);
    camera.Update();
    CVector3 view = camera.GetView();
    EXPECT_TRUE(std::isfinite(view.x) && std::isfinite(view.y) && std::isfinite(view.z));
    EXPECT_NEAR(10.0f, Distance(view, camera.GetPosition()), 1e-3f);
    EXPECT_TRUE(std::isfinite(camera.GetStrafe().x));
}

TEST_F(CCameraGL, KeysMoveByFrameTimeAlongTheLookFromTheStart)
{
    CUtils* engineUtils = gUtils;
    CUtils timed;
    timed.UpdateFrameTimer();  // frame time = seconds since SDL started
    gUtils = &timed;
    ASSERT_GT(timed.GetFrameTime(), 0.0);
    float step = static_cast<float>(camera.GetSpeed() * timed.GetFrameTime());

    MouseAt(512, 384);
    Uint8* keys = SDL_GetKeyState(nullptr);
    keys[SDLK_w] = 1;
    camera.Update();
    EXPECT_NEAR(-step, camera.GetPosition().z, 1e-3f) << "W moves along the look before any turn";
    EXPECT_EQ(0.0f, camera.GetPosition().x);
    keys[SDLK_w] = 0;

    camera.PositionCamera(0, 0, 0, 0, 0, -10, 0, 1, 0);
    keys[SDLK_d] = 1;
    camera.Update();
    EXPECT_NEAR(step, camera.GetPosition().x, 1e-3f) << "strafing works from the start";
    EXPECT_EQ(0.0f, camera.GetPosition().y);
    keys[SDLK_d] = 0;

    MouseAt(513, 384);  // a rotation keeps the direction where the camera looks
    keys[SDLK_w] = 1;
    CVector3 before = camera.GetPosition();
    camera.Update();
    EXPECT_NEAR(step, Distance(before, camera.GetPosition()), 1e-3f);
    keys[SDLK_s] = 1;  // W and S together cancel out
    before = camera.GetPosition();
    camera.Update();
    EXPECT_NEAR(0.0f, Distance(before, camera.GetPosition()), 1e-4f);

    CUtils stopped;  // frame time 0
    gUtils = &stopped;
    before = camera.GetPosition();
    keys[SDLK_s] = 0;
    keys[SDLK_a] = 1;
    camera.Update();
    EXPECT_EQ(before, camera.GetPosition());
    gUtils = engineUtils;
}

TEST_F(CCameraGL, LookRefreshesTheFrustumAndTheInverseViewMatrix)
{
    camera.PositionCamera(0, 0, 10, 0, 0, 0, 0, 1, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    camera.Look();
    CFrustum* frustum = camera.GetFrustum();
    EXPECT_TRUE(frustum->PointInFrustum(0, 0, 0));
    EXPECT_FALSE(frustum->PointInFrustum(0, 0, 20)) << "behind the eye";
    EXPECT_FALSE(frustum->PointInFrustum(0, 0, 9.5f)) << "nearer than the near plane";
    EXPECT_NE(0, frustum->BoxInFrustum(-1, -1, -1, 1, 1, 1));
    EXPECT_EQ(0, frustum->BoxInFrustum(1000, -1, -1, 1002, 1, 1));

    CMatrix4* inverse = camera.UpdateInverseViewMatrix();
    // The eye sits at the origin of view space, so the inverse maps it back to (0, 0, 10).
    EXPECT_NEAR(0.0f, (*inverse)[12], 1e-5f);
    EXPECT_NEAR(10.0f, (*inverse)[14], 1e-5f);
    EXPECT_EQ(1.0f, (*inverse)[15]);

    camera.MoveTo(CVector3(5, 0, 10));
    EXPECT_EQ(CVector3(5, 0, 0), camera.GetView()) << "MoveTo keeps the viewing direction";
}

TEST_F(CCameraGL, AMotionBurstTurnsTheViewOnceThroughTheWarpBack)
{
    MouseAt(512, 384);
    kyrel_test::Xdotool(kyrel_test::PointerStaircase(100));  // 50 down, 50 right
    ASSERT_TRUE(kyrel_test::WaitForXServer(562, 434));
    for (int frame = 0; frame < 10; ++frame)  // as the demo runs them: the camera, then the poll
    {
        camera.Update();
        gEventManager->Poll();
    }
    const CVector3 direction = (camera.GetView() - camera.GetPosition()) * 0.1f;
    EXPECT_NEAR(-0.25f, std::asin(direction.y), 1e-4f) << "50 pixels down";
    EXPECT_NEAR(-0.25f, std::atan2(-direction.x, -direction.z), 1e-4f) << "50 pixels right";
}
