// Video mode, GL start-up state, extension checks, 2D drawing state and the shadow render target.
#include "platform/CGraphicsCore.h"

#include "io/FatalExit.h"
#include "overlay/CScreenImage.h"
#include "platform/CEventManager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <vector>

namespace
{
const double PI = 3.141592653589793;
const double Z_NEAR = 1.0;
const double Z_FAR = 15000.0;

const char* const MSG_SDL_INIT = "Error: SDL Could not be initialized: ";
const char* const MSG_VIDEO_SURFACE = "Error: SDL Could not create Video Surface.";
const char* const MSG_VIDEO_INFO = "Failed getting Video Info : ";
const char* const MSG_NO_VBO =
    "\nSorry, your video card does not support GL_ARB_vertex_buffer_object extension!";
const char* const MSG_NO_MULTITEXTURE =
    "\nSorry, your video card does not support GL_ARB_multitexture extension!";
const char* const MSG_FBO_UNSUPPORTED = "FBO configuration unsupported";
const char* const MSG_FBO_ERROR = "FBO programmer error";

std::string GLString(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "";
}
}  // namespace

CGraphicsCore::CGraphicsCore()
    : videoFlags(0), width(1024), height(768), bitsPerPixel(16), depthBits(16), stencilBits(4),
      fieldOfView(60.0), stencilTwoSideSupported(false), anisotropicFilteringSupported(false),
      anisotropicFilteringOn(false), framebufferObjectsSupported(false), cursorImage(nullptr),
      ownCursorShown(false), pressedCursorImage(nullptr), currentCursorImage(nullptr),
      hasPressedCursor(false), caption("Kyrel Engine"), wireframe(false), mode3D(false),
      shadows(false), shadowMethod(SHADOW_STENCIL_VOLUMES), swappedFrames(0)
{
    // Maps clip coordinates in -1..1 to texture coordinates in 0..1 for the shadow-map lookup.
    CMatrix4& bias = renderTarget.biasMatrix;
    bias = CMatrix4::Identity();
    bias[0] = 0.5f;
    bias[5] = 0.5f;
    bias[10] = 0.5f;
    bias[12] = 0.5f;
    bias[13] = 0.5f;
    bias[14] = 0.5f;
}

CGraphicsCore::~CGraphicsCore()
{
    delete cursorImage;
    delete pressedCursorImage;
}

void CGraphicsCore::SetVideoMode(int newWidth, int newHeight, int newBitsPerPixel, bool fullscreen,
                                 bool only2D)
{
    width = static_cast<unsigned>(newWidth);
    height = static_cast<unsigned>(newHeight);
    bitsPerPixel = newBitsPerPixel;
    mode3D = !only2D;

    if (SDL_Init(SDL_INIT_VIDEO) < 0)
    {
        throw std::string(MSG_SDL_INIT) + SDL_GetError();
    }

    videoFlags = SDL_OPENGL | SDL_HWPALETTE;
    if (fullscreen)
    {
        videoFlags |= SDL_FULLSCREEN;
    }
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    if (!info)
    {
        fprintf(stderr, "%s%s\n", MSG_VIDEO_INFO, SDL_GetError());
        SDL_Quit();
    }
    else
    {
        if (info->hw_available)
        {
            videoFlags |= SDL_HWSURFACE;
        }
        if (info->blit_hw)
        {
            videoFlags |= SDL_HWACCEL;
        }
    }

    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencilBits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 0);

    if (!SDL_SetVideoMode(newWidth, newHeight, newBitsPerPixel, videoFlags))
    {
        throw std::string(MSG_VIDEO_SURFACE) + SDL_GetError();
    }

    if (only2D)
    {
        Begin2D();
    }
    else
    {
        SetupPerspectiveView(width, height);
    }

    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);

    GLenum glewStatus = glewInit();
    if (glewStatus != GLEW_OK)
    {
        fprintf(stderr, "Error: %s\n", glewGetErrorString(glewStatus));
    }

    CheckExtensions();
    CreateRenderTarget();
}

void CGraphicsCore::CheckExtensions()
{
    stencilTwoSideSupported = glewIsSupported("GL_EXT_stencil_two_side");
    anisotropicFilteringSupported = glewIsSupported("GL_EXT_texture_filter_anisotropic");

    // Without these two nothing can be drawn. Both are read before either report shuts SDL
    // down; once both are reported the process ends, as there is no context left to draw into.
    bool hasVertexBuffers = glewIsSupported("GL_ARB_vertex_buffer_object");
    bool hasMultitexture = glewIsSupported("GL_ARB_multitexture");
    bool missingRequired = !hasVertexBuffers || !hasMultitexture;
    if (!hasVertexBuffers)
    {
        std::cout << MSG_NO_VBO;
        SDL_Quit();
    }
    if (!hasMultitexture)
    {
        std::cout << MSG_NO_MULTITEXTURE;
        SDL_Quit();
    }
    if (missingRequired)
    {
        FatalExit();
    }
    framebufferObjectsSupported = glewIsSupported("GL_EXT_framebuffer_object");
}

void CGraphicsCore::SetupPerspectiveView(unsigned viewWidth, unsigned viewHeight)
{
    if (viewHeight == 0)
    {
        viewHeight = 1;
    }
    glViewport(0, 0, static_cast<GLsizei>(viewWidth), static_cast<GLsizei>(viewHeight));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    Perspective(fieldOfView, static_cast<double>(viewWidth) / static_cast<double>(viewHeight),
                Z_NEAR, Z_FAR);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glDisable(GL_LIGHTING);
}

void CGraphicsCore::Perspective(double fovY, double aspect, double zNear, double zFar)
{
    double top = std::tan(fovY * PI / 360.0) * zNear;
    glFrustum(-top * aspect, top * aspect, -top, top, zNear, zFar);
}

