// Lights and the light manager on a real context: defaults, the light camera's matrices against
// the math library's builders, and what enabling and disabling does to GL_LIGHT0.
#include "gl/GLTestEnvironment.h"
#include "scene/CLight.h"
#include "scene/CLightManager.h"
#include "support/MathTestUtil.h"

#include <gtest/gtest.h>
#include <cmath>

using math_test::ExpectMatrixNear;
using math_test::ExpectVectorNear;
using math_test::Transformed;

namespace
{
const double PI = 3.141592653589793;

class CLightGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, kyrel_test::Engine());
        kyrel_test::ResetFrame();
        glDisable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
    }

    static void ExpectQuadruple(const float* expected, const float* actual)
    {
        for (int i = 0; i < 4; ++i)
        {
            EXPECT_FLOAT_EQ(expected[i], actual[i]) << "component " << i;
        }
    }

    static void ExpectLight0(GLenum parameter, const float* expected)
    {
        float actual[4];
        glGetLightfv(GL_LIGHT0, parameter, actual);
        ExpectQuadruple(expected, actual);
    }
};

const float RED_POSITION[4] = {1.0f, 2.0f, 3.0f, 0.0f};
const float RED[4] = {1.0f, 0.0f, 0.0f, 1.0f};
const float DIM[4] = {0.2f, 0.2f, 0.2f, 1.0f};
const float WHITE[4] = {1.0f, 1.0f, 1.0f, 1.0f};
}  // namespace

TEST_F(CLightGL, DefaultsAndLightCameraMatrices)
{
    const CLight light;
    const float position[4] = {20.0f, 100.0f, 20.0f, 1.0f};
    const float grey[4] = {0.8f, 0.8f, 0.8f, 0.8f};
    const float faint[4] = {0.1f, 0.1f, 0.1f, 0.1f};
    ExpectQuadruple(position, light.GetPosition());
    ExpectQuadruple(grey, light.GetDiffuse());
    ExpectQuadruple(grey, light.GetAmbient());
    ExpectQuadruple(faint, light.GetSpecular());
    EXPECT_FALSE(light.IsEnabled());
    EXPECT_EQ(45.0f, light.GetFieldOfView());
    EXPECT_EQ(1500.0f, light.GetFar());
    EXPECT_EQ(CVector3(0, 1, 0), light.GetUp());

    const float t = float(std::tan(22.5 * PI / 180.0));
    ExpectMatrixNear(CMatrix4::Frustum(-t, t, -t, t, 1.0f, 1500.0f), light.GetProjectionMatrix(),
                     1e-5f);
    ExpectMatrixNear(CMatrix4::Perspective(45.0f, 1.0f, 1.0f, 1500.0f), light.GetProjectionMatrix(),
                     1e-5f);

    // The view takes the eye to the origin and the target straight down -z, with up kept up.
    const CMatrix4 view = light.GetViewMatrix();
    const CVector3 eye(20.0f, 100.0f, 20.0f);
    ExpectVectorNear(CVector3(), Transformed(view, eye), 1e-4f);
    ExpectVectorNear(CVector3(0.0f, 0.0f, -eye.Length()), Transformed(view, CVector3()), 1e-3f);
    EXPECT_GT(Transformed(view, eye + CVector3(0, 1, 0)).y, 0.0f);
    ExpectMatrixNear(view.Inverse(), view.RigidInverse(), 1e-4f);
}

TEST_F(CLightGL, MatrixComputationLeavesMatrixStateAlone)
{
    glMatrixMode(GL_PROJECTION);
    float projectionBefore[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projectionBefore);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(5.0f, 6.0f, 7.0f);
    glMatrixMode(GL_PROJECTION);

    CLight light;
    light.SetPosition(1.0f, 2.0f, 3.0f, 1.0f);

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(GL_PROJECTION, mode);
    float projectionAfter[16], modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projectionAfter);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_EQ(CMatrix4(projectionBefore), CMatrix4(projectionAfter));
    EXPECT_EQ(CMatrix4::Translation(CVector3(5, 6, 7)), CMatrix4(modelview));
    // Computed on a clean modelview, not on the caller's translation.
    ExpectVectorNear(CVector3(), Transformed(light.GetViewMatrix(), CVector3(1, 2, 3)), 1e-5f);
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(CLightGL, EnableLoadsLight0AndDisableSwitchesOff)
{
    CLight light(RED_POSITION, RED, DIM, WHITE);
    light.Enable();
    EXPECT_TRUE(light.IsEnabled());
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    ExpectLight0(GL_DIFFUSE, RED);
    ExpectLight0(GL_AMBIENT, DIM);
    ExpectLight0(GL_SPECULAR, WHITE);
    ExpectLight0(GL_POSITION, RED_POSITION);  // modelview is the identity here

    light.Disable();
    EXPECT_FALSE(light.IsEnabled());
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
}

