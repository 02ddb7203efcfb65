// Bitmap font: printf-formatted text from a 16 x 16 glyph sheet, one display list per glyph.
#ifndef KYREL_CFONT_H
#define KYREL_CFONT_H

class CFont
{
public:
    CFont() = default;
    ~CFont() = default;

    bool Print(int x, int y, int set, const char* format, ...);
    bool PrintEx(int x, int y, int set, float red, float green, float blue, float alpha,
                 float scaleX, float scaleY, const char* format, ...);
};

#endif
