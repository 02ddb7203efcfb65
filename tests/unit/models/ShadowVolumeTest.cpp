// Shadow-volume building without GL: silhouette counts, the lit threshold of first and later
// builds, extrusion and placement, the three builders, and hashed toggling against the plain
// scan of the edge list on random meshes.
#include "models/CShadowVolume.h"
#include "models/CXMLModel.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

namespace
{
ModelObject MakeMesh(const std::vector<CVector3>& positions,
                     const std::vector<std::vector<int>>& triangles)
{
    ModelObject mesh;
    mesh.vertices = positions;
    mesh.vertexCount = static_cast<int>(positions.size());
    for (const std::vector<int>& triangle : triangles)
    {
        ModelFace face;
        for (int k = 0; k < 3; ++k)
        {
            face.vertIndex[k] = triangle[k];
        }
        mesh.faces.push_back(face);
    }
    mesh.faceCount = static_cast<int>(mesh.faces.size());
    return mesh;
}

// Two triangles in z = 0 facing +z, sharing the edge 1-2.
ModelObject TwoTriangles()
{
    return MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {2, 1, 3}});
}

// The edge list a scan of all entries for every toggle leaves.
void LinearToggle(std::vector<ShadowEdge>& edges, int i, int j)
{
    for (ShadowEdge& edge : edges)
    {
        if (edge.active &&
            ((edge.first == i && edge.second == j) || (edge.first == j && edge.second == i)))
        {
            edge.active = false;
            return;
        }
    }
    ShadowEdge edge;
    edge.first = i;
    edge.second = j;
    edge.active = true;
    edges.push_back(edge);
}

void ExpectSameEdges(const std::vector<ShadowEdge>& expected, const std::vector<ShadowEdge>& actual)
{
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t k = 0; k < expected.size(); ++k)
    {
        ASSERT_EQ(expected[k].first, actual[k].first) << k;
        ASSERT_EQ(expected[k].second, actual[k].second) << k;
        ASSERT_EQ(expected[k].active, actual[k].active) << k;
    }
}

void ExpectSameVolume(const std::vector<ShadowEdge>& expected, const CShadowVolume& volume)
{
    ExpectSameEdges(expected, volume.GetEdges());
    EXPECT_EQ(expected.size(), volume.GetEdgeCount());
    size_t active = 0;
    for (const ShadowEdge& edge : expected)
    {
        active += edge.active ? 1 : 0;
    }
    EXPECT_EQ(6 * active, volume.GetVertexCount());
}

void ExpectNear(const CVector3& expected, const CVector3& actual, float tolerance = 1e-3f)
{
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}

size_t ActiveEdges(const CShadowVolume& volume)
{
    size_t active = 0;
    for (const ShadowEdge& edge : volume.GetEdges())
    {
        active += edge.active ? 1 : 0;
    }
    return active;
}

const CVector3 ORIGIN(0, 0, 0);
const CVector3 UNIT_SCALE(1, 1, 1);

XMLVertex Vertex(float x, float y, float z)
{
    XMLVertex vertex;
    vertex.x = x;
    vertex.y = y;
    vertex.z = z;
    return vertex;
}

XMLFace Face(int a, int b, int c, int d = XML_NO_INDEX)
{
    XMLFace face;
    face.a = a;
    face.b = b;
    face.c = c;
    face.d = d;
    return face;
}
}  // namespace

TEST(ShadowVolume, SilhouetteCounts)
{
    const CVector3 light(0, 0, 10);
    ModelObject one = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    CShadowVolume single;
    single.BuildFromMesh(one, light, ORIGIN, UNIT_SCALE, 0);
    EXPECT_EQ(3u, ActiveEdges(single));
    EXPECT_EQ(18u, single.GetVertexCount());

    ModelObject two = TwoTriangles();
    CShadowVolume shared;
    shared.BuildFromMesh(two, light, ORIGIN, UNIT_SCALE, 0);
    EXPECT_EQ(4u, ActiveEdges(shared));
    EXPECT_EQ(5u, shared.GetEdgeCount());  // the shared edge stays listed, inactive
    EXPECT_EQ(24u, shared.GetVertexCount());

    // Lit from behind: nothing.
    CShadowVolume unlit;
    unlit.BuildFromMesh(two, CVector3(0, 0, -10), ORIGIN, UNIT_SCALE, 0);
    EXPECT_EQ(0u, unlit.GetVertexCount());
    EXPECT_EQ(0u, unlit.GetEdgeCount());
}

