/// \file
/// The pick-ray record handed from a game object to its entity's ray test; the test only ever lowers
/// nearestDistance, so one record passed to several objects ends with the nearest hit of them all.
#ifndef KYREL_CRAY_H
#define KYREL_CRAY_H

#include "math/CVector3.h"

/// Farther than anything in a scene, so the first real hit always counts.
const float RAY_NO_HIT_DISTANCE = 100000.0f;

/// A pick ray in world space and the nearest hit the ray tests found along it so far.
struct CRay
{
    CVector3 origin;                              ///< world units
    CVector3 direction;                           ///< world space
    bool hit = false;                             ///< true once any test found a hit
    float nearestDistance = RAY_NO_HIT_DISTANCE;  ///< world units from origin to the nearest hit
    CVector3 hitColor;  ///< colour of the model at the nearest hit, RGB 0..1
};

#endif
