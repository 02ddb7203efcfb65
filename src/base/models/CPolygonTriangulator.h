/// \file
/// Splits the polygons of model files into triangles: convex ones into the fan from their first
/// corner, concave or degenerate ones by ear clipping in the polygon's own plane.
#ifndef KYREL_CPOLYGONTRIANGULATOR_H
#define KYREL_CPOLYGONTRIANGULATOR_H

#include "math/CVector3.h"

#include <cstddef>
#include <vector>

/// Splits the polygons of model files into triangles; reuses its working memory between calls.
class CPolygonTriangulator
{
public:
    /// Appends count - 2 triangles to triangles, as triples of corner numbers (0-based, in the
    /// polygon's winding). A convex polygon whose fan triangles all have an area gets that fan
    /// ((0, 1, 2), (0, 2, 3), ...); any other gets ears clipped, with no zero-area triangle
    /// wherever the polygon allows. Corners need count >= 3.
    void Triangulate(const CVector3* corners, size_t count, std::vector<int>& triangles);
    /// Appends the fan of a polygon of count corners, whatever its shape.
    static void AppendFan(size_t count, std::vector<int>& triangles);

private:
    /// Projects the corners onto the coordinate plane the polygon faces most; false when the
    /// polygon has no area to face any way.
    bool Project(const CVector3* corners, size_t count);
    /// Twice the signed area of the projected triangle, positive in the polygon's winding; zero
    /// when it is too thin to tell from rounding.
    double Area(int a, int b, int c) const;
    bool FanIsSound() const;
    bool IsEar(size_t at) const;
    void ClipEars(std::vector<int>& triangles);

    /// Projected corners, and the corners not yet cut off while clipping.
    std::vector<double> m_u;
    std::vector<double> m_v;
    std::vector<int> m_remaining;
    double m_winding = 1.0;  ///< makes the polygon's own winding count positive
};

#endif
