// Screen images: loading through SDL_image, the upload with mipmaps, registration, and the
// tinted quad drawn through the text-and-picture program.
#include "overlay/CScreenImage.h"

#include "shaders/CShader.h"
#include "shaders/CShaderManager.h"
#include "overlay/CTextureManager.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <cassert>
#include <iostream>

namespace
{
const char* const MSG_LOADING = "Loading Texture: ";
const char* const MSG_LOAD_FAILED = "Failed to load the image: ";
const char* const MSG_ERROR = ", Error: ";
const int UPLOAD_ALIGNMENT = 4;

// Masks of pixels stored R, G, B (, A) byte after byte, the order GL reads them in.
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
const Uint32 RED_MASK = 0x000000FF, GREEN_MASK = 0x0000FF00, BLUE_MASK = 0x00FF0000,
             ALPHA_MASK = 0xFF000000;
const Uint32 RGB24_RED_MASK = 0x0000FF, RGB24_BLUE_MASK = 0xFF0000;
#else
const Uint32 RED_MASK = 0xFF000000, GREEN_MASK = 0x00FF0000, BLUE_MASK = 0x0000FF00,
             ALPHA_MASK = 0x000000FF;
const Uint32 RGB24_RED_MASK = 0xFF0000, RGB24_BLUE_MASK = 0x0000FF;
#endif
const Uint32 RGB24_GREEN_MASK = 0x00FF00;

bool IsUploadable(const SDL_Surface* surface, bool withAlpha)
{
    const SDL_PixelFormat* format = surface->format;
    const int bytesPerPixel = withAlpha ? 4 : 3;
    const int packedPitch =
        (surface->w * bytesPerPixel + UPLOAD_ALIGNMENT - 1) / UPLOAD_ALIGNMENT * UPLOAD_ALIGNMENT;
    if (format->BytesPerPixel != bytesPerPixel || surface->pitch != packedPitch)
    {
        return false;
    }
    if (withAlpha)
    {
        return format->Rmask == RED_MASK && format->Gmask == GREEN_MASK &&
               format->Bmask == BLUE_MASK && format->Amask == ALPHA_MASK;
    }
    return format->Rmask == RGB24_RED_MASK && format->Gmask == RGB24_GREEN_MASK &&
           format->Bmask == RGB24_BLUE_MASK;
}

// Pictures SDL_image hands over palettised or in another channel order are converted, so the
// bytes GL reads are always R, G, B (, A) and never past the surface.
SDL_Surface* ToUploadable(SDL_Surface* surface, bool withAlpha)
{
    if (IsUploadable(surface, withAlpha))
    {
        return surface;
    }
    SDL_Surface* model = withAlpha ? SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, RED_MASK,
                                                          GREEN_MASK, BLUE_MASK, ALPHA_MASK)
                                   : SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 24, RGB24_RED_MASK,
                                                          RGB24_GREEN_MASK, RGB24_BLUE_MASK, 0);
    if (!model)
    {
        return nullptr;
    }
    SDL_Surface* converted = SDL_ConvertSurface(surface, model->format, SDL_SWSURFACE);
    SDL_FreeSurface(model);
    return converted;
}
}  // namespace

CScreenImage::CScreenImage(const char* path)
{
    Load(path);
}

CScreenImage::CScreenImage(const char* path, float imageAlpha)
{
    Load(path);
    alpha = imageAlpha;
}

// GUI windows die with the window manager, after the texture manager is gone.
CScreenImage::~CScreenImage()
{
    if (gTextureManager)
    {
        gTextureManager->Forget(this);
    }
}

void CScreenImage::Load(const char* path)
{
    const char* shownPath = path ? path : "";
    std::cout << MSG_LOADING << shownPath << std::endl;
    SDL_Surface* surface = path ? IMG_Load(path) : nullptr;
    if (!surface)
    {
        std::cout << MSG_LOAD_FAILED << shownPath << MSG_ERROR << SDL_GetError() << std::endl;
        return;
    }
    fileName = path;
    Upload(surface);
    SDL_FreeSurface(surface);
    if (textureName == 0)
    {
        return;
    }
    // Screen images belong to a running engine: its texture manager lists them.
    assert(gTextureManager);
    gTextureManager->RegisterImage(this);
    shader = gShaderManager->GetShader(SHADER_SIMPLE_TEXTURE);
}

