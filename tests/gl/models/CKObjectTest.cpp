// The XML-model entity on a real context: texture selection, parallax uniforms, per-sub-object
// culling, both stencil paths, bounds and ray picking. GL calls that go through GLEW's entry
// points are counted by swapping those entry points for the length of one draw.
#include "gl/GLTestEnvironment.h"
#include "models/CKObject.h"
#include "scene/CCamera.h"
#include "scene/CFrustum.h"
#include "shaders/CShader.h"
#include "shaders/CShaderManager.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
// Counts of the GLEW-dispatched calls a draw makes.
struct CallCounts
{
    int activeTexture0 = 0;
    int activeTexture1 = 0;
    int uniform4 = 0;
    std::vector<std::string> uniformNames;
};

CallCounts* gCounts = nullptr;
PFNGLACTIVETEXTUREARBPROC realActiveTextureARB = nullptr;
PFNGLACTIVETEXTUREPROC realActiveTexture = nullptr;
PFNGLUNIFORM4FARBPROC realUniform4fARB = nullptr;
PFNGLGETUNIFORMLOCATIONARBPROC realGetUniformLocationARB = nullptr;

void CountUnit(GLenum unit)
{
    if (unit == GL_TEXTURE0)
    {
        ++gCounts->activeTexture0;
    }
    else if (unit == GL_TEXTURE1)
    {
        ++gCounts->activeTexture1;
    }
}

void GLAPIENTRY CountingActiveTextureARB(GLenum unit)
{
    CountUnit(unit);
    realActiveTextureARB(unit);
}

void GLAPIENTRY CountingActiveTexture(GLenum unit)
{
    // Returning to unit 0 after a height map is not a colour-map bind: counted apart.
    realActiveTexture(unit);
}

void GLAPIENTRY CountingUniform4f(GLint location, GLfloat x, GLfloat y, GLfloat z, GLfloat w)
{
    ++gCounts->uniform4;
    realUniform4fARB(location, x, y, z, w);
}

GLint GLAPIENTRY CountingGetUniformLocation(GLhandleARB program, const GLcharARB* name)
{
    gCounts->uniformNames.push_back(name);
    return realGetUniformLocationARB(program, name);
}

// Swaps the entry points in for its lifetime.
class CountedCalls
{
public:
    explicit CountedCalls(CallCounts& counts)
    {
        gCounts = &counts;
        realActiveTextureARB = __glewActiveTextureARB;
        realActiveTexture = __glewActiveTexture;
        realUniform4fARB = __glewUniform4fARB;
        realGetUniformLocationARB = __glewGetUniformLocationARB;
        __glewActiveTextureARB = CountingActiveTextureARB;
        __glewActiveTexture = CountingActiveTexture;
        __glewUniform4fARB = CountingUniform4f;
        __glewGetUniformLocationARB = CountingGetUniformLocation;
    }
    ~CountedCalls()
    {
        __glewActiveTextureARB = realActiveTextureARB;
        __glewActiveTexture = realActiveTexture;
        __glewUniform4fARB = realUniform4fARB;
        __glewGetUniformLocationARB = realGetUniformLocationARB;
        gCounts = nullptr;
    }
};

// One vertex of a test document: position, u0 (or none), colour.
struct V
{
    float x, y, z;
    float r, g, b;
    bool textured = true;
};

struct F
{
    int a, b, c, d;  // d = -1 for a triangle
    int material;    // -1 for none
};

struct Object
{
    std::vector<V> vertices;
    std::vector<F> faces;
    bool relief = false;  // marked for relief
    // Texture coordinates that follow the positions (a quarter a unit), else all at 0.5.
    bool mapped = false;
};

