// Scene fixtures for the render-pass tests.
#include "gl/scene/SceneFixture.h"

#include "gl/GLTestEnvironment.h"
#include "scene/CCamera.h"
#include "game/CGameObject.h"
#include "game/CGameObjectManager.h"
#include "scene/CLight.h"
#include "scene/CLightManager.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <cmath>
#include <fstream>

namespace kyrel_test
{
namespace
{
// An 8 x 8 white 24-bit bitmap: the colour map and a flat height map at once.
void WriteWhiteBitmap(const std::string& path)
{
    const int size = 8;
    const int rowBytes = size * 3;
    const int pixelBytes = rowBytes * size;
    std::vector<unsigned char> file(54 + pixelBytes, 0xFF);
    auto put32 = [&file](size_t at, unsigned value)
    {
        for (int i = 0; i < 4; ++i)
            file[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<unsigned>(file.size()));
    put32(6, 0);
    put32(10, 54);
    put32(14, 40);
    put32(18, size);
    put32(22, size);
    put32(26, 1 | (24 << 16));
    put32(30, 0);
    put32(34, pixelBytes);
    put32(38, 2835);
    put32(42, 2835);
    put32(46, 0);
    put32(50, 0);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
}
}  // namespace

std::string WriteQuadModel(const std::string& name, float h, float y)
{
    const std::string bitmap = WorkingDirectory() + "/white.bmp";
    WriteWhiteBitmap(bitmap);
    const std::string path = WorkingDirectory() + "/" + name + ".xml";
    std::ofstream xml(path);
    xml << "<KyrelModelFormat><model name=\"" << name
        << "\" numsubobjects=\"1\" nummaterials=\"1\" numofparallaxmap=\"1\">"
        << "<material name=\"white\" opacity=\"1\"><ambient r=\"1\" g=\"1\" b=\"1\" a=\"1\"/>"
        << "<diffuse r=\"1\" g=\"1\" b=\"1\" a=\"1\"/><specular r=\"0\" g=\"0\" b=\"0\" a=\"1\"/>"
        << "<texture colormap=\"" << bitmap << "\"/></material>"
        << "<parallaxmap><texture heightmap=\"" << bitmap << "\"/></parallaxmap>"
        << "<object name=\"quad\" numvertices=\"4\" numfaces=\"1\"><position x=\"0\" y=\"0\" "
           "z=\"0\"/>"
        << "<orientation angle=\"0\" x=\"0\" y=\"1\" z=\"0\"/>";
    // Counter-clockwise seen from above, so the face normal points up (towards the light).
    const float corners[4][2] = {{-h, h}, {h, h}, {h, -h}, {-h, -h}};
    const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i)
    {
        xml << "<vertex x=\"" << corners[i][0] << "\" y=\"" << y << "\" z=\"" << corners[i][1]
            << "\" u0=\"" << uv[i][0] << "\" v0=\"" << uv[i][1]
            << "\" u1=\"0\" v1=\"0\" u2=\"0\" v2=\"0\" u3=\"0\" v3=\"0\" r=\"1\" g=\"1\" b=\"1\" "
               "a=\"1\"/>";
    }
    xml << "<face a=\"0\" b=\"1\" c=\"2\" d=\"3\" materialindex=\"0\" parallaxmapindex=\"0\"/>"
        << "</object></model></KyrelModelFormat>\n";
    return path;
}

CGameObject* LoadObject(const std::string& path, bool castsShadow)
{
    CGameObject* object = new CGameObject();
    object->LoadXML(path.c_str());
    object->SetCastShadow(castsShadow);
    object->SetPosition(0, 0, 0);
    return object;
}

void EnsureLight()
{
    if (gLightManager->GetLightCount() == 0)
    {
        gLightManager->AddLight(new CLight());
        gLightManager->EnableLight(1);
    }
}

void DrawScene(const CVector3& eye)
{
    ResetFrame();
    // A running frame starts with the depth state the previous frame's 2D pass left behind.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    gCamera->PositionCamera(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 0);
    gCamera->Look();
    glDisable(GL_CULL_FACE);
    gGameObjectManager->Draw();
    glFinish();
}

std::vector<unsigned char> PixelAt(const CVector3& world)
{
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble x = 0, y = 0, z = 0;
    gluProject(world.x, world.y, world.z, modelview, projection, viewport, &x, &y, &z);
    return ReadPixel(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
}
}  // namespace kyrel_test
