// What the built-in programs draw, read back from the window: tinting, the lighting programs, the
// height field, shadow-map lookups and the parallax offset.
#include "gl/GLTestEnvironment.h"
#include "shaders/CShader.h"
#include "shaders/CShaderManager.h"

#include <gtest/gtest.h>
#include <cmath>
#include <vector>

namespace
{
const int W = kyrel_test::WINDOW_WIDTH;
const int H = kyrel_test::WINDOW_HEIGHT;
const float PI = 3.14159265f;
const float FACING[3] = {0, 0, 1};

// Eye space is what the window shows: x and y in -1..1, the surface two units in front of the eye
// (or `distance`), and no fixed-function state left that would change the shaders' output.
void StartFrame(float distance = 2)
{
    kyrel_test::ResetFrame();
    glViewport(0, 0, W, H);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, 0.5, 10);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(0, 0, -distance);
    for (GLenum state : {GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE, GL_SCISSOR_TEST, GL_LIGHTING})
    {
        glDisable(state);
    }
}

// Light 0 with the position in eye space, white diffuse, the given ambient, no specular.
void SetLight(float x, float y, float z, float w, float ambient = 0)
{
    const float position[4] = {x, y, z, w}, white[4] = {1, 1, 1, 1};
    const float ambientValue[4] = {ambient, ambient, ambient, 1}, none[4] = {0, 0, 0, 1};
    glPushMatrix();
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glPopMatrix();
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambientValue);
    glLightfv(GL_LIGHT0, GL_SPECULAR, none);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
    glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 180.0f);
}

GLuint MakeTexture(GLenum unit, int width, int height, const std::vector<unsigned char>& rgba)
{
    GLuint name = 0;
    glActiveTextureARB(unit);
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    return name;
}

// A quad from (x0, y0) to (x1, y1) with one normal and texture coordinates 0..1.
void DrawQuad(float x0, float y0, float x1, float y1, const float normal[3])
{
    glBegin(GL_QUADS);
    glNormal3fv(normal);
    const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const float* c : corners)
    {
        glTexCoord2f(c[0], c[1]);
        glVertex3f(x0 + (x1 - x0) * c[0], y0 + (y1 - y0) * c[1], 0);
    }
    glEnd();
}

// Pixel at the given point of the -1..1 view.
std::vector<unsigned char> PixelAt(float x, float y)
{
    return kyrel_test::ReadPixel(static_cast<int>((x + 1) * 0.5f * W),
                                 static_cast<int>((y + 1) * 0.5f * H));
}

CShader* Bound(int index)
{
    CShader* shader = gShaderManager->GetShader(index);
    EXPECT_NE(nullptr, shader);
    shader->Bind();
    return shader;
}

TEST(BuiltInShaderPixelGL, TintMultipliesTheTexelAndUnbindRestoresFixedFunction)
{
    StartFrame();
    GLuint texture = MakeTexture(GL_TEXTURE0_ARB, 1, 1, {200, 100, 60, 255});
    glBindTexture(GL_TEXTURE_2D, texture);
    CShader* simple = Bound(SHADER_SIMPLE_TEXTURE);  // tint from "colors", not the vertex colour
    glUniform4fARB(glGetUniformLocationARB(simple->GetProgram(), "colors"), 0.5f, 1, 0.25f, 1);
    glColor3f(0.1f, 0.1f, 0.1f);
    DrawQuad(-1, -1, -0.5f, 1, FACING);
    Bound(2);  // tint from the vertex colour
    glColor3f(0.5f, 1, 0.25f);
    DrawQuad(-0.5f, -1, 0, 1, FACING);
    CShader::Unbind();
    glDisable(GL_TEXTURE_2D);
    glColor3f(1, 0, 0);
    DrawQuad(0, -1, 1, 1, FACING);

    for (float x : {-0.75f, -0.25f})
    {
        std::vector<unsigned char> pixel = PixelAt(x, 0);
        EXPECT_NEAR(100, pixel[0], 2) << x;
        EXPECT_NEAR(100, pixel[1], 2) << x;
        EXPECT_NEAR(15, pixel[2], 2) << x;
    }
    std::vector<unsigned char> fixed = PixelAt(0.5f, 0);
    EXPECT_EQ(255, fixed[0]);
    EXPECT_EQ(0, fixed[1]);
    glDeleteTextures(1, &texture);
}