// Materials name their colour map by GL texture name (the loader below reads it back); a material
// texture of -1 has no texture element.
std::string Document(const std::vector<int>& materialTextures, int heightMap,
                     const std::vector<Object>& objects)
{
    std::ostringstream out;
    out << "<KyrelModelFormat><model name=\"t\" numsubobjects=\"" << objects.size()
        << "\" nummaterials=\"" << materialTextures.size() << "\" numofparallaxmap=\"1\">";
    for (size_t m = 0; m < materialTextures.size(); ++m)
    {
        out << "<material name=\"m" << m << "\" opacity=\"1\"><ambient r=\"0\" g=\"0\" b=\"0\" "
            << "a=\"1\"/><diffuse r=\"0." << (m + 2) << "\" g=\"0.5\" b=\"0.25\" a=\"1\"/>"
            << "<specular r=\"0\" g=\"0\" b=\"0\" a=\"1\"/>";
        if (materialTextures[m] != -1)
        {
            out << "<texture colormap=\"" << materialTextures[m] << "\"/>";
        }
        out << "</material>";
    }
    out << "<parallaxmap><texture heightmap=\"" << heightMap << "\"/></parallaxmap>";
    for (const Object& object : objects)
    {
        out << "<object" << (object.relief ? " relief=\"1\"" : "") << " numvertices=\""
            << object.vertices.size() << "\" numfaces=\"" << object.faces.size() << "\">";
        for (const V& v : object.vertices)
        {
            out << "<vertex x=\"" << v.x << "\" y=\"" << v.y << "\" z=\"" << v.z << "\"";
            if (v.textured)
            {
                out << " u0=\"" << (object.mapped ? v.x / 4 : 0.5f) << "\"";
            }
            out << " v0=\"" << (object.mapped ? v.y / 4 : 0.5f) << "\" r=\"" << v.r << "\" g=\""
                << v.g << "\" b=\"" << v.b << "\" a=\"1\"/>";
        }
        for (const F& f : object.faces)
        {
            out << "<face a=\"" << f.a << "\" b=\"" << f.b << "\" c=\"" << f.c << "\"";
            if (f.d != -1)
            {
                out << " d=\"" << f.d << "\"";
            }
            if (f.material != -1)
            {
                out << " materialindex=\"" << f.material << "\"";
            }
            out << " parallaxmapindex=\"0\"/>";
        }
        out << "</object>";
    }
    out << "</model></KyrelModelFormat>";
    return out.str();
}

// A square from (x0, y0) to (x1, y1) at depth z facing +z, as a quad or as two triangles.
Object Square(float x0, float y0, float x1, float y1, float z, bool quad, int material, float r = 1,
              float g = 1, float b = 1)
{
    Object object;
    object.vertices = {
        {x0, y0, z, r, g, b}, {x1, y0, z, r, g, b}, {x1, y1, z, r, g, b}, {x0, y1, z, r, g, b}};
    if (quad)
    {
        object.faces = {{0, 1, 2, 3, material}};
    }
    else
    {
        object.faces = {{0, 1, 2, -1, material}, {2, 3, 0, -1, material}};
    }
    return object;
}

// A square RGB texture of side texels, without mipmaps.
GLuint Texture(int side, const unsigned char* pixels, GLint filter)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, side, side, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

GLuint SolidTexture(unsigned char r, unsigned char g, unsigned char b)
{
    const unsigned char pixels[4 * 3] = {r, g, b, r, g, b, r, g, b, r, g, b};
    return Texture(2, pixels, GL_NEAREST);
}

// Light 0 up and to the right of the picture, where the relief's bumps shade.
void EnsureLightForRelief()
{
    const GLfloat position[4] = {5.0f, 5.0f, 10.0f, 1.0f};
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
}

class CKObjectGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kyrel_test::Engine();
        kyrel_test::ResetFrame();
        // One unit per 51.2 pixels: x and y from -10 to 10 and -7.5 to 7.5, z from 100 to -100.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-10, 10, -7.5, 7.5, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gCamera->GetFrustum()->Update();
        glDisable(GL_LIGHTING);
        glDisable(GL_CULL_FACE);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    }

    // Loads a document through a picture loader that reads the file name as the texture name.
    void Load(CKObject& object, const std::string& text)
    {
        const std::string path = "ckobject_test.xml";
        std::ofstream(path) << text;
        testing::internal::CaptureStdout();
        object.Load(path.c_str(), [](const char* file) { return GLuint(std::atoi(file)); });
        testing::internal::GetCapturedStdout();
    }

    // The pixel at world (x, y) under the test projection.
    static std::vector<unsigned char> PixelAt(float x, float y)
    {
        int px = static_cast<int>((x + 10.0f) / 20.0f * kyrel_test::WINDOW_WIDTH);
        int py = static_cast<int>((y + 7.5f) / 15.0f * kyrel_test::WINDOW_HEIGHT);
        return kyrel_test::ReadPixel(px, py);
    }

    static void ExpectColor(const std::vector<unsigned char>& pixel, int r, int g, int b)
    {
        EXPECT_NEAR(r, pixel[0], 2);
        EXPECT_NEAR(g, pixel[1], 2);
        EXPECT_NEAR(b, pixel[2], 2);
    }
};
}  // namespace

TEST_F(CKObjectGL, AllTriangleModelIsDrawnWithTheProgramButNoParallaxUniforms)
{
    GLuint red = SolidTexture(255, 0, 0);
    CKObject object;
    Load(object, Document({int(red)}, 77, {Square(-2, -2, 2, 2, 0, false, 0)}));
    GLint unit1Before = 0;
    glActiveTextureARB(GL_TEXTURE1);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &unit1Before);
    glActiveTextureARB(GL_TEXTURE0);

    CallCounts counts;
    {
        CountedCalls swap(counts);
        object.RenderParallax(true);
    }
    EXPECT_EQ(0, counts.uniform4);
    EXPECT_EQ(0, counts.activeTexture1) << "no height map for triangles";
    EXPECT_EQ(1, counts.activeTexture0);
    GLint unit1After = -1;
    glActiveTextureARB(GL_TEXTURE1);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &unit1After);
    glActiveTextureARB(GL_TEXTURE0);
    EXPECT_EQ(unit1Before, unit1After);
    EXPECT_EQ(0u, glGetHandleARB(GL_PROGRAM_OBJECT_ARB)) << "program unbound after the draw";
    // The program drew the triangles with the colour map.
    std::vector<unsigned char> pixel = PixelAt(0.5f, 0.5f);
    EXPECT_GT(pixel[0], 100);
    EXPECT_LT(pixel[2], 60);
}

TEST_F(CKObjectGL, QuadsGetTheirFrameAsUniformsAndTheirHeightMapOnUnitOne)
{
    GLuint red = SolidTexture(255, 0, 0);
    GLuint height = SolidTexture(255, 255, 255);
    CKObject object;
    Load(object, Document({int(red)}, int(height),
                          {Square(-2, -2, 0, 2, 0, true, 0), Square(0, -2, 2, 2, 0, true, 0)}));
    CallCounts counts;
    {
        CountedCalls swap(counts);
        object.RenderParallax(true);
    }
    EXPECT_EQ(8, counts.uniform4) << "four vectors per quad";
    EXPECT_EQ((std::vector<std::string>{"testTexture", "HeightTexture", "Eye", "Tangent", "Normal",
                                        "BiNormal", "Eye", "Tangent", "Normal", "BiNormal"}),
              counts.uniformNames)
        << "the two samplers, then four vectors per quad";
    EXPECT_EQ(1, counts.activeTexture1) << "the height map follows the one colour-map bind";
    GLint unit1 = 0;
    glActiveTextureARB(GL_TEXTURE1);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &unit1);
    glActiveTextureARB(GL_TEXTURE0);
    EXPECT_EQ(object.GetModel()->HeightMapTexture(0), unit1);
    // What is bound is the relief packed from the height map: its heights, white.
    glBindTexture(GL_TEXTURE_2D, GLuint(unit1));
    unsigned char relief[4 * 4] = {};
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, relief);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(255, relief[0]);
    EXPECT_NE(GLint(height), unit1);
    const XMLFace& face = object.GetModel()->subObjects[0].faces[0];
    EXPECT_FLOAT_EQ(1.0f, face.normal.z);
}

