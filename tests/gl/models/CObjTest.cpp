// The OBJ entity on a real context: both draws with their texture and per-part culling, world
// bounds, debug boxes, shadow volumes through both stencil paths, and ray picking.
#include "gl/GLTestEnvironment.h"
#include "gl/scene/SceneFixture.h"
#include "models/CObj.h"
#include "platform/CGraphicsCore.h"
#include "scene/CCamera.h"
#include "scene/CLightManager.h"
#include "shaders/CShader.h"
#include "shaders/CShaderManager.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
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

std::unique_ptr<CObj> LoadEntity(const std::string& path, const std::string& texture)
{
    std::unique_ptr<CObj> entity(new CObj());
    entity->Load(path.c_str(), texture.empty() ? nullptr : texture.c_str());
    return entity;
}

// Triangles or lines GL assembles from what the call sends, counted before clipping.
GLuint PrimitivesOf(const std::function<void()>& draw)
{
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    draw();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint primitives = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    glDeleteQueries(1, &query);
    return primitives;
}

int StencilAt(const CVector3& world)
{
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble x = 0, y = 0, z = 0;
    gluProject(world.x, world.y, world.z, modelview, projection, viewport, &x, &y, &z);
    GLubyte value = 0;
    glReadPixels(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)), 1, 1,
                 GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &value);
    return value;
}

void ExpectColor(const std::vector<unsigned char>& pixel, int r, int g, int b, const char* what)
{
    EXPECT_NEAR(r, pixel[0], 3) << what;
    EXPECT_NEAR(g, pixel[1], 3) << what;
    EXPECT_NEAR(b, pixel[2], 3) << what;
}

class ObjEntityGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, Engine());
        EnsureLight();
        LookFrom(CVector3(0, 10, 0), CVector3(0, 0, -1));
        glDisable(GL_LIGHTING);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        // The depth state every frame's 2D overlay leaves behind.
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    void TearDown() override { CShader::Unbind(); }

    // Clears the frame and looks from eye at the origin; straight down, screen right is +x.
    static void LookFrom(const CVector3& eye, const CVector3& up)
    {
        ResetFrame();
        gCamera->PositionCamera(eye.x, eye.y, eye.z, 0, 0, 0, up.x, up.y, up.z);
        gCamera->Look();
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
    std::unique_ptr<CObj> entity = LoadEntity(TWO_PARTS, HALVES);
    ASSERT_EQ(2, entity->GetModel().objectCount);
    ASSERT_NE(0u, entity->GetTexture());
    EXPECT_EQ(12, entity->GetVertexCount());
    for (const DrawPath& path : DRAW_PATHS)
    {
        SCOPED_TRACE(path.name);
        // Each part maps the picture's left (red) half to its low-x half.
        LookFrom(CVector3(0, 10, 0), CVector3(0, 0, -1));
        (entity.get()->*path.draw)(true);
        ExpectColor(PixelAt(CVector3(-4, 0, 0)), 255, 0, 0, "left part, left half");
        ExpectColor(PixelAt(CVector3(-2, 0, 0)), 0, 0, 255, "left part, right half");
        ExpectColor(PixelAt(CVector3(2, 0, 0)), 255, 0, 0, "right part, left half");
        ExpectColor(PixelAt(CVector3(4, 0, 0)), 0, 0, 255, "right part, right half");
        ExpectColor(PixelAt(CVector3(0, 0, 0)), 0, 0, 0, "between the parts");
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);

        // Untextured: plain white, the texture never bound or enabled.
        LookFrom(CVector3(0, 10, 0), CVector3(0, 0, -1));
        (entity.get()->*path.draw)(false);
        ExpectColor(PixelAt(CVector3(-4, 0, 0)), 255, 255, 255, "untextured");
        ExpectColor(PixelAt(CVector3(4, 0, 0)), 255, 255, 255, "untextured");
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(0, bound);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    }
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST_F(ObjEntityGL, BufferDrawKeepsTheDepthMapOnUnitOneAndEndsWithNoProgram)
{
    std::unique_ptr<CObj> entity = LoadEntity(TWO_PARTS, HALVES);
    GLuint other = 0;
    glGenTextures(1, &other);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glBindTexture(GL_TEXTURE_2D, other);
    gShaderManager->GetShader(4)->Bind();
    glEnable(GL_CULL_FACE);

    entity->RenderVBO(true);
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(0, program);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLint>(entity->GetTexture()), bound) << "the texture is on unit 0";
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLint>(other), bound) << "unit 1 keeps what the caller bound";
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDeleteTextures(1, &other);
}

TEST_F(ObjEntityGL, EachPartIsCulledOnItsOwn)
{
    std::unique_ptr<CObj> entity = LoadEntity(TWO_PARTS, HALVES);
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
            SCOPED_TRACE(std::string(path.name) + " at x " + std::to_string(c.x));
            entity->SetPosition(c.x, 0, 0);
            EXPECT_EQ(c.triangles, PrimitivesOf([&] { (entity.get()->*path.draw)(true); }));
        }
    }
}

