// The engine's TGA reader against SDL_image and stb_image on the same in-memory files: 2048-pixel
// square pictures at 24 and 32 bits, uncompressed and run-length encoded, made at start with
// stb_image_write. The engine's reader also runs over a file, as the texture loader calls it.
#include "images/CTgaReader.h"
#include "io/CByteReader.h"

#include <SDL/SDL_image.h>
#include <benchmark/benchmark.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
const int PICTURE_SIDE = 2048;

// Flat areas (long runs), smooth banded gradients (short runs) and noisy tiles (raw packets), the
// mix a painted game texture gives a run-length encoder.
std::vector<unsigned char> MakePicture(int side, int components)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(side) * side * components);
    std::mt19937 random(4321);
    std::uniform_int_distribution<int> noise(0, 255);
    for (int y = 0; y < side; ++y)
    {
        for (int x = 0; x < side; ++x)
        {
            int tile = (x / 128 + y / 128) % 4;
            for (int c = 0; c < components; ++c)
            {
                int value = 0;
                if (tile == 0)
                {
                    value = 40 + 60 * c;
                }
                else if (tile == 1)
                {
                    value = noise(random);
                }
                else
                {
                    double wave = 128 + 100 * std::sin(x * 0.01 + c) * std::cos(y * 0.013);
                    value = (static_cast<int>(wave) / 6) * 6;
                }
                pixels[(static_cast<size_t>(y) * side + x) * components + c] =
                    static_cast<unsigned char>(value);
            }
        }
    }
    return pixels;
}

void AppendBytes(void* context, void* data, int size)
{
    auto* file = static_cast<std::vector<unsigned char>*>(context);
    const auto* bytes = static_cast<const unsigned char*>(data);
    file->insert(file->end(), bytes, bytes + size);
}

const std::vector<unsigned char>& Input(int bits, bool compressed)
{
    static std::map<std::pair<int, bool>, std::vector<unsigned char>> inputs;
    std::vector<unsigned char>& file = inputs[{bits, compressed}];
    if (file.empty())
    {
        int components = bits / 8;
        std::vector<unsigned char> pixels = MakePicture(PICTURE_SIDE, components);
        stbi_write_tga_with_rle = compressed ? 1 : 0;
        stbi_write_tga_to_func(AppendBytes, &file, PICTURE_SIDE, PICTURE_SIDE, components,
                               pixels.data());
    }
    return file;
}

// A scratch copy of an input on disk, removed at exit.
const std::string& InputPath(int bits, bool compressed)
{
    static std::map<std::pair<int, bool>, std::string> paths;
    std::string& path = paths[{bits, compressed}];
    if (path.empty())
    {
        path = "/tmp/kyrel-bench-" + std::to_string(getpid()) + "-" + std::to_string(bits) +
               (compressed ? "-rle" : "-raw") + ".tga";
        const std::vector<unsigned char>& file = Input(bits, compressed);
        FILE* out = fopen(path.c_str(), "wb");
        fwrite(file.data(), 1, file.size(), out);
        fclose(out);
    }
    return path;
}

void SetItems(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * int64_t(PICTURE_SIDE) * PICTURE_SIDE);
}

void Keep(benchmark::State& state, CDecodedImage* decoded)
{
    std::unique_ptr<CDecodedImage> image(decoded);
    if (!image)
    {
        state.SkipWithError("decode failed");
        return;
    }
    benchmark::DoNotOptimize(image->data[0]);
}

void BM_Kyrel(benchmark::State& state, int bits, bool compressed)
{
    const std::vector<unsigned char>& file = Input(bits, compressed);
    for (auto _ : state)
    {
        CByteReader reader(file.data(), file.size());
        Keep(state, DecodeTGA(reader, "bench.tga"));
    }
    SetItems(state);
}

void BM_KyrelFile(benchmark::State& state, int bits, bool compressed)
{
    const std::string& path = InputPath(bits, compressed);
    for (auto _ : state)
    {
        CByteReader reader;
        reader.OpenFile(path.c_str());
        Keep(state, DecodeTGA(reader, path.c_str()));
    }
    SetItems(state);
}

void BM_SdlImage(benchmark::State& state, int bits, bool compressed)
{
    const std::vector<unsigned char>& file = Input(bits, compressed);
    for (auto _ : state)
    {
        SDL_RWops* source = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
        SDL_Surface* surface = IMG_LoadTGA_RW(source);
        SDL_RWclose(source);
        if (!surface)
        {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(static_cast<unsigned char*>(surface->pixels)[0]);
        SDL_FreeSurface(surface);
    }
    SetItems(state);
}

void BM_StbImage(benchmark::State& state, int bits, bool compressed)
{
    const std::vector<unsigned char>& file = Input(bits, compressed);
    for (auto _ : state)
    {
        int width = 0, height = 0, channels = 0;
        unsigned char* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()),
                                                      &width, &height, &channels, 0);
        if (!pixels)
        {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(pixels[0]);
        stbi_image_free(pixels);
    }
    SetItems(state);
}

void RegisterAll()
{
    using Runner = void (*)(benchmark::State&, int, bool);
    const std::pair<const char*, Runner> readers[] = {{"Kyrel", BM_Kyrel},
                                                      {"KyrelFile", BM_KyrelFile},
                                                      {"SdlImage", BM_SdlImage},
                                                      {"StbImage", BM_StbImage}};
    for (bool compressed : {true, false})
    {
        for (int bits : {24, 32})
        {
            std::string suffix = "/" + std::to_string(bits) + (compressed ? "/rle" : "/raw");
            for (const auto& reader : readers)
            {
                benchmark::RegisterBenchmark((reader.first + suffix).c_str(), reader.second, bits,
                                             compressed)
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
}

void RemoveInputFiles()
{
    for (bool compressed : {true, false})
    {
        for (int bits : {24, 32})
        {
            unlink(InputPath(bits, compressed).c_str());
        }
    }
}
}  // namespace

int main(int argc, char** argv)
{
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    RemoveInputFiles();
    return 0;
}
