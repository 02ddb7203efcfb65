// Draws the engine's XML model: plain and parallax-mapped immediate-mode draws with per-sub-object
// frustum culling, stencil shadow volumes, ray picking and debug boxes.
#include "models/CKObject.h"
#include "io/FindFile.h"

#include "io/FatalExit.h"
#include "models/EntityDrawing.h"
#include "platform/CGraphicsCore.h"
#include "scene/CCamera.h"
#include "scene/CLightManager.h"
#include "shaders/CShader.h"
#include "shaders/CShaderManager.h"
#include "textures/CUtils.h"
#include "textures/ReliefTexture.h"

#include <SDL/SDL.h>
#include <GL/glew.h>

namespace
{
// Uniforms and samplers of the parallax program.
const char* const UNIFORM_COLOR_MAP = "testTexture";
const char* const UNIFORM_HEIGHT_MAP = "HeightTexture";
const char* const UNIFORM_EYE = "Eye";
const char* const UNIFORM_TANGENT = "Tangent";
const char* const UNIFORM_NORMAL = "Normal";
const char* const UNIFORM_BINORMAL = "BiNormal";
const int COLOR_MAP_UNIT = 0;
const int HEIGHT_MAP_UNIT = 1;

// The colour a face without a material gives a ray that hits it.
const CVector3 NO_MATERIAL_COLOR(1.0f, 1.0f, 1.0f);

void SetVector4(GLhandleARB program, const char* name, const CVector3& v, float w)
{
    glUniform4fARB(glGetUniformLocationARB(program, name), v.x, v.y, v.z, w);
}
}  // namespace

CKObject::CKObject() : modelPointer(nullptr) {}

CKObject::~CKObject() = default;

void CKObject::Load(const char* path)
{
    const std::string folder = FolderOf(path);
    Load(path, [&folder](const char* file)
         { return gUtils->LoadModelTexture(file, folder, ROWS_AS_DECODED); });
}

void CKObject::Load(const char* path, const CXMLModel::ImageLoader& loadImage)
{
    modelPointer = model.Load(path, loadImage);
    if (!modelPointer)
    {
        // Every message of the document has been printed; drawing with a half-read model into a
        // shut-down SDL would only crash.
        SDL_Quit();
        FatalExit(1);
    }
    modelPointer->BuildTangentFrames();
    // The parallax program reads its heights through a repacked copy; the entry then names that
    // copy, so the draw binds what the program expects. A picture that is no texture stays.
    for (XMLMaterial& heightMap : modelPointer->heightMaps)
    {
        const GLuint relief = BuildReliefTexture(static_cast<GLuint>(heightMap.texture));
        if (relief != 0)
        {
            heightMap.texture = static_cast<int>(relief);
        }
    }
    RefreshWorldBounds();
}

void CKObject::RefreshWorldBounds()
{
    if (modelPointer)
    {
        UpdateWorldBounds(modelPointer->boundsMin, modelPointer->boundsMax);
    }
}

void CKObject::SetPosition(float x, float y, float z)
{
    position = CVector3(x, y, z);
    RefreshWorldBounds();
}

void CKObject::SetScale(float x, float y, float z)
{
    scale = CVector3(x, y, z);
    RefreshWorldBounds();
}

void CKObject::SetAngle(float newAngle)
{
    angle = newAngle;
    RefreshWorldBounds();
}

int CKObject::GetVertexCount()
{
    return modelPointer ? static_cast<int>(modelPointer->vertexCount) : 0;
}

