/// \file
/// Bitmap font: printf-formatted text from a 16 x 16 glyph sheet, one display list per glyph.
/// Every text operation draws in a pixel-exact overlay and puts back the GL state it touched.
#ifndef KYREL_CFONT_H
#define KYREL_CFONT_H

#include "textures/CTgaImage.h"

#include <cstdarg>

class CShader;

/// A bitmap font; gFontManager owns the loaded fonts (font number 1 is the engine's own, loaded by
/// CEngine::SetVideoMode from "Data/Font/font.tga"). Needs the video mode open.
class CFont
{
public:
    /// The formatted text, its terminating NUL included; longer text is cut to fit.
    static const int TEXT_CAPACITY = 152;
    static const int GLYPH_COUNT = 256;  ///< glyphs on the 16 x 16 sheet, one per byte value

    CFont() = default;
    /// Deletes the 256 display lists; the sheet's texture stays with the GL context.
    ~CFont();

    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    /// Loads the glyph sheet (a relative name from the working directory, else from the first
    /// data folder holding it) and builds the lists. A sheet that cannot be read ends the process
    /// with a failure status after the reader's message and, for a sheet found nowhere, the places
    /// looked: the engine cannot print without it.
    bool Load(const char* path);

    /// The colour (RGBA 0..1) that Print and PrintAt use; white until set.
    void SetColor(float red, float green, float blue, float alpha);

    /// Text at (x, y), the top-left corner of the first glyph, in pixels from the top-left corner
    /// of the viewport. set: 0 and 1 the two glyph sets, 2 and 3 the same sets in bold.
    /// PrintColored takes its colour (opaque), Print and PrintAt the SetColor colour, PrintEx a
    /// colour with alpha and a glyph scale (1 = the sheet's size). format is printf's; the text is
    /// cut at TEXT_CAPACITY - 1 characters, and a null format draws nothing. Each returns true.
    ///@{
    bool PrintColored(int x, int y, int set, float red, float green, float blue, const char* format,
                      ...);
    bool Print(int x, int y, int set, const char* format, ...);
    bool PrintAt(float x, float y, int set, const char* format, ...);
    bool PrintEx(int x, int y, int set, float red, float green, float blue, float alpha,
                 float scaleX, float scaleY, const char* format, ...);
    ///@}

    /// The last formatted text.
    const char* GetText() const { return text; }
    /// The glyph sheet's GL texture name (0 before Load).
    unsigned int GetTextureName() const { return sheet.textureName; }
    /// The first of the GLYPH_COUNT display lists (0 before Load).
    int GetListBase() const { return listBase; }

private:
    struct SavedState
    {
        bool blend = false;
        bool scissorTest = false;
        bool texture2D = false;
        bool lighting = false;
        bool depthTest = false;
        int matrixMode = 0;
        int viewport[4] = {};
        int blendSource = 0;
        int blendDestination = 0;
        int listBase = 0;
    };

    struct Pen
    {
        float x, y;
        int set;
        float tint[4];
        float scaleX, scaleY;
        /// PrintAt hands the bold pass's origin to the shader as well.
        bool passOrigin;
    };

    /// Formats the text and draws it with that pen; the four text operations end here.
    void DrawFormatted(float x, float y, int set, const float tint[4], float glyphScaleX,
                       float glyphScaleY, bool passOrigin, const char* format, va_list arguments);
    void Format(const char* format, va_list arguments);
    void DrawText(const Pen& pen);
    void DrawPass(const Pen& pen, int glyphSet, float x, bool setOrigin);
    void SaveAndPrepareState();
    void RestoreState();
    /// Switches depth test, texturing, blending, scissor test and lighting, in that order, between
    /// the saved settings and the overlay's.
    void SwitchOverlayCapabilities(bool restore);

    int listBase = 0;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    CShader* shader = nullptr;
    char text[TEXT_CAPACITY] = {};
    CTgaImage sheet;
    SavedState saved;
};

#endif
