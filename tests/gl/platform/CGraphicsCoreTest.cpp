// The graphics core's GL state after the video mode, in 2D mode and for the render target.
#include "gl/GLTestEnvironment.h"
#include "platform/CGraphicsCore.h"

#include <gtest/gtest.h>
#include <cmath>

namespace
{
void ExpectMatrix(GLenum which, const float expected[16])
{
    float actual[16];
    glGetFloatv(which, actual);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_NEAR(expected[i], actual[i], 1e-5f) << "element " << i;
    }
}
}  // namespace

TEST(CGraphicsCoreGL, VideoModeOpensWindowWithDepthAndStencil)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    SDL_Surface* surface = SDL_GetVideoSurface();
    ASSERT_NE(nullptr, surface);
    EXPECT_EQ(1024, surface->w);
    EXPECT_EQ(768, surface->h);
    GLint depthBits = 0, stencilBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    EXPECT_GE(depthBits, 16);
    EXPECT_GE(stencilBits, 8);
    EXPECT_TRUE(gGraphicsCore->Is3DMode());
    EXPECT_FALSE(gGraphicsCore->GetVendor().empty());
    EXPECT_FALSE(gGraphicsCore->GetRenderer().empty());
}
