// Draws 3DS models: per-material textures, material colours for untextured parts, immediate-mode
// and vertex-buffer draws, per-part shadow volumes through both stencil paths, debug box and sphere.
#include "models/C3DSObject.h"

#include "models/EntityDrawing.h"
#include "platform/CGraphicsCore.h"
#include "textures/CUtils.h"
#include "textures/TextureUpload.h"

#include <SDL/SDL.h>
#include <GL/glew.h>

#include <iostream>
#include <string>

namespace
{

void DeleteBuffer(unsigned int& name)
{
    if (name != 0)
    {
        GLuint buffer = name;
        glDeleteBuffersARB(1, &buffer);
        name = 0;
    }
}
}  // namespace

C3DSObject::C3DSObject() = default;

C3DSObject::~C3DSObject()
{
    ReleaseGLObjects();
}

void C3DSObject::ReleaseGLObjects()
{
    // Without a video surface the context, and every name in it, is already gone; without the
    // buffer entry points no buffer was ever made.
    if (SDL_GetVideoSurface() == nullptr)
    {
        return;
    }
    if (glDeleteBuffersARB != nullptr)
    {
        for (ModelObject& part : model.objects)
        {
            DeleteBuffer(part.positionBuffer);
            DeleteBuffer(part.normalBuffer);
            DeleteBuffer(part.texCoordBuffer);
            DeleteBuffer(part.colorBuffer);
        }
    }
    for (unsigned int& texture : textures)
    {
        if (texture != 0)
        {
            DeleteTexture(texture);
            texture = 0;
        }
    }
}

bool C3DSObject::Load(const char* textureDirectory, const char* path, int swapAxes)
{
    const bool loaded = reader.Load(&model, path, swapAxes);
    if (loaded)
    {
        UploadBuffers();
    }
    // As many texture names as materials: real models have dozens.
    textures.assign(model.materials.size(), 0);
    const std::string directory = textureDirectory != nullptr ? textureDirectory : "";
    for (size_t i = 0; i < model.materials.size(); ++i)
    {
        ModelMaterial& material = model.materials[i];
        if (material.textureFile[0] != '\0')
        {
            // Exporters write the name as it was on their machine; the line names the file used.
            std::string used;
            textures[i] = gUtils->LoadModelTexture(directory + material.textureFile, directory,
                                                   ROWS_BOTTOM_FIRST, &used);
            std::cout << used << std::endl;
        }
        material.textureIndex = static_cast<int>(i);
    }
    return loaded;
}

void C3DSObject::UploadBuffers()
{
    EntityDrawing::UploadModelBuffers(model);
    std::vector<float> colors;
    for (ModelObject& part : model.objects)
    {
        C3DSReader::BuildColorArray(model, part, colors);
        part.colorBuffer = EntityDrawing::UploadArrayBuffer(colors);
    }
}

unsigned int C3DSObject::GetTexture(int materialIndex) const
{
    if (materialIndex < 0 || static_cast<size_t>(materialIndex) >= textures.size())
    {
        return 0;
    }
    return textures[static_cast<size_t>(materialIndex)];
}

void C3DSObject::RefreshWorldBounds()
{
    UpdateWorldBounds(model.boundsMin, model.boundsMax);
}

void C3DSObject::SetScale(float x, float y, float z)
{
    scale = CVector3(x, y, z);
    RefreshWorldBounds();
}

void C3DSObject::SetPosition(float x, float y, float z)
{
    position = CVector3(x, y, z);
    RefreshWorldBounds();
}

void C3DSObject::SetAngle(float newAngle)
{
    angle = newAngle;
    RefreshWorldBounds();
}

int C3DSObject::GetVertexCount()
{
    return model.totalVertexCount;
}

