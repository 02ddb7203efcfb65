// The engine's BMP and PCX readers against SDL_image and stb_image on the same bytes, with the
// time it takes only to read the file as the floor. The inputs are made at start-up: a 24-bit
// 2048 x 2048 bitmap, and a 24-bit 2048 x 2048 PCX twice, once with every byte stored as a literal
// (as large as the uncompressed picture) and once with real runs.
#include "images/CBmpReader.h"
#include "images/CPcxReader.h"
#include "io/CByteReader.h"

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <benchmark/benchmark.h>
#include <stb_image.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

const int SIDE = 2048;

void Put16(Bytes& bytes, uint32_t value)
{
    bytes.push_back(value & 0xFF);
    bytes.push_back((value >> 8) & 0xFF);
}

void Put32(Bytes& bytes, uint32_t value)
{
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

// A smooth picture with some texture: what a wall or terrain texture looks like to a reader.
uint8_t Channel(int x, int y, int channel)
{
    return static_cast<uint8_t>((x * (channel + 1) + y * (3 - channel) + ((x ^ y) & 15)) & 0xFF);
}

Bytes MakeBmp()
{
    Bytes file = {'B', 'M'};
    uint32_t pixelBytes = SIDE * SIDE * 3;
    Put32(file, 54 + pixelBytes);
    Put32(file, 0);
    Put32(file, 54);
    Put32(file, 40);
    Put32(file, SIDE);
    Put32(file, SIDE);
    Put16(file, 1);
    Put16(file, 24);
    for (int i = 0; i < 6; ++i)
    {
        Put32(file, 0);
    }
    file.reserve(file.size() + pixelBytes);
    for (int y = 0; y < SIDE; ++y)
    {
        for (int x = 0; x < SIDE; ++x)
        {
            file.push_back(Channel(x, y, 2));
            file.push_back(Channel(x, y, 1));
            file.push_back(Channel(x, y, 0));
        }
    }
    return file;
}

Bytes PcxHeader()
{
    Bytes file(128, 0);
    file[0] = 10;
    file[1] = 5;
    file[2] = 1;
    file[3] = 8;
    file[8] = (SIDE - 1) & 0xFF;
    file[9] = (SIDE - 1) >> 8;
    file[10] = (SIDE - 1) & 0xFF;
    file[11] = (SIDE - 1) >> 8;
    file[65] = 3;
    file[66] = SIDE & 0xFF;
    file[67] = SIDE >> 8;
    return file;
}

// Every byte a literal: values are kept below 192 so none needs a run of one.
Bytes MakeLiteralPcx()
{
    Bytes file = PcxHeader();
    for (int y = 0; y < SIDE; ++y)
    {
        for (int channel = 0; channel < 3; ++channel)
        {
            for (int x = 0; x < SIDE; ++x)
            {
                file.push_back(Channel(x, y, channel) % 192);
            }
        }
    }
    return file;
}

// Flat 8-pixel spans, run-length encoded as a PCX writer does (runs stop at line ends).
Bytes MakeRunLengthPcx()
{
    Bytes file = PcxHeader();
    for (int y = 0; y < SIDE; ++y)
    {
        for (int channel = 0; channel < 3; ++channel)
        {
            for (int x = 0; x < SIDE; x += 8)
            {
                uint8_t value = Channel(x, y & ~7, channel);
                file.push_back(0xC0 | 8);
                file.push_back(value);
            }
        }
    }
    return file;
}

struct Input
{
    std::string path;
    Bytes bytes;
};

std::string WriteTemporary(const Bytes& bytes, const char* suffix)
{
    std::string path = std::string(P_tmpdir) + "/kyrel-bench-XXXXXX" + suffix;
    std::vector<char> pattern(path.begin(), path.end());
    pattern.push_back('\0');
    int fd = mkstemps(pattern.data(), static_cast<int>(strlen(suffix)));
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    {
        fprintf(stderr, "cannot write a benchmark input\n");
        exit(1);
    }
    close(fd);
    return pattern.data();
}

Input MakeInput(Bytes bytes, const char* suffix)
{
    Input input;
    input.path = WriteTemporary(bytes, suffix);
    input.bytes = std::move(bytes);
    return input;
}

Input& BmpInput()
{
    static Input input = MakeInput(MakeBmp(), ".bmp");
    return input;
}

Input& LiteralPcxInput()
{
    static Input input = MakeInput(MakeLiteralPcx(), ".pcx");
    return input;
}

Input& RunLengthPcxInput()
{
    static Input input = MakeInput(MakeRunLengthPcx(), ".pcx");
    return input;
}

// The floor: open the file and read all of it into a fresh buffer.
void ReadFile(benchmark::State& state, Input& input)
{
    for (auto _ : state)
    {
        FILE* file = fopen(input.path.c_str(), "rb");
        fseek(file, 0, SEEK_END);
        long size = ftell(file);
        fseek(file, 0, SEEK_SET);
        std::unique_ptr<uint8_t[]> bytes(new uint8_t[size]);
        size_t got = fread(bytes.get(), 1, size, file);
        fclose(file);
        benchmark::DoNotOptimize(bytes.get());
        benchmark::DoNotOptimize(got);
    }
}

void SdlImageFromMemory(benchmark::State& state, Input& input)
{
    for (auto _ : state)
    {
        SDL_Surface* surface =
            IMG_Load_RW(SDL_RWFromConstMem(input.bytes.data(), int(input.bytes.size())), 1);
        if (!surface)
        {
            state.SkipWithError("SDL_image could not read the input");
            return;
        }
        benchmark::DoNotOptimize(surface->pixels);
        SDL_FreeSurface(surface);
    }
}

void SdlImageFromFile(benchmark::State& state, Input& input)
{
    for (auto _ : state)
    {
        SDL_Surface* surface = IMG_Load(input.path.c_str());
        if (!surface)
        {
            state.SkipWithError("SDL_image could not read the input");
            return;
        }
        benchmark::DoNotOptimize(surface->pixels);
        SDL_FreeSurface(surface);
    }
}

void BM_Bmp_SdlImage_File(benchmark::State& state)
{
    SdlImageFromFile(state, BmpInput());
}

void BM_Bmp_ReadFileOnly(benchmark::State& state)
{
    ReadFile(state, BmpInput());
}

void BM_Bmp_Kyrel_File(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::unique_ptr<CDecodedImage> image(DecodeImageFile(BmpInput().path.c_str(), DecodeBMP));
        benchmark::DoNotOptimize(image->data.get());
    }
}

