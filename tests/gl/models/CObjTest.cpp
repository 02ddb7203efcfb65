// The OBJ entity on a real context: both draws with their texture and per-part culling, debug
// boxes, shadow volumes through both stencil paths, and ray picking.
#include "gl/GLTestEnvironment.h"
#include "gl/scene/SceneFixture.h"
#include "models/CObj.h"
#include "platform/CGraphicsCore.h"
#include "scene/CCamera.h"
#include "scene/CLightManager.h"
#include "shaders/CShader.h"
#include "shaders/CShaderManager.h"
#include "support/TempFiles.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace kyrel_test;

namespace
{
const std::string SCENE_DATA = std::string(KYREL_TEST_DATA_DIR) + "/scene/";
const std::string TWO_PARTS = SCENE_DATA + "two_parts.obj";
const std::string FLOOR = SCENE_DATA + "floor.obj";
const std::string CASTER = SCENE_DATA + "caster.obj";
const std::string HALVES = SCENE_DATA + "halves.bmp";
const CVector3 LIGHT(20, 100, 20);
const unsigned RED = 0xFF0000, BLUE = 0x0000FF, WHITE = 0xFFFFFF, BLACK = 0;

std::unique_ptr<CObj> LoadEntity(const std::string& path, const char* texture)
{
    std::unique_ptr<CObj> entity(new CObj());
    entity->Load(path.c_str(), texture);
    return entity;
}

// Triangles or lines GL assembles from what the call sends, counted before clipping.
GLuint PrimitivesOf(const std::function<void()>& draw)
{
    GLuint query = 0, primitives = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    draw();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    glDeleteQueries(1, &query);
    return primitives;
}

int StencilAt(const CVector3& world)
{
    GLdouble modelview[16], projection[16], x = 0, y = 0, z = 0;
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(world.x, world.y, world.z, modelview, projection, viewport, &x, &y, &z);
    GLubyte value = 0;
    glReadPixels(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)), 1, 1,
                 GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &value);
    return value;
}

void ExpectColorAt(const CVector3& world, unsigned rgb)
{
    const std::vector<unsigned char> pixel = PixelAt(world);
    for (int c = 0; c < 3; ++c)
    {
        EXPECT_NEAR((rgb >> (16 - 8 * c)) & 0xFF, pixel[c], 3)
            << "channel " << c << " at " << world.x << ", " << world.z;
    }
}

// Clears the frame and looks from eye at the origin; from straight above, screen right is +x.
void LookFrom(const CVector3& eye, const CVector3& up)
{
    ResetFrame();
    gCamera->PositionCamera(eye.x, eye.y, eye.z, 0, 0, 0, up.x, up.y, up.z);
    gCamera->Look();
}

void LookDown()
{
    LookFrom(CVector3(0, 10, 0), CVector3(0, 0, -1));
}

class ObjEntityGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, Engine());
        EnsureLight();
        LookDown();
        glDisable(GL_LIGHTING);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        // The depth state every frame's 2D overlay leaves behind.
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        ResetTexturing();
    }

    void TearDown() override { CShader::Unbind(); }

    static void ResetTexturing()
    {
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
};

struct DrawPath
{
    const char* name;
    void (CObj::*draw)(bool);
};

const DrawPath DRAW_PATHS[] = {{"Render", &CObj::Render}, {"RenderVBO", &CObj::RenderVBO}};
}  // namespace

