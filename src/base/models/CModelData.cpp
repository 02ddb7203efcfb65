// Shared helpers of the mesh model readers: bounded name copies, colour bytes and boxes.
#include "models/CModelData.h"

#include <algorithm>
#include <cmath>
#include <cstring>

void CopyModelName(char* field, size_t fieldLength, const char* source, size_t sourceLength)
{
    if (field == nullptr || fieldLength == 0)
    {
        return;
    }
    size_t limit = std::min(sourceLength, fieldLength - 1);
    size_t length = source != nullptr ? strnlen(source, limit) : 0;
    if (length > 0)
    {
        std::memcpy(field, source, length);
    }
    field[length] = '\0';
}

namespace
{
void WidenBox(const CVector3* points, size_t count, CVector3& boxMin, CVector3& boxMax)
{
    for (size_t i = 0; i < count; ++i)
    {
        const CVector3& p = points[i];
        boxMin.x = std::min(boxMin.x, p.x);
        boxMin.y = std::min(boxMin.y, p.y);
        boxMin.z = std::min(boxMin.z, p.z);
        boxMax.x = std::max(boxMax.x, p.x);
        boxMax.y = std::max(boxMax.y, p.y);
        boxMax.z = std::max(boxMax.z, p.z);
    }
}
}  // namespace

void WidenBox(const std::vector<CVector3>& points, CVector3& boxMin, CVector3& boxMax)
{
    WidenBox(points.data(), points.size(), boxMin, boxMax);
}

void ComputeBox(const CVector3* points, size_t count, CVector3& boxMin, CVector3& boxMax)
{
    boxMin = CVector3(MODEL_BOX_START, MODEL_BOX_START, MODEL_BOX_START);
    boxMax = CVector3(-MODEL_BOX_START, -MODEL_BOX_START, -MODEL_BOX_START);
    WidenBox(points, count, boxMin, boxMax);
}

void ComputeBox(const std::vector<CVector3>& points, CVector3& boxMin, CVector3& boxMax)
{
    ComputeBox(points.data(), points.size(), boxMin, boxMax);
}

void CModelData::GetBoundingSphere(CVector3& centre, float& radius) const
{
    if (keyFrames.FrameCount() > 0)
    {
        keyFrames.BoundingSphere(centre, radius);
        return;
    }
    centre = sphereCenter;
    radius = sphereRadius;
}

unsigned char ColorComponentByte(float component)
{
    if (!(component > 0.0f))
    {
        return 0;
    }
    if (component >= 1.0f)
    {
        return 255;
    }
    return static_cast<unsigned char>(std::lround(component * 255.0f));
}
