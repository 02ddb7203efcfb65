// Screen images: loading through SDL_image, the upload with mipmaps, registration, and the
// tinted quad drawn through the text-and-picture program.
#include "overlay/CScreenImage.h"

#include "shaders/CShader.h"
#include "shaders/CShaderManager.h"
#include "overlay/CTextureManager.h"
#include "images/CDecodedImage.h"
#include "textures/TextureUpload.h"

#include <GL/glew.h>
#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <cassert>
#include <iostream>

namespace
{
const char* const MSG_LOADING = "Loading Texture: ";
const char* const MSG_LOAD_FAILED = "Failed to load the image: ";
const char* const MSG_ERROR = ", Error: ";
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
    CDecodedImage image;
    if (!PackSurfacePixels(surface, surface->format->Amask != 0, image))
    {
        std::cout << MSG_LOAD_FAILED << fileName << MSG_ERROR << SDL_GetError() << std::endl;
        return;
    }
    width = static_cast<float>(surface->w);
    height = static_cast<float>(surface->h);
    textureName = UploadTexture(image, SCREEN_IMAGE_SAMPLING);
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