// A height map of bumps: a bright disc in each 16-texel cell on a dark ground.
GLuint BumpTexture()
{
    const int side = 64;
    std::vector<unsigned char> pixels;
    for (int y = 0; y < side; ++y)
    {
        for (int x = 0; x < side; ++x)
        {
            const int dx = x % 16 - 8, dy = y % 16 - 8;
            pixels.insert(pixels.end(), 3, dx * dx + dy * dy < 30 ? 255 : 0);
        }
    }
    return Texture(side, pixels.data(), GL_LINEAR);
}

// Triangles of an object marked for relief get their frame and height map as quads do; switched
// off, they draw exactly as the same triangles without the mark (today's drawing), and with it on
// the picture changes.
TEST_F(CKObjectGL, ReliefMarkFramesTrianglesAndTheSwitchDrawsThemAsWithoutIt)
{
    GLuint bumps = BumpTexture();
    GLuint height = BumpTexture();
    EnsureLightForRelief();
    // In front of the eye, which the program takes from the modelview (the origin).
    Object marked = Square(-6, -6, 6, 6, -5, false, 0);
    marked.relief = true;
    marked.mapped = true;
    Object plain = marked;
    plain.relief = false;
    CKObject withMark;
    CKObject withoutMark;
    Load(withMark, Document({int(bumps)}, int(height), {marked}));
    Load(withoutMark, Document({int(bumps)}, int(height), {plain}));
    ASSERT_TRUE(withMark.GetModel()->subObjects[0].relief);
    ASSERT_FALSE(withoutMark.GetModel()->subObjects[0].relief);

    auto frame = [this](CKObject& object, bool relief, CallCounts* counts)
    {
        kyrel_test::ResetFrame();
        SetUp();
        object.SetReliefEnabled(relief);
        if (counts)
        {
            CountedCalls swap(*counts);
            object.RenderParallax(true);
        }
        else
        {
            object.RenderParallax(true);
        }
        return kyrel_test::ReadPixels(0, 0, kyrel_test::WINDOW_WIDTH, kyrel_test::WINDOW_HEIGHT);
    };
    CallCounts counts;
    const std::vector<unsigned char> reliefOn = frame(withMark, true, &counts);
    EXPECT_EQ(8, counts.uniform4) << "four vectors per triangle";
    EXPECT_EQ(1, counts.activeTexture1) << "the height map follows the colour map";
    const std::vector<unsigned char> reliefOff = frame(withMark, false, nullptr);
    const std::vector<unsigned char> today = frame(withoutMark, true, nullptr);
    EXPECT_TRUE(reliefOff == today) << "switched off: the drawing of unmarked triangles";
    size_t changed = 0;
    for (size_t i = 0; i < reliefOn.size(); i += 3)
    {
        changed += reliefOn[i] != today[i] || reliefOn[i + 1] != today[i + 1];
    }
    // The square covers 12 x 12 of the 20 x 15 units on screen.
    EXPECT_GT(changed, reliefOn.size() / 3 / 10) << "relief shows";
}

TEST_F(CKObjectGL, UntexturedDrawsTouchNoTextureStateButSendColours)
{
    GLuint red = SolidTexture(255, 0, 0);
    CKObject object;
    Load(object, Document({int(red)}, 0,
                          {Square(-2, -2, 2, 2, 0, true, 0, 0.0f, 1.0f, 0.0f),
                           Square(3, -2, 5, 2, 0, false, 0, 0.0f, 0.0f, 1.0f)}));
    GLuint sentinel = SolidTexture(1, 2, 3);
    for (bool enabled : {false, true})
    {
        SCOPED_TRACE(enabled ? "texturing on before" : "texturing off before");
        glActiveTextureARB(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, sentinel);
        enabled ? glEnable(GL_TEXTURE_2D) : glDisable(GL_TEXTURE_2D);
        CallCounts counts;
        {
            CountedCalls swap(counts);
            object.Render(false);
            object.RenderParallax(false);
        }
        EXPECT_EQ(0, counts.activeTexture0 + counts.activeTexture1);
        EXPECT_EQ(enabled, glIsEnabled(GL_TEXTURE_2D) == GL_TRUE);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(GLint(sentinel), bound);
    }
    // Vertex colours reach the picture of the plain draw.
    glDisable(GL_TEXTURE_2D);
    kyrel_test::ResetFrame();
    SetUp();
    object.Render(false);
    ExpectColor(PixelAt(0.0f, 0.0f), 0, 255, 0);
    ExpectColor(PixelAt(4.5f, -1.5f), 0, 0, 255);
}