TEST(ShadowVolume, ThresholdIsInclusiveOnTheFirstBuildOnly)
{
    // Normal (0, 0, 1) and light (0, 0, 0.1): the dot product is exactly 0.1.
    ModelObject mesh = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    const CVector3 light(0, 0, 0.1f);
    CShadowVolume volume;
    ASSERT_TRUE(volume.IsFirstBuild());
    volume.BuildFromMesh(mesh, light, ORIGIN, UNIT_SCALE, 0);
    EXPECT_EQ(18u, volume.GetVertexCount());
    EXPECT_FALSE(volume.IsFirstBuild());
    volume.BuildFromMesh(mesh, light, ORIGIN, UNIT_SCALE, 0);
    EXPECT_EQ(0u, volume.GetVertexCount());
    EXPECT_EQ(0u, volume.GetEdgeCount());
}

TEST(ShadowVolume, NormalsAreStoredOnceAndExtrusionFollowsThePlacement)
{
    ModelObject mesh = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    const CVector3 light(5, 0, 0);
    const CVector3 position(10, 0, 0);
    const CVector3 scale(2, 2, 2);
    CShadowVolume volume;
    // Turned by 90 degrees about Y the face looks along +x, towards the light.
    volume.BuildFromMesh(mesh, light, position, scale, 90.0f);
    ExpectNear(CVector3(1, 0, 0), mesh.faces[0].normal, 1e-6f);
    ASSERT_EQ(18u, volume.GetVertexCount());

    // First edge (0, 1): vertex 0 stays at the position, vertex 1 becomes (0, 0, -2) + position.
    const std::vector<CVector3>& records = volume.GetVertices();
    const CVector3 p0 = position;
    const CVector3 p1 = CVector3(10, 0, -2);
    ExpectNear(p0, records[0]);
    ExpectNear(p1, records[1]);
    ExpectNear(p0 + (p0 - light) * 1000.0f, records[2], 0.5f);
    ExpectNear(p1, records[3]);
    ExpectNear(p1 + (p1 - light) * 1000.0f, records[4], 0.5f);
    ExpectNear(p0 + (p0 - light) * 1000.0f, records[5], 0.5f);

    // Turning the entity afterwards changes positions, not the stored normal.
    volume.BuildFromMesh(mesh, light, position, scale, 0.0f);
    ExpectNear(CVector3(1, 0, 0), mesh.faces[0].normal, 1e-6f);
    EXPECT_EQ(18u, volume.GetVertexCount());
    ExpectNear(CVector3(12, 0, 0), volume.GetVertices()[1]);
}

TEST(ShadowVolume, FacesOutsideTheVertexArrayCastNothing)
{
    ModelObject mesh = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 7}, {-1, 0, 1}});
    mesh.faceCount = 5;  // more than the faces there
    CShadowVolume volume;
    volume.BuildFromMesh(mesh, CVector3(0, 0, 10), ORIGIN, UNIT_SCALE, 0);
    EXPECT_EQ(0u, volume.GetVertexCount());
}

