// Shadow volumes in a real context: Draw sends exactly the volume's triangles (counted by a
// primitives query) and they land in the stencil buffer where the shadow of a lit triangle lies;
// an OBJ model loaded with its buffers casts the same volume.
#include "gl/GLTestEnvironment.h"
#include "models/CObjReader.h"
#include "models/CShadowVolume.h"
#include "models/EntityDrawing.h"

#include <gtest/gtest.h>
#include <fstream>
#include <string>
#include <vector>

namespace
{
const float VIEW_HALF_SIZE = 2.0f;
const CVector3 ORIGIN(0, 0, 0);
const CVector3 UNIT_SCALE(1, 1, 1);
// A light above the origin; walls of the volume hang down from the lit triangle.
const CVector3 LIGHT_ABOVE(0, 5, 0);

// A triangle in the plane y = 0 whose normal points up at the light.
ModelObject FloorTriangle()
{
    ModelObject mesh;
    mesh.vertices = {CVector3(-1, 0, -1), CVector3(0, 0, 1), CVector3(1, 0, -1)};
    mesh.vertexCount = 3;
    ModelFace face;
    face.vertIndex[0] = 0;
    face.vertIndex[1] = 1;
    face.vertIndex[2] = 2;
    mesh.faces.push_back(face);
    mesh.faceCount = 1;
    return mesh;
}

// Looks along -z at the square [-2, 2] x [-2, 2], deep enough for the whole volume; every
// fragment increments the stencil value.
void BeginStencilCounting(double depth)
{
    kyrel_test::ResetFrame();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-VIEW_HALF_SIZE, VIEW_HALF_SIZE, -VIEW_HALF_SIZE, VIEW_HALF_SIZE, -depth, depth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 0, ~0u);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
}

void EndStencilCounting()
{
    glDisable(GL_STENCIL_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

// Stencil values are turned into colours (one full-screen pass per value of interest) and read
// back as pixels: value v paints red v * 50.
void PaintStencilValues()
{
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (int value = 0; value <= 4; ++value)
    {
        glStencilFunc(GL_EQUAL, value, ~0u);
        glColor3ub(static_cast<GLubyte>(value * 50), 255, 0);
        glRectf(-1.0f, -1.0f, 1.0f, 1.0f);
    }
}

int StencilAt(float x, float y)
{
    const int px =
        static_cast<int>((x + VIEW_HALF_SIZE) / (2 * VIEW_HALF_SIZE) * kyrel_test::WINDOW_WIDTH);
    const int py =
        static_cast<int>((y + VIEW_HALF_SIZE) / (2 * VIEW_HALF_SIZE) * kyrel_test::WINDOW_HEIGHT);
    const std::vector<unsigned char> pixel = kyrel_test::ReadPixel(px, py);
    EXPECT_EQ(255, pixel[1]) << "stencil value above 4";
    return pixel[0] / 50;
}

// Triangles GL assembles from what Draw sends, counted before clipping.
GLuint TrianglesDrawn(const CShadowVolume& volume)
{
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    EntityDrawing::DrawShadowVolume(volume);
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint primitives = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    glDeleteQueries(1, &query);
    return primitives;
}
}  // namespace

TEST(ShadowVolumeDraw, EmitsExactlyTheVolumeTrianglesWithTexturingOff)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    ModelObject mesh = FloorTriangle();
    CShadowVolume volume;
    volume.BuildFromMesh(mesh, LIGHT_ABOVE, ORIGIN, UNIT_SCALE, 0);
    ASSERT_EQ(18u, volume.GetVertexCount());

    BeginStencilCounting(1e6);
    glEnable(GL_TEXTURE_2D);
    EXPECT_EQ(6u, TrianglesDrawn(volume));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    // Nothing lit: no triangle, and texturing is left as it was.
    CShadowVolume empty;
    empty.BuildFromMesh(mesh, CVector3(0, -5, 0), ORIGIN, UNIT_SCALE, 0);
    glEnable(GL_TEXTURE_2D);
    EXPECT_EQ(0u, TrianglesDrawn(empty));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glDisable(GL_TEXTURE_2D);
    EndStencilCounting();
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST(ShadowVolumeDraw, StencilCountsTwoWallsInsideTheShadowOnly)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    ModelObject mesh = FloorTriangle();
    CShadowVolume volume;
    volume.BuildFromMesh(mesh, LIGHT_ABOVE, ORIGIN, UNIT_SCALE, 0);

    BeginStencilCounting(1e4);
    EntityDrawing::DrawShadowVolume(volume);
    PaintStencilValues();
    // At height y below the triangle the shadow's cross-section is the triangle grown by
    // 1 - y / 5 about the light's foot, so it spans |x| < 1 - y / 5. A line of sight through
    // it crosses one wall on the way in and one on the way out.
    struct Probe
    {
        float x, y;
        int expected;
    } probes[] = {{0.0f, -1.0f, 2},  {1.1f, -1.0f, 2}, {-1.1f, -1.0f, 2}, {1.3f, -1.0f, 0},
                  {-1.3f, -1.0f, 0}, {1.3f, -1.9f, 2}, {1.5f, -1.9f, 0},  {0.0f, 0.5f, 0},
                  {0.0f, 1.5f, 0},   {-1.9f, -0.2f, 0}};
    for (const Probe& probe : probes)
    {
        EXPECT_EQ(probe.expected, StencilAt(probe.x, probe.y)) << probe.x << ", " << probe.y;
    }

    // A second build from a light the triangle turns away from leaves the stencil untouched.
    volume.BuildFromMesh(mesh, CVector3(0, -5, 0), ORIGIN, UNIT_SCALE, 0);
    BeginStencilCounting(1e4);
    EntityDrawing::DrawShadowVolume(volume);
    PaintStencilValues();
    EXPECT_EQ(0, StencilAt(0.0f, -1.0f));
    EndStencilCounting();
}