// One surface under one light, read at one point: grey level 0..1 of a white surface.
struct LitCase
{
    int program;
    float light[4];    // eye-space position of light 0
    float spotCutoff;  // degrees; 180 for no cone (the spot points straight down the view)
    float normalTurn;  // degrees the normal turns from the eye towards +x
    float x;           // where the pixel is read
    float expected;
};

TEST(BuiltInShaderPixelGL, LightingProgramsShadeByAngleDistanceAndCone)
{
    const float slanted = 1.0f / std::sqrt(1.64f);  // light one unit above, pixel 0.8 aside
    const LitCase cases[] = {
        // Directional diffuse, per pixel and per vertex, plain and textured: the cosine.
        {4, {0, 0, 1, 0}, 180, 0, 0, 1.0f},
        {4, {0, 0, 1, 0}, 180, 60, 0, 0.5f},
        {4, {0, 0, 1, 0}, 180, 90, 0, 0.0f},
        {5, {0, 0, 1, 0}, 180, 60, 0, 0.5f},
        {9, {0, 0, 1, 0}, 180, 60, 0, 0.5f},
        {10, {0, 0, 1, 0}, 180, 60, 0, 0.5f},
        {10, {0, 0, 1, 0}, 180, -90, 0, 0.0f},
        // Point light above the middle: falls off with the angle to the surface.
        {6, {0, 0, -1, 1}, 180, 0, 0, 1.0f},
        {6, {0, 0, -1, 1}, 180, 0, 0.8f, slanted},
        // Spot light with a 20 degree cone: inside lit, outside dark.
        {7, {0, 0, -1, 1}, 20, 0, 0.2f, 1.0f / std::sqrt(1.04f)},
        {7, {0, 0, -1, 1}, 20, 0, 0.8f, 0.0f},
        // Toon with the light 45 degrees to the side: flat bands, a highlight, a dark outline.
        {8, {1, 0, 1, 0}, 180, 45, 0, 1.0f},
        {8, {1, 0, 1, 0}, 180, 0, 0, 0.72f},
        {8, {1, 0, 1, 0}, 180, -30, 0, 0.48f},
        {8, {1, 0, 1, 0}, 180, -40, 0, 0.28f},
        {8, {1, 0, 1, 0}, 180, 22.5f, 0, 1.0f / 0.8f},
        {8, {1, 0, 1, 0}, 180, 85, 0, 0.05f / 0.8f},
    };
    GLuint white = MakeTexture(GL_TEXTURE0_ARB, 1, 1, {255, 255, 255, 255});
    for (const LitCase& c : cases)
    {
        StartFrame();
        SetLight(c.light[0], c.light[1], c.light[2], c.light[3]);
        const float down[3] = {0, 0, -1};
        glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, c.spotCutoff);
        glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, down);  // relative to the surface's modelview
        glBindTexture(GL_TEXTURE_2D, white);
        Bound(c.program);
        glColor3f(0.8f, 0.8f, 0.8f);
        float turn = c.normalTurn * PI / 180;
        const float normal[3] = {std::sin(turn), 0, std::cos(turn)};
        DrawQuad(-1, -1, 1, 1, normal);
        CShader::Unbind();
        EXPECT_NEAR(std::min(c.expected * 0.8f, 1.0f) * 255, PixelAt(c.x, 0)[0], 4)
            << "program " << c.program << ", normal at " << c.normalTurn << ", x " << c.x;
    }
    glDeleteTextures(1, &white);
}

// A grid raised by a height map whose left half is white: snow on the high part, water below.
TEST(BuiltInShaderPixelGL, HeightFieldRaisesAndColoursByHeight)
{
    StartFrame(5);
    SetLight(0, 0, 1, 0);
    std::vector<unsigned char> heights;
    for (int x = 0; x < 8; ++x)
    {
        unsigned char h = x < 4 ? 255 : 0;
        heights.insert(heights.end(), {h, h, h, 255});
    }
    GLuint heightMap = MakeTexture(GL_TEXTURE0_ARB, 8, 1, heights);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    Bound(3);
    glColor3f(1, 1, 1);
    glBegin(GL_QUAD_STRIP);  // columns lined up with the texels, so each vertex reads one
    glNormal3f(0, 0, 1);
    for (int column = 0; column <= 8; ++column)
    {
        glTexCoord2f(column / 8.0f, 1);
        glVertex3f(column / 4.0f - 1, 1, 0);
        glTexCoord2f(column / 8.0f, 0);
        glVertex3f(column / 4.0f - 1, -1, 0);
    }
    glEnd();
    CShader::Unbind();

    std::vector<unsigned char> high = PixelAt(-0.9f, 0), low = PixelAt(0.9f, 0);
    EXPECT_GT(high[0], 200);
    EXPECT_NEAR(high[0], high[2], 10);
    EXPECT_GT(low[2], low[0] + 60);
    glDeleteTextures(1, &heightMap);
}

