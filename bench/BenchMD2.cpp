// Loading an MD2 model of 198 key frames, 2,000 vertices and 4,000 triangles (written at
// start-up): the engine's load (frames kept packed, decoded on first use) against reading the
// file's bytes alone, against writing the decoded frames' size into fresh memory, and against
// assimp's MD2 import, which decodes one key frame. Then the load with every frame used once
// (positions, normals, box, and the sphere over them all), which is what a load cost before frames
// were decoded on use, and the entity's per-frame step (clock and shadow volume), which must not
// allocate once warmed up.
#include "models/CMD2Object.h"
#include "models/CMD2Reader.h"

#include "../tests/support/MD2FileBuilder.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace
{
// A torus of RING x SIDE vertices: 2,000 vertices and 2 x 2,000 triangles.
const int RING = 50;
const int SIDE = 40;
const int FRAMES = 198;
const int FRAMES_PER_ANIMATION = 10;
const float PI = 3.14159265f;

std::atomic<long> allocations{0};

std::string& ModelPath()
{
    static std::string path;
    return path;
}

uint8_t Pack(float value)
{
    return static_cast<uint8_t>(std::lround(value));
}

// Each frame breathes and sways a little, so that every frame has its own positions.
void WriteModel(const std::string& path)
{
    kyrel_test::MD2FileBuilder file;
    file.skinWidth = 256;
    file.skinHeight = 256;
    for (int i = 0; i < RING; ++i)
    {
        for (int j = 0; j < SIDE; ++j)
        {
            file.texCoords.push_back({static_cast<int16_t>(i * 5), static_cast<int16_t>(j * 6)});
            const auto at = [&](int a, int b) { return static_cast<int16_t>(a * SIDE + b); };
            const int16_t v00 = at(i, j), v10 = at((i + 1) % RING, j);
            const int16_t v01 = at(i, (j + 1) % SIDE), v11 = at((i + 1) % RING, (j + 1) % SIDE);
            file.triangles.push_back({{v00, v10, v11}, {v00, v10, v11}});
            file.triangles.push_back({{v00, v11, v01}, {v00, v11, v01}});
        }
    }
    for (int f = 0; f < FRAMES; ++f)
    {
        kyrel_test::MD2Frame frame;
        char name[16];
        std::snprintf(name, sizeof name, "anim%c%02d", 'a' + f / FRAMES_PER_ANIMATION % 26,
                      f % FRAMES_PER_ANIMATION + 1);
        frame.name = name;
        frame.translate = {-128.0f, -128.0f, -128.0f};
        const float tube = 30.0f + 10.0f * std::sin(f * 0.1f);
        for (int i = 0; i < RING; ++i)
        {
            const float u = 2 * PI * i / RING;
            for (int j = 0; j < SIDE; ++j)
            {
                const float v = 2 * PI * j / SIDE;
                const float r = 80.0f + tube * std::cos(v);
                frame.vertices.push_back({Pack(128 + r * std::cos(u) + 5 * std::sin(f * 0.2f)),
                                          Pack(128 + r * std::sin(u)),
                                          Pack(128 + tube * std::sin(v))});
            }
        }
        file.frames.push_back(frame);
    }
    // One empty GL command list after the frames: assimp wants every section to start inside
    // the file, that one included.
    std::vector<uint8_t> bytes = file.Build();
    bytes.resize(bytes.size() + 4, 0);
    bytes = kyrel_test::MD2FileBuilder::WithField(bytes, kyrel_test::MD2_OFFSET_END,
                                                  static_cast<int32_t>(bytes.size()));
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size())
    {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fclose(out);
}

long FileSize(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fclose(file);
    return size;
}

void SetBytes(benchmark::State& state)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * FileSize(ModelPath()));
}

// Loads the model, then with useFrames every frame's first use and the sphere: the work a load did
// when it decoded every frame. (That minus the load alone) / FRAMES is a frame's first use.
void LoadModel(benchmark::State& state, bool useFrames)
{
    for (auto _ : state)
    {
        CModelData model;
        CMD2Reader reader;
        if (!reader.Load(&model, ModelPath().c_str(), nullptr))
        {
            state.SkipWithError("the generated model did not load");
            break;
        }
        for (int frame = 0; useFrames && frame < model.keyFrames.FrameCount(); ++frame)
        {
            benchmark::DoNotOptimize(model.keyFrames.Normals(frame));
            benchmark::DoNotOptimize(model.keyFrames.BoundsMax(frame));
        }
        CVector3 centre;
        float radius = 0.0f;
        if (useFrames)
        {
            model.GetBoundingSphere(centre, radius);
        }
        benchmark::DoNotOptimize(radius);
    }
    SetBytes(state);
}

