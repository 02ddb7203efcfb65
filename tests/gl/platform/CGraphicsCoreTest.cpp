// The graphics core's GL state after the video mode, in and out of 2D mode, and its render target.
#include "gl/GLTestEnvironment.h"
#include "platform/CGraphicsCore.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>
#include <cmath>
#include <cstring>

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

// The perspective the video mode sets for a 1024 x 768 window, near 1, far 15000.
void PerspectiveMatrix(double fovY, float out[16])
{
    const double n = 1.0, f = 15000.0;
    double top = std::tan(fovY * 3.141592653589793 / 360.0) * n;
    double aspect = 1024.0 / 768.0;
    for (int i = 0; i < 16; ++i)
    {
        out[i] = 0.0f;
    }
    out[0] = static_cast<float>(n / (top * aspect));
    out[5] = static_cast<float>(n / top);
    out[10] = static_cast<float>(-(f + n) / (f - n));
    out[11] = -1.0f;
    out[14] = static_cast<float>(-2.0 * f * n / (f - n));
}
}  // namespace

TEST(CGraphicsCoreGL, VideoModeOpensWindowWithDepthStencilAndPerspective)
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
    EXPECT_TRUE(gGraphicsCore->GetVideoFlags() & SDL_OPENGL);
    EXPECT_FALSE(gGraphicsCore->GetVendor().empty());
    EXPECT_FALSE(gGraphicsCore->GetRenderer().empty());

    float expected[16];
    PerspectiveMatrix(gGraphicsCore->GetFieldOfView(), expected);
    ExpectMatrix(GL_PROJECTION_MATRIX, expected);
    GLint depthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(GL_ALWAYS, depthFunc);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));  // switched back on after the perspective set-up
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
}

TEST(CGraphicsCoreGL, Begin2DSetsPixelProjectionAndEnd2DRestoresPerspective)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(5.0f, 6.0f, 0.0f);
    float perspective[16];
    glGetFloatv(GL_PROJECTION_MATRIX, perspective);
    GLint stackBefore = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &stackBefore);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);

    gGraphicsCore->Begin2D();
    const float ortho[16] = {2.0f / 1024, 0, 0, 0, 0, -2.0f / 768, 0, 0, 0, 0, -1, 0, -1, 1, 0, 1};
    ExpectMatrix(GL_PROJECTION_MATRIX, ortho);
    GLint value = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &value);
    EXPECT_EQ(stackBefore + 1, value);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(GL_MODELVIEW, value);
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(GL_ALWAYS, value);
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(GL_SRC_ALPHA, value);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(GL_ONE_MINUS_SRC_ALPHA, value);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    float modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_EQ(5.0f, modelview[12]) << "Begin2D must leave the modelview matrix to the caller";

    glTranslatef(1.0f, 0.0f, 0.0f);
    gGraphicsCore->End2D();
    ExpectMatrix(GL_PROJECTION_MATRIX, perspective);
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(GL_LEQUAL, value);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(GL_MODELVIEW, value);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_EQ(6.0f, modelview[12]) << "End2D keeps the 2D drawing's modelview matrix";
}

TEST(CGraphicsCoreGL, RenderTargetIsA512DepthTextureWithACompleteFramebuffer)
{
    GLuint texture = gGraphicsCore->GetRenderTargetTexture();
    ASSERT_NE(0u, texture);
    EXPECT_EQ(512, gGraphicsCore->GetRenderTargetWidth());
    EXPECT_EQ(512, gGraphicsCore->GetRenderTargetHeight());
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(512, value);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_DEPTH_SIZE, &value);
    EXPECT_GT(value, 0);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(GL_LINEAR, value);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(GL_CLAMP_TO_EDGE, value);
    glBindTexture(GL_TEXTURE_2D, 0);

    GLuint framebuffer = gGraphicsCore->GetFramebuffer();
    if (!gGraphicsCore->HasFramebufferObjects())
    {
        EXPECT_EQ(0u, framebuffer) << "no framebuffer object without the extension";
    }
    else
    {
        ASSERT_NE(0u, framebuffer);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
        EXPECT_EQ(static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT),
                  glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT));
        glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                                                 GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT, &value);
        EXPECT_EQ(static_cast<GLint>(texture), value);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    }

    const CMatrix4* bias = gGraphicsCore->GetBiasMatrix();
    const float expected[16] = {0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0.5f, 0, 0.5f, 0.5f, 0.5f, 1};
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(expected[i], (*bias)[i]) << i;
    }
}

