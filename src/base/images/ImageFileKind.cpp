// The reader choice by file name, tested in the order the loader always tested it.
#include "images/ImageFileKind.h"

#include <cstring>

ImageFileKind ImageFileKindOf(const char* path)
{
    if (std::strstr(path, "bmp") || std::strstr(path, "BMP"))
    {
        return ImageFileKind::Bmp;
    }
    if (std::strstr(path, "pcx"))
    {
        return ImageFileKind::Pcx;
    }
    if (std::strstr(path, "dds"))
    {
        return ImageFileKind::Dds;
    }
    if (std::strstr(path, "jpg") || std::strstr(path, "jpeg"))
    {
        return ImageFileKind::Jpeg;
    }
    return ImageFileKind::Other;
}