TEST_F(ObjEntityGL, PlacementMovesTheWorldBox)
{
    std::unique_ptr<CObj> entity = LoadEntity(FLOOR, "");
    EXPECT_EQ(0u, entity->GetTexture());
    entity->SetScale(0.5f, 1, 0.5f);
    entity->SetPosition(1, 2, 3);
    const CVector3 lo = *entity->GetBoundsMin();
    const CVector3 hi = *entity->GetBoundsMax();
    EXPECT_FLOAT_EQ(-9, lo.x);
    EXPECT_FLOAT_EQ(2, lo.y);
    EXPECT_FLOAT_EQ(-7, lo.z);
    EXPECT_FLOAT_EQ(11, hi.x);
    EXPECT_FLOAT_EQ(13, hi.z);
    // A quarter turn takes the box's corner (10, 0, 10) to (10, 0, -10) before the move.
    entity->SetAngle(90);
    EXPECT_NEAR(11, entity->GetBoundsMax()->x, 1e-4);
    EXPECT_NEAR(-7, entity->GetBoundsMax()->z, 1e-4);
}

TEST_F(ObjEntityGL, BoundingBoxesDrawTwelveEdgesPerBox)
{
    std::unique_ptr<CObj> entity = LoadEntity(TWO_PARTS, HALVES);
    EXPECT_EQ(36u, PrimitivesOf([&] { entity->RenderBoundingBox(); })) << "model box and 2 parts";
    GLfloat color[4];
    glGetFloatv(GL_CURRENT_COLOR, color);
    EXPECT_FLOAT_EQ(0.9f, color[0]);
    EXPECT_FLOAT_EQ(0.2f, color[1]);
    EXPECT_FLOAT_EQ(0.1f, color[2]);
}

TEST_F(ObjEntityGL, MissingFileLoadsTheTextureAndDrawsNothing)
{
    std::unique_ptr<CObj> entity = LoadEntity(WorkingDirectory() + "/no-such-model.obj", HALVES);
    EXPECT_EQ(0, entity->GetModel().objectCount);
    EXPECT_EQ(0, entity->GetVertexCount());
    EXPECT_NE(0u, entity->GetTexture());
    for (const DrawPath& path : DRAW_PATHS)
    {
        EXPECT_EQ(0u, PrimitivesOf([&] { (entity.get()->*path.draw)(true); })) << path.name;
    }
    entity->BuildShadowVolume(LIGHT.x, LIGHT.y, LIGHT.z);
    EXPECT_EQ(0u, entity->GetShadowVolumeCount());
    CRay ray;
    ray.origin = CVector3(0, 10, 0);
    ray.direction = CVector3(0, -1, 0);
    entity->IntersectRay(&ray);
    EXPECT_FALSE(ray.hit);
}

TEST_F(ObjEntityGL, ShadowVolumesAreBuiltOncePerPartAndRebuiltInPlace)
{
    std::unique_ptr<CObj> parts = LoadEntity(TWO_PARTS, HALVES);
    parts->BuildShadowVolume(LIGHT.x, LIGHT.y, LIGHT.z);
    ASSERT_EQ(2u, parts->GetShadowVolumeCount());
    const CShadowVolume* first = &parts->GetShadowVolume(0);
    // Each lit square has four silhouette edges: 24 vertex records.
    EXPECT_EQ(24u, parts->GetShadowVolume(0).GetVertexCount());
    EXPECT_EQ(24u, parts->GetShadowVolume(1).GetVertexCount());
    parts->BuildShadowVolume(LIGHT.x, LIGHT.y, LIGHT.z);
    EXPECT_EQ(2u, parts->GetShadowVolumeCount());
    EXPECT_EQ(first, &parts->GetShadowVolume(0));
    EXPECT_EQ(16u, PrimitivesOf([&] { parts->DrawShadowVolume(); }));

    // A light below sees no lit face: the volumes empty out.
    parts->BuildShadowVolume(0, -50, 0);
    EXPECT_EQ(0u, PrimitivesOf([&] { parts->DrawShadowVolume(); }));
}

