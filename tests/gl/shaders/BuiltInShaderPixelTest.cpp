// What the built-in programs draw, read back from the window: tinting, diffuse light, point and
// spot light, toon bands, the height field, shadow-map lookups and the parallax offset.
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

struct Rgba
{
    float r, g, b, a;
};

// Identity projection, the modelview at the window's centre plane, and nothing of the
// fixed-function state left that a shader would not replace anyway.
void StartFlatFrame()
{
    kyrel_test::ResetFrame();
    glViewport(0, 0, W, H);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (GLenum state : {GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE, GL_SCISSOR_TEST, GL_STENCIL_TEST,
                         GL_ALPHA_TEST, GL_LIGHTING})
    {
        glDisable(state);
    }
}

// A scene where eye space is what the window shows: an orthographic view of x and y in -1..1
// with the surface two units in front of the eye.
void StartEyeFrame()
{
    StartFlatFrame();
    glMatrixMode(GL_PROJECTION);
    glOrtho(-1, 1, -1, 1, 0.5, 10);
    glMatrixMode(GL_MODELVIEW);
}

void SetLight(const float position[4], const Rgba& diffuse, const Rgba& ambient)
{
    const float none[4] = {0, 0, 0, 1};
    const float diffuseValue[4] = {diffuse.r, diffuse.g, diffuse.b, diffuse.a};
    const float ambientValue[4] = {ambient.r, ambient.g, ambient.b, ambient.a};
    glPushMatrix();
    glLoadIdentity();  // the position is given in eye space
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glPopMatrix();
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuseValue);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambientValue);
    glLightfv(GL_LIGHT0, GL_SPECULAR, none);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
    glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 180.0f);
}

GLuint MakeTexture(GLenum unit, int width, int height, const std::vector<unsigned char>& rgba,
                   GLint filter)
{
    GLuint name = 0;
    glActiveTextureARB(unit);
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    return name;
}

