/// \file
/// The engine's service object: frame timer and frames per second (also shown in the window
/// caption), tangent-space computation, debug drawing, and image loading by file name.
#ifndef KYREL_CUTILS_H
#define KYREL_CUTILS_H

#include "textures/TextureUpload.h"

#include <GL/glew.h>
#include <string>

/// Frame timing and image loading, reached through gUtils.
class CUtils
{
public:
    CUtils();
    ~CUtils() = default;

    /// Call once per frame. Measures the frame time, then counts the frame and refreshes the rate in the caption once a
    /// second: the frames-per-second display's work.
    void UpdateFrameTimer();
    /// Measures the frame time alone; the engine calls it every frame the display is off, so the
    /// camera's motion never stops with the counter hidden.
    void MeasureFrameTime();
    /// Seconds the last frame took.
    double GetFrameTime() const { return frameTime; }
    /// Frames counted over the last second, refreshed once a second by UpdateFrameTimer.
    int GetFPS() const { return framesPerSecond; }
    /// The frame-rate text appended to the window caption; empty before the first second.
    const char* GetCaptionSuffix() const { return captionSuffix; }

    /// Tangent and binormal of a textured triangle, normalised; degenerate texture coordinates
    /// leave both outputs untouched.
    static void ComputeTangentSpace(const float p0[3], const float p1[3], const float p2[3],
                                    const float t0[2], const float t1[2], const float t2[2],
                                    float tangent[3], float binormal[3]);

    /// Debug shapes in immediate mode, texturing switched off: a cube of side 2 with a colour
    /// per face, a grey grid of 1-unit cells 60 units across in the y = 0 plane, a green quad of
    /// side 2, each at (x, y, z); and the x, y, z axes, 10 units long, red, green and blue.
    ///@{
    void DrawCube(float x, float y, float z);
    void DrawGrid(float x, float y, float z);
    void DrawQuad(float x, float y, float z);
    void DrawAxes();
    ///@}

    /// Turns an image file into a GL texture by the reader its name selects; 0 on failure.
    /// Each reader gives its rows in its own order (BMP and PCX bottom first, JPEG and SDL_image
    /// top first, DDS as stored) unless the caller asks for the bottom row first: models whose
    /// texture coordinates count v up from the bottom of the picture (OBJ, 3DS, MD2) ask, so a
    /// picture maps the same whatever its file format. DDS blocks always go to GL as stored.
    GLuint LoadImage(const char* path, ImageRowOrder rows = ROWS_AS_DECODED);
    /// Loads a picture a model file names, as exporters write names on other machines: the path
    /// as written, else its base name in folder (each also ignoring letter case; nothing found
    /// leaves the path as written, and its loader's message). The path used goes to *used when
    /// asked for; otherwise a file found elsewhere than written is named in one line.
    GLuint LoadModelTexture(const std::string& asWritten, const std::string& folder,
                            ImageRowOrder rows, std::string* used = nullptr);

    /// A bitmap decoded through SDL: R, G, B per pixel (components is always 3), bottom row first.
    struct SdlBitmap
    {
        int components = 3;             ///< bytes per pixel
        int width = 0;                  ///< pixels
        int height = 0;                 ///< pixels
        unsigned char* data = nullptr;  ///< width * height * 3 bytes, owned

        SdlBitmap() = default;
        SdlBitmap(const SdlBitmap&) = delete;
        SdlBitmap& operator=(const SdlBitmap&) = delete;
        ~SdlBitmap() { delete[] data; }
    };

    /// Loads a bitmap through SDL's BMP decoder into a mipmapped texture; 0 on failure.
    GLuint LoadBMPWithSDL(const char* path);
    /// Decodes a bitmap through SDL; a new record, or null.
    SdlBitmap* DecodeBMPWithSDL(const char* path);

private:
    // A bitmap for anisotropic sampling: the engine's reader, else SDL's.
    GLuint LoadBitmapFiltered(const char* path);

    static const int CAPTION_SUFFIX_SIZE = 24;

    int framesPerSecond;
    double frameTime;
    char captionSuffix[CAPTION_SUFFIX_SIZE];
};

/// The engine's utilities object, created and deleted by CEngine.
extern CUtils* gUtils;

#endif
