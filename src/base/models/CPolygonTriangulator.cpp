// Polygon triangulation for the model readers. Work is done in double on the corners projected
// onto one coordinate plane: dropping the axis the polygon's Newell normal leans on most keeps
// its shape (and winding) free of a division by a normal that may be nearly zero.
#include "models/CPolygonTriangulator.h"

#include <cmath>

namespace
{
// A triangle whose corner's sine falls below this is taken as flat: float positions of corners
// on one line rarely cross exactly to zero.
const double FLAT_SINE = 1e-6;
}  // namespace

void CPolygonTriangulator::Triangulate(const CVector3* corners, size_t count,
                                       std::vector<int>& triangles)
{
    if (count < 3)
    {
        return;
    }
    if (count == 3 || !Project(corners, count) || FanIsSound())
    {
        AppendFan(count, triangles);
        return;
    }
    ClipEars(triangles);
}

void CPolygonTriangulator::AppendFan(size_t count, std::vector<int>& triangles)
{
    for (size_t i = 1; i + 1 < count; ++i)
    {
        triangles.insert(triangles.end(), {0, static_cast<int>(i), static_cast<int>(i + 1)});
    }
}

bool CPolygonTriangulator::Project(const CVector3* corners, size_t count)
{
    double normal[3] = {0.0, 0.0, 0.0};
    for (size_t i = 0; i < count; ++i)
    {
        const CVector3& a = corners[i];
        const CVector3& b = corners[(i + 1) % count];
        normal[0] += (double(a.y) - b.y) * (double(a.z) + b.z);
        normal[1] += (double(a.z) - b.z) * (double(a.x) + b.x);
        normal[2] += (double(a.x) - b.x) * (double(a.y) + b.y);
    }
    int axis = 0;
    for (int k = 1; k < 3; ++k)
    {
        if (std::fabs(normal[k]) > std::fabs(normal[axis]))
        {
            axis = k;
        }
    }
    if (!(normal[axis] != 0.0))
    {
        return false;  // all corners on one line or one point (or not numbers)
    }
    // The two axes after the dropped one, in cyclic order, so that the projected winding has the
    // sign of the normal's component along it.
    const int uAxis = (axis + 1) % 3;
    const int vAxis = (axis + 2) % 3;
    m_u.resize(count);
    m_v.resize(count);
    for (size_t i = 0; i < count; ++i)
    {
        const float xyz[3] = {corners[i].x, corners[i].y, corners[i].z};
        m_u[i] = xyz[uAxis];
        m_v[i] = xyz[vAxis];
    }
    m_winding = normal[axis] > 0.0 ? 1.0 : -1.0;
    return true;
}

double CPolygonTriangulator::Area(int a, int b, int c) const
{
    const double abU = m_u[b] - m_u[a];
    const double abV = m_v[b] - m_v[a];
    const double acU = m_u[c] - m_u[a];
    const double acV = m_v[c] - m_v[a];
    const double cross = abU * acV - abV * acU;
    // |cross| <= sine * |ab| |ac|, squared to spare the root.
    const double lengthsSquared = (abU * abU + abV * abV) * (acU * acU + acV * acV);
    return cross * cross <= FLAT_SINE * FLAT_SINE * lengthsSquared ? 0.0 : cross * m_winding;
}

// The fan is kept for convex polygons: no corner turns against the winding, and no fan triangle
// is flat.
bool CPolygonTriangulator::FanIsSound() const
{
    const int count = static_cast<int>(m_u.size());
    for (int i = 0; i < count; ++i)
    {
        if (Area((i + count - 1) % count, i, (i + 1) % count) < 0.0)
        {
            return false;
        }
    }
    for (int i = 1; i + 1 < count; ++i)
    {
        if (Area(0, i, i + 1) <= 0.0)
        {
            return false;
        }
    }
    return true;
}

// The corner at position at of the remaining polygon is an ear when it turns with the winding
// and no other remaining corner lies inside or on the triangle it would cut off (a corner at the
// same place as one of the triangle's own does not count).
bool CPolygonTriangulator::IsEar(size_t at) const
{
    const size_t count = m_remaining.size();
    const int prev = m_remaining[(at + count - 1) % count];
    const int cur = m_remaining[at];
    const int next = m_remaining[(at + 1) % count];
    if (Area(prev, cur, next) <= 0.0)
    {
        return false;
    }
    const auto samePlace = [this](int a, int b) { return m_u[a] == m_u[b] && m_v[a] == m_v[b]; };
    for (const int other : m_remaining)
    {
        if (samePlace(other, prev) || samePlace(other, cur) || samePlace(other, next))
        {
            continue;
        }
        if (Area(prev, cur, other) >= 0.0 && Area(cur, next, other) >= 0.0 &&
            Area(next, prev, other) >= 0.0)
        {
            return false;
        }
    }
    return true;
}

void CPolygonTriangulator::ClipEars(std::vector<int>& triangles)
{
    const int count = static_cast<int>(m_u.size());
    m_remaining.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
    {
        m_remaining[static_cast<size_t>(i)] = i;
    }
    bool clipped = true;
    while (m_remaining.size() > 3 && clipped)
    {
        clipped = false;
        const size_t remaining = m_remaining.size();
        for (size_t at = 0; at < remaining && !clipped; ++at)
        {
            if (IsEar(at))
            {
                triangles.insert(triangles.end(),
                                 {m_remaining[(at + remaining - 1) % remaining], m_remaining[at],
                                  m_remaining[(at + 1) % remaining]});
                m_remaining.erase(m_remaining.begin() + static_cast<std::ptrdiff_t>(at));
                clipped = true;
            }
        }
    }
    // What has no ear left (the last triangle, or a polygon that crosses itself or lies on a
    // line) still becomes its share of triangles, so every polygon gives corners - 2.
    for (size_t i = 1; i + 1 < m_remaining.size(); ++i)
    {
        triangles.insert(triangles.end(), {m_remaining[0], m_remaining[i], m_remaining[i + 1]});
    }
}