void C3DSObject::EmitPart(const ModelObject& part) const
{
    const bool sendTexCoords = part.hasTexture && !part.texCoords.empty();
    const bool sendColor = !part.hasTexture && part.materialIndex >= 0 &&
                           static_cast<size_t>(part.materialIndex) < model.materials.size();
    const unsigned char* color =
        sendColor ? model.materials[static_cast<size_t>(part.materialIndex)].color : nullptr;
    glBegin(GL_TRIANGLES);
    for (const ModelFace& face : part.faces)
    {
        for (int k = 0; k < 3; ++k)
        {
            const int v = face.vertIndex[k];
            const CVector3& normal = part.normals[v];
            glNormal3f(normal.x, normal.y, normal.z);
            if (sendTexCoords)
            {
                glTexCoord2f(part.texCoords[v].u, part.texCoords[v].v);
            }
            else if (sendColor)
            {
                glColor3ub(color[0], color[1], color[2]);
            }
            const CVector3& vertex = part.vertices[v];
            glVertex3f(vertex.x, vertex.y, vertex.z);
        }
    }
    glEnd();
}

void C3DSObject::Render(bool textured)
{
    BeginTransform();
    for (const ModelObject& part : model.objects)
    {
        if (textured)
        {
            if (part.hasTexture)
            {
                glEnable(GL_TEXTURE_2D);
                glColor3ub(255, 255, 255);
                glBindTexture(GL_TEXTURE_2D, GetTexture(part.materialIndex));
            }
            else
            {
                glDisable(GL_TEXTURE_2D);
                glColor3ub(255, 255, 255);
            }
        }
        EmitPart(part);
    }
    glPopMatrix();
}

void C3DSObject::DrawPartBuffers(const ModelObject& part) const
{
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, part.positionBuffer);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, part.normalBuffer);
    glNormalPointer(GL_FLOAT, 0, nullptr);
    // The texture goes to unit 0 whatever unit the caller left active: the shadow-map pass keeps
    // its depth map on unit 1.
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glClientActiveTextureARB(GL_TEXTURE0_ARB);
    if (part.hasTexture && part.texCoordBuffer != 0)
    {
        // A colour array left on by an untextured part before would tint this one.
        glDisableClientState(GL_COLOR_ARRAY);
        glColor3f(1.0f, 1.0f, 1.0f);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, GetTexture(part.materialIndex));
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, part.texCoordBuffer);
        glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
    }
    else
    {
        // Without the colour array the colour buffer would not count, and a texture-coordinate
        // array left on by a textured part would be read past this part's corners.
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisable(GL_TEXTURE_2D);
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, part.colorBuffer);
        glColorPointer(3, GL_FLOAT, 0, nullptr);
        glEnableClientState(GL_COLOR_ARRAY);
    }
    glDrawArrays(GL_TRIANGLES, 0, part.bufferVertexCount);
}

void C3DSObject::RenderVBO(bool)
{
    BeginTransform();
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    for (const ModelObject& part : model.objects)
    {
        // A part without faces has no buffers: with buffer 0 bound the pointers would name
        // client memory at address 0.
        if (part.bufferVertexCount == 0 || part.positionBuffer == 0 || part.normalBuffer == 0 ||
            part.colorBuffer == 0)
        {
            continue;
        }
        if (EntityDrawing::PartBoxVisible(*this, part.boundsMin, part.boundsMax))
        {
            DrawPartBuffers(part);
        }
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    // The colour array leaves the current colour undefined; later draws expect white.
    glColor3f(1.0f, 1.0f, 1.0f);
    glPopMatrix();
}

void C3DSObject::RenderBoundingBox()
{
    DrawModelBoxes(false);
}

void C3DSObject::RenderAllBoundingBoxes()
{
    DrawModelBoxes(true);
}

void C3DSObject::DrawBoundingSphere()
{
    if (model.objects.empty())
    {
        return;
    }
    EntityDrawing::UseBoxColour();
    EntityDrawing::DrawBoundingSphere(position, scale, model.sphereCenter, model.sphereRadius);
}