TEST(ShadowVolume, XMLModelBuilderUsesTheFirstSubObjectQuadsAndTheLastExtrusion)
{
    CXMLModel model;
    model.subObjects.resize(2);
    XMLSubObject& first = model.subObjects[0];
    first.vertices = {Vertex(0, 0, 0), Vertex(1, 0, 0), Vertex(1, 1, 0),
                      Vertex(0, 1, 0), Vertex(3, 0, 0), Vertex(3, 1, 0)};
    first.faces = {Face(0, 1, 2, 3),  // lit quad
                   Face(1, 4, 5),     // lit triangle
                   Face(0, 3, 2),     // facing away
                   Face(0, 1, 9)};    // outside the vertex list: left alone
    first.faces[3].normal = CVector3(7, 7, 7);
    // A lit second sub-object adds nothing.
    model.subObjects[1].vertices = first.vertices;
    model.subObjects[1].faces = {Face(0, 1, 2)};

    const CVector3 position(0, 0, 5);
    CShadowVolume volume;
    volume.BuildFromXMLModel(model, 0, 0, 10, position);
    EXPECT_EQ(CVector3(0, 0, 1), first.faces[0].normal);
    EXPECT_EQ(CVector3(0, 0, -1), first.faces[2].normal);
    EXPECT_EQ(CVector3(7, 7, 7), first.faces[3].normal);
    EXPECT_EQ(7u, ActiveEdges(volume));
    EXPECT_EQ(42u, volume.GetVertexCount());

    // Every edge is pushed along the vector of the last lit face: (position + P(1)) - light.
    const CVector3 extrusion = (position + CVector3(1, 0, 0)) - CVector3(0, 0, 10);
    EXPECT_EQ(extrusion, volume.GetExtrusionDirection());
    const std::vector<CVector3>& records = volume.GetVertices();
    EXPECT_EQ(CVector3(0, 0, 5), records[0]);
    EXPECT_EQ(CVector3(1, 0, 5), records[1]);
    EXPECT_EQ(CVector3(0, 0, 5) + extrusion * 1000.0f, records[2]);
    EXPECT_EQ(CVector3(1, 0, 5) + extrusion * 1000.0f, records[4]);

    // Placed as the entity draws it: doubled and turned half round, the model faces a light
    // behind it, and its points are where the draw puts them; the stored normals stay the model's.
    volume.BuildFromXMLModel(first.vertices.data(), 6, first.faces.data(), 4, 0, 0, -10, position,
                             CVector3(2, 2, 2), 180);
    EXPECT_EQ(CVector3(0, 0, 1), first.faces[0].normal);
    EXPECT_EQ(7u, ActiveEdges(volume));
    ExpectNear(CVector3(0, 0, 5), volume.GetVertices()[0]);
    ExpectNear(CVector3(-2, 0, 5), volume.GetVertices()[1]);
    ExpectNear(CVector3(-2, 0, 15), volume.GetExtrusionDirection());

    // Rebuilding replaces, it does not add; a model without sub-objects casts nothing.
    volume.BuildFromXMLModel(model, 0, 0, 10, position);
    EXPECT_EQ(42u, volume.GetVertexCount());
    CXMLModel empty;
    volume.BuildFromXMLModel(empty, 0, 0, 10, position);
    EXPECT_EQ(0u, volume.GetVertexCount());
}

TEST(ShadowVolume, MD2FramesRebuildOnTheIntervalAndBlend)
{
    ModelObject first = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    const std::vector<CVector3> next = {{0, 0, 2}, {1, 0, 2}, {0, 1, 2}};
    KeyFramePositions frames;
    frames.first = first.vertices.data();
    frames.current = first.vertices.data();
    frames.next = next.data();
    frames.vertexCount = 3;
    const CVector3 light(0, 0, 10);
    CShadowVolume volume;
    volume.BuildFromMD2Frames(first, 1, frames, 0.5f, light, ORIGIN, UNIT_SCALE, 0);
    EXPECT_EQ(0u, volume.GetVertexCount());  // the first call only counts
    volume.BuildFromMD2Frames(first, 1, frames, 0.5f, light, ORIGIN, UNIT_SCALE, 0);
    ASSERT_EQ(18u, volume.GetVertexCount());
    EXPECT_EQ(CVector3(0, 0, 1), first.faces[0].normal);
    const CVector3 blended0(0, 0, 1);
    EXPECT_EQ(blended0, volume.GetVertices()[0]);
    EXPECT_EQ(blended0 + (blended0 - light) * 1000.0f, volume.GetVertices()[2]);

    // Interval 3: two calls pass without a rebuild, the third rebuilds.
    volume.SetRebuildInterval(3);
    volume.BuildFromMD2Frames(first, 1, frames, 0.0f, CVector3(0, 0, -10), ORIGIN, UNIT_SCALE, 0);
    volume.BuildFromMD2Frames(first, 1, frames, 0.0f, CVector3(0, 0, -10), ORIGIN, UNIT_SCALE, 0);
    EXPECT_EQ(18u, volume.GetVertexCount());
    volume.BuildFromMD2Frames(first, 1, frames, 0.0f, CVector3(0, 0, -10), ORIGIN, UNIT_SCALE, 0);
    EXPECT_EQ(0u, volume.GetVertexCount());
    EXPECT_GE(volume.GetVertices().size(), 18u);  // records are kept for reuse

    // A current frame declaring more faces than the first frame holds reads only those there.
    CShadowVolume safe;
    safe.SetRebuildInterval(0);
    safe.BuildFromMD2Frames(first, 50, frames, 1.0f, light, ORIGIN, UNIT_SCALE, 0);
    EXPECT_EQ(18u, safe.GetVertexCount());
}