GLuint MakeSolidTexture(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
{
    return MakeTexture(GL_TEXTURE0_ARB, 2, 2, {r, g, b, a, r, g, b, a, r, g, b, a, r, g, b, a},
                       GL_NEAREST);
}

// A quad from (x0, y0) to (x1, y1) at depth z with one normal and texture coordinates 0..1.
void DrawQuad(float x0, float y0, float x1, float y1, float z, const float normal[3])
{
    glBegin(GL_QUADS);
    glNormal3fv(normal);
    glTexCoord2f(0, 0);
    glVertex3f(x0, y0, z);
    glTexCoord2f(1, 0);
    glVertex3f(x1, y0, z);
    glTexCoord2f(1, 1);
    glVertex3f(x1, y1, z);
    glTexCoord2f(0, 1);
    glVertex3f(x0, y1, z);
    glEnd();
}

// Window pixel at the given point of the -1..1 view.
std::vector<unsigned char> PixelAt(float x, float y)
{
    int px = static_cast<int>((x + 1.0f) * 0.5f * W);
    int py = static_cast<int>((y + 1.0f) * 0.5f * H);
    return kyrel_test::ReadPixel(px, py);
}

void ExpectColor(const std::vector<unsigned char>& pixel, float r, float g, float b, int tolerance,
                 const char* what)
{
    EXPECT_NEAR(r * 255.0f, pixel[0], tolerance) << what;
    EXPECT_NEAR(g * 255.0f, pixel[1], tolerance) << what;
    EXPECT_NEAR(b * 255.0f, pixel[2], tolerance) << what;
}

CShader* Bound(int index)
{
    CShader* shader = gShaderManager->GetShader(index);
    EXPECT_NE(nullptr, shader);
    shader->Bind();
    return shader;
}

TEST(BuiltInShaderPixelGL, TintedTextureMultipliesTheTexel)
{
    StartFlatFrame();
    GLuint texture = MakeSolidTexture(200, 100, 60, 255);
    glBindTexture(GL_TEXTURE_2D, texture);
    const float normal[3] = {0, 0, 1};

    // Program 0 takes the tint from "colors", program 2 from the vertex colour.
    CShader* simple = Bound(SHADER_SIMPLE_TEXTURE);
    glUniform4fARB(glGetUniformLocationARB(simple->GetProgram(), "colors"), 0.5f, 1.0f, 0.25f,
                   0.5f);
    glColor4f(0.1f, 0.1f, 0.1f, 1.0f);  // ignored by program 0
    DrawQuad(-1, -1, 0, 1, 0, normal);
    Bound(2);
    glColor4f(0.5f, 1.0f, 0.25f, 0.5f);
    DrawQuad(0, -1, 1, 1, 0, normal);
    CShader::Unbind();

    for (float x : {-0.5f, 0.5f})
    {
        std::vector<unsigned char> pixel = PixelAt(x, 0);
        ExpectColor(pixel, 100 / 255.0f, 100 / 255.0f, 15 / 255.0f, 2, x < 0 ? "colors" : "vertex");
    }
    glDeleteTextures(1, &texture);
}

TEST(BuiltInShaderPixelGL, UnbindReturnsToFixedFunction)
{
    StartFlatFrame();
    const float normal[3] = {0, 0, 1};
    Bound(1);
    glColor3f(0, 1, 0);
    DrawQuad(-1, -1, 0, 1, 0, normal);
    CShader::Unbind();
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(0, current);
    glColor3f(1, 0, 0);
    DrawQuad(0, -1, 1, 1, 0, normal);
    ExpectColor(PixelAt(-0.5f, 0), 0, 1, 0, 1, "colour program");
    ExpectColor(PixelAt(0.5f, 0), 1, 0, 0, 1, "fixed function");
}

// Three strips whose normals turn away from a light along +z: facing, at 60 degrees, edge-on.
TEST(BuiltInShaderPixelGL, DirectionalDiffuseFollowsTheAngleToTheLight)
{
    const int programs[] = {4, 5, 9, 10};
    const float cosines[] = {1.0f, 0.5f, 0.0f};
    const float color[3] = {1.0f, 0.6f, 0.4f};
    GLuint white = MakeSolidTexture(255, 255, 255, 255);
    for (int program : programs)
    {
        StartEyeFrame();
        glTranslatef(0, 0, -2);
        const float towardsViewer[4] = {0, 0, 1, 0};
        SetLight(towardsViewer, {0.9f, 0.9f, 0.9f, 1}, {0, 0, 0, 1});
        glBindTexture(GL_TEXTURE_2D, white);
        Bound(program);
        glColor3fv(color);
        for (int strip = 0; strip < 3; ++strip)
        {
            float angle = std::acos(cosines[strip]);
            const float normal[3] = {std::sin(angle), 0, std::cos(angle)};
            float x0 = -1.0f + strip * (2.0f / 3.0f);
            DrawQuad(x0, -1, x0 + 2.0f / 3.0f, 1, 0, normal);
        }
        CShader::Unbind();
        for (int strip = 0; strip < 3; ++strip)
        {
            float light = 0.9f * cosines[strip];
            SCOPED_TRACE(testing::Message() << "program " << program << ", strip " << strip);
            ExpectColor(PixelAt(-1.0f + (strip + 0.5f) * (2.0f / 3.0f), 0), color[0] * light,
                        color[1] * light, color[2] * light, 3, "diffuse");
        }
    }
    glDeleteTextures(1, &white);
}

TEST(BuiltInShaderPixelGL, DirectionalDiffuseAddsAmbientOnTheDarkSide)
{
    StartEyeFrame();
    glTranslatef(0, 0, -2);
    const float towardsViewer[4] = {0, 0, 1, 0};
    SetLight(towardsViewer, {1, 1, 1, 1}, {0.8f, 0.8f, 0.8f, 1});
    Bound(SHADER_DIRECTIONAL_PER_PIXEL);
    glColor3f(1, 1, 1);
    const float facing[3] = {0, 0, 1};
    const float edgeOn[3] = {1, 0, 0};
    DrawQuad(-1, -1, 0, 1, 0, facing);
    DrawQuad(0, -1, 1, 1, 0, edgeOn);
    CShader::Unbind();
    std::vector<unsigned char> lit = PixelAt(-0.5f, 0);
    std::vector<unsigned char> dark = PixelAt(0.5f, 0);
    EXPECT_GT(dark[0], 20);            // the ambient term keeps the far side visible
    EXPECT_GT(lit[0], dark[0] + 150);  // and the diffuse term still dominates
}

// A light one unit above the middle of the surface: the point light falls off with the angle,
// the spot light (20 degree cone pointing down) cuts off outside its cone.
TEST(BuiltInShaderPixelGL, PointAndSpotLightShapeTheSurface)
{
    struct Case
    {
        int program;
        float x;
        float expected;
    };
    float slanted = 1.0f / std::sqrt(1.0f + 0.8f * 0.8f);  // cosine at x = 0.8
    const Case cases[] = {
        {6, 0.0f, 1.0f}, {6, 0.8f, slanted}, {7, 0.0f, 1.0f}, {7, 0.2f, 1.0f / std::sqrt(1.04f)},
        {7, 0.8f, 0.0f},
    };
    for (const Case& c : cases)
    {
        StartEyeFrame();
        glTranslatef(0, 0, -2);
        const float above[4] = {0, 0, -1, 1};
        SetLight(above, {1, 1, 1, 1}, {0, 0, 0, 1});
        const float down[3] = {0, 0, -1};
        if (c.program == 7)
        {
            glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 20.0f);
            glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 0.0f);
            glPushMatrix();
            glLoadIdentity();
            glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, down);
            glPopMatrix();
        }
        Bound(c.program);
        glColor3f(1, 1, 1);
        const float normal[3] = {0, 0, 1};
        DrawQuad(-1, -1, 1, 1, 0, normal);
        CShader::Unbind();
        SCOPED_TRACE(testing::Message() << "program " << c.program << " at x " << c.x);
        ExpectColor(PixelAt(c.x, 0), c.expected, c.expected, c.expected, 4, "light");
    }
}