// Depth map whose left half holds an occluder at 0.25 and right half nothing (1.0); texture
// matrix 1 maps eye-space x, y in -1..1 onto the map and every point to depth 0.5.
TEST(BuiltInShaderPixelGL, ShadowMapsDarkenTheOccludedHalfAndFilteringSoftensTheEdge)
{
    const int size = 512;
    std::vector<float> depths(size * size);
    for (int i = 0; i < size * size; ++i)
    {
        depths[i] = i % size < size / 2 ? 0.25f : 1.0f;
    }
    glActiveTextureARB(GL_TEXTURE1_ARB);
    GLuint depthMap = 0;
    glGenTextures(1, &depthMap);
    glBindTexture(GL_TEXTURE_2D, depthMap);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, size, size, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                 depths.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, GL_COMPARE_R_TO_TEXTURE_ARB);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC_ARB, GL_LEQUAL);
    const float toMap[16] = {0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0, 0, 0.5f, 0.5f, 0.5f, 1};
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(toMap);
    glMatrixMode(GL_MODELVIEW);
    glActiveTextureARB(GL_TEXTURE0_ARB);

    int softPixels[2] = {0, 0};
    const int programs[2] = {11, SHADER_SHADOW_MAPPING_PCF};
    for (int p = 0; p < 2; ++p)
    {
        StartFrame();
        SetLight(0, 0, 1, 0, 1);
        Bound(programs[p])->SetSampler("shadowMap", 1);
        glColor3f(0.7f, 0.7f, 0.7f);
        DrawQuad(-1, -1, 1, 1, FACING);
        CShader::Unbind();
        std::vector<unsigned char> row = kyrel_test::ReadPixels(0, H / 2, W, 1);
        int shadowed = row[(W / 4) * 4], lit = row[(3 * W / 4) * 4];
        EXPECT_GT(shadowed, 20) << programs[p];  // ambient remains in the shadow
        EXPECT_GT(lit, shadowed + 100) << programs[p];
        for (int x = 0; x < W; ++x)
        {
            softPixels[p] += (row[x * 4] > shadowed + 5 && row[x * 4] < lit - 5) ? 1 : 0;
        }
    }
    EXPECT_GE(softPixels[1], softPixels[0] + 3);

    glActiveTextureARB(GL_TEXTURE1_ARB);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glDeleteTextures(1, &depthMap);
    glActiveTextureARB(GL_TEXTURE0_ARB);
}

// Colours of light 0 for the parallax program; the light itself sits at the eye.
struct LightColours
{
    float diffuse[4], ambient[4], specular[4];
};
const LightColours WHITE_LIGHT = {{1, 1, 1, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}};

// The parallax program on a quad in the x-y plane (u along x, v along y) seen through a
// perspective camera three units away, turned about y; `size` shrinks the quad about its centre.
// The colour map is `colorWidth` texels in a row, the height map one texel.
void DrawParallaxQuad(const std::vector<unsigned char>& colorTexels, int colorWidth,
                      unsigned char height, float turnDegrees, bool withFrame, float size,
                      const LightColours& light)
{
    GLuint colorMap = MakeTexture(GL_TEXTURE0_ARB, colorWidth, 1, colorTexels);
    GLuint heightMap = MakeTexture(GL_TEXTURE1_ARB, 1, 1, {height, height, height, 255});
    StartFrame(0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.1, 0.1, -0.075, 0.075, 0.2, 20);
    glMatrixMode(GL_MODELVIEW);
    SetLight(0, 0, 0, 1);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light.diffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, light.ambient);
    glLightfv(GL_LIGHT0, GL_SPECULAR, light.specular);
    glTranslatef(0, 0, -3);
    glRotatef(turnDegrees, 0, 1, 0);
    glScalef(size, size, size);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glBindTexture(GL_TEXTURE_2D, heightMap);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glBindTexture(GL_TEXTURE_2D, colorMap);

    CShader* shader = Bound(SHADER_PARALLAX);
    shader->SetSampler("testTexture", 0);
    shader->SetSampler("HeightTexture", 1);
    GLhandleARB program = shader->GetProgram();
    float frame = withFrame ? 1.0f : 0.0f;
    glUniform4fARB(glGetUniformLocationARB(program, "Tangent"), frame, 0, 0, 0);
    glUniform4fARB(glGetUniformLocationARB(program, "Normal"), 0, 0, frame, 0);
    glUniform4fARB(glGetUniformLocationARB(program, "BiNormal"), 0, -frame, 0, 0);
    glColor3f(1, 1, 1);
    DrawQuad(-1, -1, 1, 1, FACING);
    CShader::Unbind();
    glDeleteTextures(1, &colorMap);
    glDeleteTextures(1, &heightMap);
}

