// Matrix product timings: the affine-aware product against the plain 4 x 4 product on the same
// matrices, beside the cofactor inverse and the rigid inverse for scale.
#include "math/CMatrix4.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace
{
const int MATRIX_POOL_SIZE = 64;

// A pool of random matrices, rigid transforms when asked, so every iteration multiplies fresh
// values and nothing folds away at compile time.
std::vector<CMatrix4> MakePool(bool affine, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> value(-2.0f, 2.0f);
    std::uniform_real_distribution<float> angle(-180.0f, 180.0f);
    std::vector<CMatrix4> pool;
    for (int i = 0; i < MATRIX_POOL_SIZE; ++i)
    {
        CMatrix4 r;
        if (affine)
        {
            r = CMatrix4::Translation(CVector3(value(rng), value(rng), value(rng))) *
                CMatrix4::Rotation(angle(rng), CVector3(value(rng), value(rng), 1.0f));
        }
        else
        {
            for (float& element : r.m)
            {
                element = value(rng);
            }
        }
        pool.push_back(r);
    }
    return pool;
}

template <typename Product> void RunProduct(benchmark::State& state, bool affine, Product product)
{
    const std::vector<CMatrix4> left = MakePool(affine, 1);
    const std::vector<CMatrix4> right = MakePool(affine, 2);
    size_t i = 0;
    for (auto _ : state)
    {
        CMatrix4 r = product(left[i], right[i]);
        benchmark::DoNotOptimize(r);
        i = (i + 1) % MATRIX_POOL_SIZE;
    }
    state.SetItemsProcessed(state.iterations());
}

void AffineAwareProductOfAffine(benchmark::State& state)
{
    RunProduct(state, true, [](const CMatrix4& a, const CMatrix4& b) { return a * b; });
}

void FullProductOfAffine(benchmark::State& state)
{
    RunProduct(state, true, [](const CMatrix4& a, const CMatrix4& b) { return a.MultiplyFull(b); });
}

void AffineAwareProductOfGeneral(benchmark::State& state)
{
    RunProduct(state, false, [](const CMatrix4& a, const CMatrix4& b) { return a * b; });
}

void FullProductOfGeneral(benchmark::State& state)
{
    RunProduct(state, false,
               [](const CMatrix4& a, const CMatrix4& b) { return a.MultiplyFull(b); });
}

void CofactorInverse(benchmark::State& state)
{
    RunProduct(state, true, [](const CMatrix4& a, const CMatrix4&) { return a.Inverse(); });
}

void RigidInverse(benchmark::State& state)
{
    RunProduct(state, true, [](const CMatrix4& a, const CMatrix4&) { return a.RigidInverse(); });
}
}  // namespace

BENCHMARK(AffineAwareProductOfAffine);
BENCHMARK(FullProductOfAffine);
BENCHMARK(AffineAwareProductOfGeneral);
BENCHMARK(FullProductOfGeneral);
BENCHMARK(CofactorInverse);
BENCHMARK(RigidInverse);

BENCHMARK_MAIN();