TEST(CGraphicsCoreGL, SwitchesWireframeOrthoAndCaption)
{
    gGraphicsCore->SetWireframe(true);
    GLint modes[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(GL_LINE, modes[0]);
    EXPECT_EQ(GL_LINE, modes[1]);
    gGraphicsCore->SetWireframe(false);
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(GL_FILL, modes[0]);

    gGraphicsCore->SetOrtho(0, 0, 200, 100);
    const float ortho[16] = {2.0f / 200, 0, 0, 0, 0, -2.0f / 100, 0, 0, 0, 0, -2, 0, -1, 1, -1, 1};
    ExpectMatrix(GL_PROJECTION_MATRIX, ortho);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    gGraphicsCore->SetCaption("Caption test");
    char* title = nullptr;
    char* icon = nullptr;
    SDL_WM_GetCaption(&title, &icon);
    ASSERT_NE(nullptr, title);
    EXPECT_STREQ("Caption test", title);
    EXPECT_EQ("Caption test", gGraphicsCore->GetCaption());

    // The anisotropy switch copies the detected support.
    gGraphicsCore->EnableAnisotropicFiltering();
    EXPECT_EQ(glewIsSupported("GL_EXT_texture_filter_anisotropic") != 0,
              gGraphicsCore->IsAnisotropicFilteringOn());
    gGraphicsCore->DisableAnisotropicFiltering();
    EXPECT_FALSE(gGraphicsCore->IsAnisotropicFilteringOn());
}

// Three colours placed so that a flipped picture or swapped channels show: green across the top,
// red bottom left, blue bottom right.
TEST(CGraphicsCoreGL, ScreenshotKeepsTheFramesOrientationAndColours)
{
    const int w = static_cast<int>(gGraphicsCore->GetWidth());
    const int h = static_cast<int>(gGraphicsCore->GetHeight());
    glEnable(GL_SCISSOR_TEST);
    const struct
    {
        int x, y, width, height;
        float red, green, blue;
    } areas[] = {{0, 0, w / 2, h / 2, 1, 0, 0},
                 {w / 2, 0, w - w / 2, h / 2, 0, 0, 1},
                 {0, h / 2, w, h - h / 2, 0, 1, 0}};
    for (const auto& area : areas)
    {
        glScissor(area.x, area.y, area.width, area.height);
        glClearColor(area.red, area.green, area.blue, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 0);

    kyrel_test::TempDir dir("kyrel-screenshot");
    const std::string path = dir.File("shot.bmp");
    ASSERT_TRUE(gGraphicsCore->SaveScreenshot(path.c_str()));
    EXPECT_FALSE(gGraphicsCore->SaveScreenshot(dir.File("no/such/folder.bmp").c_str()));

    SDL_Surface* shot = SDL_LoadBMP(path.c_str());
    ASSERT_NE(nullptr, shot);
    EXPECT_EQ(w, shot->w);
    EXPECT_EQ(h, shot->h);
    const struct
    {
        int x, y;
        Uint8 red, green, blue;
    } probes[] = {{5, 5, 0, 255, 0}, {5, h - 5, 255, 0, 0}, {w - 5, h - 5, 0, 0, 255}};
    SDL_LockSurface(shot);
    for (const auto& probe : probes)
    {
        const Uint8* pixel = static_cast<const Uint8*>(shot->pixels) + probe.y * shot->pitch +
                             probe.x * shot->format->BytesPerPixel;
        Uint32 value = 0;
        std::memcpy(&value, pixel, shot->format->BytesPerPixel);
        Uint8 red = 0, green = 0, blue = 0;
        SDL_GetRGB(value, shot->format, &red, &green, &blue);
        EXPECT_EQ(probe.red, red) << probe.x << "," << probe.y;
        EXPECT_EQ(probe.green, green) << probe.x << "," << probe.y;
        EXPECT_EQ(probe.blue, blue) << probe.x << "," << probe.y;
    }
    SDL_UnlockSurface(shot);
    SDL_FreeSurface(shot);
}
