/// \file
/// The entity of animated MD2 models: draws the blend of the current and the next key frame of its
/// animation, steps the frames on a millisecond clock, and casts one stencil shadow volume built
/// from the same two frames.
#ifndef KYREL_CMD2OBJECT_H
#define KYREL_CMD2OBJECT_H

#include "models/CEntity.h"
#include "models/CMD2Reader.h"
#include "models/CModelData.h"
#include "models/CShadowVolume.h"

/// The entity of the MD2 kind (see CEntity); its game object owns it.
class CMD2Object : public CEntity
{
public:
    /// Key frames per second until SetAnimationSpeed says otherwise.
    static constexpr float DEFAULT_ANIMATION_SPEED = 5.0f;
    /// The clock's time source, in milliseconds.
    using TickSource = unsigned int (*)();

    /// No model: draws nothing until Load.
    CMD2Object();
    /// Releases the texture while the GL context it lives in is still there.
    ~CMD2Object() override;

    CMD2Object(const CMD2Object&) = delete;
    CMD2Object& operator=(const CMD2Object&) = delete;

    /// Reads the model, loads its texture through the utilities' LoadImage and places its box in
    /// the world. A file that cannot be read leaves the entity without frames: it draws nothing.
    bool Load(const char* path, const char* texturePath);

    /// Each stores its part of the placement and refreshes the world box (the angle in degrees
    /// about the rotation axis, y unless changed).
    ///@{
    void SetScale(float x, float y, float z) override;
    void SetPosition(float x, float y, float z) override;
    void SetAngle(float angle);
    ///@}

    /// The current and next key frames blended by the time since the last frame change; frame 0's
    /// normals serve every frame. Steps the clock.
    void Render(bool textured) override;
    /// Rebuilds the volume from the same blend of frames as Render, stepping the clock as well.
    void BuildShadowVolume(float lightX, float lightY, float lightZ) override;
    void RenderShadowVolumeStencil() override;
    /// The same on a chosen path: two-sided stencil in one pass, or two passes with face culling.
    void RenderShadowVolumeStencil(bool twoSided);
    void DrawShadowVolume() override;
    /// The current frame's box as lines.
    void RenderBoundingBox() override;
    /// Vertices of one key frame.
    int GetVertexCount() override;
    /// The model's bounding sphere, placed as the entity, as lines.
    void DrawBoundingSphere();

    /// Selects animation n (modulo the animation count) from its first frame; a model without
    /// animations ignores it.
    void SetAnimation(int n);
    /// Key frames per second (DEFAULT_ANIMATION_SPEED until set).
    ///@{
    void SetAnimationSpeed(float framesPerSecond) { animationSpeed = framesPerSecond; }
    float GetAnimationSpeed() const { return animationSpeed; }
    ///@}

    /// The clock reads SDL_GetTicks unless told otherwise.
    ///@{
    void SetTickSource(TickSource source) { tickSource = source; }
    TickSource GetTickSource() const { return tickSource; }
    ///@}

    /// The model read: one object per key frame, the animations and the current frame.
    const CModelData& GetModel() const { return model; }
    /// The skin's GL texture name; 0 without one.
    unsigned int GetTexture() const { return texture; }
    /// The shadow volume of the last BuildShadowVolume.
    const CShadowVolume& GetShadowVolume() const { return shadowVolume; }
    /// Milliseconds since the last frame change, as the last clock step measured them.
    float GetFrameTime() const { return frameTime; }

private:
    /// The frame after the current one within the current animation; with no animation to play
    /// the current frame stays.
    int NextFrame() const;
    /// Measures the time since the last change, moves on by as many whole frames as have passed
    /// (so a pause or a slow frame skips frames instead of overshooting), and returns the blend
    /// factor towards the next frame, within [0, 1].
    float ClockStep();
    /// Moves the current frame on by steps within its animation, wrapping as NextFrame does.
    void AdvanceFrames(long steps);
    /// The key frame shown for a frame index: one the model does not have shows frame 0.
    int Frame(int index) const;
    void RefreshWorldBounds();

    CMD2Reader reader;
    CModelData model;
    unsigned int texture;
    float frameTime;  ///< milliseconds
    /// Tick count at the last frame change; the clock starts with the animation (load,
    /// SetAnimation).
    double lastChangeTime;
    float animationSpeed;  ///< key frames per second
    CShadowVolume shadowVolume;
    TickSource tickSource;
};

#endif
