// Tangent and binormal of a triangle from its positions and texture coordinates.
#include "math/TangentSpace.h"

#include <cmath>

namespace
{
void NormalizeInPlace(float v[3])
{
    float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length != 0.0f)
    {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    }
}
}  // namespace

void ComputeTangentSpace(const float p0[3], const float p1[3], const float p2[3], const float t0[2],
                         const float t1[2], const float t2[2], float tangent[3], float binormal[3])
{
    float e1[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    float e2[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    float du1 = t1[0] - t0[0];
    float dv1 = t1[1] - t0[1];
    float du2 = t2[0] - t0[0];
    float dv2 = t2[1] - t0[1];

    float det = dv1 * du2 - du1 * dv2;
    if (det == 0.0f)
    {
        return;
    }
    float r = 1.0f / det;
    for (int i = 0; i < 3; ++i)
    {
        tangent[i] = (e2[i] * dv1 - e1[i] * dv2) * r;
        binormal[i] = (e2[i] * du1 - e1[i] * du2) * r;
    }
    NormalizeInPlace(tangent);
    NormalizeInPlace(binormal);
}
