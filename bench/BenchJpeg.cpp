// The engine's JPEG decoder against libjpeg-turbo (its default path and its float-transform path
// without fancy upsampling, the closest to ours) and stb_image, on the same in-memory files:
// 4:2:0, 4:4:4 and greyscale pictures of 1024 and 4096 pixels square, made at start with libjpeg,
// and a progressive copy of the 4:2:0 ones (libjpeg's transcoder with its default progression, as
// jpegtran -progressive makes it). Every decoder produces RGBA.
#include "images/CJpegDecoder.h"
#include "io/CByteReader.h"

#include <benchmark/benchmark.h>
#include <stb_image.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{
enum Layout
{
    LAYOUT_420,
    LAYOUT_444,
    LAYOUT_GREY,
    LAYOUT_420_PROGRESSIVE
};

// A picture with the mix of smooth areas, edges and fine texture of a photograph, so the entropy
// decoder sees realistic code lengths.
std::vector<unsigned char> MakePicture(int size, int components)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(size) * size * components);
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int y = 0; y < size; ++y)
    {
        for (int x = 0; x < size; ++x)
        {
            double u = double(x) / size, v = double(y) / size;
            double base = 128 + 90 * std::sin(6.0 * u + 3.0 * v) * std::cos(5.0 * v);
            double stripes = ((x / 37 + y / 53) % 3 == 0) ? 40.0 * std::sin(x * 0.7) : 0.0;
            for (int c = 0; c < components; ++c)
            {
                double value =
                    base + stripes + 30.0 * std::sin(u * (7 + 5 * c) + v * 4) + noise(random);
                pixels[(static_cast<size_t>(y) * size + x) * components + c] =
                    static_cast<unsigned char>(std::min(255.0, std::max(0.0, value)));
            }
        }
    }
    return pixels;
}

std::vector<unsigned char> Compress(int size, Layout layout)
{
    int components = layout == LAYOUT_GREY ? 1 : 3;
    std::vector<unsigned char> pixels = MakePicture(size, components);
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&info, &buffer, &length);
    info.image_width = size;
    info.image_height = size;
    info.input_components = components;
    info.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    int sampling = layout == LAYOUT_420 ? 2 : 1;
    info.comp_info[0].h_samp_factor = sampling;
    info.comp_info[0].v_samp_factor = sampling;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height)
    {
        JSAMPROW row = &pixels[static_cast<size_t>(info.next_scanline) * size * components];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<unsigned char> file(buffer, buffer + length);
    free(buffer);
    return file;
}

// The same coefficients in a progressive file: spectral selection and successive approximation.
std::vector<unsigned char> MakeProgressive(const std::vector<unsigned char>& baseline)
{
    jpeg_decompress_struct source;
    jpeg_compress_struct target;
    jpeg_error_mgr sourceErrors, targetErrors;
    source.err = jpeg_std_error(&sourceErrors);
    target.err = jpeg_std_error(&targetErrors);
    jpeg_create_decompress(&source);
    jpeg_create_compress(&target);
    jpeg_mem_src(&source, baseline.data(), baseline.size());
    jpeg_read_header(&source, TRUE);
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&source);
    jpeg_copy_critical_parameters(&source, &target);
    jpeg_simple_progression(&target);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&target, &buffer, &length);
    jpeg_write_coefficients(&target, coefficients);
    jpeg_finish_compress(&target);
    jpeg_destroy_compress(&target);
    jpeg_finish_decompress(&source);
    jpeg_destroy_decompress(&source);
    std::vector<unsigned char> file(buffer, buffer + length);
    free(buffer);
    return file;
}

const std::vector<unsigned char>& Input(int size, Layout layout)
{
    static std::map<std::pair<int, int>, std::vector<unsigned char>> inputs;
    std::vector<unsigned char>& file = inputs[{size, layout}];
    if (file.empty())
    {
        file = layout == LAYOUT_420_PROGRESSIVE ? MakeProgressive(Input(size, LAYOUT_420))
                                                : Compress(size, layout);
    }
    return file;
}

// Like the engine's decoder and stb_image, returns a new buffer per picture (as a texture loader
// must), so every decoder pays for fresh output memory.
unsigned char* DecodeWithLibjpeg(const std::vector<unsigned char>& file, bool floatPath)
{
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), file.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_RGBA;
    if (floatPath)
    {
        info.dct_method = JDCT_FLOAT;
        info.do_fancy_upsampling = FALSE;
    }
    jpeg_start_decompress(&info);
    size_t stride = static_cast<size_t>(info.output_width) * 4;
    unsigned char* out = new unsigned char[stride * info.output_height];
    while (info.output_scanline < info.output_height)
    {
        JSAMPROW row = out + info.output_scanline * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return out;
}

void SetBytes(benchmark::State& state, int size)
{
    state.SetItemsProcessed(state.iterations() * int64_t(size) * size);
}

void BM_Kyrel(benchmark::State& state, int size, Layout layout)
{
    const std::vector<unsigned char>& file = Input(size, layout);
    for (auto _ : state)
    {
        CByteReader reader(file.data(), file.size());
        std::unique_ptr<CDecodedImage> image(DecodeJPEG(reader, "bench.jpg"));
        if (!image)
        {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(image->data[0]);
    }
    SetBytes(state, size);
}

void BM_LibjpegTurbo(benchmark::State& state, int size, Layout layout)
{
    const std::vector<unsigned char>& file = Input(size, layout);
    for (auto _ : state)
    {
        unsigned char* out = DecodeWithLibjpeg(file, false);
        benchmark::DoNotOptimize(out[0]);
        delete[] out;
    }
    SetBytes(state, size);
}

void BM_LibjpegTurboFloatNoFancy(benchmark::State& state, int size, Layout layout)
{
    const std::vector<unsigned char>& file = Input(size, layout);
    for (auto _ : state)
    {
        unsigned char* out = DecodeWithLibjpeg(file, true);
        benchmark::DoNotOptimize(out[0]);
        delete[] out;
    }
    SetBytes(state, size);
}

void BM_StbImage(benchmark::State& state, int size, Layout layout)
{
    const std::vector<unsigned char>& file = Input(size, layout);
    for (auto _ : state)
    {
        int width = 0, height = 0, channels = 0;
        unsigned char* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()),
                                                      &width, &height, &channels, 4);
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    SetBytes(state, size);
}

void RegisterAll()
{
    struct Case
    {
        const char* name;
        Layout layout;
    };
    const Case layouts[] = {{"420", LAYOUT_420},
                            {"444", LAYOUT_444},
                            {"grey", LAYOUT_GREY},
                            {"420progressive", LAYOUT_420_PROGRESSIVE}};
    for (int size : {1024, 4096})
    {
        for (const Case& layout : layouts)
        {
            std::string suffix = std::string("/") + layout.name + "/" + std::to_string(size);
            Layout which = layout.layout;
            benchmark::RegisterBenchmark(("Kyrel" + suffix).c_str(), BM_Kyrel, size, which)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("LibjpegTurbo" + suffix).c_str(), BM_LibjpegTurbo, size,
                                         which)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("LibjpegTurboFloatNoFancy" + suffix).c_str(),
                                         BM_LibjpegTurboFloatNoFancy, size, which)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("StbImage" + suffix).c_str(), BM_StbImage, size, which)
                ->Unit(benchmark::kMillisecond);
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
    return 0;
}
