// Point light state and the light camera's matrices, computed on the GL matrix stack and read back
// so they match exactly what the fixed-function pipeline would build.
#include "scene/CLight.h"
#include "platform/CGraphicsCore.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <cstring>

namespace
{
const float DEFAULT_POSITION[4] = {20.0f, 100.0f, 20.0f, 1.0f};
const float DEFAULT_DIFFUSE[4] = {0.8f, 0.8f, 0.8f, 0.8f};
const float DEFAULT_AMBIENT[4] = {0.8f, 0.8f, 0.8f, 0.8f};
const float DEFAULT_SPECULAR[4] = {0.1f, 0.1f, 0.1f, 0.1f};
const size_t QUADRUPLE_BYTES = 4 * sizeof(float);
}  // namespace

CLight::CLight() : CLight(DEFAULT_POSITION, DEFAULT_DIFFUSE, DEFAULT_AMBIENT, DEFAULT_SPECULAR) {}

CLight::CLight(const float newPosition[4], const float newDiffuse[4], const float newAmbient[4],
               const float newSpecular[4])
{
    StoreQuadruples(newPosition, newDiffuse, newAmbient, newSpecular);
    ComputeMatrices();
}

void CLight::StoreQuadruples(const float newPosition[4], const float newDiffuse[4],
                             const float newAmbient[4], const float newSpecular[4])
{
    memcpy(position, newPosition, QUADRUPLE_BYTES);
    memcpy(diffuse, newDiffuse, QUADRUPLE_BYTES);
    memcpy(ambient, newAmbient, QUADRUPLE_BYTES);
    memcpy(specular, newSpecular, QUADRUPLE_BYTES);
}

void CLight::Set(const float newPosition[4], const float newDiffuse[4], const float newAmbient[4],
                 const float newSpecular[4])
{
    StoreQuadruples(newPosition, newDiffuse, newAmbient, newSpecular);
    enabled = false;
    ComputeMatrices();
}

void CLight::SetPosition(float x, float y, float z, float w)
{
    position[0] = x;
    position[1] = y;
    position[2] = z;
    position[3] = w;
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    ComputeMatrices();
}

void CLight::Enable()
{
    enabled = true;
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
}

void CLight::Disable()
{
    enabled = false;
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
}

void CLight::ComputeMatrices()
{
    // The work happens on the modelview stack whatever mode the caller left current; the mode is
    // restored afterwards, so a caller in projection mode loses neither matrix.
    GLint callerMode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &callerMode);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();

    glLoadIdentity();
    gGraphicsCore->Perspective(fieldOfView, aspect, nearPlane, farPlane);
    glGetFloatv(GL_MODELVIEW_MATRIX, projectionMatrix.m);

    glLoadIdentity();
    gluLookAt(position[0], position[1], position[2], target.x, target.y, target.z, up.x, up.y,
              up.z);
    glGetFloatv(GL_MODELVIEW_MATRIX, viewMatrix.m);

    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(callerMode));
}
