// Small scenes for the render-pass tests: XML models of flat, white, parallax-mapped quads
// written into the test's working directory, and one light.
#ifndef KYREL_SCENEFIXTURE_H
#define KYREL_SCENEFIXTURE_H

#include "math/CVector3.h"

#include <string>
#include <vector>

class CGameObject;

namespace kyrel_test
{
// A horizontal square quad of the given half size at height y, facing up.
std::string WriteQuadModel(const std::string& name, float halfSize, float y);
// Loads a model file into a new game object placed at the origin.
CGameObject* LoadObject(const std::string& path, bool castsShadow);
// Adds light number 1 at its default place, once per process.
void EnsureLight();
// Clears the frame, applies the camera from eye to the origin and lets the manager draw.
void DrawScene(const CVector3& eye);
// Window pixel (RGBA) under a world point after the last DrawScene.
std::vector<unsigned char> PixelAt(const CVector3& world);
}  // namespace kyrel_test

#endif