TEST(ShadowVolumeDraw, LoadedObjModelHasItsBuffersAndCastsTheVolume)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    const std::string path = kyrel_test::WorkingDirectory() + "/floor.obj";
    {
        std::ofstream file(path);
        file << "v -1 0 -1\nv 0 0 1\nv 1 0 -1\nvt 0 0\nvt 0.5 1\nvt 1 0\nf 1/1 2/2 3/3\n";
    }
    CModelData model;
    CObjReader reader;
    ASSERT_TRUE(reader.Load(&model, path.c_str()));
    EntityDrawing::UploadModelBuffers(model);
    ASSERT_EQ(1, model.objectCount);
    ModelObject& object = model.objects[0];
    EXPECT_EQ(3, object.bufferVertexCount);
    ASSERT_NE(0u, object.positionBuffer);
    ASSERT_NE(0u, object.normalBuffer);
    ASSERT_NE(0u, object.texCoordBuffer);
    EXPECT_EQ(0u, object.colorBuffer);
    GLint bound = 0;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING_ARB, &bound);
    EXPECT_EQ(static_cast<GLint>(object.texCoordBuffer), bound);  // the last one stays bound

    std::vector<float> positions, normals, texCoords;
    CObjReader::BuildCornerArrays(object, positions, normals, texCoords);
    const std::pair<GLuint, const std::vector<float>*> buffers[] = {
        {object.positionBuffer, &positions},
        {object.normalBuffer, &normals},
        {object.texCoordBuffer, &texCoords}};
    for (const auto& buffer : buffers)
    {
        std::vector<float> stored(buffer.second->size(), -1.0f);
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffer.first);
        glGetBufferSubDataARB(GL_ARRAY_BUFFER_ARB, 0,
                              static_cast<GLsizeiptrARB>(stored.size() * sizeof(float)),
                              stored.data());
        EXPECT_EQ(*buffer.second, stored);
    }
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);

    CShadowVolume volume;
    volume.BuildFromMesh(object, LIGHT_ABOVE, ORIGIN, UNIT_SCALE, 0);
    BeginStencilCounting(1e4);
    EntityDrawing::DrawShadowVolume(volume);
    PaintStencilValues();
    EXPECT_EQ(2, StencilAt(0.0f, -1.0f));
    EXPECT_EQ(0, StencilAt(0.0f, 1.0f));
    EndStencilCounting();
}
