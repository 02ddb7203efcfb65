// OBJ loading speed: our reader (parse, normals, boxes; no GL upload) against tinyobjloader on
// the same generated 1.5-million-triangle file, written to /tmp when the program starts.
#include "ObjGrid.h"
#include "models/CObjReader.h"

#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{
void BM_KyrelObjReader(benchmark::State& state)
{
    for (auto _ : state)
    {
        CModelData model;
        CObjReader reader;
        if (!reader.Load(&model, BENCH_FILE) || model.totalVertexCount != 3 * EXPECTED_TRIANGLES)
        {
            state.SkipWithError("the generated file did not load whole");
            break;
        }
        benchmark::DoNotOptimize(model.boundsMax);
    }
}

void BM_TinyObjLoader(benchmark::State& state)
{
    for (auto _ : state)
    {
        tinyobj::attrib_t attrib;
        std::vector<tinyobj::shape_t> shapes;
        std::vector<tinyobj::material_t> materials;
        std::string warn;
        std::string err;
        if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, BENCH_FILE) ||
            shapes.empty() ||
            shapes[0].mesh.indices.size() != static_cast<size_t>(3 * EXPECTED_TRIANGLES))
        {
            state.SkipWithError("tinyobjloader did not load the generated file whole");
            break;
        }
        benchmark::DoNotOptimize(attrib.vertices.data());
    }
}

BENCHMARK(BM_KyrelObjReader)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3);
BENCHMARK(BM_TinyObjLoader)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3);
}  // namespace

int main(int argc, char** argv)
{
    WriteGridFile(BENCH_FILE);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(BENCH_FILE);
    return 0;
}
