// The current 2D camera's offset moves later 2D drawing of the same frame.
#include "gl/GLTestEnvironment.h"
#include "platform/CGraphicsCore.h"
#include "scene/CCameraManager.h"

#include <gtest/gtest.h>

TEST(CCameraManagerGL, ApplyShiftsTwoDimensionalDrawing)
{
    kyrel_test::ResetFrame();
    CCameraManager manager;
    float before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    manager.Apply();  // no camera: the matrix stays
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(before[i], after[i]);
    }

    manager.AddCamera(new CCamera2D(10, -5));
    gGraphicsCore->Begin2D();
    glLoadIdentity();
    manager.Apply();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_SCISSOR_TEST);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);  // 1 x 1 pixel at screen (100, 100) before the offset
    glVertex2f(100, 100);
    glVertex2f(101, 100);
    glVertex2f(101, 101);
    glVertex2f(100, 101);
    glEnd();
    gGraphicsCore->End2D();

    // Screen (110, 95) from the top left is GL row 768 - 1 - 95.
    EXPECT_EQ(255, kyrel_test::ReadPixel(110, 768 - 1 - 95)[0]);
    EXPECT_EQ(0, kyrel_test::ReadPixel(100, 768 - 1 - 100)[0]);
}