TEST_F(CKObjectGL, RepeatedTextureIsBoundOnceAndComesBackAfterAnUntexturedFace)
{
    GLuint red = SolidTexture(255, 0, 0);
    CKObject object;
    // Three triangles in a row with textures red, none, red; the middle one is blue.
    Object row;
    row.vertices = {{-6, -2, 0, 1, 1, 1}, {-2, -2, 0, 1, 1, 1}, {-4, 2, 0, 1, 1, 1},
                    {-2, -2, 0, 0, 0, 1}, {2, -2, 0, 0, 0, 1},  {0, 2, 0, 0, 0, 1},
                    {2, -2, 0, 1, 1, 1},  {6, -2, 0, 1, 1, 1},  {4, 2, 0, 1, 1, 1}};
    row.faces = {{0, 1, 2, -1, 0}, {3, 4, 5, -1, 1}, {6, 7, 8, -1, 0}};
    Load(object, Document({int(red), -1}, 0, {row}));
    for (int draw = 0; draw < 2; ++draw)
    {
        SCOPED_TRACE(draw == 0 ? "Render" : "RenderParallax");
        kyrel_test::ResetFrame();
        SetUp();
        CallCounts counts;
        {
            CountedCalls swap(counts);
            draw == 0 ? object.Render(true) : object.RenderParallax(true);
        }
        EXPECT_EQ(1, counts.activeTexture0) << "texture bound once";
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "on again for the last face";
        ExpectColor(PixelAt(-4.0f, -1.0f), 255, 0, 0);
        ExpectColor(PixelAt(4.0f, -1.0f), 255, 0, 0);
        if (draw == 0)
        {
            // A program reads its samplers whatever the fixed-function switch says, so only the
            // plain draw shows the untextured face.
            ExpectColor(PixelAt(0.0f, -1.0f), 0, 0, 255);
        }
    }
}

