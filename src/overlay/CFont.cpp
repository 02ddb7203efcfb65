// Text output with the bitmap font: the glyph lists, the overlay set-up around each string and
// the one or two list calls that draw it.
#include "overlay/CFont.h"

#include "io/DataFolders.h"
#include "io/FatalExit.h"
#include "shaders/CShader.h"
#include "shaders/CShaderManager.h"

#include <GL/glew.h>
#include <SDL/SDL.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{
const int GLYPHS_PER_SET = 128;
const int FIRST_CODE = 32;  // the space character, first cell of each set
const int SHEET_COLUMNS = 16;
const float CELL_UV = 1.0f / 16.0f;
// Keeps the row above a cell from bleeding into its top edge under linear filtering.
const float TOP_EDGE_INSET = 0.001f;
const float GLYPH_SIZE = 16.0f;
const float GLYPH_ADVANCE = 12.0f;
const float BOLD_OFFSET = 1.0f;
const int HIGHEST_SET = 3;
const int SHEET_LOAD_FAILED = 1;
}  // namespace

CFont::~CFont()
{
    if (listBase != 0)
    {
        glDeleteLists(static_cast<GLuint>(listBase), GLYPH_COUNT);
    }
}

bool CFont::Load(const char* path)
{
    // The sheet is a data file: the working directory's copy first, then the data folders'.
    const std::string sheetFile = path ? DataFileOrName(path) : std::string();
    if (!sheet.Load(path ? sheetFile.c_str() : nullptr))
    {
        if (path)
        {
            ReportDataFileNotFound(path);
        }
        SDL_Quit();
        FatalExit(SHEET_LOAD_FAILED);
    }
    listBase = static_cast<int>(glGenLists(GLYPH_COUNT));
    glBindTexture(GL_TEXTURE_2D, sheet.textureName);
    for (int glyph = 0; glyph < GLYPH_COUNT; ++glyph)
    {
        const int column = glyph % SHEET_COLUMNS;
        const int row = glyph / SHEET_COLUMNS;
        const float u = static_cast<float>(column) / SHEET_COLUMNS;
        const float t = 1.0f - static_cast<float>(row) / SHEET_COLUMNS;
        glNewList(static_cast<GLuint>(listBase + glyph), GL_COMPILE);
        glBegin(GL_QUADS);
        glTexCoord2f(u, t - CELL_UV);
        glVertex2f(0.0f, GLYPH_SIZE);
        glTexCoord2f(u + CELL_UV, t - CELL_UV);
        glVertex2f(GLYPH_SIZE, GLYPH_SIZE);
        glTexCoord2f(u + CELL_UV, t - TOP_EDGE_INSET);
        glVertex2f(GLYPH_SIZE, 0.0f);
        glTexCoord2f(u, t - TOP_EDGE_INSET);
        glVertex2f(0.0f, 0.0f);
        glEnd();
        glTranslatef(GLYPH_ADVANCE, 0.0f, 0.0f);
        glEndList();
    }
    shader = gShaderManager->GetShader(SHADER_SIMPLE_TEXTURE);
    return true;
}

void CFont::SetColor(float red, float green, float blue, float alpha)
{
    colour[0] = red;
    colour[1] = green;
    colour[2] = blue;
    colour[3] = alpha;
}

bool CFont::PrintColored(int x, int y, int set, float red, float green, float blue,
                         const char* format, ...)
{
    const float tint[4] = {red, green, blue, 1.0f};
    va_list arguments;
    va_start(arguments, format);
    DrawFormatted(x, y, set, tint, scaleX, scaleY, false, format, arguments);
    va_end(arguments);
    return true;
}

bool CFont::Print(int x, int y, int set, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    DrawFormatted(x, y, set, colour, scaleX, scaleY, false, format, arguments);
    va_end(arguments);
    return true;
}

bool CFont::PrintAt(float x, float y, int set, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    DrawFormatted(x, y, set, colour, scaleX, scaleY, true, format, arguments);
    va_end(arguments);
    return true;
}

bool CFont::PrintEx(int x, int y, int set, float red, float green, float blue, float alpha,
                    float glyphScaleX, float glyphScaleY, const char* format, ...)
{
    const float tint[4] = {red, green, blue, alpha};
    va_list arguments;
    va_start(arguments, format);
    DrawFormatted(x, y, set, tint, glyphScaleX, glyphScaleY, false, format, arguments);
    va_end(arguments);
    return true;
}

// A null format draws nothing and leaves the last text as it was.
void CFont::DrawFormatted(float x, float y, int set, const float tint[4], float glyphScaleX,
                          float glyphScaleY, bool passOrigin, const char* format, va_list arguments)
{
    if (!format)
    {
        return;
    }
    Format(format, arguments);
    DrawText(
        {x, y, set, {tint[0], tint[1], tint[2], tint[3]}, glyphScaleX, glyphScaleY, passOrigin});
}

