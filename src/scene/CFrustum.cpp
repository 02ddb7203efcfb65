// Plane extraction from the combined clip matrix and the visibility tests.
#include "scene/CFrustum.h"

#include <GL/glew.h>
#include <cmath>
#include <cstring>

CFrustum::CFrustum()
{
    memset(planes, 0, sizeof planes);
    memset(projection, 0, sizeof projection);
    memset(modelview, 0, sizeof modelview);
    memset(clip, 0, sizeof clip);
}

void CFrustum::Update()
{
    float projectionMatrix[16];
    float modelviewMatrix[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projectionMatrix);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelviewMatrix);
    UpdateFromMatrices(projectionMatrix, modelviewMatrix);
}

void CFrustum::UpdateFromMatrices(const float projectionMatrix[16], const float modelviewMatrix[16])
{
    memcpy(projection, projectionMatrix, sizeof projection);
    memcpy(modelview, modelviewMatrix, sizeof modelview);
    for (int j = 0; j < 4; ++j)
    {
        for (int i = 0; i < 4; ++i)
        {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
            {
                sum += projection[i + 4 * k] * modelview[k + 4 * j];
            }
            clip[i + 4 * j] = sum;
        }
    }

    // Each plane is row 3 of the clip matrix plus or minus another row: (row, sign).
    static const int ROW[PLANE_COUNT] = {0, 0, 1, 1, 2, 2};
    static const float SIGN[PLANE_COUNT] = {-1.0f, 1.0f, 1.0f, -1.0f, -1.0f, 1.0f};
    for (int p = 0; p < PLANE_COUNT; ++p)
    {
        for (int c = 0; c < 4; ++c)
        {
            planes[p][c] = clip[3 + 4 * c] + SIGN[p] * clip[ROW[p] + 4 * c];
        }
        float length = std::sqrt(planes[p][0] * planes[p][0] + planes[p][1] * planes[p][1] +
                                 planes[p][2] * planes[p][2]);
        if (length != 0.0f)
        {
            float inverse = 1.0f / length;
            for (int c = 0; c < 4; ++c)
            {
                planes[p][c] *= inverse;
            }
        }
    }
}

bool CFrustum::PointInFrustum(float x, float y, float z) const
{
    for (int p = 0; p < PLANE_COUNT; ++p)
    {
        if (Distance(p, x, y, z) <= 0.0f)
        {
            return false;
        }
    }
    return true;
}

bool CFrustum::SphereInFrustum(float x, float y, float z, float radius) const
{
    for (int p = 0; p < PLANE_COUNT; ++p)
    {
        if (Distance(p, x, y, z) <= -radius)
        {
            return false;
        }
    }
    return true;
}

bool CFrustum::CubeInFrustum(float x, float y, float z, float halfSize) const
{
    for (int p = 0; p < PLANE_COUNT; ++p)
    {
        bool anyInside = false;
        for (int corner = 0; corner < 8 && !anyInside; ++corner)
        {
            float cx = (corner & 1) ? x + halfSize : x - halfSize;
            float cy = (corner & 2) ? y + halfSize : y - halfSize;
            float cz = (corner & 4) ? z + halfSize : z - halfSize;
            anyInside = Distance(p, cx, cy, cz) > 0.0f;
        }
        if (!anyInside)
        {
            return false;
        }
    }
    return true;
}

int CFrustum::BoxInFrustum(float minX, float minY, float minZ, float maxX, float maxY,
                           float maxZ) const
{
    // Corner order: x varies fastest, then y, then z. Boxes are used as given, never sorted.
    int result = 2;  // fully inside until a plane cuts the box
    for (int p = 0; p < PLANE_COUNT; ++p)
    {
        int inside = 0;
        int outside = 0;
        for (int corner = 0; corner < 8 && (inside == 0 || outside == 0); ++corner)
        {
            float cx = (corner & 1) ? maxX : minX;
            float cy = (corner & 2) ? maxY : minY;
            float cz = (corner & 4) ? maxZ : minZ;
            if (Distance(p, cx, cy, cz) >= 0.0f)
            {
                ++inside;
            }
            else
            {
                ++outside;
            }
        }
        if (inside == 0)
        {
            return 0;
        }
        if (outside > 0)
        {
            result = 1;
        }
    }
    return result;
}
