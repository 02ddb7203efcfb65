// Drawing and picking steps shared by the model entities.
#include "models/EntityDrawing.h"

#include "models/CEntity.h"
#include "models/CModelData.h"
#include "models/CObjReader.h"
#include "models/CShadowVolume.h"
#include "scene/CCamera.h"
#include "scene/CFrustum.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <algorithm>
#include <cmath>

namespace
{
const int SPHERE_SLICES = 64;
const int SPHERE_STACKS = 64;
// Colour of every debug box and sphere.
const float BOX_RED = 0.9f;
const float BOX_GREEN = 0.2f;
const float BOX_BLUE = 0.1f;

// Ray-triangle determinants closer to zero than this count as a ray parallel to the triangle.
const double RAY_PARALLEL_EPSILON = 0.000001;

struct Vec3d
{
    double x, y, z;
};

Vec3d ToDouble(const CVector3& v)
{
    return {v.x, v.y, v.z};
}

Vec3d Sub(const Vec3d& a, const Vec3d& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

double DotD(const Vec3d& a, const Vec3d& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3d CrossD(const Vec3d& a, const Vec3d& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Möller-Trumbore on a world-space triangle, all in double precision.
bool RayHitsTriangle(const CRay& ray, const CVector3& c0, const CVector3& c1, const CVector3& c2,
                     CVector3& point)
{
    const Vec3d p0 = ToDouble(c0);
    const Vec3d p1 = ToDouble(c1);
    const Vec3d p2 = ToDouble(c2);
    const Vec3d direction = ToDouble(ray.direction);
    const Vec3d e1 = Sub(p1, p0);
    const Vec3d e2 = Sub(p2, p0);
    const Vec3d h = CrossD(direction, e2);
    const double det = DotD(e1, h);
    if (std::fabs(det) < RAY_PARALLEL_EPSILON)
    {
        return false;
    }
    const Vec3d s = Sub(ToDouble(ray.origin), p0);
    const double u = DotD(s, h) / det;
    if (u < 0.0 || u > 1.0)
    {
        return false;
    }
    const Vec3d q = CrossD(s, e1);
    const double v = DotD(direction, q) / det;
    if (v < 0.0 || u + v > 1.0)
    {
        return false;
    }
    // Triangles behind the ray's origin are not in its way.
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
}  // namespace

namespace EntityDrawing
{
bool PartBoxVisible(CEntity& entity, const CVector3& localMin, const CVector3& localMax)
{
    const CFrustum* frustum = gCamera->GetFrustum();
    CVector3 lo = localMin;
    CVector3 hi = localMax;
    entity.TransformBox(lo, hi);
    return frustum->BoxInFrustum(lo.x, lo.y, lo.z, hi.x, hi.y, hi.z) != 0;
}

void UseBoxColour()
{
    glColor3f(BOX_RED, BOX_GREEN, BOX_BLUE);
}

void DrawBoxLines(const CVector3& lo, const CVector3& hi)
{
    const float xs[2] = {lo.x, hi.x};
    const float ys[2] = {lo.y, hi.y};
    const float zs[2] = {lo.z, hi.z};
    glBegin(GL_LINES);
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
    glEnd();
}

void DrawBoundingSphere(const CVector3& position, const CVector3& scale, const CVector3& centre,
                        float radius)
{
    GLUquadric* quadric = gluNewQuadric();
    if (quadric == nullptr)
    {
        return;
    }
    gluQuadricNormals(quadric, GLU_SMOOTH);
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glTranslatef(centre.x * scale.x, centre.y * scale.y, centre.z * scale.z);
    glScalef(scale.x, scale.y, scale.z);
    gluSphere(quadric, radius, SPHERE_SLICES, SPHERE_STACKS);
    glPopMatrix();
    gluDeleteQuadric(quadric);
}

void RenderShadowVolumesToStencil(bool twoSided, const std::function<void()>& drawVolumes)
{
    if (twoSided)
    {
        // Front faces count up and back faces down in a single pass.
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
        drawVolumes();
    }
    else
    {
        // Back faces count up in the first pass, front faces down in the second.
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDepthMask(GL_FALSE);
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_ALWAYS, 0, 0);
        glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        drawVolumes();
        glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
        glCullFace(GL_BACK);
        drawVolumes();
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

bool RayHitsPlacedTriangle(CEntity& entity, const CRay& ray, CVector3 p0, CVector3 p1, CVector3 p2,
                           CVector3& point)
{
    // Boxes transform corners in pairs; the third corner goes with a copy of itself.
    entity.TransformBox(p0, p1);
    CVector3 unused = p2;
    entity.TransformBox(p2, unused);
    return RayHitsTriangle(ray, p0, p1, p2, point);
}

bool TakeNearerHit(CRay& ray, const CVector3& point)
{
    const float distance = (point - ray.origin).Length();
    if (!(distance < ray.nearestDistance))
    {
        return false;
    }
    ray.nearestDistance = distance;
    ray.hit = true;
    return true;
}

void DrawShadowVolume(const CShadowVolume& volume)
{
    const std::vector<CVector3>& vertices = volume.GetVertices();
    const unsigned int count =
        std::min(volume.GetVertexCount(), static_cast<unsigned int>(vertices.size()));
    if (count == 0)
    {
        return;
    }
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_TRIANGLES);
    for (unsigned int i = 0; i < count; ++i)
    {
        glVertex3f(vertices[i].x, vertices[i].y, vertices[i].z);
    }
    glEnd();
}

void BuildMeshShadowVolumes(std::vector<std::unique_ptr<CShadowVolume>>& volumes, CModelData& model,
                            const CVector3& light, const CVector3& position, const CVector3& scale,
                            float angle)
{
    if (volumes.empty())
    {
        for (ModelObject& part : model.objects)
        {
            volumes.push_back(std::make_unique<CShadowVolume>());
            volumes.back()->BuildFromMesh(part, light, position, scale, angle);
        }
        return;
    }
    for (size_t j = 0; j < volumes.size() && j < model.objects.size(); ++j)
    {
        volumes[j]->BuildFromMesh(model.objects[j], light, position, scale, angle);
    }
}

void DrawShadowVolumes(const std::vector<std::unique_ptr<CShadowVolume>>& volumes)
{
    for (const std::unique_ptr<CShadowVolume>& volume : volumes)
    {
        DrawShadowVolume(*volume);
    }
}

unsigned int UploadArrayBuffer(const std::vector<float>& data)
{
    // Without a GL context GLEW has not loaded the entry points; the model then keeps name 0.
    if (data.empty() || glGenBuffersARB == nullptr)
    {
        return 0;
    }
    GLuint name = 0;
    glGenBuffersARB(1, &name);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, name);
    glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(data.size() * sizeof(float)),
                    data.data(), GL_STATIC_DRAW_ARB);
    return name;
}

void UploadModelBuffers(CModelData& model)
{
    std::vector<float> positions;
    std::vector<float> normals;
    std::vector<float> texCoords;
    for (ModelObject& object : model.objects)
    {
        CObjReader::BuildCornerArrays(object, positions, normals, texCoords);
        object.positionBuffer = UploadArrayBuffer(positions);
        object.normalBuffer = UploadArrayBuffer(normals);
        object.texCoordBuffer = UploadArrayBuffer(texCoords);
    }
}
}  // namespace EntityDrawing
