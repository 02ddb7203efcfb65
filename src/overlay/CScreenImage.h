/// \file
/// A picture file turned into a texture and drawn as a tinted quad in screen space (one unit per
/// pixel, origin top left, y downward: the graphics core's 2D mode).
#ifndef KYREL_CSCREENIMAGE_H
#define KYREL_CSCREENIMAGE_H

#include <string>

class CShader;
struct SDL_Surface;

class CScreenImage
{
public:
    CScreenImage() = default;
    explicit CScreenImage(const char* path);
    CScreenImage(const char* path, float alpha);
    /// Leaves the texture to the GL context; leaves the texture manager's list.
    ~CScreenImage();

    CScreenImage(const CScreenImage&) = delete;
    CScreenImage& operator=(const CScreenImage&) = delete;

    /// Reads the picture through SDL_image, creates its texture and registers the image.
    void Load(const char* path);

    /// Each draw is scaled about the top-left corner and rotated by angle degrees about the
    /// quad's centre. An image without a texture draws nothing.
    void Draw(float scale, float angle, float red, float green, float blue, float alpha);
    void DrawAt(float x, float y, float scale, float angle, float red, float green, float blue,
                float alpha);
    void DrawAtOwnAlpha(float x, float y, float scale, float angle, float red, float green,
                        float blue);
    /// Part of the picture: edges as fractions, top and bottom with 1 at the picture's top edge,
    /// left and right with 0 at its left edge.
    void DrawRegion(float x, float y, float top, float right, float bottom, float left, float scale,
                    float angle, float red, float green, float blue, float alpha);
    void BindToUnit(int unit);

    float GetWidth() const { return width; }
    float GetHeight() const { return height; }
    void SetWidth(float newWidth) { width = newWidth; }
    void SetHeight(float newHeight) { height = newHeight; }
    float GetAlpha() const { return alpha; }
    void SetAlpha(float newAlpha) { alpha = newAlpha; }
    unsigned int GetTextureName() const { return textureName; }
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