TEST_F(ObjEntityGL, BothDrawsTextureEachPartOnlyWhenAsked)
{
    std::unique_ptr<CObj> entity = LoadEntity(TWO_PARTS, HALVES.c_str());
    ASSERT_EQ(2, entity->GetModel().objectCount);
    ASSERT_NE(0u, entity->GetTexture());
    EXPECT_EQ(12, entity->GetVertexCount());
    for (const DrawPath& path : DRAW_PATHS)
    {
        SCOPED_TRACE(path.name);
        // Each part maps the picture's left (red) half to its low-x half.
        LookDown();
        (entity.get()->*path.draw)(true);
        const CVector3 points[] = {{-4, 0, 0}, {-2, 0, 0}, {0, 0, 0}, {2, 0, 0}, {4, 0, 0}};
        const unsigned textured[] = {RED, BLUE, BLACK, RED, BLUE};
        for (int i = 0; i < 5; ++i)
        {
            ExpectColorAt(points[i], textured[i]);
        }
        ResetTexturing();

        LookDown();
        (entity.get()->*path.draw)(false);
        ExpectColorAt(points[0], WHITE);
        ExpectColorAt(points[4], WHITE);
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(0, bound) << "the texture is never bound";
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    }
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

// A file with a material library: each run of faces in its material's colour or colour map (the
// map found beside the model though the library names it by another machine's path); a picture
// the caller gives replaces the maps.
TEST_F(ObjEntityGL, MaterialLibraryColoursAndMapsEachRunOfFaces)
{
    TempDir folder("obj-mtl");
    ASSERT_EQ(0, std::system(("cp '" + HALVES + "' '" + folder.File("halves.bmp") + "'").c_str()));
    WriteFile(folder.File("two.mtl"), "newmtl Green\nKd 0 1 0\n"
                                      "newmtl Map\nKd 1 1 1\nmap_Kd C:\\maps\\HALVES.BMP\n");
    // Two unit squares side by side in the y = 0 plane, one material each.
    const std::string path = WriteFile(
        folder.File("two.obj"), "mtllib two.mtl\nv -3 0 -1\nv -1 0 -1\nv -1 0 1\nv -3 0 1\n"
                                "v 1 0 -1\nv 3 0 -1\nv 3 0 1\nv 1 0 1\n"
                                "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                "usemtl Green\nf 1/1 2/2 3/3 4/4\nusemtl Map\nf 5/1 6/2 7/3 8/4\n");
    testing::internal::CaptureStdout();
    std::unique_ptr<CObj> entity = LoadEntity(path, nullptr);
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, output.find(folder.File("halves.bmp"))) << output;
    ASSERT_EQ(1, entity->GetModel().objectCount);
    LookDown();
    entity->RenderVBO(true);
    ExpectColorAt(CVector3(-2, 0, 0), 0x00FF00);
    ExpectColorAt(CVector3(1.5f, 0, 0), RED);  // the map's left half
    ExpectColorAt(CVector3(2.5f, 0, 0), BLUE);
    ResetTexturing();

    const std::string blue = folder.File("blue.png");
    ASSERT_EQ(0, std::system(("convert -size 4x4 xc:blue '" + blue + "'").c_str()));
    testing::internal::CaptureStdout();
    std::unique_ptr<CObj> given = LoadEntity(path, blue.c_str());
    testing::internal::GetCapturedStdout();
    LookDown();
    given->RenderVBO(true);
    ExpectColorAt(CVector3(1.5f, 0, 0), BLUE);
}

TEST_F(ObjEntityGL, BufferDrawKeepsUnitOneAndEndsWithNoProgramAndNoCulling)
{
    std::unique_ptr<CObj> entity = LoadEntity(TWO_PARTS, HALVES.c_str());
    GLuint depthMap = 0;
    glGenTextures(1, &depthMap);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glBindTexture(GL_TEXTURE_2D, depthMap);
    gShaderManager->GetShader(SHADER_DIRECTIONAL_PER_PIXEL)->Bind();
    glEnable(GL_CULL_FACE);

    entity->RenderVBO(true);
    GLint program = -1, bound = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(0, program);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY) || glIsEnabled(GL_NORMAL_ARRAY));
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLint>(entity->GetTexture()), bound) << "the texture is on unit 0";
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLint>(depthMap), bound) << "unit 1 keeps what the caller bound";
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &depthMap);
}

TEST_F(ObjEntityGL, EachPartIsCulledOnItsOwnAndBoxesAreDrawnForAll)
{
    std::unique_ptr<CObj> entity = LoadEntity(TWO_PARTS, HALVES.c_str());
    // From 10 units up the view reaches about 7.7 units to either side.
    const struct
    {
        float x;
        GLuint triangles;
    } cases[] = {{0, 4}, {8, 2}, {100, 0}};
    for (const DrawPath& path : DRAW_PATHS)
    {
        for (const auto& c : cases)
        {
            entity->SetPosition(c.x, 0, 0);
            EXPECT_EQ(c.triangles, PrimitivesOf([&] { (entity.get()->*path.draw)(true); }))
                << path.name << " at x " << c.x;
        }
    }
    EXPECT_EQ(36u, PrimitivesOf([&] { entity->RenderBoundingBox(); })) << "model box and 2 parts";

    // A missing file leaves no parts to draw, but the texture is still loaded.
    std::unique_ptr<CObj> missing = LoadEntity(WorkingDirectory() + "/none.obj", HALVES.c_str());
    EXPECT_EQ(0, missing->GetVertexCount());
    EXPECT_NE(0u, missing->GetTexture());
    EXPECT_EQ(0u, PrimitivesOf([&] { missing->RenderVBO(true); }));
}

