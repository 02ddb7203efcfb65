// Draws the engine's XML model: plain and parallax-mapped immediate-mode draws with per-sub-object
// frustum culling, stencil shadow volumes, ray picking and debug boxes.
#include "models/CKObject.h"

#include "platform/CGraphicsCore.h"
#include "scene/CCamera.h"
#include "scene/CFrustum.h"
#include "scene/CLightManager.h"
#include "shaders/CShader.h"
#include "shaders/CShaderManager.h"

#include <cmath>

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

// Ray-triangle determinants closer to zero than this count as a ray parallel to the triangle.
const double RAY_PARALLEL_EPSILON = 0.000001;
// The light the picking shade uses when the scene has none.
const CVector3 NO_LIGHT_POSITION(0.0f, 100.0f, 0.0f);
// The colour a face without a material gives a ray that hits it.
const CVector3 NO_MATERIAL_COLOR(1.0f, 1.0f, 1.0f);

void BoxEdges(const CVector3& lo, const CVector3& hi)
{
    const float xs[2] = {lo.x, hi.x};
    const float ys[2] = {lo.y, hi.y};
    const float zs[2] = {lo.z, hi.z};
    // Four edges along each axis.
    for (int i = 0; i < 2; ++i)
    {
        for (int j = 0; j < 2; ++j)
        {
            glVertex3f(lo.x, ys[i], zs[j]);
            glVertex3f(hi.x, ys[i], zs[j]);
            glVertex3f(xs[i], lo.y, zs[j]);
            glVertex3f(xs[i], hi.y, zs[j]);
            glVertex3f(xs[i], ys[j], lo.z);
            glVertex3f(xs[i], ys[j], hi.z);
        }
    }
}

void SetVector4(GLhandleARB program, const char* name, const CVector3& v, float w)
{
    glUniform4fARB(glGetUniformLocationARB(program, name), v.x, v.y, v.z, w);
}

double DotD(const double a[3], const double b[3])
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void CrossD(const double a[3], const double b[3], double out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}
}  // namespace

CKObject::CKObject() : modelPointer(nullptr) {}

CKObject::~CKObject() = default;

void CKObject::Load(const char* path)
{
    Load(path, [](const char* file) { return gUtils->LoadImage(file); });
}

void CKObject::Load(const char* path, const CXMLModel::ImageLoader& loadImage)
{
    modelPointer = model.Load(path, loadImage);
    modelPointer->BuildTangentFrames();
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

bool CKObject::SubObjectVisible(const XMLSubObject& subObject)
{
    CFrustum* frustum = gCamera ? gCamera->GetFrustum() : nullptr;
    if (!frustum)
    {
        return true;
    }
    CVector3 lo = subObject.boundsMin;
    CVector3 hi = subObject.boundsMax;
    TransformBox(lo, hi);
    return frustum->BoxInFrustum(lo.x, lo.y, lo.z, hi.x, hi.y, hi.z) != 0;
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
        if (!SubObjectVisible(subObject))
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
    const CVector3 eye = gCamera ? gCamera->GetPosition() : CVector3();
    SetVector4(program, UNIFORM_EYE, eye, 1.0f);
    SetVector4(program, UNIFORM_TANGENT, face.tangent, 0.0f);
    SetVector4(program, UNIFORM_NORMAL, face.normal, 0.0f);
    SetVector4(program, UNIFORM_BINORMAL, face.binormal, 0.0f);
}

void CKObject::RenderParallax(bool textured)
{
    CShader* shader = gShaderManager ? gShaderManager->GetShader(SHADER_PARALLAX) : nullptr;
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
        if (!SubObjectVisible(subObject))
        {
            continue;
        }
        for (const XMLFace& face : subObject.faces)
        {
            if (!face.IsQuad())
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
            SetParallaxUniforms(program, face);
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
                                   first.faceCount, lightX, lightY, lightZ, position);
}

void CKObject::RenderShadowVolumeStencil()
{
    RenderShadowVolumeStencil(gGraphicsCore && gGraphicsCore->HasStencilTwoSide());
}

void CKObject::RenderShadowVolumeStencil(bool twoSided)
{
    if (twoSided)
    {
        glDepthMask(GL_FALSE);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDisable(GL_CULL_FACE);
        glEnable(GL_STENCIL_TEST);
        glEnable(GL_STENCIL_TEST_TWO_SIDE_EXT);
        glActiveStencilFaceEXT(GL_BACK);
        glStencilOp(GL_KEEP, GL_KEEP, GL_DECR_WRAP_EXT);
        glStencilMask(~0u);
        glStencilFunc(GL_ALWAYS, 0, ~0u);
        glActiveStencilFaceEXT(GL_FRONT);
        glStencilOp(GL_KEEP, GL_KEEP, GL_INCR_WRAP_EXT);
        glStencilMask(~0u);
        glStencilFunc(GL_ALWAYS, 0, ~0u);
        shadowVolume.Draw();
    }
    else
    {
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDepthMask(GL_FALSE);
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_ALWAYS, 0, 0);
        glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        shadowVolume.Draw();
        glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
        glCullFace(GL_BACK);
        shadowVolume.Draw();
    }
    glCullFace(GL_BACK);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glDisable(GL_STENCIL_TEST);
    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (!twoSided)
    {
        glDisable(GL_CULL_FACE);
    }
}

