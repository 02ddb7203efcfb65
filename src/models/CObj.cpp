// Draws OBJ models: immediate-mode and vertex-buffer draws with per-part frustum culling, stencil
// shadow volumes per part, ray picking and debug boxes.
#include "models/CObj.h"

#include "io/FindFile.h"
#include "models/EntityDrawing.h"
#include "platform/CGraphicsCore.h"
#include "scene/CLightManager.h"
#include "shaders/CShader.h"
#include "textures/CUtils.h"

#include <GL/glew.h>
#include <algorithm>
#include <string>

namespace
{
// Colour of the single material every OBJ model gets.
const unsigned char MATERIAL_WHITE = 255;
// A picked face turned away from the light still shows at this intensity.
const float TURNED_AWAY_INTENSITY = 0.5f;
// Picked faces are tinted with this colour times the intensity.
const CVector3 PICK_TINT(0.8f, 0.2f, 0.4f);

// Unit normal of the triangle a, b, c in model space; zero for a degenerate face.
CVector3 TriangleNormal(const CVector3& a, const CVector3& b, const CVector3& c)
{
    return Cross(b - a, c - a).Normalized();
}
// Texturing on unit 0 from the part's coordinate buffer, whatever unit the caller left active:
// the shadow-map pass keeps its depth map on unit 1.
void UseTextureArray(unsigned int texCoordBuffer, unsigned int textureName)
{
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glClientActiveTextureARB(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glBindTexture(GL_TEXTURE_2D, textureName);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, texCoordBuffer);
    glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
}
}  // namespace

CObj::CObj() : texture(0) {}

// The parts' arrays and the volumes go with their containers. GL buffers and the texture are
// left to the context, as for every entity: entities die at engine shutdown, when the context
// may already be gone.
CObj::~CObj() = default;

void CObj::Load(const char* path, const char* texturePath)
{
    // A missing file leaves the model without parts; the material, texture and box still follow.
    if (reader.Load(&model, path))
    {
        EntityDrawing::UploadModelBuffers(model);
    }
    // The materials of the file's libraries come first; the caller's picture is the white
    // material after them (the only one when the file names no library).
    const int callerMaterial = model.materialCount;
    reader.AddMaterial(&model, texturePath, texturePath, MATERIAL_WHITE, MATERIAL_WHITE,
                       MATERIAL_WHITE);
    reader.SetObjectMaterial(&model, 0, callerMaterial);
    const std::string folder = FolderOf(path ? path : "");
    materialTextures.assign(model.materials.size(), 0);
    for (int i = 0; i < model.materialCount; ++i)
    {
        ModelMaterial& material = model.materials[static_cast<size_t>(i)];
        material.textureIndex = i;
        if (material.textureFile[0] == '\0')
        {
            continue;
        }
        if (i == callerMaterial)
        {
            texture = gUtils->LoadModelTexture(material.textureFile, folder, ROWS_BOTTOM_FIRST);
        }
        else if (texturePath == nullptr || texturePath[0] == '\0')
        {
            // A picture the caller gives replaces the libraries' colour maps.
            materialTextures[static_cast<size_t>(i)] =
                gUtils->LoadModelTexture(material.textureFile, folder, ROWS_BOTTOM_FIRST);
        }
    }
    // Picking shades with the face normals; the shadow builder would only write them on its
    // first build, so they are there from the start.
    for (ModelObject& part : model.objects)
    {
        for (ModelFace& face : part.faces)
        {
            face.normal =
                TriangleNormal(part.vertices[face.vertIndex[0]], part.vertices[face.vertIndex[1]],
                               part.vertices[face.vertIndex[2]]);
        }
    }
    RefreshWorldBounds();
}

void CObj::RefreshWorldBounds()
{
    UpdateWorldBounds(model.boundsMin, model.boundsMax);
}

void CObj::SetScale(float x, float y, float z)
{
    scale = CVector3(x, y, z);
    RefreshWorldBounds();
}

void CObj::SetPosition(float x, float y, float z)
{
    position = CVector3(x, y, z);
    RefreshWorldBounds();
}

void CObj::SetAngle(float newAngle)
{
    angle = newAngle;
    RefreshWorldBounds();
}

int CObj::GetVertexCount()
{
    return model.totalVertexCount;
}

void CObj::EmitPart(const ModelObject& part) const
{
    const bool sendTexCoords = part.hasTexture && !part.texCoords.empty();
    const bool whiteWithoutTexCoords = model.materialCount > 0 && part.materialIndex >= 0;
    glBegin(GL_TRIANGLES);
    for (const ModelFace& face : part.faces)
    {
        for (int k = 0; k < 3; ++k)
        {
            const CVector3& normal = part.normals[face.vertIndex[k]];
            glNormal3f(normal.x, normal.y, normal.z);
            if (sendTexCoords)
            {
                const ModelTexCoord& coord = part.texCoords[face.coordIndex[k]];
                glTexCoord2f(coord.u, coord.v);
            }
            else if (whiteWithoutTexCoords)
            {
                glColor3f(1.0f, 1.0f, 1.0f);
            }
            const CVector3& vertex = part.vertices[face.vertIndex[k]];
            glVertex3f(vertex.x, vertex.y, vertex.z);
        }
    }
    glEnd();
}