// Texturing that a face without a picture switched off comes back on for the next face of the
// remembered picture, which is still bound on unit 0: a face is never drawn without its picture.
bool CKObject::SelectTexture(const XMLFace& face, TextureState& state) const
{
    const int texture = modelPointer->MaterialTexture(face.materialIndex);
    if (texture == XML_NO_TEXTURE)
    {
        glDisable(GL_TEXTURE_2D);
        state.enabled = false;
        return false;
    }
    if (texture == state.lastTexture)
    {
        if (!state.enabled)
        {
            glEnable(GL_TEXTURE_2D);
            state.enabled = true;
        }
        return false;
    }
    state.lastTexture = texture;
    state.enabled = true;
    glActiveTextureARB(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    return true;
}

// One face as triangles: a, b, c, and for a quad c, d, a as well.
void CKObject::EmitFace(const XMLSubObject& subObject, const XMLFace& face) const
{
    const int quadOrder[6] = {face.a, face.b, face.c, face.c, face.d, face.a};
    const int count = face.IsQuad() ? 6 : 3;
    glBegin(GL_TRIANGLES);
    for (int k = 0; k < count; ++k)
    {
        const XMLVertex& vertex = subObject.vertices[quadOrder[k]];
        if (vertex.u0 != XML_NO_TEXCOORD)
        {
            glTexCoord2f(vertex.u0, vertex.v0);
        }
        glColor4f(vertex.r, vertex.g, vertex.b, vertex.a);
        if (k == 0)
        {
            glNormal3f(face.normal.x, face.normal.y, face.normal.z);
        }
        glVertex3f(vertex.x, vertex.y, vertex.z);
    }
    glEnd();
}

void CKObject::Render(bool textured)
{
    if (!modelPointer)
    {
        return;
    }
    BeginTransform();
    TextureState textureState;
    for (const XMLSubObject& subObject : modelPointer->subObjects)
    {
        if (!EntityDrawing::PartBoxVisible(*this, subObject.boundsMin, subObject.boundsMax))
        {
            continue;
        }
        for (const XMLFace& face : subObject.faces)
        {
            if (textured)
            {
                SelectTexture(face, textureState);
            }
            EmitFace(subObject, face);
        }
    }
    glPopMatrix();
}

void CKObject::SetParallaxUniforms(GLhandleARB program, const XMLFace& face) const
{
    const CVector3 eye = gCamera->GetPosition();
    SetVector4(program, UNIFORM_EYE, eye, 1.0f);
    SetVector4(program, UNIFORM_TANGENT, face.tangent, 0.0f);
    SetVector4(program, UNIFORM_NORMAL, face.normal, 0.0f);
    SetVector4(program, UNIFORM_BINORMAL, face.binormal, 0.0f);
}

void CKObject::SetFlatUniforms(GLhandleARB program)
{
    const CVector3 zero;
    SetVector4(program, UNIFORM_TANGENT, zero, 0.0f);
    SetVector4(program, UNIFORM_NORMAL, zero, 0.0f);
    SetVector4(program, UNIFORM_BINORMAL, zero, 0.0f);
}

void CKObject::RenderParallax(bool textured)
{
    CShader* shader = gShaderManager->GetShader(SHADER_PARALLAX);
    if (!modelPointer || !shader)
    {
        return;
    }
    BeginTransform();
    shader->Bind();
    shader->SetSampler(UNIFORM_COLOR_MAP, COLOR_MAP_UNIT);
    shader->SetSampler(UNIFORM_HEIGHT_MAP, HEIGHT_MAP_UNIT);
    const GLhandleARB program = shader->GetProgram();
    TextureState textureState;
    for (const XMLSubObject& subObject : modelPointer->subObjects)
    {
        if (!EntityDrawing::PartBoxVisible(*this, subObject.boundsMin, subObject.boundsMax))
        {
            continue;
        }
        for (const XMLFace& face : subObject.faces)
        {
            // Quads always carry a tangent frame; triangles only in objects marked for relief,
            // which also keep their other triangles from a frame left by the face before.
            const bool framed =
                face.IsQuad() || (subObject.relief && modelPointer->HeightMapTexture(
                                                          face.parallaxMapIndex) != XML_NO_TEXTURE);
            if (!framed && !subObject.relief)
            {
                if (textured)
                {
                    SelectTexture(face, textureState);
                }
                EmitFace(subObject, face);
                continue;
            }
            if (textured && SelectTexture(face, textureState))
            {
                // The height map follows its colour map: both change together.
                const int heightMap = modelPointer->HeightMapTexture(face.parallaxMapIndex);
                glActiveTextureARB(GL_TEXTURE1);
                glBindTexture(GL_TEXTURE_2D,
                              heightMap == XML_NO_TEXTURE ? 0u : static_cast<GLuint>(heightMap));
                glActiveTexture(GL_TEXTURE0);
            }
            if (framed && reliefEnabled)
            {
                SetParallaxUniforms(program, face);
            }
            else
            {
                SetFlatUniforms(program);
            }
            EmitFace(subObject, face);
        }
    }
    glPopMatrix();
    CShader::Unbind();
}

void CKObject::BuildShadowVolume(float lightX, float lightY, float lightZ)
{
    if (!modelPointer || modelPointer->subObjects.empty())
    {
        // Nothing casts: an empty volume that draws nothing.
        shadowVolume.BuildFromXMLModel<XMLVertex, XMLFace>(nullptr, 0, nullptr, 0, lightX, lightY,
                                                           lightZ, position);
        return;
    }
    XMLSubObject& first = modelPointer->subObjects[0];
    shadowVolume.BuildFromXMLModel(first.vertices.data(), first.vertexCount, first.faces.data(),
                                   first.faceCount, lightX, lightY, lightZ, position, scale, angle);
}

void CKObject::RenderShadowVolumeStencil()
{
    RenderShadowVolumeStencil(gGraphicsCore->HasStencilTwoSide());
}

void CKObject::RenderShadowVolumeStencil(bool twoSided)
{
    EntityDrawing::RenderShadowVolumesToStencil(twoSided, [this]
                                                { EntityDrawing::DrawShadowVolume(shadowVolume); });
}

void CKObject::RenderBoundingBox()
{
    if (!modelPointer)
    {
        return;
    }
    BeginTransform();
    glColor3f(1.0f, 1.0f, 1.0f);
    EntityDrawing::DrawBoxLines(modelPointer->boundsMin, modelPointer->boundsMax);
    glColor3f(1.0f, 1.0f, 1.0f);
    for (const XMLSubObject& subObject : modelPointer->subObjects)
    {
        EntityDrawing::DrawBoxLines(subObject.boundsMin, subObject.boundsMax);
    }
    glPopMatrix();
}

bool CKObject::HitTriangle(const CRay& ray, const XMLSubObject& subObject, int i0, int i1, int i2,
                           CVector3& point)
{
    return EntityDrawing::RayHitsPlacedTriangle(*this, ray, subObject.vertices[i0].Position(),
                                                subObject.vertices[i1].Position(),
                                                subObject.vertices[i2].Position(), point);
}

void CKObject::IntersectRay(CRay* ray)
{
    if (!modelPointer || !ray)
    {
        return;
    }
    const CVector3 light = gLightManager->GetLightPosition(1);
    for (const XMLSubObject& subObject : modelPointer->subObjects)
    {
        for (const XMLFace& face : subObject.faces)
        {
            const XMLMaterial* material = modelPointer->FindMaterial(face.materialIndex);
            const CVector3 diffuse = material ? CVector3(material->diffuse[0], material->diffuse[1],
                                                         material->diffuse[2])
                                              : NO_MATERIAL_COLOR;
            CVector3 point;
            if (HitTriangle(*ray, subObject, face.a, face.b, face.c, point))
            {
                if (EntityDrawing::TakeNearerHit(*ray, point))
                {
                    ray->hitColor = diffuse;
                    if (face.IsQuad())
                    {
                        // The first triangle of a quad is shaded by light 1, brightest where the
                        // face looks straight at the light.
                        CVector3 toLight = (light - point).Normalized();
                        CVector3 normal = face.normal.RotateY(angle);
                        float intensity = Dot(toLight, normal);
                        ray->hitColor = diffuse * (intensity < 0.0f ? 0.0f : intensity);
                    }
                }
                continue;
            }
            if (face.IsQuad() && HitTriangle(*ray, subObject, face.c, face.d, face.a, point) &&
                EntityDrawing::TakeNearerHit(*ray, point))
            {
                ray->hitColor = diffuse;
            }
        }
    }
}