void CGraphicsCore::CreateRenderTarget()
{
    glGenTextures(1, &renderTarget.depthTexture);
    glBindTexture(GL_TEXTURE_2D, renderTarget.depthTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, renderTarget.width, renderTarget.height, 0,
                 GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    if (!framebufferObjectsSupported)
    {
        return;
    }
    GLint windowFramebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &windowFramebuffer);
    renderTarget.windowFramebuffer = static_cast<GLuint>(windowFramebuffer);
    glGenFramebuffersEXT(1, &renderTarget.framebuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, renderTarget.framebuffer);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D,
                              renderTarget.depthTexture, 0);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    if (status != GL_FRAMEBUFFER_COMPLETE_EXT)
    {
        std::cerr << (status == GL_FRAMEBUFFER_UNSUPPORTED_EXT ? MSG_FBO_UNSUPPORTED
                                                               : MSG_FBO_ERROR)
                  << std::endl;
        SDL_Quit();
        FatalExit();
    }
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, renderTarget.windowFramebuffer);
}

void CGraphicsCore::Begin2D()
{
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_SCISSOR_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, static_cast<double>(width), static_cast<double>(height), 0.0, -1.0, 1.0);
    // The modelview matrix is left to the caller.
    glMatrixMode(GL_MODELVIEW);
}

void CGraphicsCore::End2D()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDepthFunc(GL_LEQUAL);
}

void CGraphicsCore::SetWireframe(bool on)
{
    wireframe = on;
    glPolygonMode(GL_FRONT_AND_BACK, on ? GL_LINE : GL_FILL);
}

void CGraphicsCore::SetOrtho(int left, int top, int right, int bottom)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(left, right, bottom, top, 0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void CGraphicsCore::ShowCursor(bool show)
{
    SDL_ShowCursor(show ? 1 : 0);
}

void CGraphicsCore::LoadCursor(const char* path)
{
    cursorImage = new CScreenImage(path);
    ownCursorShown = true;
    currentCursorImage = cursorImage;
    SDL_ShowCursor(0);
}

void CGraphicsCore::LoadPressedCursor(const char* path)
{
    pressedCursorImage = new CScreenImage(path);
    hasPressedCursor = true;
}

void CGraphicsCore::LoadCursors(const char* path, const char* pressedPath)
{
    cursorImage = new CScreenImage(path);
    ownCursorShown = true;
    SDL_ShowCursor(0);
    pressedCursorImage = new CScreenImage(pressedPath);
    hasPressedCursor = true;
    currentCursorImage = cursorImage;
}

void CGraphicsCore::SetCursorPressed(bool pressed)
{
    currentCursorImage = pressed ? pressedCursorImage : cursorImage;
}

void CGraphicsCore::DrawCursor()
{
    CScreenImage* image = hasPressedCursor ? currentCursorImage : cursorImage;
    if (!image)
    {
        return;
    }
    image->DrawAt(static_cast<float>(gEventManager->GetMouseX()),
                  static_cast<float>(gEventManager->GetMouseY()), 1.0f, 0.0f, 1.0f, 1.0f, 1.0f,
                  1.0f);
}

void CGraphicsCore::SetCaption(const std::string& text)
{
    caption = text;
    SDL_WM_SetCaption(caption.c_str(), "");
}

bool CGraphicsCore::SaveScreenshot(const char* path) const
{
    if (!path || width == 0 || height == 0)
    {
        return false;
    }
    // Under SDL's compatibility layer the window is a framebuffer object whose colour buffer is
    // already the read buffer, and GL_BACK names no buffer there.
    GLint framebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    if (framebuffer == 0)
    {
        glReadBuffer(GL_BACK);
    }
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    std::vector<unsigned char> pixels(rowBytes * height);
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGB,
                 GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);

    // Masks that put the bytes in memory as R, G, B, the order GL wrote them in.
#if SDL_BYTEORDER == SDL_BIG_ENDIAN
    const Uint32 red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;
#else
    const Uint32 red = 0x0000FF, green = 0x00FF00, blue = 0xFF0000;
#endif
    SDL_Surface* shot = SDL_CreateRGBSurface(SDL_SWSURFACE, static_cast<int>(width),
                                             static_cast<int>(height), 24, red, green, blue, 0);
    if (!shot)
    {
        return false;
    }
    SDL_LockSurface(shot);
    // GL rows run bottom-up, the picture's top-down.
    for (unsigned row = 0; row < height; ++row)
    {
        std::copy_n(&pixels[rowBytes * (height - 1 - row)], rowBytes,
                    static_cast<unsigned char*>(shot->pixels) +
                        static_cast<size_t>(shot->pitch) * row);
    }
    SDL_UnlockSurface(shot);
    bool written = SDL_SaveBMP(shot, path) == 0;
    SDL_FreeSurface(shot);
    return written;
}

void CGraphicsCore::SwapBuffers()
{
    ++swappedFrames;
#ifdef KYREL_GL_CHECK
    // Bounded: a lost context may report the same error for ever.
    for (int i = 0; i < 16; ++i)
    {
        GLenum error = glGetError();
        if (error == GL_NO_ERROR)
        {
            break;
        }
        const GLubyte* name = gluErrorString(error);
        fprintf(stderr, "GL error 0x%04x (%s) in frame %lu\n", error,
                name ? reinterpret_cast<const char*>(name) : "unknown", swappedFrames);
    }
#endif
    SDL_GL_SwapBuffers();
}

std::string CGraphicsCore::GetVendor() const
{
    return GLString(GL_VENDOR);
}
std::string CGraphicsCore::GetRenderer() const
{
    return GLString(GL_RENDERER);
}
std::string CGraphicsCore::GetVersion() const
{
    return GLString(GL_VERSION);
}
