/// \file
/// Owns the SDL video surface and the GL context: video mode, extension checks, 2D drawing state,
/// the shadow-map render target, the window caption and the software mouse cursor.
#ifndef KYREL_CGRAPHICSCORE_H
#define KYREL_CGRAPHICSCORE_H

#include "math/CMatrix4.h"

#include <SDL/SDL.h>
#include <GL/glew.h>
#include <string>

class CScreenImage;

/// How the game object manager draws shadows while shadows are on.
enum ShadowMethod
{
    SHADOW_STENCIL_VOLUMES = 0,
    SHADOW_MAPPING = 1
};

class CGraphicsCore
{
public:
    /// The depth texture the shadow-map pass renders into, and its framebuffer object.
    struct RenderTarget
    {
        GLuint depthTexture = 0;
        GLuint framebuffer = 0;
        /// What drawing to the window means: 0 with classic SDL 1.2, but its compatibility layer
        /// over SDL 2 draws the window into a framebuffer object of its own and copies that to
        /// the window at each swap; binding 0 there would draw past it into a picture it
        /// overwrites.
        GLuint windowFramebuffer = 0;
        int width = 512;
        int height = 512;
        CMatrix4 biasMatrix;
    };

    CGraphicsCore();
    ~CGraphicsCore();

    void SetDepthBits(int bits) { depthBits = bits; }
    void SetStencilBits(int bits) { stencilBits = bits; }
    void SetFieldOfView(double degrees) { fieldOfView = degrees; }
    double GetFieldOfView() const { return fieldOfView; }

    void SetVideoMode(int width, int height, int bitsPerPixel, bool fullscreen, bool only2D);
    void Perspective(double fovY, double aspect, double zNear, double zFar);

    void Begin2D();
    void End2D();
    void SetWireframe(bool on);
    bool IsWireframe() const { return wireframe; }
    void SetOrtho(int left, int top, int right, int bottom);

    void ShowCursor(bool show);
    void LoadCursor(const char* path);
    void LoadPressedCursor(const char* path);
    void LoadCursors(const char* path, const char* pressedPath);
    void SetCursorPressed(bool pressed);
    bool IsOwnCursorShown() const { return ownCursorShown; }
    void DrawCursor();
    CScreenImage* GetCurrentCursorImage() const { return currentCursorImage; }

    void SetCaption(const std::string& text);
    std::string GetCaption() const { return caption; }
    /// The stored caption without a copy, for the per-frame path.
    const char* GetCaptionText() const { return caption.c_str(); }

    void SetShadows(bool on) { shadows = on; }
    bool GetShadows() const { return shadows; }
    void SetShadowMethod(ShadowMethod method) { shadowMethod = method; }
    ShadowMethod GetShadowMethod() const { return shadowMethod; }

    void EnableAnisotropicFiltering() { anisotropicFilteringOn = anisotropicFilteringSupported; }
    void DisableAnisotropicFiltering() { anisotropicFilteringOn = false; }
    bool IsAnisotropicFilteringOn() const { return anisotropicFilteringOn; }
    bool HasStencilTwoSide() const { return stencilTwoSideSupported; }
    bool HasFramebufferObjects() const { return framebufferObjectsSupported; }
    bool Is3DMode() const { return mode3D; }

    int GetRenderTargetWidth() const { return renderTarget.width; }
    int GetRenderTargetHeight() const { return renderTarget.height; }
    GLuint GetRenderTargetTexture() const { return renderTarget.depthTexture; }
    GLuint GetFramebuffer() const { return renderTarget.framebuffer; }
    GLuint GetWindowFramebuffer() const { return renderTarget.windowFramebuffer; }
    const CMatrix4* GetBiasMatrix() const { return &renderTarget.biasMatrix; }

    unsigned GetWidth() const { return width; }
    unsigned GetHeight() const { return height; }
    Uint32 GetVideoFlags() const { return videoFlags; }

    /// Shows the finished frame. A build configured with KYREL_GL_CHECK first drains the GL error
    /// queue and reports every error with the frame it happened in, so that long runs show GL
    /// faults that a single frame's picture hides.
    void SwapBuffers();
    unsigned long GetSwappedFrames() const { return swappedFrames; }

    std::string GetVendor() const;
    std::string GetRenderer() const;
    std::string GetVersion() const;

private:
    void SetupPerspectiveView(unsigned viewWidth, unsigned viewHeight);
    void CheckExtensions();
    void CreateRenderTarget();

    Uint32 videoFlags;
    unsigned width;
    unsigned height;
    int bitsPerPixel;
    int depthBits;
    int stencilBits;
    double fieldOfView;
    bool stencilTwoSideSupported;
    bool anisotropicFilteringSupported;
    bool anisotropicFilteringOn;
    bool framebufferObjectsSupported;
    CScreenImage* cursorImage;
    bool ownCursorShown;
    CScreenImage* pressedCursorImage;
    CScreenImage* currentCursorImage;
    bool hasPressedCursor;
    std::string caption;
    bool wireframe;
    bool mode3D;
    bool shadows;
    RenderTarget renderTarget;
    ShadowMethod shadowMethod;
    unsigned long swappedFrames;
};

extern CGraphicsCore* gGraphicsCore;

#endif
