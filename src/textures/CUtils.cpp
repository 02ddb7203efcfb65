// Frame timer, tangent frames and debug drawing of the utilities object.
#include "textures/CUtils.h"

#include "math/TangentSpace.h"
#include "platform/CGraphicsCore.h"

#include <SDL/SDL.h>
#include <cmath>
#include <cstdio>

namespace
{
const char* const FPS_SUFFIX_FORMAT = " Current FPS: %d";
const float MILLISECONDS_TO_SECONDS = 0.001f;
const size_t CAPTION_BUFFER_SIZE = 512;

// Kept for the whole process, not per object: a second utilities object continues the count.
float lastFrameTime = 0.0f;
float frameCounter = 0.0f;
float lastSecondTime = 0.0f;
}  // namespace

CUtils::CUtils() : framesPerSecond(0), frameTime(0.0)
{
    captionSuffix[0] = '\0';
}

void CUtils::MeasureFrameTime()
{
    float now = static_cast<float>(SDL_GetTicks()) * MILLISECONDS_TO_SECONDS;
    frameTime = now - lastFrameTime;
    lastFrameTime = now;
}

void CUtils::UpdateFrameTimer()
{
    MeasureFrameTime();
    const float now = lastFrameTime;
    frameCounter += 1.0f;
    if (now - lastSecondTime > 1.0f)
    {
        lastSecondTime = now;
        framesPerSecond = static_cast<int>(frameCounter);
        snprintf(captionSuffix, sizeof captionSuffix, FPS_SUFFIX_FORMAT, framesPerSecond);
        // A fixed buffer keeps the frame loop free of allocations; a longer title is cut.
        char title[CAPTION_BUFFER_SIZE];
        snprintf(title, sizeof title, "%s%s", gGraphicsCore->GetCaptionText(), captionSuffix);
        SDL_WM_SetCaption(title, nullptr);
        frameCounter = 0.0f;
    }
}

void CUtils::ComputeTangentSpace(const float p0[3], const float p1[3], const float p2[3],
                                 const float t0[2], const float t1[2], const float t2[2],
                                 float tangent[3], float binormal[3])
{
    ::ComputeTangentSpace(p0, p1, p2, t0, t1, t2, tangent, binormal);
}

void CUtils::DrawCube(float x, float y, float z)
{
    glDisable(GL_TEXTURE_2D);
    glTranslatef(x, y, z);
    glBegin(GL_QUADS);
    glColor3f(0.0f, 1.0f, 0.0f);  // +y
    glVertex3f(1, 1, -1);
    glVertex3f(-1, 1, -1);
    glVertex3f(-1, 1, 1);
    glVertex3f(1, 1, 1);
    glColor3f(1.0f, 0.5f, 0.0f);  // -y
    glVertex3f(1, -1, 1);
    glVertex3f(-1, -1, 1);
    glVertex3f(-1, -1, -1);
    glVertex3f(1, -1, -1);
    glColor3f(1.0f, 0.0f, 0.0f);  // +z
    glVertex3f(1, 1, 1);
    glVertex3f(-1, 1, 1);
    glVertex3f(-1, -1, 1);
    glVertex3f(1, -1, 1);
    glColor3f(1.0f, 1.0f, 0.0f);  // -z
    glVertex3f(1, -1, -1);
    glVertex3f(-1, -1, -1);
    glVertex3f(-1, 1, -1);
    glVertex3f(1, 1, -1);
    glColor3f(0.0f, 0.0f, 1.0f);  // -x
    glVertex3f(-1, 1, 1);
    glVertex3f(-1, 1, -1);
    glVertex3f(-1, -1, -1);
    glVertex3f(-1, -1, 1);
    glColor3f(1.0f, 0.0f, 1.0f);  // +x
    glVertex3f(1, 1, -1);
    glVertex3f(1, 1, 1);
    glVertex3f(1, -1, 1);
    glVertex3f(1, -1, -1);
    glEnd();
    glTranslatef(-x, -y, -z);
    glColor3f(1.0f, 1.0f, 1.0f);
}

void CUtils::DrawGrid(float x, float y, float z)
{
    const float GRID_EXTENT = 30.0f;
    glDisable(GL_TEXTURE_2D);
    glPushMatrix();
    glTranslatef(x, y, z);
    glColor3f(0.5f, 0.5f, 0.5f);
    glBegin(GL_LINES);
    for (float i = -GRID_EXTENT; i <= GRID_EXTENT; i += 1.0f)
    {
        glVertex3f(-GRID_EXTENT, 0, i);
        glVertex3f(GRID_EXTENT, 0, i);
        glVertex3f(i, 0, -GRID_EXTENT);
        glVertex3f(i, 0, GRID_EXTENT);
    }
    glEnd();
    glPopMatrix();
}

void CUtils::DrawQuad(float x, float y, float z)
{
    glDisable(GL_TEXTURE_2D);
    glTranslatef(x, y, z);
    glColor3f(0.3f, 1.0f, 0.2f);
    glBegin(GL_QUADS);
    glVertex3f(-1, 1, 1);
    glVertex3f(-1, -1, 1);
    glVertex3f(1, -1, 1);
    glVertex3f(1, 1, 1);
    glEnd();
    glTranslatef(-x, -y, -z);
}

void CUtils::DrawAxes()
{
    const float AXIS_LENGTH = 10.0f;
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_LINES);
    glColor3f(1, 0, 0);
    glVertex3f(0, 0, 0);
    glVertex3f(AXIS_LENGTH, 0, 0);
    glColor3f(0, 1, 0);
    glVertex3f(0, 0, 0);
    glVertex3f(0, AXIS_LENGTH, 0);
    glColor3f(0, 0, 1);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 0, AXIS_LENGTH);
    glEnd();
}