TEST_F(ObjEntityGL, VolumesPerPartRebuiltInPlaceMarkTheShadowOnBothStencilPaths)
{
    std::unique_ptr<CObj> parts = LoadEntity(TWO_PARTS, nullptr);
    parts->BuildShadowVolume(LIGHT.x, LIGHT.y, LIGHT.z);
    ASSERT_EQ(2u, parts->GetShadowVolumeCount());
    const CShadowVolume* first = &parts->GetShadowVolume(0);
    parts->BuildShadowVolume(LIGHT.x, LIGHT.y, LIGHT.z);
    EXPECT_EQ(2u, parts->GetShadowVolumeCount());
    EXPECT_EQ(first, &parts->GetShadowVolume(0));
    // Four silhouette edges per lit square, two triangles per edge.
    EXPECT_EQ(16u, PrimitivesOf([&] { parts->DrawShadowVolume(); }));

    std::unique_ptr<CObj> floor = LoadEntity(FLOOR, nullptr);
    std::unique_ptr<CObj> caster = LoadEntity(CASTER, nullptr);
    caster->BuildShadowVolume(LIGHT.x, LIGHT.y, LIGHT.z);
    // Seen from this eye the first floor point lies in the box's shadow, not behind the box.
    const CVector3 shadowed(-4.5f, 0, -4.5f), open(10, 0, 12);
    for (bool twoSided : {false, true})
    {
        if (twoSided && !gGraphicsCore->HasStencilTwoSide())
        {
            continue;  // the driver lacks the extension; the two-pass path still ran
        }
        SCOPED_TRACE(twoSided ? "two-sided" : "two passes");
        LookFrom(CVector3(0, 60, 40), CVector3(0, 1, 0));
        floor->RenderVBO(false);
        caster->RenderShadowVolumeStencil(twoSided);
        EXPECT_NE(0, StencilAt(shadowed));
        EXPECT_EQ(0, StencilAt(open));
        GLboolean depthWrites = GL_FALSE, colorWrites[4] = {};
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
        glGetBooleanv(GL_COLOR_WRITEMASK, colorWrites);
        EXPECT_TRUE(depthWrites && colorWrites[0] && colorWrites[3]);
        EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST) || glIsEnabled(GL_CULL_FACE));
        EXPECT_EQ(twoSided, glIsEnabled(GL_STENCIL_TEST_TWO_SIDE_EXT) == GL_TRUE);
        glDisable(GL_STENCIL_TEST_TWO_SIDE_EXT);
    }
}

TEST_F(ObjEntityGL, RayPickingFindsTheNearestTriangleInFrontAndShadesIt)
{
    ASSERT_EQ(LIGHT, gLightManager->GetLightPosition(1));
    // Upward faces meet the light at about this cosine (origins stand off the triangles' shared
    // diagonals); faces turned away from it keep half.
    const float up = 100.0f / LIGHT.Length();
    const struct
    {
        const char* name;
        const std::string& model;
        CVector3 position;
        float scaleXZ, angle;
        CVector3 origin;
        float directionY, distance, intensity;  // distance 0: no hit
    } cases[] = {
        {"floor from above", FLOOR, {0, 0, 0}, 1, 0, {1, 10, -2}, -1, 10, up},
        {"floor behind the origin", FLOOR, {0, 0, 0}, 1, 0, {1, 10, -2}, 1, 0, 0},
        {"box from below: its bottom", CASTER, {0, 0, 0}, 1, 0, {0.5f, 0, -1}, 1, 9, 0.5f},
        {"moved, shrunk floor", FLOOR, {0, -5, 0}, 0.1f, 0, {1, 10, 0}, -1, 15, up},
        {"moved, shrunk floor missed", FLOOR, {0, -5, 0}, 0.1f, 0, {3, 10, 0}, -1, 0, 0},
        {"turned parts: the left one at +z",
         TWO_PARTS,
         {0, 0, 0},
         1,
         90,
         {0.5f, 10, 3},
         -1,
         10,
         up},
        {"turned parts: none left at -x", TWO_PARTS, {0, 0, 0}, 1, 90, {-3, 10, 0}, -1, 0, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::unique_ptr<CObj> entity = LoadEntity(c.model, nullptr);
        entity->SetScale(c.scaleXZ, 1, c.scaleXZ);
        entity->SetPosition(c.position.x, c.position.y, c.position.z);
        entity->SetAngle(c.angle);
        CRay ray;
        ray.origin = c.origin;
        ray.direction = CVector3(0, c.directionY, 0);
        entity->IntersectRay(&ray);
        EXPECT_EQ(c.distance > 0, ray.hit);
        EXPECT_NEAR(c.distance > 0 ? c.distance : RAY_NO_HIT_DISTANCE, ray.nearestDistance, 1e-3);
        EXPECT_NEAR(0.8f * c.intensity, ray.hitColor.x, 0.01f);
        EXPECT_NEAR(0.2f * c.intensity, ray.hitColor.y, 0.01f);
        EXPECT_NEAR(0.4f * c.intensity, ray.hitColor.z, 0.01f);

        // A nearer hit already on the record is kept.
        CRay nearer = ray;
        nearer.hit = false;
        nearer.nearestDistance = 1;
        entity->IntersectRay(&nearer);
        EXPECT_FALSE(nearer.hit);
        EXPECT_EQ(1.0f, nearer.nearestDistance);
    }
}
