// Shadow-volume build time against mesh size: the hashed toggling must grow about linearly
// (100k faces / 10k faces near 10), where a scan of the edge list per toggle grows with the
// square. The scan is timed once per size, for reference.
#include "models/CShadowVolume.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{
const float PI = 3.14159265f;
const CVector3 LIGHT(40.0f, 30.0f, 20.0f);
const CVector3 POSITION(1.0f, 2.0f, 3.0f);
const CVector3 SCALE(1.5f, 1.5f, 1.5f);
const float ANGLE = 30.0f;

// A closed sphere of rings x (2 x rings) quads with a bumpy radius, 4 x rings^2 triangles;
// the bumps break the silhouette into several pieces as real models do, the same at every
// resolution.
ModelObject MakeSphere(int rings)
{
    const int segments = 2 * rings;
    ModelObject mesh;
    for (int ring = 0; ring <= rings; ++ring)
    {
        const float theta = PI * ring / rings;
        for (int segment = 0; segment < segments; ++segment)
        {
            const float phi = 2.0f * PI * segment / segments;
            const float radius = 1.0f + 0.15f * std::sin(5.0f * theta) * std::cos(7.0f * phi);
            mesh.vertices.emplace_back(radius * std::sin(theta) * std::cos(phi),
                                       radius * std::cos(theta),
                                       radius * std::sin(theta) * std::sin(phi));
        }
    }
    for (int ring = 0; ring < rings; ++ring)
    {
        for (int segment = 0; segment < segments; ++segment)
        {
            const int a = ring * segments + segment;
            const int b = ring * segments + (segment + 1) % segments;
            const int c = a + segments;
            const int d = b + segments;
            ModelFace first;
            first.vertIndex[0] = a;
            first.vertIndex[1] = c;
            first.vertIndex[2] = b;
            ModelFace second;
            second.vertIndex[0] = b;
            second.vertIndex[1] = c;
            second.vertIndex[2] = d;
            mesh.faces.push_back(first);
            mesh.faces.push_back(second);
        }
    }
    mesh.vertexCount = static_cast<int>(mesh.vertices.size());
    mesh.faceCount = static_cast<int>(mesh.faces.size());
    return mesh;
}

// Rings giving 10,000 and 99,856 triangles.
const int SMALL_RINGS = 50;
const int LARGE_RINGS = 158;

// Every frame of the stencil path: a rebuild with the stored normals.
void BM_BuildFromMesh(benchmark::State& state)
{
    ModelObject mesh = MakeSphere(static_cast<int>(state.range(0)));
    CShadowVolume volume;
    volume.BuildFromMesh(mesh, LIGHT, POSITION, SCALE, ANGLE);
    for (auto _ : state)
    {
        volume.BuildFromMesh(mesh, LIGHT, POSITION, SCALE, ANGLE);
        benchmark::DoNotOptimize(volume.GetVertices().data());
    }
    state.counters["faces"] = static_cast<double>(mesh.faceCount);
    state.counters["records"] = static_cast<double>(volume.GetVertexCount());
}

// The same toggles through a scan of the whole edge list, as the reference tests keep it.
void BM_LinearScanToggles(benchmark::State& state)
{
    ModelObject mesh = MakeSphere(static_cast<int>(state.range(0)));
    CShadowVolume volume;
    volume.BuildFromMesh(mesh, LIGHT, POSITION, SCALE, ANGLE);
    std::vector<ShadowEdge> edges;
    auto toggle = [&edges](int i, int j)
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
        edges.push_back(ShadowEdge{i, j, true});
    };
    for (auto _ : state)
    {
        edges.clear();
        for (const ModelFace& face : mesh.faces)
        {
            if (Dot(face.normal, LIGHT) > CShadowVolume::LIT_THRESHOLD)
            {
                toggle(face.vertIndex[0], face.vertIndex[1]);
                toggle(face.vertIndex[1], face.vertIndex[2]);
                toggle(face.vertIndex[2], face.vertIndex[0]);
            }
        }
        benchmark::DoNotOptimize(edges.data());
    }
}

BENCHMARK(BM_BuildFromMesh)
    ->Arg(SMALL_RINGS)
    ->Arg(LARGE_RINGS)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(3);
BENCHMARK(BM_LinearScanToggles)
    ->Arg(SMALL_RINGS)
    ->Arg(LARGE_RINGS)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
}  // namespace

BENCHMARK_MAIN();
