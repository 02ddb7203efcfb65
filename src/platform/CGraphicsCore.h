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

/// The video mode, GL context and drawing state, reached through gGraphicsCore.
///
/// Created by CEngine with no window; the window and context exist from SetVideoMode on, and
/// everything that issues GL (textures, shaders, models) waits for that. Depth and stencil bits
/// and the field of view are start-up settings, read by SetVideoMode.
class CGraphicsCore
{
public:
    /// The depth texture the shadow-map pass renders into, and its framebuffer object.
    struct RenderTarget
    {
        GLuint depthTexture = 0;  ///< GL texture name, width x height depth components
        GLuint framebuffer = 0;   ///< EXT framebuffer object with depthTexture attached
        /// What drawing to the window means: 0 with classic SDL 1.2, but its compatibility layer
        /// over SDL 2 draws the window into a framebuffer object of its own and copies that to
        /// the window at each swap; binding 0 there would draw past it into a picture it
        /// overwrites.
        GLuint windowFramebuffer = 0;
        int width = 512;      ///< pixels
        int height = 512;     ///< pixels
        CMatrix4 biasMatrix;  ///< maps clip space (-1..1) to texture space (0..1)
    };

    CGraphicsCore();
    ~CGraphicsCore();

    /// Start-up settings read by SetVideoMode: depth and stencil buffer bits (16 and 4 by default)
    /// and the vertical field of view in degrees (60). Changing them later has no effect on the
    /// open window.
    ///@{
    void SetDepthBits(int bits) { depthBits = bits; }
    void SetStencilBits(int bits) { stencilBits = bits; }
    void SetFieldOfView(double degrees) { fieldOfView = degrees; }
    double GetFieldOfView() const { return fieldOfView; }
    ///@}

    /// Opens the window and GL context (width x height pixels), initialises GLEW, checks the
    /// extensions and creates the shadow-map render target. only2D starts in 2D mode instead of
    /// the perspective view. A failure of SDL's video start-up or of the mode throws a
    /// std::string (fixed text and SDL's error); missing vertex buffers or multitexture are
    /// reported and end the process.
    void SetVideoMode(int width, int height, int bitsPerPixel, bool fullscreen, bool only2D);
    /// Multiplies the current matrix by a perspective projection, as gluPerspective (fovY in
    /// degrees).
    void Perspective(double fovY, double aspect, double zNear, double zFar);

    /// Enters 2D drawing: an orthographic projection of one unit per pixel, origin at the top
    /// left and y down, blending and texturing on, lighting off. The projection is pushed and the
    /// modelview matrix is left to the caller.
    void Begin2D();
    /// Leaves 2D drawing: pops the projection Begin2D pushed.
    void End2D();
    /// Draws polygons as lines (true) or filled (false).
    ///@{
    void SetWireframe(bool on);
    bool IsWireframe() const { return wireframe; }
    ///@}
    /// Pushes an orthographic projection of the given rectangle (pixels, top-left origin) and
    /// loads the identity modelview matrix; End2D pops it.
    void SetOrtho(int left, int top, int right, int bottom);

    /// Shows or hides the system mouse cursor.
    void ShowCursor(bool show);
    /// Loads the software cursor's picture (a screen image, owned here) and hides the system
    /// cursor; the engine's Frame draws it at the mouse from then on.
    void LoadCursor(const char* path);
    /// Loads the picture shown while a button is held; SetCursorPressed switches to it.
    void LoadPressedCursor(const char* path);
    /// LoadCursor and LoadPressedCursor in one call.
    void LoadCursors(const char* path, const char* pressedPath);
    /// Shows the pressed picture (true) or the normal one.
    void SetCursorPressed(bool pressed);
    /// True once a software cursor is loaded.
    bool IsOwnCursorShown() const { return ownCursorShown; }
    /// Draws the software cursor at the mouse position; call in 2D mode. Nothing without one.
    void DrawCursor();
    /// The picture the cursor shows now; null before a cursor is loaded.
    CScreenImage* GetCurrentCursorImage() const { return currentCursorImage; }

    /// The window's title bar text ("Kyrel Engine" until set); the frame-rate counter appends
    /// its figure to it.
    ///@{
    void SetCaption(const std::string& text);
    std::string GetCaption() const { return caption; }
    ///@}
    /// The stored caption without a copy, for the per-frame path.
    const char* GetCaptionText() const { return caption.c_str(); }

    /// Whether the game object manager draws shadows (off by default), and by which technique
    /// (stencil volumes by default).
    ///@{
    void SetShadows(bool on) { shadows = on; }
    bool GetShadows() const { return shadows; }
    void SetShadowMethod(ShadowMethod method) { shadowMethod = method; }
    ShadowMethod GetShadowMethod() const { return shadowMethod; }
    ///@}

    /// Anisotropic filtering of the textures loaded from then on; enabling does nothing when
    /// the driver lacks GL_EXT_texture_filter_anisotropic.
    ///@{
    void EnableAnisotropicFiltering() { anisotropicFilteringOn = anisotropicFilteringSupported; }
    void DisableAnisotropicFiltering() { anisotropicFilteringOn = false; }
    bool IsAnisotropicFilteringOn() const { return anisotropicFilteringOn; }
    ///@}
    /// Optional extensions found by SetVideoMode (false before it).
    ///@{
    bool HasStencilTwoSide() const { return stencilTwoSideSupported; }
    bool HasFramebufferObjects() const { return framebufferObjectsSupported; }
    ///@}
    /// False when the video mode was opened for 2D only.
    bool Is3DMode() const { return mode3D; }

    /// The shadow-map render target (see RenderTarget): its size in pixels, depth texture,
    /// framebuffer object, the window's own framebuffer and the bias matrix.
    ///@{
    int GetRenderTargetWidth() const { return renderTarget.width; }
    int GetRenderTargetHeight() const { return renderTarget.height; }
    GLuint GetRenderTargetTexture() const { return renderTarget.depthTexture; }
    GLuint GetFramebuffer() const { return renderTarget.framebuffer; }
    GLuint GetWindowFramebuffer() const { return renderTarget.windowFramebuffer; }
    const CMatrix4* GetBiasMatrix() const { return &renderTarget.biasMatrix; }
    ///@}

    /// The video mode's size in pixels and the SDL flags it was opened with.
    ///@{
    unsigned GetWidth() const { return width; }
    unsigned GetHeight() const { return height; }
    Uint32 GetVideoFlags() const { return videoFlags; }
    ///@}

    /// Shows the finished frame. A build configured with KYREL_GL_CHECK first drains the GL error
    /// queue and reports every error with the frame it happened in, so that long runs show GL
    /// faults that a single frame's picture hides.
    void SwapBuffers();
    /// Frames shown since start-up.
    unsigned long GetSwappedFrames() const { return swappedFrames; }
    /// Writes the frame drawn so far (before SwapBuffers) to a BMP file, top row first; false when
    /// there is no window or the file cannot be written. Programs run headless use it to show
    /// what they drew.
    bool SaveScreenshot(const char* path) const;

    /// The GL driver's vendor, renderer and version strings; empty before SetVideoMode.
    ///@{
    std::string GetVendor() const;
    std::string GetRenderer() const;
    std::string GetVersion() const;
    ///@}

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

/// The engine's graphics core, created and deleted by CEngine.
extern CGraphicsCore* gGraphicsCore;

#endif
