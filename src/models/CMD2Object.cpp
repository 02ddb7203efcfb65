// Draws MD2 models: the interpolated immediate-mode draw, the frame clock, the shadow volume of the
// blended frames through both stencil paths, and the debug box and sphere.
#include "models/CMD2Object.h"
#include "io/FindFile.h"

#include "models/EntityDrawing.h"
#include "platform/CGraphicsCore.h"
#include "textures/CUtils.h"
#include "textures/TextureUpload.h"

#include <SDL/SDL.h>
#include <GL/glew.h>
#include <algorithm>
#include <cmath>

namespace
{
const float MILLISECONDS_PER_SECOND = 1000.0f;

unsigned int SdlTicks()
{
    return SDL_GetTicks();
}
}  // namespace

CMD2Object::CMD2Object()
    : texture(0), frameTime(0.0f), lastChangeTime(0.0f), animationSpeed(DEFAULT_ANIMATION_SPEED),
      tickSource(SdlTicks)
{
}

CMD2Object::~CMD2Object()
{
    // Without a video surface the context, and every texture in it, is already gone.
    if (texture != 0 && SDL_GetVideoSurface() != nullptr)
    {
        DeleteTexture(texture);
    }
}

bool CMD2Object::Load(const char* path, const char* texturePath)
{
    const bool loaded = reader.Load(&model, path, texturePath);
    lastChangeTime = tickSource();
    for (int i = 0; i < model.materialCount; ++i)
    {
        ModelMaterial& material = model.materials[static_cast<size_t>(i)];
        if (material.textureFile[0] != '\0')
        {
            texture =
                gUtils->LoadModelTexture(material.textureFile, FolderOf(path), ROWS_BOTTOM_FIRST);
        }
        material.textureIndex = i;
    }
    RefreshWorldBounds();
    return loaded;
}

int CMD2Object::Frame(int index) const
{
    // Frame names can start an animation before the first frame or past the last one.
    return index >= 0 && index < model.keyFrames.FrameCount() ? index : 0;
}

void CMD2Object::RefreshWorldBounds()
{
    if (model.keyFrames.FrameCount() == 0)
    {
        UpdateWorldBounds(CVector3(), CVector3());
        return;
    }
    const int frame = Frame(model.currentFrame);
    UpdateWorldBounds(model.keyFrames.BoundsMin(frame), model.keyFrames.BoundsMax(frame));
}

void CMD2Object::SetScale(float x, float y, float z)
{
    scale = CVector3(x, y, z);
    RefreshWorldBounds();
}

void CMD2Object::SetPosition(float x, float y, float z)
{
    position = CVector3(x, y, z);
    RefreshWorldBounds();
}

void CMD2Object::SetAngle(float newAngle)
{
    angle = newAngle;
    RefreshWorldBounds();
}

int CMD2Object::GetVertexCount()
{
    return model.totalVertexCount;
}

void CMD2Object::SetAnimation(int n)
{
    if (model.animationCount <= 0 || model.animations.empty())
    {
        return;
    }
    const int count = static_cast<int>(model.animations.size());
    int index = n % count;
    if (index < 0)
    {
        index += count;
    }
    model.currentAnimation = index;
    model.currentFrame = model.animations[static_cast<size_t>(index)].startFrame;
    lastChangeTime = tickSource();
}

int CMD2Object::NextFrame() const
{
    const int current = model.currentFrame;
    const int animationIndex = model.currentAnimation;
    if (animationIndex < 0 || static_cast<size_t>(animationIndex) >= model.animations.size())
    {
        return current;
    }
    const ModelAnimation& animation = model.animations[static_cast<size_t>(animationIndex)];
    if (animation.endFrame <= 0)
    {
        return current;
    }
    // Frames run start, start + 1, ..., end - 1 and wrap to start.
    const int next = (current + 1) % animation.endFrame;
    return next == 0 ? animation.startFrame : next;
}

void CMD2Object::AdvanceFrames(long steps)
{
    // Frame names can start an animation outside its own loop: walk until inside it, then jump
    // by whole loops, so a long pause costs no more than one loop's worth of steps.
    const ModelAnimation* animation =
        model.currentAnimation >= 0 &&
                static_cast<size_t>(model.currentAnimation) < model.animations.size()
            ? &model.animations[static_cast<size_t>(model.currentAnimation)]
            : nullptr;
    auto insideLoop = [&]
    {
        return animation && animation->endFrame > animation->startFrame &&
               model.currentFrame >= animation->startFrame &&
               model.currentFrame < animation->endFrame;
    };
    while (steps > 0 && !insideLoop())
    {
        const int next = NextFrame();
        if (next == model.currentFrame)
        {
            return;
        }
        model.currentFrame = next;
        --steps;
    }
    if (steps > 0)
    {
        const long length = animation->endFrame - animation->startFrame;
        const long offset = model.currentFrame - animation->startFrame;
        model.currentFrame = animation->startFrame + static_cast<int>((offset + steps) % length);
    }
}

