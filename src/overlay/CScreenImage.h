// A picture file turned into a texture and drawn as a tinted quad in screen space.
#ifndef KYREL_CSCREENIMAGE_H
#define KYREL_CSCREENIMAGE_H

class CScreenImage
{
public:
    CScreenImage() = default;
    explicit CScreenImage(const char* path);
    ~CScreenImage() = default;

    void Draw(float scale, float angle, float red, float green, float blue, float alpha);
    void DrawAt(float x, float y, float scale, float angle, float red, float green, float blue,
                float alpha);
    int GetWidth() const { return width; }
    int GetHeight() const { return height; }

    float position[2] = {0.0f, 0.0f};

private:
    int width = 0;
    int height = 0;
};

#endif