TEST_F(ObjEntityGL, BothStencilPathsMarkTheShadowOnTheFloor)
{
    std::unique_ptr<CObj> floor = LoadEntity(FLOOR, "");
    std::unique_ptr<CObj> caster = LoadEntity(CASTER, "");
    caster->BuildShadowVolume(LIGHT.x, LIGHT.y, LIGHT.z);
    ASSERT_EQ(1u, caster->GetShadowVolumeCount());
    // Seen from here the first floor point lies in the box's shadow without the box in front.
    const CVector3 eye(0, 60, 40);
    const CVector3 shadowed(-4.5f, 0, -4.5f);
    const CVector3 lit(10, 0, 12);
    for (bool twoSided : {false, true})
    {
        SCOPED_TRACE(twoSided ? "two-sided" : "two passes");
        if (twoSided && !gGraphicsCore->HasStencilTwoSide())
        {
            continue;  // the driver lacks the extension; the two-pass case still ran
        }
        LookFrom(eye, CVector3(0, 1, 0));
        floor->RenderVBO(false);
        caster->RenderShadowVolumeStencil(twoSided);
        EXPECT_NE(0, StencilAt(shadowed));
        EXPECT_EQ(0, StencilAt(lit));
        EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        GLboolean depthWrites = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
        EXPECT_TRUE(depthWrites);
        GLboolean colorWrites[4] = {GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE};
        glGetBooleanv(GL_COLOR_WRITEMASK, colorWrites);
        EXPECT_TRUE(colorWrites[0] && colorWrites[3]);
        GLint pass = 0;
        glGetIntegerv(GL_STENCIL_PASS_DEPTH_PASS, &pass);
        EXPECT_EQ(GL_KEEP, pass);
        EXPECT_EQ(twoSided, glIsEnabled(GL_STENCIL_TEST_TWO_SIDE_EXT) == GL_TRUE);
        glDisable(GL_STENCIL_TEST_TWO_SIDE_EXT);
    }
}

TEST_F(ObjEntityGL, RayPickingFindsTheNearestTriangleInFront)
{
    ASSERT_EQ(LIGHT, gLightManager->GetLightPosition(1));
    // The floor faces the light at about this cosine (the origins stand off the triangles'
    // shared diagonals); the box's bottom faces away from it.
    const float floorIntensity = 100.0f / LIGHT.Length();
    const struct
    {
        const char* name;
        std::string model;
        CVector3 position, scale;
        float angle;
        CVector3 origin, direction;
        float nearestBefore;
        bool hit;
        float distance;
        float intensity;
    } cases[] = {
        {"floor from above",
         FLOOR,
         {0, 0, 0},
         {1, 1, 1},
         0,
         {1, 10, -2},
         {0, -1, 0},
         1e5f,
         true,
         10,
         floorIntensity},
        {"a nearer hit already known",
         FLOOR,
         {0, 0, 0},
         {1, 1, 1},
         0,
         {0, 10, 0},
         {0, -1, 0},
         5,
         false,
         5,
         0},
        {"floor behind the origin",
         FLOOR,
         {0, 0, 0},
         {1, 1, 1},
         0,
         {0, 10, 0},
         {0, 1, 0},
         1e5f,
         false,
         1e5f,
         0},
        {"box from below: the bottom, turned away",
         CASTER,
         {0, 0, 0},
         {1, 1, 1},
         0,
         {0.5f, 0, -1},
         {0, 1, 0},
         1e5f,
         true,
         9,
         0.5f},
        {"moved and shrunk floor",
         FLOOR,
         {0, -5, 0},
         {0.1f, 1, 0.1f},
         0,
         {1, 10, 0},
         {0, -1, 0},
         1e5f,
         true,
         15,
         floorIntensity},
        {"shrunk floor missed",
         FLOOR,
         {0, -5, 0},
         {0.1f, 1, 0.1f},
         0,
         {3, 10, 0},
         {0, -1, 0},
         1e5f,
         false,
         1e5f,
         0},
        {"turned parts: the left part now lies at +z",
         TWO_PARTS,
         {0, 0, 0},
         {1, 1, 1},
         90,
         {0.5f, 10, 3},
         {0, -1, 0},
         1e5f,
         true,
         10,
         floorIntensity},
        {"turned parts: nothing left at -x",
         TWO_PARTS,
         {0, 0, 0},
         {1, 1, 1},
         90,
         {-3, 10, 0},
         {0, -1, 0},
         1e5f,
         false,
         1e5f,
         0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::unique_ptr<CObj> entity = LoadEntity(c.model, "");
        entity->SetScale(c.scale.x, c.scale.y, c.scale.z);
        entity->SetPosition(c.position.x, c.position.y, c.position.z);
        entity->SetAngle(c.angle);
        CRay ray;
        ray.origin = c.origin;
        ray.direction = c.direction;
        ray.nearestDistance = c.nearestBefore;
        entity->IntersectRay(&ray);
        EXPECT_EQ(c.hit, ray.hit);
        EXPECT_NEAR(c.distance, ray.nearestDistance, 1e-3);
        if (c.hit)
        {
            // The hit point differs a little from the origin's foot; the shade barely moves.
            EXPECT_NEAR(0.8f * c.intensity, ray.hitColor.x, 0.01f);
            EXPECT_NEAR(0.2f * c.intensity, ray.hitColor.y, 0.01f);
            EXPECT_NEAR(0.4f * c.intensity, ray.hitColor.z, 0.01f);
        }
        else
        {
            EXPECT_EQ(CVector3(), ray.hitColor);
        }
    }
}
