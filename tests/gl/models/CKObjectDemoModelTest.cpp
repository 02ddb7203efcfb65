// The demo's model as the demo loads it: from Data/KModel with the engine's own picture readers,
// without a warning, every texture created, and drawn by the parallax program over most of the
// demo camera's view.
#include "gl/GLTestEnvironment.h"
#include "models/CKObject.h"
#include "scene/CCamera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{
const char* const DEMO_MODEL = "Data/KModel/planeParralax.xml";

// Sets up the view the demo starts with: 50 degrees, the camera at (20, 15, 10) looking at
// (1, 5, 1), light 0 where the default light stands.
void DemoView()
{
    kyrel_test::ResetFrame();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(50.0, double(kyrel_test::WINDOW_WIDTH) / kyrel_test::WINDOW_HEIGHT, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gCamera->PositionCamera(20, 15, 10, 1, 5, 1, 0, 1, 0);
    gCamera->Look();
    const GLfloat light[4] = {20, 100, 20, 1};
    const GLfloat white[4] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
}

double Luminance(const unsigned char* rgba)
{
    return 0.299 * rgba[0] + 0.587 * rgba[1] + 0.114 * rgba[2];
}
}  // namespace

TEST(CKObjectDemoModel, LoadsWithoutWarningAndEveryTextureCreated)
{
    kyrel_test::Engine();
    CKObject object;
    testing::internal::CaptureStdout();
    object.Load(DEMO_MODEL);
    fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::string::npos, out.find("WARNING")) << out;
    EXPECT_EQ(std::string::npos, out.find("not found")) << out;
    EXPECT_EQ(std::string::npos, out.find("Failed")) << out;

    const CXMLModel* model = object.GetModel();
    ASSERT_NE(nullptr, model);
    ASSERT_EQ(3u, model->subObjectCount);
    EXPECT_EQ(55, object.GetVertexCount());
    const unsigned int faces[3] = {16, 8, 8};
    for (unsigned int i = 0; i < 3; ++i)
    {
        const XMLSubObject& part = model->subObjects[i];
        EXPECT_EQ(faces[i], part.faceCount);
        for (const XMLFace& face : part.faces)
        {
            EXPECT_TRUE(face.IsQuad());
            EXPECT_NE(0, model->MaterialTexture(face.materialIndex));
            EXPECT_NE(XML_NO_TEXTURE, model->MaterialTexture(face.materialIndex));
            EXPECT_NE(0, model->HeightMapTexture(face.parallaxMapIndex));
            EXPECT_NE(XML_NO_TEXTURE, model->HeightMapTexture(face.parallaxMapIndex));
            EXPECT_NEAR(1.0f, face.tangent.Length(), 1e-5f) << "every quad has a tangent frame";
        }
    }
    for (const XMLMaterial& material : model->materials)
    {
        EXPECT_TRUE(glIsTexture(GLuint(material.texture))) << material.textureFile;
    }
    for (const XMLMaterial& heightMap : model->heightMaps)
    {
        EXPECT_TRUE(glIsTexture(GLuint(heightMap.texture))) << heightMap.textureFile;
    }
    // The floor spans 40 x 40 around the origin and the walls rise behind it.
    EXPECT_FLOAT_EQ(-20, model->boundsMin.x);
    EXPECT_FLOAT_EQ(20, model->boundsMax.z);
    EXPECT_GT(model->boundsMax.y, 10);
}

TEST(CKObjectDemoModel, ParallaxDrawFillsTheDemoViewWithTexturedRelief)
{
    kyrel_test::Engine();
    CKObject object;
    testing::internal::CaptureStdout();
    object.Load(DEMO_MODEL);
    testing::internal::GetCapturedStdout();
    DemoView();
    object.RenderParallax(true);
    std::vector<unsigned char> pixels =
        kyrel_test::ReadPixels(0, 0, kyrel_test::WINDOW_WIDTH, kyrel_test::WINDOW_HEIGHT);
    const size_t count = pixels.size() / 4;
    size_t covered = 0;
    double sum = 0, sumSquares = 0;
    for (size_t i = 0; i < count; ++i)
    {
        const unsigned char* p = &pixels[4 * i];
        if (p[0] + p[1] + p[2] > 0)
        {
            ++covered;
        }
        double y = Luminance(p);
        sum += y;
        sumSquares += y * y;
    }
    const double mean = sum / count;
    const double deviation = std::sqrt(sumSquares / count - mean * mean);
    EXPECT_GT(double(covered) / count, 0.8) << "the model fills most of the view";
    EXPECT_GT(mean, 30.0) << "lit, not black";
    EXPECT_GT(deviation, 12.0) << "bricks and joints, not a flat colour";
}
