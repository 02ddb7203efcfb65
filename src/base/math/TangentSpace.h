/// \file
/// The tangent frame of a textured triangle, which parallax and bump mapping read their texture
/// directions from.
#ifndef KYREL_TANGENTSPACE_H
#define KYREL_TANGENTSPACE_H

/// Tangent and binormal of a textured triangle, normalised; degenerate texture coordinates leave
/// both outputs untouched.
void ComputeTangentSpace(const float p0[3], const float p1[3], const float p2[3], const float t0[2],
                         const float t1[2], const float t2[2], float tangent[3], float binormal[3]);

#endif