void BM_Bmp_Kyrel_Memory(benchmark::State& state)
{
    Input& input = BmpInput();
    for (auto _ : state)
    {
        CByteReader reader(input.bytes.data(), input.bytes.size());
        std::unique_ptr<CDecodedImage> image(DecodeBMP(reader, "bench.bmp"));
        benchmark::DoNotOptimize(image->data.get());
    }
}

void BM_Bmp_SdlImage_Memory(benchmark::State& state)
{
    SdlImageFromMemory(state, BmpInput());
}

void BM_Bmp_StbImage_Memory(benchmark::State& state)
{
    Input& input = BmpInput();
    for (auto _ : state)
    {
        int width = 0, height = 0, components = 0;
        stbi_uc* pixels = stbi_load_from_memory(input.bytes.data(), int(input.bytes.size()), &width,
                                                &height, &components, 3);
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
}

void PcxKyrelFile(benchmark::State& state, Input& input)
{
    for (auto _ : state)
    {
        std::unique_ptr<CDecodedImage> image(DecodeImageFile(input.path.c_str(), DecodePCX));
        benchmark::DoNotOptimize(image->data.get());
    }
}

void BM_PcxLiteral_ReadFileOnly(benchmark::State& state)
{
    ReadFile(state, LiteralPcxInput());
}
void BM_PcxLiteral_Kyrel_File(benchmark::State& state)
{
    PcxKyrelFile(state, LiteralPcxInput());
}
void BM_PcxLiteral_SdlImage_File(benchmark::State& state)
{
    SdlImageFromFile(state, LiteralPcxInput());
}
void BM_PcxLiteral_SdlImage_Memory(benchmark::State& state)
{
    SdlImageFromMemory(state, LiteralPcxInput());
}

void BM_PcxRle_ReadFileOnly(benchmark::State& state)
{
    ReadFile(state, RunLengthPcxInput());
}
void BM_PcxRle_Kyrel_File(benchmark::State& state)
{
    PcxKyrelFile(state, RunLengthPcxInput());
}
void BM_PcxRle_SdlImage_File(benchmark::State& state)
{
    SdlImageFromFile(state, RunLengthPcxInput());
}
void BM_PcxRle_SdlImage_Memory(benchmark::State& state)
{
    SdlImageFromMemory(state, RunLengthPcxInput());
}
}  // namespace

BENCHMARK(BM_Bmp_ReadFileOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bmp_Kyrel_File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bmp_Kyrel_Memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bmp_SdlImage_File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bmp_SdlImage_Memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bmp_StbImage_Memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxLiteral_ReadFileOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxLiteral_Kyrel_File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxLiteral_SdlImage_File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxLiteral_SdlImage_Memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxRle_ReadFileOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxRle_Kyrel_File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxRle_SdlImage_File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxRle_SdlImage_Memory)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    // Make the inputs before any timing starts.
    std::vector<std::string> paths = {BmpInput().path, LiteralPcxInput().path,
                                      RunLengthPcxInput().path};
    benchmark::RunSpecifiedBenchmarks();
    for (const std::string& path : paths)
    {
        unlink(path.c_str());
    }
    return 0;
}