TEST_F(CLightGL, SetPositionSendsAtOnceAndRecomputesWithNewCameraSettings)
{
    CLight light;
    const CMatrix4 before = light.GetProjectionMatrix();
    light.SetFieldOfView(90.0f);
    light.SetAspect(2.0f);
    light.SetTarget(0.0f, 0.0f, -10.0f);
    EXPECT_EQ(before, light.GetProjectionMatrix());

    // GL_POSITION goes through the current modelview.
    glTranslatef(0.0f, 0.0f, -1.0f);
    light.SetPosition(0.0f, 10.0f, 0.0f, 1.0f);
    const float eyePosition[4] = {0.0f, 10.0f, -1.0f, 1.0f};
    ExpectLight0(GL_POSITION, eyePosition);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));

    ExpectMatrixNear(CMatrix4::Perspective(90.0f, 2.0f, 1.0f, 1500.0f), light.GetProjectionMatrix(),
                     1e-5f);
    ExpectVectorNear(CVector3(0, 0, -std::sqrt(200.0f)),
                     Transformed(light.GetViewMatrix(), CVector3(0, 0, -10)), 1e-4f);
}

TEST_F(CLightGL, SetStoresQuadruplesAndClearsEnabled)
{
    CLight light;
    light.Enable();
    light.Set(RED_POSITION, RED, DIM, WHITE);
    EXPECT_FALSE(light.IsEnabled());
    ExpectQuadruple(RED, light.GetDiffuse());
    ExpectVectorNear(CVector3(), Transformed(light.GetViewMatrix(), CVector3(1, 2, 3)), 1e-5f);
}

TEST_F(CLightGL, ManagerIgnoresNumbersOutsideItsLights)
{
    CLightManager manager;
    EXPECT_EQ(CVector3(0, 100, 0), manager.GetLightPosition(1));
    EXPECT_EQ(nullptr, manager.GetLight(1));
    EXPECT_EQ(CMatrix4::Identity(), manager.GetLightProjection(1));
    EXPECT_EQ(CMatrix4::Identity(), manager.GetLightView(0));

    manager.AddLight(new CLight(RED_POSITION, RED, DIM, WHITE));
    manager.AddLight(nullptr);
    EXPECT_EQ(1, manager.GetLightCount());
    for (int outside : {0, -1, 2})
    {
        manager.EnableLight(outside);
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING)) << outside;
        EXPECT_EQ(nullptr, manager.GetLight(outside));
        EXPECT_EQ(CVector3(0, 100, 0), manager.GetLightPosition(outside));
    }
    EXPECT_EQ(CVector3(1, 2, 3), manager.GetLightPosition(1));
    EXPECT_EQ(manager.GetLight(1)->GetViewMatrix(), manager.GetLightView(1));
    EXPECT_EQ(manager.GetLight(1)->GetProjectionMatrix(), manager.GetLightProjection(1));

    manager.EnableLight(1);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    manager.DisableLight(2);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    manager.DisableLight(1);
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    EXPECT_FALSE(manager.GetLight(1)->IsEnabled());
}

TEST_F(CLightGL, LastEnabledLightOwnsLight0)
{
    CLightManager manager;
    manager.AddLight(new CLight(RED_POSITION, RED, DIM, WHITE));
    manager.AddLight(new CLight());
    manager.EnableLight(1);
    manager.EnableLight(2);
    const float grey[4] = {0.8f, 0.8f, 0.8f, 0.8f};
    ExpectLight0(GL_DIFFUSE, grey);
    manager.EnableLight(1);
    ExpectLight0(GL_DIFFUSE, RED);
    EXPECT_TRUE(manager.GetLight(2)->IsEnabled());
}
