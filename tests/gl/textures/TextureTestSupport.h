// Helpers for the GL tests of the image loaders: reading back a bound texture and its parameters,
// and writing small picture files into the scratch working directory.
#ifndef KYREL_TEXTURETESTSUPPORT_H
#define KYREL_TEXTURETESTSUPPORT_H

#include "gl/GLTestEnvironment.h"

#include <GL/glew.h>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace texture_test
{
using Bytes = std::vector<uint8_t>;

inline GLint BoundTexture()
{
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

inline GLint Parameter(GLenum name)
{
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

inline GLint LevelParameter(GLint level, GLenum name)
{
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

// Level 0 of the bound texture as packed R, G, B (or R, G, B, A), first row first.
inline Bytes ReadLevel0(GLenum format = GL_RGB)
{
    int components = format == GL_RGBA ? 4 : 3;
    Bytes pixels(static_cast<size_t>(LevelParameter(0, GL_TEXTURE_WIDTH)) *
                 LevelParameter(0, GL_TEXTURE_HEIGHT) * components);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Writes bytes to a file under the scratch working directory (directories made as needed) and
// returns the path relative to it, which is the engine's working directory.
inline std::string WriteFile(const std::string& relativePath, const Bytes& bytes)
{
    kyrel_test::Engine();
    for (size_t slash = relativePath.find('/'); slash != std::string::npos;
         slash = relativePath.find('/', slash + 1))
    {
        mkdir(relativePath.substr(0, slash).c_str(), 0755);
    }
    FILE* file = fopen(relativePath.c_str(), "wb");
    if (file)
    {
        if (!bytes.empty())
        {
            fwrite(bytes.data(), 1, bytes.size(), file);
        }
        fclose(file);
    }
    return relativePath;
}

inline void Put16(Bytes& bytes, uint32_t value)
{
    bytes.push_back(value & 0xFF);
    bytes.push_back((value >> 8) & 0xFF);
}

inline void Put32(Bytes& bytes, uint32_t value)
{
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

// A 2 x 2, 24-bit bitmap: bottom row red, green; top row blue, white (rows padded to 8 bytes).
inline Bytes TwoByTwoBmp()
{
    Bytes file = {'B', 'M'};
    Put32(file, 70);
    Put32(file, 0);
    Put32(file, 54);
    Put32(file, 40);
    Put32(file, 2);
    Put32(file, 2);
    Put16(file, 1);
    Put16(file, 24);
    for (int i = 0; i < 6; ++i)
    {
        Put32(file, 0);
    }
    Bytes pixels = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

// The same picture as a 24-bit PCX (planes of red, green, blue per line, top line first).
inline Bytes TwoByTwoPcx()
{
    Bytes file(128, 0);
    file[0] = 10;
    file[1] = 5;
    file[2] = 1;
    file[3] = 8;
    file[8] = 1;
    file[10] = 1;
    file[65] = 3;
    file[66] = 2;
    // Bytes of 192 or more are written as runs of one.
    Bytes lines = {0,   0xC1, 255, 0, 0xC1, 255,  0xC1, 255, 0xC1,
                   255, 0xC1, 255, 0, 0,    0xC1, 255,  0,   0};
    file.insert(file.end(), lines.begin(), lines.end());
    return file;
}

// The same picture as R, G, B rows, bottom row first, and top row first.
inline Bytes TwoByTwoBottomFirst()
{
    return {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
}
inline Bytes TwoByTwoTopFirst()
{
    return {0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0};
}
}  // namespace texture_test

#endif
