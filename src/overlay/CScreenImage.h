/// \file
/// A picture file turned into a texture and drawn as a tinted quad in screen space (one unit per
/// pixel, origin top left, y downward: the graphics core's 2D mode).
#ifndef KYREL_CSCREENIMAGE_H
#define KYREL_CSCREENIMAGE_H

#include <string>

class CShader;
struct SDL_Surface;

/// A picture drawn in 2D mode, sizes in pixels; needs the video mode open (it creates a texture
/// and draws with built-in shader 0).
class CScreenImage
{
public:
    /// An image without a picture: it draws nothing until Load.
    CScreenImage() = default;
    /// Loads the picture at path (see Load), with the given opacity (0..1, 1 by default).
    ///@{
    explicit CScreenImage(const char* path);
    CScreenImage(const char* path, float alpha);
    ///@}
    /// Leaves the texture to the GL context; leaves the texture manager's list.
    ~CScreenImage();

    CScreenImage(const CScreenImage&) = delete;
    CScreenImage& operator=(const CScreenImage&) = delete;

    /// Reads the picture through SDL_image, creates its texture and registers the image with the
    /// texture manager. A picture that cannot be read prints a line naming it and SDL's error on
    /// standard output and leaves the image without a texture (texture name 0).
    void Load(const char* path);

    /// Each draw is scaled about the top-left corner and rotated by angle degrees about the
    /// quad's centre. An image without a texture draws nothing.
    /// Draw uses the stored position, the At forms (x, y); the colour (0..1) multiplies the
    /// picture, and OwnAlpha takes the image's own alpha.
    ///@{
    void Draw(float scale, float angle, float red, float green, float blue, float alpha);
    void DrawAt(float x, float y, float scale, float angle, float red, float green, float blue,
                float alpha);
    void DrawAtOwnAlpha(float x, float y, float scale, float angle, float red, float green,
                        float blue);
    ///@}
    /// Part of the picture: edges as fractions, top and bottom with 1 at the picture's top edge,
    /// left and right with 0 at its left edge.
    void DrawRegion(float x, float y, float top, float right, float bottom, float left, float scale,
                    float angle, float red, float green, float blue, float alpha);
    /// Binds the texture to texture unit `unit` (0 for GL_TEXTURE0), modulated, and leaves that
    /// unit active.
    void BindToUnit(int unit);

    /// Drawn size in pixels: the picture's own until set otherwise.
    ///@{
    float GetWidth() const { return width; }
    float GetHeight() const { return height; }
    void SetWidth(float newWidth) { width = newWidth; }
    void SetHeight(float newHeight) { height = newHeight; }
    ///@}
    /// Opacity 0..1 for DrawAtOwnAlpha.
    ///@{
    float GetAlpha() const { return alpha; }
    void SetAlpha(float newAlpha) { alpha = newAlpha; }
    ///@}
    /// The GL texture name; 0 when no picture was loaded.
    unsigned int GetTextureName() const { return textureName; }
    /// The path the picture was loaded from; empty when none was.
    const std::string& GetFileName() const { return fileName; }

    /// Top-left corner used by Draw; the owner sets it directly.
    float position[2] = {0.0f, 0.0f};

private:
    void Upload(SDL_Surface* surface);

    unsigned int textureName = 0;
    std::string fileName;
    float width = 0.0f;
    float height = 0.0f;
    float alpha = 1.0f;
    CShader* shader = nullptr;
};

#endif
