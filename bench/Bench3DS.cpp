// 3DS loading speed: our reader (parse, normals, boxes, sphere; no GL upload) against lib3ds with
// and without its vertex normals and against assimp, on one generated 1.5-million-triangle file of
// 24 textured meshes written to /tmp when the program starts.
#include "models/C3DSReader.h"

#include "../tests/support/Chunk3DSBuilder.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
using kyrel_test::Chunk3DSNode;
namespace c3 = kyrel_test::chunk3ds;

const char* const BENCH_FILE = "/tmp/kyrel_bench_1500k.3ds";
const int MESH_COUNT = 24;
const int MATERIAL_COUNT = 4;
// 126 x 251 grid points per mesh: 125 x 250 cells of two triangles, 62,500 triangles a mesh
// (3DS counts are 16-bit) and 1,500,000 in all.
const int GRID_ROWS = 126;
const int GRID_COLUMNS = 251;
const int TRIANGLES_PER_MESH = 2 * (GRID_ROWS - 1) * (GRID_COLUMNS - 1);
const int EXPECTED_TRIANGLES = MESH_COUNT * TRIANGLES_PER_MESH;

// One rolling height-field mesh with texture coordinates, its face-material and smoothing-group
// chunks inside the face list, as exporters write them.
Chunk3DSNode GridMesh(int index)
{
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 2>> coords;
    const float originX = static_cast<float>(index % 6) * 110.0f;
    const float originY = static_cast<float>(index / 6) * 60.0f;
    for (int row = 0; row < GRID_ROWS; ++row)
    {
        for (int column = 0; column < GRID_COLUMNS; ++column)
        {
            const float x = originX + column * 0.4f;
            const float y = originY + row * 0.4f;
            positions.push_back({x, y, 3.0f * std::sin(x * 0.37f) * std::cos(y * 0.23f)});
            coords.push_back({column / float(GRID_COLUMNS - 1), row / float(GRID_ROWS - 1)});
        }
    }
    std::vector<std::array<uint16_t, 3>> faces;
    for (int row = 0; row + 1 < GRID_ROWS; ++row)
    {
        for (int column = 0; column + 1 < GRID_COLUMNS; ++column)
        {
            const uint16_t a = static_cast<uint16_t>(row * GRID_COLUMNS + column);
            const uint16_t b = static_cast<uint16_t>(a + 1);
            const uint16_t c = static_cast<uint16_t>(a + GRID_COLUMNS);
            const uint16_t d = static_cast<uint16_t>(c + 1);
            faces.push_back({a, b, c});
            faces.push_back({b, d, c});
        }
    }
    Chunk3DSNode faceList = c3::Faces(faces, "Material" + std::to_string(index % MATERIAL_COUNT));
    Chunk3DSNode smoothing(0x4150);
    for (size_t i = 0; i < faces.size(); ++i)
    {
        smoothing.U32(1);
    }
    faceList.Add(smoothing);
    return c3::Object("Mesh" + std::to_string(index),
                      {c3::Vertices(positions), c3::TexCoords(coords), faceList});
}

bool WriteBenchFile(const char* path)
{
    std::vector<Chunk3DSNode> children;
    for (int i = 0; i < MATERIAL_COUNT; ++i)
    {
        children.push_back(c3::Material("Material" + std::to_string(i),
                                        {static_cast<uint8_t>(60 * i), 128, 200},
                                        "texture" + std::to_string(i) + ".bmp"));
    }
    for (int i = 0; i < MESH_COUNT; ++i)
    {
        children.push_back(GridMesh(i));
    }
    const std::vector<uint8_t> bytes = c3::File(children).Bytes();
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
    {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

void BM_Kyrel3DSReader(benchmark::State& state)
{
    for (auto _ : state)
    {
        CModelData model;
        C3DSReader reader;
        if (!reader.Load(&model, BENCH_FILE, 0) || model.totalVertexCount != 3 * EXPECTED_TRIANGLES)
        {
            state.SkipWithError("the generated file did not load whole");
            break;
        }
        benchmark::DoNotOptimize(model.sphereRadius);
    }
}

// lib3ds reads the chunks into its own meshes; with normals it also works out a normal for
// every face corner, its smoothing-group rule.
void Lib3dsLoad(benchmark::State& state, bool withNormals)
{
    std::vector<float> normals;  // three floats a face corner
    for (auto _ : state)
    {
        Lib3dsFile* file = lib3ds_file_load(BENCH_FILE);
        long triangles = 0;
        for (Lib3dsMesh* mesh = file ? file->meshes : nullptr; mesh != nullptr; mesh = mesh->next)
        {
            triangles += mesh->faces;
            if (withNormals)
            {
                normals.resize(9 * static_cast<size_t>(mesh->faces));
                lib3ds_mesh_calculate_normals(mesh,
                                              reinterpret_cast<Lib3dsVector*>(normals.data()));
                benchmark::DoNotOptimize(normals.data());
            }
        }
        if (file != nullptr)
        {
            lib3ds_file_free(file);
        }
        if (triangles != EXPECTED_TRIANGLES)
        {
            state.SkipWithError("lib3ds did not load the generated file whole");
            break;
        }
    }
}

void BM_Lib3ds(benchmark::State& state)
{
    Lib3dsLoad(state, false);
}

void BM_Lib3dsWithNormals(benchmark::State& state)
{
    Lib3dsLoad(state, true);
}

// assimp's 3DS import with smooth normals generated, as a caller wanting our result asks it.
void BM_Assimp(benchmark::State& state)
{
    for (auto _ : state)
    {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(BENCH_FILE, aiProcess_GenSmoothNormals);
        long triangles = 0;
        for (unsigned i = 0; scene != nullptr && i < scene->mNumMeshes; ++i)
        {
            triangles += scene->mMeshes[i]->mNumFaces;
        }
        if (triangles != EXPECTED_TRIANGLES)
        {
            state.SkipWithError("assimp did not load the generated file whole");
            break;
        }
        benchmark::DoNotOptimize(scene);
    }
}

BENCHMARK(BM_Kyrel3DSReader)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3);
BENCHMARK(BM_Lib3ds)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3);
BENCHMARK(BM_Lib3dsWithNormals)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3);
BENCHMARK(BM_Assimp)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);
}  // namespace

int main(int argc, char** argv)
{
    if (!WriteBenchFile(BENCH_FILE))
    {
        std::fprintf(stderr, "cannot write %s\n", BENCH_FILE);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(BENCH_FILE);
    return 0;
}