TEST(BuiltInShaderPixelGL, ToonCutsTheLightIntoBands)
{
    struct Case
    {
        float degrees;  // normal turned from the eye towards +x; the light comes from 45 degrees
        float expected;
    };
    const float outline = 0.05f;
    const Case cases[] = {
        {45.0f, 0.8f * 1.0f},    // facing the light
        {0.0f, 0.8f * 0.72f},    // 45 degrees off
        {-30.0f, 0.8f * 0.48f},  // 75 degrees off
        {-40.0f, 0.8f * 0.28f},  // 85 degrees off
        {22.5f, 1.0f},           // halfway between light and eye: the highlight
        {85.0f, outline},        // nearly edge-on to the eye
    };
    for (const Case& c : cases)
    {
        StartEyeFrame();
        glTranslatef(0, 0, -2);
        const float fromTheSide[4] = {1, 0, 1, 0};
        SetLight(fromTheSide, {1, 1, 1, 1}, {0, 0, 0, 1});
        Bound(8);
        glColor3f(0.8f, 0.8f, 0.8f);
        float angle = c.degrees * PI / 180.0f;
        const float normal[3] = {std::sin(angle), 0, std::cos(angle)};
        DrawQuad(-1, -1, 1, 1, 0, normal);
        CShader::Unbind();
        SCOPED_TRACE(testing::Message() << "normal at " << c.degrees << " degrees");
        std::vector<unsigned char> pixel = PixelAt(0, 0);
        EXPECT_NEAR(c.expected * 255.0f, pixel[0], 3);
    }
}