void CKObject::RenderBoundingBox()
{
    if (!modelPointer)
    {
        return;
    }
    BeginTransform();
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINES);
    BoxEdges(modelPointer->boundsMin, modelPointer->boundsMax);
    glEnd();
    glColor3f(1.0f, 1.0f, 1.0f);
    for (const XMLSubObject& subObject : modelPointer->subObjects)
    {
        glBegin(GL_LINES);
        BoxEdges(subObject.boundsMin, subObject.boundsMax);
        glEnd();
    }
    glPopMatrix();
}

bool CKObject::HitTriangle(const CRay& ray, const XMLSubObject& subObject, int i0, int i1, int i2,
                           CVector3& point)
{
    CVector3 p0 = subObject.vertices[i0].Position();
    CVector3 p1 = subObject.vertices[i1].Position();
    CVector3 p2 = subObject.vertices[i2].Position();
    TransformBox(p0, p1);
    CVector3 unused = p2;
    TransformBox(p2, unused);

    const double origin[3] = {ray.origin.x, ray.origin.y, ray.origin.z};
    const double direction[3] = {ray.direction.x, ray.direction.y, ray.direction.z};
    const double e1[3] = {double(p1.x) - p0.x, double(p1.y) - p0.y, double(p1.z) - p0.z};
    const double e2[3] = {double(p2.x) - p0.x, double(p2.y) - p0.y, double(p2.z) - p0.z};
    double h[3];
    CrossD(direction, e2, h);
    const double det = DotD(e1, h);
    if (std::fabs(det) < RAY_PARALLEL_EPSILON)
    {
        return false;
    }
    const double s[3] = {origin[0] - p0.x, origin[1] - p0.y, origin[2] - p0.z};
    const double u = DotD(s, h) / det;
    if (u < 0.0 || u > 1.0)
    {
        return false;
    }
    double q[3];
    CrossD(s, e1, q);
    const double v = DotD(direction, q) / det;
    if (v < 0.0 || u + v > 1.0)
    {
        return false;
    }
    // Faces behind the ray's origin are not in its way.
    if (DotD(e2, q) / det < 0.0)
    {
        return false;
    }
    const double w = 1.0 - u - v;
    point = CVector3(static_cast<float>(p0.x * w + p1.x * u + p2.x * v),
                     static_cast<float>(p0.y * w + p1.y * u + p2.y * v),
                     static_cast<float>(p0.z * w + p1.z * u + p2.z * v));
    return true;
}

void CKObject::IntersectRay(CRay* ray)
{
    if (!modelPointer || !ray)
    {
        return;
    }
    const CVector3 light = gLightManager ? gLightManager->GetLightPosition(1) : NO_LIGHT_POSITION;
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
                const float distance = (point - ray->origin).Length();
                if (distance < ray->nearestDistance)
                {
                    ray->nearestDistance = distance;
                    ray->hit = true;
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
            if (face.IsQuad() && HitTriangle(*ray, subObject, face.c, face.d, face.a, point))
            {
                const float distance = (point - ray->origin).Length();
                if (distance < ray->nearestDistance)
                {
                    ray->nearestDistance = distance;
                    ray->hit = true;
                    ray->hitColor = diffuse;
                }
            }
        }
    }
}
