// Writes a baseline JPEG with a chosen restart interval and chroma layout through libjpeg, for the
// decoder's fixtures (ImageMagick 6 cannot set a restart interval). Reads a binary PPM (P6) or PGM
// (P5). Usage: jpeg_restart_writer in.ppm out.jpg restart_mcus h_sampling v_sampling
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 6)
    {
        fprintf(stderr, "usage: %s in.ppm out.jpg restart_mcus h_sampling v_sampling\n", argv[0]);
        return 2;
    }
    FILE* in = fopen(argv[1], "rb");
    char kind = 0;
    int width = 0, height = 0, maxValue = 0;
    if (!in || fscanf(in, "P%c %d %d %d", &kind, &width, &height, &maxValue) != 4 ||
        maxValue != 255)
    {
        fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    fgetc(in);
    int components = kind == '6' ? 3 : 1;
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * components);
    if (fread(pixels.data(), 1, pixels.size(), in) != pixels.size())
    {
        fprintf(stderr, "short pixel data in %s\n", argv[1]);
        return 1;
    }
    fclose(in);

    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    FILE* out = fopen(argv[2], "wb");
    if (!out)
    {
        return 1;
    }
    jpeg_stdio_dest(&info, out);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 85, TRUE);
    info.restart_interval = static_cast<unsigned>(atoi(argv[3]));
    info.comp_info[0].h_samp_factor = atoi(argv[4]);
    info.comp_info[0].v_samp_factor = atoi(argv[5]);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height)
    {
        JSAMPROW row = &pixels[static_cast<size_t>(info.next_scanline) * width * components];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    fclose(out);
    return 0;
}