// vsnprintf cuts text that does not fit, so no caller can write past the buffer.
void CFont::Format(const char* format, va_list arguments)
{
    if (vsnprintf(text, sizeof text, format, arguments) < 0)
    {
        text[0] = '\0';
    }
}

void CFont::DrawText(const Pen& pen)
{
    // Sets outside 0..3 have no meaning; keep them to the sheet's own lists.
    const int set = std::min(std::max(pen.set, 0), HIGHEST_SET);
    const bool bold = set > 1;
    const int firstSet = bold ? set - 2 : set;

    SaveAndPrepareState();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, saved.viewport[2], saved.viewport[3], 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    // Unit 0 first, so the sheet lands where the shader samples it.
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, sheet.textureName);

    DrawPass(pen, firstSet, pen.x, false);
    if (bold)
    {
        DrawPass(pen, firstSet, pen.x + BOLD_OFFSET, pen.passOrigin);
    }

    glBindTexture(GL_TEXTURE_2D, 0);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    RestoreState();
}

void CFont::DrawPass(const Pen& pen, int glyphSet, float x, bool setOrigin)
{
    glLoadIdentity();
    glListBase(static_cast<GLuint>(glyphSet * GLYPHS_PER_SET + listBase - FIRST_CODE));
    glTranslatef(x, pen.y, 0.0f);
    glScalef(pen.scaleX, pen.scaleY, 1.0f);
    const GLsizei length = static_cast<GLsizei>(strlen(text));
    if (shader)
    {
        shader->Bind();
        GLhandleARB program = shader->GetProgram();
        if (setOrigin)
        {
            glUniform3fARB(glGetUniformLocationARB(program, "tpos"), x, pen.y, 0.0f);
        }
        glUniform4fARB(glGetUniformLocationARB(program, "colors"), pen.tint[0], pen.tint[1],
                       pen.tint[2], pen.tint[3]);
        glCallLists(length, GL_UNSIGNED_BYTE, text);
        CShader::Unbind();
    }
    else
    {
        // Without the text program the fixed pipeline tints the glyphs (texture times colour).
        glPushAttrib(GL_CURRENT_BIT);
        glColor4fv(pen.tint);
        glCallLists(length, GL_UNSIGNED_BYTE, text);
        glPopAttrib();
    }
}

void CFont::SaveAndPrepareState()
{
    saved.blend = glIsEnabled(GL_BLEND) == GL_TRUE;
    saved.scissorTest = glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE;
    saved.texture2D = glIsEnabled(GL_TEXTURE_2D) == GL_TRUE;
    saved.lighting = glIsEnabled(GL_LIGHTING) == GL_TRUE;
    saved.depthTest = glIsEnabled(GL_DEPTH_TEST) == GL_TRUE;
    glGetIntegerv(GL_MATRIX_MODE, &saved.matrixMode);
    glGetIntegerv(GL_VIEWPORT, saved.viewport);
    glGetIntegerv(GL_BLEND_SRC, &saved.blendSource);
    glGetIntegerv(GL_BLEND_DST, &saved.blendDestination);
    glGetIntegerv(GL_LIST_BASE, &saved.listBase);

    SwitchOverlayCapabilities(false);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// Only a capability whose saved setting differs from what the overlay needs is switched, to the
// overlay's setting on the way in and back to the saved one on the way out.
void CFont::SwitchOverlayCapabilities(bool restore)
{
    struct OverlayCapability
    {
        GLenum capability;
        bool SavedState::*savedEnabled;
        bool overlayEnabled;
    };
    static const OverlayCapability capabilities[] = {
        {GL_DEPTH_TEST, &SavedState::depthTest, false},
        {GL_TEXTURE_2D, &SavedState::texture2D, true},
        {GL_BLEND, &SavedState::blend, true},
        {GL_SCISSOR_TEST, &SavedState::scissorTest, true},
        {GL_LIGHTING, &SavedState::lighting, false},
    };
    for (const OverlayCapability& entry : capabilities)
    {
        const bool savedEnabled = saved.*entry.savedEnabled;
        if (savedEnabled == entry.overlayEnabled)
        {
            continue;
        }
        if (restore ? savedEnabled : entry.overlayEnabled)
        {
            glEnable(entry.capability);
        }
        else
        {
            glDisable(entry.capability);
        }
    }
}

void CFont::RestoreState()
{
    SwitchOverlayCapabilities(true);
    glBlendFunc(static_cast<GLenum>(saved.blendSource),
                static_cast<GLenum>(saved.blendDestination));
    glListBase(static_cast<GLuint>(saved.listBase));
    glMatrixMode(static_cast<GLenum>(saved.matrixMode));
}