TEST_F(CKObjectGL, SubObjectOutsideTheFrustumSendsNothing)
{
    CKObject object;
    Load(object, Document({-1}, 0,
                          {Square(-6, -2, -2, 2, 0, true, 0, 1, 0, 0),
                           Square(2, -2, 6, 2, 0, true, 0, 0, 1, 0)}));
    // The culling frustum sees only x < 0; the drawing projection sees both squares.
    float projection[16];
    float modelview[16];
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-10, -1, -7.5, 7.5, -100, 100);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    gCamera->GetFrustum()->UpdateFromMatrices(projection, modelview);
    // Depth shows what was drawn whatever colour the program gives it.
    glEnable(GL_DEPTH_TEST);
    auto depthAt = [](float x, float y)
    {
        GLfloat depth = 0;
        int px = static_cast<int>((x + 10.0f) / 20.0f * kyrel_test::WINDOW_WIDTH);
        int py = static_cast<int>((y + 7.5f) / 15.0f * kyrel_test::WINDOW_HEIGHT);
        glReadPixels(px, py, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        return depth;
    };
    for (int draw = 0; draw < 2; ++draw)
    {
        SCOPED_TRACE(draw == 0 ? "Render" : "RenderParallax");
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw == 0 ? object.Render(false) : object.RenderParallax(false);
        EXPECT_LT(depthAt(-4.0f, 0.0f), 0.9f) << "visible sub-object drawn";
        EXPECT_EQ(1.0f, depthAt(4.0f, 0.0f)) << "culled sub-object sent nothing";
    }
    glDisable(GL_DEPTH_TEST);
    // Moved into view, the same sub-object is drawn.
    object.SetPosition(-8.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    object.Render(false);
    ExpectColor(PixelAt(-4.0f, 0.0f), 0, 255, 0);
}

TEST_F(CKObjectGL, BothStencilPathsMarkWhereTheVolumeCoversTheReceiver)
{
    // A roof square at y = 2 facing the light above it; the receiver is a floor at y = 0 drawn
    // into the depth buffer only. Seen from the front and above.
    Object roof;
    roof.vertices = {
        {-1, 2, 1, 1, 1, 1}, {1, 2, 1, 1, 1, 1}, {1, 2, -1, 1, 1, 1}, {-1, 2, -1, 1, 1, 1}};
    roof.faces = {{0, 1, 2, 3, -1}};
    CKObject object;
    Load(object, Document({-1}, 0, {roof}));
    object.BuildShadowVolume(0.0f, 10.0f, 0.0f);
    ASSERT_GT(object.GetShadowVolume().GetVertexCount(), 0u);

    struct Path
    {
        const char* name;
        bool twoSided;
    };
    for (const Path& path : {Path{"two passes", false}, Path{"two-sided", true}})
    {
        SCOPED_TRACE(path.name);
        if (path.twoSided && !GLEW_EXT_stencil_two_side)
        {
            continue;
        }
        kyrel_test::ResetFrame();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(50.0, 4.0 / 3.0, 0.5, 200.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0, 8, 12, 0, 0, 0, 0, 1, 0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glBegin(GL_QUADS);
        glVertex3f(-20, 0, 20);
        glVertex3f(20, 0, 20);
        glVertex3f(20, 0, -20);
        glVertex3f(-20, 0, -20);
        glEnd();
        object.RenderShadowVolumeStencil(path.twoSided);

        GLdouble modelviewMatrix[16], projectionMatrix[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelviewMatrix);
        glGetDoublev(GL_PROJECTION_MATRIX, projectionMatrix);
        glGetIntegerv(GL_VIEWPORT, viewport);
        auto stencilAt = [&](double x, double y, double z)
        {
            GLdouble wx, wy, wz;
            gluProject(x, y, z, modelviewMatrix, projectionMatrix, viewport, &wx, &wy, &wz);
            GLubyte value = 0;
            glReadPixels(int(wx), int(wy), 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &value);
            return int(value);
        };
        // The shadow falls along the extrusion from the roof's first corner, down to the floor.
        EXPECT_NE(0, stencilAt(-1.2, 0.0, 1.2)) << "floor under the roof corner";
        EXPECT_EQ(0, stencilAt(6.0, 0.0, -4.0)) << "floor far from the shadow";
        EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
        GLboolean depthMask = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
        EXPECT_TRUE(depthMask);
        GLboolean colorMask[4] = {GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE};
        glGetBooleanv(GL_COLOR_WRITEMASK, colorMask);
        EXPECT_TRUE(colorMask[0] && colorMask[3]);
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        glDisable(GL_STENCIL_TEST_TWO_SIDE_EXT);
        glDisable(GL_DEPTH_TEST);
    }
}

TEST_F(CKObjectGL, BoundsFollowPositionScaleAndAngle)
{
    CKObject object;
    Load(object,
         Document({-1}, 0, {Square(-1, -1, 1, 1, -1, true, 0), Square(-1, -1, 1, 1, 1, true, 0)}));
    EXPECT_EQ(8, object.GetVertexCount());
    object.SetScale(2, 2, 2);
    object.SetPosition(1, 0, 0);
    EXPECT_FLOAT_EQ(-1, object.GetBoundsMin()->x);
    EXPECT_FLOAT_EQ(-2, object.GetBoundsMin()->y);
    EXPECT_FLOAT_EQ(3, object.GetBoundsMax()->x);
    EXPECT_FLOAT_EQ(2, object.GetBoundsMax()->z);
    object.SetScale(1, 1, 1);
    object.SetPosition(0, 0, 0);
    object.SetAngle(90);
    // Only the corners turn: (1, 1, 1) goes to (1, 1, -1).
    EXPECT_NEAR(1, object.GetBoundsMax()->x, 1e-5);
    EXPECT_NEAR(-1, object.GetBoundsMax()->z, 1e-5);
}

TEST_F(CKObjectGL, IntersectRayKeepsTheNearestHitAndItsColour)
{
    // Faces looking up at the light: a triangle at y = 1 (material 0) and a quad at y = 3
    // (material 1) whose first triangle a, b, c covers x + z >= 0. Rays go straight down.
    Object faces;
    faces.vertices = {{-1, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1}, {0, 1, -1, 1, 1, 1},
                      {-1, 3, 1, 1, 1, 1}, {1, 3, 1, 1, 1, 1}, {1, 3, -1, 1, 1, 1},
                      {-1, 3, -1, 1, 1, 1}};
    faces.faces = {{0, 1, 2, -1, 0}, {3, 4, 5, 6, 1}};
    CKObject object;
    Load(object, Document({-1, -1}, 0, {faces}));

    // Material m has diffuse (0.(m + 2), 0.5, 0.25). The scene has no light, so light 1 stands at
    // (0, 100, 0); the shade is the cosine between the face normal and the way to the light.
    const CVector3 triangleColor(0.2f, 0.5f, 0.25f);
    const CVector3 quadColor(0.3f, 0.5f, 0.25f);
    const CVector3 shadedPoint(0.5f, 3.0f, 0.5f);
    const float shade = (CVector3(0, 100, 0) - shadedPoint).Normalized().y;
    struct Case
    {
        const char* name;
        CVector3 origin;
        float nearest;
        bool hit;
        float distance;
        CVector3 color;
    };
    const Case cases[] = {
        {"second quad triangle, unshaded",
         {-0.5f, 10, -0.5f},
         RAY_NO_HIT_DISTANCE,
         true,
         7,
         quadColor},
        {"nearer first quad triangle replaces the triangle, shaded",
         {0.5f, 10, 0.5f},
         RAY_NO_HIT_DISTANCE,
         true,
         7,
         quadColor * shade},
        {"earlier hit nearer than every face", {0.5f, 10, 0.5f}, 5, false, 5, CVector3()},
        {"a face behind the origin is not hit",
         {0.5f, 2.5f, 0.5f},
         RAY_NO_HIT_DISTANCE,
         true,
         1.5f,
         triangleColor},
        {"missing everything",
         {5, 10, 5},
         RAY_NO_HIT_DISTANCE,
         false,
         RAY_NO_HIT_DISTANCE,
         CVector3()},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CRay ray;
        ray.origin = c.origin;
        ray.direction = CVector3(0, -1, 0);
        ray.nearestDistance = c.nearest;
        object.IntersectRay(&ray);
        EXPECT_EQ(c.hit, ray.hit);
        EXPECT_NEAR(c.distance, ray.nearestDistance, 1e-4);
        EXPECT_NEAR(c.color.x, ray.hitColor.x, 1e-5);
        EXPECT_NEAR(c.color.y, ray.hitColor.y, 1e-5);
        EXPECT_NEAR(c.color.z, ray.hitColor.z, 1e-5);
    }
    EXPECT_GT(shade, 0.99f) << "a face looking at the light is lit, not black";

    // The entity's placement moves the faces the ray meets.
    object.SetPosition(10, 0, 0);
    CRay moved;
    moved.origin = CVector3(10.5f, 2.5f, 0.5f);
    moved.direction = CVector3(0, -1, 0);
    object.IntersectRay(&moved);
    EXPECT_TRUE(moved.hit);
    EXPECT_NEAR(1.5f, moved.nearestDistance, 1e-4);
}