// A flat grid raised by a height map whose left half is white: the raised part is coloured as
// snow, the low part as water.
TEST(BuiltInShaderPixelGL, HeightFieldColoursByHeight)
{
    StartEyeFrame();
    glTranslatef(0, 0, -5);
    const float towardsViewer[4] = {0, 0, 1, 0};
    SetLight(towardsViewer, {0.7f, 0.7f, 0.7f, 1}, {0, 0, 0, 1});
    std::vector<unsigned char> heights;
    for (int x = 0; x < 8; ++x)
    {
        unsigned char h = x < 4 ? 255 : 0;
        heights.insert(heights.end(), {h, h, h, 255});
    }
    GLuint heightMap = MakeTexture(GL_TEXTURE0_ARB, 8, 1, heights, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, heightMap);
    Bound(3);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    for (int column = 0; column < 8; ++column)
    {
        float u0 = column / 8.0f, u1 = (column + 1) / 8.0f;
        float x0 = u0 * 2 - 1, x1 = u1 * 2 - 1;
        glTexCoord2f(u0, 0);
        glVertex3f(x0, -1, 0);
        glTexCoord2f(u1, 0);
        glVertex3f(x1, -1, 0);
        glTexCoord2f(u1, 1);
        glVertex3f(x1, 1, 0);
        glTexCoord2f(u0, 1);
        glVertex3f(x0, 1, 0);
    }
    glEnd();
    CShader::Unbind();

    std::vector<unsigned char> high = PixelAt(-0.9f, 0);
    std::vector<unsigned char> low = PixelAt(0.9f, 0);
    // Snow: bright and nearly grey. Water: blue well above red.
    EXPECT_GT(high[0], 150);
    EXPECT_NEAR(high[0], high[2], 10);
    EXPECT_GT(low[2], low[0] + 40);
    EXPECT_LT(low[0], 60);
    glDeleteTextures(1, &heightMap);
}

// Depth map whose left half holds a near occluder (0.25) and right half nothing (1.0); texture
// matrix 1 maps eye-space x, y in -1..1 to the map and every point to depth 0.5.
class ShadowMapPixelTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::vector<float> depths(MAP_SIZE * MAP_SIZE);
        for (int y = 0; y < MAP_SIZE; ++y)
        {
            for (int x = 0; x < MAP_SIZE; ++x)
            {
                depths[y * MAP_SIZE + x] = x < MAP_SIZE / 2 ? 0.25f : 1.0f;
            }
        }
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glGenTextures(1, &depthMap);
        glBindTexture(GL_TEXTURE_2D, depthMap);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, MAP_SIZE, MAP_SIZE, 0,
                     GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, GL_COMPARE_R_TO_TEXTURE_ARB);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC_ARB, GL_LEQUAL);
        const float toMap[16] = {0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0, 0, 0.5f, 0.5f, 0.5f, 1};
        glMatrixMode(GL_TEXTURE);
        glLoadMatrixf(toMap);
        glMatrixMode(GL_MODELVIEW);
        glActiveTextureARB(GL_TEXTURE0_ARB);
    }

    void TearDown() override
    {
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glDeleteTextures(1, &depthMap);
        glActiveTextureARB(GL_TEXTURE0_ARB);
    }

    // Red channel across one row of the window, after drawing the surface with `program`.
    std::vector<int> DrawRow(int program)
    {
        StartEyeFrame();
        glTranslatef(0, 0, -2);
        const float above[4] = {0, 0, 1, 0};
        SetLight(above, {1, 1, 1, 1}, {1, 1, 1, 1});
        CShader* shader = Bound(program);
        shader->SetSampler("shadowMap", 1);
        glColor3f(0.7f, 0.7f, 0.7f);
        const float normal[3] = {0, 0, 1};
        DrawQuad(-1, -1, 1, 1, 0, normal);
        CShader::Unbind();
        std::vector<unsigned char> row = kyrel_test::ReadPixels(0, H / 2, W, 1);
        std::vector<int> red;
        for (int x = 0; x < W; ++x)
        {
            red.push_back(row[x * 4]);
        }
        return red;
    }

    static const int MAP_SIZE = 512;
    GLuint depthMap = 0;
};

TEST_F(ShadowMapPixelTest, OccludedHalfKeepsOnlyAmbient)
{
    for (int program : {11, static_cast<int>(SHADER_SHADOW_MAPPING_PCF)})
    {
        std::vector<int> red = DrawRow(program);
        int shadowed = red[W / 4], lit = red[3 * W / 4];
        SCOPED_TRACE(testing::Message() << "program " << program);
        EXPECT_GT(shadowed, 20);  // ambient remains in the shadow
        EXPECT_GT(lit, shadowed + 100);
    }
}

