// Text output with the bitmap font.
#include "overlay/CFont.h"

bool CFont::Print(int, int, int, const char*, ...) { return true; }

bool CFont::PrintEx(int, int, int, float, float, float, float, float, float, const char*, ...)
{
    return true;
}
