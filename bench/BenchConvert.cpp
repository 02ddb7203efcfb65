// Converting the 1.5-million-triangle OBJ into the XML model (read, vertices and faces, the XML
// tree, its text, the file) against what it cannot do without: the OBJ read plus a write of as
// many bytes as the document has. The ratio says what the XML writer's tree costs on top.
#include "ObjGrid.h"
#include "convert/ModelConverter.h"
#include "models/CObjReader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
const char* const GRID_FILE = "/tmp/kyrel_bench_convert_grid.obj";
const char* const DOCUMENT_FILE = "/tmp/kyrel_bench_convert_grid.xml";
const char* const PLAIN_FILE = "/tmp/kyrel_bench_convert_plain.bin";

size_t documentBytes = 0;

void BM_KyrelConvert(benchmark::State& state)
{
    ConvertOptions options;
    options.inputPath = GRID_FILE;
    options.outputPath = DOCUMENT_FILE;
    for (auto _ : state)
    {
        std::string error;
        if (!ConvertModelFile(options, error))
        {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    documentBytes = std::filesystem::file_size(DOCUMENT_FILE);
    state.counters["MB"] = static_cast<double>(documentBytes) / 1.0e6;
}

void BM_ObjReadPlusWrite(benchmark::State& state)
{
    const std::vector<char> bytes(documentBytes, 'x');
    for (auto _ : state)
    {
        CModelData model;
        CObjReader reader;
        FILE* file = std::fopen(PLAIN_FILE, "wb");
        if (!reader.Load(&model, GRID_FILE) || bytes.empty() || !file ||
            std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        {
            state.SkipWithError("the OBJ did not load or the bytes were not written");
            if (file)
            {
                std::fclose(file);
            }
            break;
        }
        std::fclose(file);
        benchmark::DoNotOptimize(model.boundsMax);
    }
}

// The converter first: the plain write needs the document's size.
BENCHMARK(BM_KyrelConvert)->Unit(benchmark::kMillisecond)->Iterations(2)->Repetitions(3);
BENCHMARK(BM_ObjReadPlusWrite)->Unit(benchmark::kMillisecond)->Iterations(2)->Repetitions(3);
}  // namespace

int main(int argc, char** argv)
{
    WriteGridFile(GRID_FILE);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const char* path : {GRID_FILE, DOCUMENT_FILE, PLAIN_FILE})
    {
        std::remove(path);
    }
    return 0;
}