TEST_F(ShadowMapPixelTest, PercentageCloserFilteringWidensTheEdge)
{
    auto countBetween = [](const std::vector<int>& red)
    {
        int low = red[W / 4], high = red[3 * W / 4], count = 0;
        for (int value : red)
        {
            count += (value > low + 5 && value < high - 5) ? 1 : 0;
        }
        return count;
    };
    int plain = countBetween(DrawRow(11));
    int filtered = countBetween(DrawRow(SHADER_SHADOW_MAPPING_PCF));
    EXPECT_GE(filtered, plain + 3) << "plain " << plain << ", filtered " << filtered;
}

// The parallax program on a quad in the x-y plane (u along x, v along y) seen through a
// perspective camera three units away, turned about y. Colour map: red grows and green falls
// with u, so red / (red + green) tells which u was read, whatever the light.
class ParallaxPixelTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::vector<unsigned char> ramp;
        for (int x = 0; x < RAMP_SIZE; ++x)
        {
            unsigned char red = static_cast<unsigned char>(x * 255 / (RAMP_SIZE - 1));
            ramp.insert(ramp.end(), {red, static_cast<unsigned char>(255 - red), 0, 255});
        }
        colorMap = MakeTexture(GL_TEXTURE0_ARB, RAMP_SIZE, 1, ramp, GL_LINEAR);
    }

    void TearDown() override
    {
        glDeleteTextures(1, &colorMap);
        glDeleteTextures(1, &heightMap);
    }

    void UseHeight(unsigned char height)
    {
        glDeleteTextures(1, &heightMap);
        heightMap = MakeTexture(GL_TEXTURE1_ARB, 4, 4,
                                std::vector<unsigned char>(4 * 4 * 4, height), GL_LINEAR);
    }

    // The u read at the middle of the window.
    float ReadU(float turnDegrees, bool withFrame)
    {
        StartFlatFrame();
        glMatrixMode(GL_PROJECTION);
        glFrustum(-0.1, 0.1, -0.075, 0.075, 0.2, 20);
        glMatrixMode(GL_MODELVIEW);
        const float atTheEye[4] = {0, 0, 0, 1};
        SetLight(atTheEye, {0.9f, 0.9f, 0.9f, 1}, {0, 0, 0, 1});
        glTranslatef(0, 0, -3);
        glRotatef(turnDegrees, 0, 1, 0);

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
        const float normal[3] = {0, 0, 1};
        DrawQuad(-1, -1, 1, 1, 0, normal);
        CShader::Unbind();

        std::vector<unsigned char> pixel = kyrel_test::ReadPixel(W / 2, H / 2);
        EXPECT_GT(pixel[0] + pixel[1], 60) << "too dark to tell which texel was read";
        return pixel[0] / static_cast<float>(pixel[0] + pixel[1]);
    }

    static const int RAMP_SIZE = 256;
    GLuint colorMap = 0;
    GLuint heightMap = 0;
};

TEST_F(ParallaxPixelTest, DeepReliefShiftsTheTexelAwayFromTheEye)
{
    // The relief is 0.05 texture units deep; at the bottom the read moves by depth x tan(angle).
    const float depth = 0.05f;
    struct Case
    {
        float turn;
        float shift;
    };
    const Case cases[] = {{0.0f, 0.0f},
                          {40.0f, depth * std::tan(40.0f * PI / 180.0f)},
                          {-40.0f, -depth * std::tan(40.0f * PI / 180.0f)}};
    for (const Case& c : cases)
    {
        UseHeight(255);
        float top = ReadU(c.turn, true);
        UseHeight(0);
        float bottom = ReadU(c.turn, true);
        SCOPED_TRACE(testing::Message() << "turned " << c.turn << " degrees");
        EXPECT_NEAR(0.5f, top, 0.02f);  // the top of the relief is read where it lies
        EXPECT_NEAR(c.shift, bottom - top, 0.012f);
    }
}

TEST_F(ParallaxPixelTest, FaceWithoutTangentFrameStillShowsItsColourMap)
{
    UseHeight(0);
    float u = ReadU(40.0f, false);
    EXPECT_NEAR(0.5f, u, 0.02f);
}
}  // namespace