TEST(ShadowVolume, HashedTogglingEqualsTheLinearScan)
{
    std::mt19937 random(1234);
    for (int round = 0; round < 40; ++round)
    {
        SCOPED_TRACE(round);
        // Few vertices and many faces, so that edges are met twice, three times and more.
        const int vertexCount = 3 + static_cast<int>(random() % 60);
        const int faceCount = 1 + static_cast<int>(random() % 800);
        std::uniform_real_distribution<float> coordinate(-5.0f, 5.0f);
        std::vector<CVector3> positions;
        for (int v = 0; v < vertexCount; ++v)
        {
            positions.emplace_back(coordinate(random), coordinate(random), coordinate(random));
        }
        std::vector<std::vector<int>> triangles;
        for (int f = 0; f < faceCount; ++f)
        {
            triangles.push_back({static_cast<int>(random() % vertexCount),
                                 static_cast<int>(random() % vertexCount),
                                 static_cast<int>(random() % vertexCount)});
        }
        ModelObject mesh = MakeMesh(positions, triangles);
        const CVector3 light(coordinate(random), coordinate(random), coordinate(random));

        CShadowVolume volume;
        volume.BuildFromMesh(mesh, light, ORIGIN, UNIT_SCALE, 0);
        std::vector<ShadowEdge> expected;
        for (const ModelFace& face : mesh.faces)
        {
            if (Dot(face.normal, light) >= 0.1f)
            {
                LinearToggle(expected, face.vertIndex[0], face.vertIndex[1]);
                LinearToggle(expected, face.vertIndex[1], face.vertIndex[2]);
                LinearToggle(expected, face.vertIndex[2], face.vertIndex[0]);
            }
        }
        ExpectSameVolume(expected, volume);
        size_t record = 0;
        for (const ShadowEdge& edge : expected)
        {
            if (edge.active)
            {
                ASSERT_EQ(positions[edge.first], volume.GetVertices()[record]);
                ASSERT_EQ(positions[edge.second], volume.GetVertices()[record + 1]);
                record += 6;
            }
        }

        // A later build from another light, with the stored normals and the strict test.
        const CVector3 otherLight(coordinate(random), coordinate(random), coordinate(random));
        volume.BuildFromMesh(mesh, otherLight, ORIGIN, UNIT_SCALE, 0);
        expected.clear();
        for (const ModelFace& face : mesh.faces)
        {
            if (Dot(face.normal, otherLight) > 0.1f)
            {
                LinearToggle(expected, face.vertIndex[0], face.vertIndex[1]);
                LinearToggle(expected, face.vertIndex[1], face.vertIndex[2]);
                LinearToggle(expected, face.vertIndex[2], face.vertIndex[0]);
            }
        }
        ExpectSameVolume(expected, volume);
    }
}

TEST(ShadowVolume, DirectTogglesOfAnyPairsEqualTheLinearScan)
{
    // Thousands of toggles over a small range of pairs, negative indices included, so that the
    // table grows several times and entries switch on and off repeatedly.
    std::mt19937 random(99);
    CShadowVolume volume;
    std::vector<ShadowEdge> expected;
    for (int k = 0; k < 6000; ++k)
    {
        const int i = static_cast<int>(random() % 90) - 20;
        const int j = static_cast<int>(random() % 90) - 20;
        volume.AddEdge(i, j);
        LinearToggle(expected, i, j);
    }
    ExpectSameEdges(expected, volume.GetEdges());
}