void BM_KyrelLoad(benchmark::State& state)
{
    LoadModel(state, false);
}

void BM_KyrelLoadAndUseEveryFrame(benchmark::State& state)
{
    LoadModel(state, true);
}

// What writing the decoded frames (positions and normals of every frame) costs in fresh memory
// alone: a block of that size is mapped, written and unmapped, as malloc, memset and free do with
// one this large when the allocator has none to reuse. Page faults dominate it.
void BM_FreshMemoryWriteOfDecodedSize(benchmark::State& state)
{
    const size_t size = static_cast<size_t>(FRAMES) * RING * SIDE * 2 * sizeof(CVector3);
    for (auto _ : state)
    {
        void* block =
            mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED)
        {
            state.SkipWithError("no memory");
            break;
        }
        std::memset(block, 1, size);
        benchmark::DoNotOptimize(block);
        munmap(block, size);
    }
    state.counters["MB"] = static_cast<double>(size) / 1e6;
}

// The floor: the file's bytes into memory, nothing decoded.
void BM_ReadFileOnly(benchmark::State& state)
{
    std::vector<char> buffer(static_cast<size_t>(FileSize(ModelPath())));
    for (auto _ : state)
    {
        FILE* file = std::fopen(ModelPath().c_str(), "rb");
        const size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        std::fclose(file);
        benchmark::DoNotOptimize(got);
    }
    SetBytes(state);
}

// assimp decodes key frame 0 only (its MD2 key-frame setting), with the file's stored normals.
void BM_AssimpLoadOneFrame(benchmark::State& state)
{
    for (auto _ : state)
    {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(ModelPath(), 0);
        if (scene == nullptr || scene->mNumMeshes == 0)
        {
            state.SkipWithError(importer.GetErrorString());
            break;
        }
        benchmark::DoNotOptimize(scene->mMeshes[0]->mNumVertices);
    }
    SetBytes(state);
}

unsigned int benchTicks = 0;

// A frame change on every call: each step blends a new pair of key frames.
unsigned int AdvancingTicks()
{
    benchTicks += 200;
    return benchTicks;
}

// What an animated, shadow-casting MD2 model costs the CPU each frame: the clock step and the
// shadow volume rebuilt from the blended frames (the draw itself is GL calls only).
void BM_EntityFrameStepAllocations(benchmark::State& state)
{
    CMD2Object entity;
    entity.SetTickSource(AdvancingTicks);
    if (!entity.Load(ModelPath().c_str(), nullptr))
    {
        state.SkipWithError("the generated model did not load");
        return;
    }
    entity.SetAnimation(0);
    // A whole pass over every frame lets the volume's lists reach their largest size.
    entity.SetAnimationSpeed(5);
    for (int i = 0; i < 2 * FRAMES; ++i)
    {
        entity.BuildShadowVolume(300, 500, 200);
    }
    const long before = allocations.load();
    for (auto _ : state)
    {
        entity.BuildShadowVolume(300, 500, 200);
    }
    const long allocated = allocations.load() - before;
    state.counters["allocations"] = static_cast<double>(allocated);
    if (allocated != 0)
    {
        state.SkipWithError("the per-frame step allocated");
    }
}

BENCHMARK(BM_KyrelLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFileOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FreshMemoryWriteOfDecodedSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KyrelLoadAndUseEveryFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssimpLoadOneFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EntityFrameStepAllocations)->Unit(benchmark::kMicrosecond);
}  // namespace

// Every allocation of the program is counted, so that the per-frame step can prove it makes none.
// The release goes through a function the compiler does not inline, or it would take the free
// beside the new for a mismatch.
static __attribute__((noinline)) void ReleaseMemory(void* memory)
{
    std::free(memory);
}

void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size != 0 ? size : 1))
    {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept
{
    ReleaseMemory(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    ReleaseMemory(memory);
}

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/kyrel-bench-md2-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir)
    {
        std::perror("mkdtemp");
        return 1;
    }
    // assimp picks its importer by the extension.
    ModelPath() = std::string(dir) + "/torus.md2";
    WriteModel(ModelPath());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(ModelPath().c_str());
    rmdir(dir);
    return 0;
}