// In the colour map red grows and green falls with u, so red / (red + green) tells which u was
// read at the pixel `atX` (-1..1 across the window, on its middle row), whatever the light.
float ReadParallaxU(unsigned char height, float turnDegrees, bool withFrame, float size = 1,
                    float atX = 0)
{
    std::vector<unsigned char> ramp;
    for (int x = 0; x < 256; ++x)
    {
        ramp.insert(ramp.end(),
                    {static_cast<unsigned char>(x), static_cast<unsigned char>(255 - x), 0, 255});
    }
    DrawParallaxQuad(ramp, 256, height, turnDegrees, withFrame, size, WHITE_LIGHT);
    std::vector<unsigned char> pixel = PixelAt(atX, 0);
    EXPECT_GT(pixel[0] + pixel[1], 60) << "too dark to tell which texel was read";
    return pixel[0] / static_cast<float>(pixel[0] + pixel[1]);
}

TEST(BuiltInShaderPixelGL, ParallaxShiftsTheTexelByViewAngleAndDepth)
{
    // The relief is 0.05 texture units deep: at its bottom the read moves by 0.05 tan(angle),
    // away from the eye; at its top it does not move.
    const float shift40 = 0.05f * std::tan(40 * PI / 180);
    const float cases[][2] = {{0, 0}, {40, shift40}, {-40, -shift40}};
    for (const float* c : cases)
    {
        float top = ReadParallaxU(255, c[0], true);
        float bottom = ReadParallaxU(0, c[0], true);
        EXPECT_NEAR(0.5f, top, 0.02f) << c[0];
        EXPECT_NEAR(c[1], bottom - top, 0.012f) << c[0];
    }
    // A face without a tangent frame (a triangle of the model) shows its colour map unshifted.
    EXPECT_NEAR(0.5f, ReadParallaxU(0, 40, false), 0.02f);
    // On a quad 14 pixels wide the whole relief moves the read by less than a pixel: read in place.
    EXPECT_NEAR(ReadParallaxU(255, 40, true, 0.02f), ReadParallaxU(0, 40, true, 0.02f), 0.004f);
    // The height map repeats: on a one-texel map every height read wraps around its edges, and
    // where the relief is all top the read stays where a face without a frame reads, on either
    // side of the texel's centre and close to the quad's edges.
    for (float x : {-0.6f, -0.3f, 0.1f, 0.38f})
    {
        EXPECT_NEAR(ReadParallaxU(0, 40, false, 1, x), ReadParallaxU(255, 40, true, 1, x), 0.01f)
            << x;
    }
}

TEST(BuiltInShaderPixelGL, ParallaxReliefTakesEachColourOfTheLight)
{
    // A white, flat-topped relief facing the eye with the light at the eye: the full diffuse
    // colour, the full specular highlight and 0.3 of the ambient colour, each on its own.
    const struct
    {
        LightColours light;
        unsigned char expected[3];
    } cases[] = {
        {{{1, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}}, {255, 0, 0}},
        {{{0, 0, 0, 1}, {0, 0, 1, 1}, {0, 0, 0, 1}}, {0, 0, 77}},
        {{{0, 0, 0, 1}, {0, 0, 0, 1}, {0, 1, 0, 1}}, {0, 255, 0}},
    };
    for (const auto& c : cases)
    {
        DrawParallaxQuad({255, 255, 255, 255}, 1, 255, 0, true, 1, c.light);
        std::vector<unsigned char> pixel = PixelAt(0, 0);
        for (int channel = 0; channel < 3; ++channel)
        {
            EXPECT_NEAR(c.expected[channel], pixel[channel], 3)
                << "channel " << channel << " of case " << &c - cases;
        }
    }
}
}  // namespace
