/// \file
/// The pick-ray record handed from a game object to its entity's ray test; the test only ever lowers
/// nearestDistance, so one record passed to several objects ends with the nearest hit of them all.
#ifndef KYREL_CRAY_H
#define KYREL_CRAY_H

#include "math/CVector3.h"

/// Farther than anything in a scene, so the first real hit always counts.
const float RAY_NO_HIT_DISTANCE = 100000.0f;

struct CRay
{
    CVector3 origin;
    CVector3 direction;
    bool hit = false;
    float nearestDistance = RAY_NO_HIT_DISTANCE;
    CVector3 hitColor;
};

#endif