void CObj::Render(bool textured)
{
    BeginTransform();
    if (updateBoundsOnRender)
    {
        RefreshWorldBounds();
    }
    glColor3f(1.0f, 1.0f, 1.0f);
    for (const ModelObject& part : model.objects)
    {
        if (!EntityDrawing::PartBoxVisible(*this, part.boundsMin, part.boundsMax))
        {
            continue;
        }
        if (textured)
        {
            if (part.hasTexture)
            {
                glActiveTextureARB(GL_TEXTURE0_ARB);
                glEnable(GL_TEXTURE_2D);
                glColor3ub(255, 255, 255);
                glBindTexture(GL_TEXTURE_2D, texture);
            }
            else
            {
                glColor3ub(255, 255, 255);
            }
        }
        EmitPart(part);
    }
    glPopMatrix();
}

unsigned int CObj::RunTexture(int materialIndex) const
{
    if (texture != 0 || materialIndex < 0 ||
        static_cast<size_t>(materialIndex) >= materialTextures.size())
    {
        return texture;
    }
    return materialTextures[static_cast<size_t>(materialIndex)];
}

void CObj::DrawMaterialRuns(const ModelObject& part, bool textured) const
{
    const size_t faces = std::min(part.faceMaterials.size(), part.faces.size());
    size_t start = 0;
    while (start < faces)
    {
        const int materialIndex = part.faceMaterials[start];
        size_t end = start + 1;
        while (end < faces && part.faceMaterials[end] == materialIndex)
        {
            ++end;
        }
        const ModelMaterial* material = materialIndex >= 0 && materialIndex < model.materialCount
                                            ? &model.materials[static_cast<size_t>(materialIndex)]
                                            : nullptr;
        if (material)
        {
            glColor3ub(material->color[0], material->color[1], material->color[2]);
        }
        else
        {
            glColor3f(1.0f, 1.0f, 1.0f);
        }
        const unsigned int runTexture = RunTexture(materialIndex);
        const bool withTexture = textured && runTexture != 0 && part.texCoordBuffer != 0;
        if (withTexture)
        {
            UseTextureArray(part.texCoordBuffer, runTexture);
        }
        glDrawArrays(GL_TRIANGLES, static_cast<GLint>(3 * start),
                     static_cast<GLsizei>(3 * (end - start)));
        if (withTexture)
        {
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            glDisable(GL_TEXTURE_2D);
        }
        start = end;
    }
    glColor3f(1.0f, 1.0f, 1.0f);
}

void CObj::DrawPartBuffers(const ModelObject& part, bool textured) const
{
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, part.positionBuffer);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, part.normalBuffer);
    glNormalPointer(GL_FLOAT, 0, nullptr);
    if (!part.faceMaterials.empty())
    {
        DrawMaterialRuns(part, textured);
    }
    else if (textured && part.hasTexture && part.texCoordBuffer != 0)
    {
        UseTextureArray(part.texCoordBuffer, texture);
        glDrawArrays(GL_TRIANGLES, 0, part.bufferVertexCount);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    else
    {
        glDrawArrays(GL_TRIANGLES, 0, part.bufferVertexCount);
    }
}

void CObj::RenderVBO(bool textured)
{
    BeginTransform();
    glDisable(GL_CULL_FACE);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    for (const ModelObject& part : model.objects)
    {
        // A part without faces has no buffers: with buffer 0 bound the pointers would name
        // client memory at address 0.
        if (part.bufferVertexCount == 0 || part.positionBuffer == 0 || part.normalBuffer == 0)
        {
            continue;
        }
        if (EntityDrawing::PartBoxVisible(*this, part.boundsMin, part.boundsMax))
        {
            DrawPartBuffers(part, textured);
        }
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    // The per-pixel lighting program's Unbind: whatever program the caller bound is released too.
    CShader::Unbind();
    glPopMatrix();
}

void CObj::RenderBoundingBox()
{
    DrawModelBoxes(true);
}

CVector3 CObj::ShadeHit(const CVector3& point, const ModelFace& face) const
{
    const CVector3 light = gLightManager->GetLightPosition(1);
    const CVector3 toLight = (light - point).Normalized();
    const CVector3 normal = face.normal.RotateAxis(angle, rotationAxis);
    float intensity = Dot(toLight, normal);
    if (intensity < 0.0f)
    {
        intensity = TURNED_AWAY_INTENSITY;
    }
    return PICK_TINT * intensity;
}

void CObj::IntersectRay(CRay* ray)
{
    if (!ray)
    {
        return;
    }
    for (const ModelObject& part : model.objects)
    {
        for (const ModelFace& face : part.faces)
        {
            CVector3 point;
            if (EntityDrawing::RayHitsPlacedTriangle(*this, *ray, part.vertices[face.vertIndex[0]],
                                                     part.vertices[face.vertIndex[1]],
                                                     part.vertices[face.vertIndex[2]], point) &&
                EntityDrawing::TakeNearerHit(*ray, point))
            {
                ray->hitColor = ShadeHit(point, face);
            }
        }
    }
}
