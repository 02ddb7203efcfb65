// The entity's draw transform on a real context: one push, then translate, rotate about the stored
// axis and scale, the same matrix the math library composes.
#include "gl/GLTestEnvironment.h"
#include "models/CEntity.h"

#include <gtest/gtest.h>

TEST(CEntityGL, BeginTransformPushesTranslateRotateScale)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    kyrel_test::ResetFrame();
    glTranslatef(0.0f, 0.0f, -50.0f);
    GLint depthBefore = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);

    CEntity entity;
    *entity.GetPosition() = CVector3(1.0f, 2.0f, 3.0f);
    *entity.GetScale() = CVector3(2.0f, 0.5f, 4.0f);
    *entity.GetRotationAxis() = CVector3(1.0f, 1.0f, 0.0f);
    entity.SetAngle(30.0f);
    entity.BeginTransform();

    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depthBefore + 1, depth);
    float actual[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, actual);
    const CMatrix4 expected = CMatrix4::Translation(CVector3(0.0f, 0.0f, -50.0f)) *
                              CMatrix4::Translation(CVector3(1.0f, 2.0f, 3.0f)) *
                              CMatrix4::Rotation(30.0f, CVector3(1.0f, 1.0f, 0.0f)) *
                              CMatrix4::Scale(CVector3(2.0f, 0.5f, 4.0f));
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(expected[i], actual[i], 1e-5f) << "element " << i;
    }

    glPopMatrix();
    glGetFloatv(GL_MODELVIEW_MATRIX, actual);
    EXPECT_EQ(CMatrix4::Translation(CVector3(0.0f, 0.0f, -50.0f)), CMatrix4(actual));
}