void CScreenImage::Upload(SDL_Surface* surface)
{
    const bool withAlpha = surface->format->Amask != 0;
    SDL_Surface* pixels = ToUploadable(surface, withAlpha);
    if (!pixels)
    {
        std::cout << MSG_LOAD_FAILED << fileName << MSG_ERROR << SDL_GetError() << std::endl;
        return;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, UPLOAD_ALIGNMENT);
    glGenTextures(1, &textureName);
    glBindTexture(GL_TEXTURE_2D, textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    width = static_cast<float>(surface->w);
    height = static_cast<float>(surface->h);
    const GLenum format = withAlpha ? GL_RGBA : GL_RGB;
    // The levels are built but the minification filter stays linear: only level 0 is sampled.
    gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(format), surface->w, surface->h, format,
                      GL_UNSIGNED_BYTE, pixels->pixels);
    if (pixels != surface)
    {
        SDL_FreeSurface(pixels);
    }
}

void CScreenImage::Draw(float scale, float angle, float red, float green, float blue,
                        float imageAlpha)
{
    DrawRegion(position[0], position[1], 1.0f, 1.0f, 0.0f, 0.0f, scale, angle, red, green, blue,
               imageAlpha);
}

void CScreenImage::DrawAt(float x, float y, float scale, float angle, float red, float green,
                          float blue, float imageAlpha)
{
    DrawRegion(x, y, 1.0f, 1.0f, 0.0f, 0.0f, scale, angle, red, green, blue, imageAlpha);
}

void CScreenImage::DrawAtOwnAlpha(float x, float y, float scale, float angle, float red,
                                  float green, float blue)
{
    DrawRegion(x, y, 1.0f, 1.0f, 0.0f, 0.0f, scale, angle, red, green, blue, alpha);
}

void CScreenImage::DrawRegion(float x, float y, float top, float right, float bottom, float left,
                              float scale, float angle, float red, float green, float blue,
                              float imageAlpha)
{
    // A picture that did not load has nothing to show.
    if (textureName == 0)
    {
        return;
    }
    const float quadWidth = (right - left) * width;
    const float quadHeight = (top - bottom) * height;

    glPushMatrix();
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, textureName);
    glTranslatef(x, y, 0.0f);
    if (scale != 1.0f)
    {
        glScalef(scale, scale, 1.0f);
    }
    if (angle != 0.0f)
    {
        const float centreX = quadWidth / 2.0f;
        const float centreY = quadHeight / 2.0f;
        glTranslatef(centreX, centreY, 0.0f);
        glRotatef(angle, 0.0f, 0.0f, 1.0f);
        glTranslatef(-centreX, -centreY, 0.0f);
    }
    if (shader)
    {
        shader->Bind();
        glUniform4fARB(glGetUniformLocationARB(shader->GetProgram(), "colors"), red, green, blue,
                       imageAlpha);
    }
    else
    {
        // Without the picture program the fixed pipeline tints (texture times colour).
        glColor4f(red, green, blue, imageAlpha);
    }
    // Bottom-left corner first, as the glyph quads: both keep the same winding.
    glBegin(GL_QUADS);
    glTexCoord2f(left, 1.0f - bottom);
    glVertex2f(0.0f, quadHeight);
    glTexCoord2f(right, 1.0f - bottom);
    glVertex2f(quadWidth, quadHeight);
    glTexCoord2f(right, 1.0f - top);
    glVertex2f(quadWidth, 0.0f);
    glTexCoord2f(left, 1.0f - top);
    glVertex2f(0.0f, 0.0f);
    glEnd();
    if (shader)
    {
        CShader::Unbind();
    }
    glColor3f(1.0f, 1.0f, 1.0f);
    glPopMatrix();
}

void CScreenImage::BindToUnit(int unit)
{
    glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureName);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}
