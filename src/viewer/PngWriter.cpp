// Screenshot writer: GL's bottom-up rows turned top-down and encoded by stb_image_write.
#include "viewer/PngWriter.h"

#include <GL/glew.h>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

bool WriteFramebufferPng(const std::string& path, int width, int height)
{
    const int channels = 3;
    const size_t rowBytes = static_cast<size_t>(width) * channels;
    std::vector<unsigned char> pixels(rowBytes * static_cast<size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    // GL's rows run bottom-up; the PNG's top-down.
    stbi_flip_vertically_on_write(1);
    return stbi_write_png(path.c_str(), width, height, channels, pixels.data(),
                          static_cast<int>(rowBytes)) != 0;
}