float CMD2Object::ClockStep()
{
    const double now = tickSource();
    double elapsed = now - lastChangeTime;
    frameTime = static_cast<float>(elapsed);
    // A speed of zero or below holds the current frame; the clock holds with it, so the
    // animation resumes where it stopped.
    if (!(animationSpeed > 0.0f) || elapsed < 0.0)
    {
        lastChangeTime = now;
        return 0.0f;
    }
    const double period = MILLISECONDS_PER_SECOND / animationSpeed;
    if (elapsed >= period)
    {
        const double steps = std::floor(elapsed / period);
        AdvanceFrames(static_cast<long>(std::min(steps, 1e9)));
        lastChangeTime += steps * period;
        elapsed -= steps * period;
    }
    return static_cast<float>(std::min(std::max(elapsed / period, 0.0), 1.0));
}

void CMD2Object::Render(bool textured)
{
    BeginTransform();
    glColor3f(1.0f, 1.0f, 1.0f);
    if (model.keyFrames.FrameCount() == 0)
    {
        glPopMatrix();
        return;
    }
    const float t = ClockStep();
    const CVector3* from = model.keyFrames.Vertices(Frame(model.currentFrame));
    const CVector3* to = model.keyFrames.Vertices(Frame(NextFrame()));
    const CVector3* normals = model.keyFrames.Normals(0);
    if (textured)
    {
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    const ModelObject& first = model.objects[0];
    const bool sendTexCoords = !first.texCoords.empty();
    glBegin(GL_TRIANGLES);
    for (const ModelFace& face : first.faces)
    {
        for (int k = 0; k < 3; ++k)
        {
            const int v = face.vertIndex[k];
            if (sendTexCoords)
            {
                const ModelTexCoord& coord = first.texCoords[face.coordIndex[k]];
                glTexCoord2f(coord.u, coord.v);
            }
            const CVector3& normal = normals[v];
            glNormal3f(normal.x, normal.y, normal.z);
            const CVector3& a = from[v];
            const CVector3& b = to[v];
            glVertex3f(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z));
        }
    }
    glEnd();
    glPopMatrix();
}

void CMD2Object::BuildShadowVolume(float lightX, float lightY, float lightZ)
{
    if (model.keyFrames.FrameCount() == 0)
    {
        return;
    }
    const float t = ClockStep();
    const int current = Frame(model.currentFrame);
    KeyFramePositions frames;
    frames.first = model.keyFrames.Vertices(0);
    frames.current = model.keyFrames.Vertices(current);
    frames.next = model.keyFrames.Vertices(Frame(NextFrame()));
    frames.vertexCount = static_cast<size_t>(model.keyFrames.VertexCount());
    shadowVolume.BuildFromMD2Frames(model.objects[0],
                                    model.objects[static_cast<size_t>(current)].faceCount, frames,
                                    t, CVector3(lightX, lightY, lightZ), position, scale, angle);
}

void CMD2Object::DrawShadowVolume()
{
    EntityDrawing::DrawShadowVolume(shadowVolume);
}

void CMD2Object::RenderShadowVolumeStencil()
{
    RenderShadowVolumeStencil(gGraphicsCore->HasStencilTwoSide());
}

void CMD2Object::RenderShadowVolumeStencil(bool twoSided)
{
    EntityDrawing::RenderShadowVolumesToStencil(twoSided, [this]
                                                { EntityDrawing::DrawShadowVolume(shadowVolume); });
}

void CMD2Object::RenderBoundingBox()
{
    BeginTransform();
    EntityDrawing::UseBoxColour();
    if (model.keyFrames.FrameCount() > 0)
    {
        const int frame = Frame(model.currentFrame);
        EntityDrawing::DrawBoxLines(model.keyFrames.BoundsMin(frame),
                                    model.keyFrames.BoundsMax(frame));
    }
    glPopMatrix();
}

void CMD2Object::DrawBoundingSphere()
{
    if (model.keyFrames.FrameCount() == 0)
    {
        return;
    }
    CVector3 centre;
    float radius = 0.0f;
    model.GetBoundingSphere(centre, radius);
    EntityDrawing::UseBoxColour();
    EntityDrawing::DrawBoundingSphere(position, scale, centre, radius);
}
