// The MD2 entity on a real context: the blend of two key frames read back as pixels, the frame
// clock on an injected time source, still models, the stencil shadow of an animated model on a
// floor, and screenshots of a real skinned model 300 ms apart.
#include "gl/GLTestEnvironment.h"
#include "gl/scene/SceneFixture.h"
#include "models/CMD2Object.h"
#include "models/CObj.h"
#include "platform/CGraphicsCore.h"
#include "scene/CCamera.h"
#include "support/MD2FileBuilder.h"
#include "support/TempFiles.h"

#include <SDL/SDL.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>
#include <string>
#include <vector>

using namespace kyrel_test;

namespace
{
unsigned int fakeTicks = 0;

unsigned int FakeTicks()
{
    return fakeTicks;
}

// The view of the tests: x from -8 to 8 and y from -6 to 6, one window pixel per 1/64 unit.
const float VIEW_HALF_WIDTH = 8.0f;
const float VIEW_HALF_HEIGHT = 6.0f;

// A triangle in the z = 0 plane spanning x 0..2 and y -1..1 around its frame's x offset.
MD2Frame ShiftedTriangle(const std::string& name, float x)
{
    MD2Frame frame;
    frame.name = name;
    // Engine (x, y, z) = (X + tx, Z + tz, -(Y + ty)).
    frame.translate = {x - 1.0f, 0.0f, -1.0f};
    frame.vertices = {{0, 0, 0}, {2, 0, 0}, {1, 0, 2}};
    return frame;
}

// One triangle, its frames named and placed as given.
std::vector<uint8_t> TriangleFrames(const std::vector<std::pair<const char*, float>>& frames)
{
    MD2FileBuilder file;
    file.texCoords = {{0, 0}};
    file.triangles = {{{0, 1, 2}, {0, 0, 0}}};
    for (const auto& frame : frames)
    {
        file.frames.push_back(ShiftedTriangle(frame.first, frame.second));
    }
    return file.Build();
}

// Frames move1 at x -4, move2 at +4 (one animation over both) and end1 at 0.
std::vector<uint8_t> MovingTriangle()
{
    return TriangleFrames({{"move1", -4}, {"move2", 4}, {"end1", 0}});
}

std::unique_ptr<CMD2Object> LoadBytes(const std::vector<uint8_t>& bytes, const char* texture)
{
    TempDir folder("md2-gl");
    const std::string path =
        WriteFile(folder.File("model.md2"), std::string(bytes.begin(), bytes.end()));
    std::unique_ptr<CMD2Object> entity(new CMD2Object());
    entity->SetTickSource(FakeTicks);
    EXPECT_TRUE(entity->Load(path.c_str(), texture));
    return entity;
}

void LookAlongMinusZ()
{
    ResetFrame();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-VIEW_HALF_WIDTH, VIEW_HALF_WIDTH, -VIEW_HALF_HEIGHT, VIEW_HALF_HEIGHT, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool WhiteAt(float x, float y)
{
    const int px = static_cast<int>((x + VIEW_HALF_WIDTH) / (2 * VIEW_HALF_WIDTH) * WINDOW_WIDTH);
    const int py =
        static_cast<int>((y + VIEW_HALF_HEIGHT) / (2 * VIEW_HALF_HEIGHT) * WINDOW_HEIGHT);
    return ReadPixel(px, py)[0] > 200;
}

// Where the triangle shows: -4, 0, 4 (its frames and their midpoint), or none.
std::vector<float> TrianglePlaces()
{
    std::vector<float> places;
    for (float x : {-4.0f, 0.0f, 4.0f})
    {
        if (WhiteAt(x, 0.0f))
        {
            places.push_back(x);
        }
    }
    return places;
}

class MD2EntityGL : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, Engine());
        fakeTicks = 0;
        glDisable(GL_LIGHTING);
        glDisable(GL_CULL_FACE);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glDisable(GL_TEXTURE_2D);
    }
};
}  // namespace

TEST_F(MD2EntityGL, ClockBlendsTheCurrentAndNextFrame)
{
    std::unique_ptr<CMD2Object> entity = LoadBytes(MovingTriangle(), nullptr);
    ASSERT_EQ(1, entity->GetModel().animationCount);
    EXPECT_EQ(5.0f, entity->GetAnimationSpeed());
    // At 5 frames a second a frame lasts 200 ms; the blend factor is the time since the last
    // change over that period, and the frame changes once a whole period has passed.
    const struct
    {
        unsigned int ticks;
        std::vector<float> places;
        int frameAfter;
    } steps[] = {
        {0, {-4}, 0},    // t = 0: frame 0 as it is
        {100, {0}, 0},   // t = 0.5: halfway between frame 0 and frame 1
        {199, {4}, 0},   // t just below 1: nearly at frame 1
        {200, {4}, 1},   // t = 1: frame 1, which becomes current
        {300, {0}, 1},   // halfway back: the animation wraps from frame 1 to frame 0
        {400, {-4}, 0},  // frame 0 again
        {450, {}, 0},    // a quarter on: the triangle has moved 2 units only
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.ticks);
        fakeTicks = step.ticks;
        LookAlongMinusZ();
        entity->Render(false);
        EXPECT_EQ(step.places, TrianglePlaces());
        EXPECT_EQ(step.frameAfter, entity->GetModel().currentFrame);
    }
    EXPECT_TRUE(WhiteAt(-2.0f, 0.0f)) << "a quarter of the way from -4 to 4";
    EXPECT_EQ(50.0f, entity->GetFrameTime());

    // Twice the speed halves the period; speed 0 holds the frame still.
    const struct
    {
        float speed;
        unsigned int ticks;
    } speeds[] = {{10, 500}, {0, 5000}};
    for (const auto& c : speeds)
    {
        entity->SetAnimationSpeed(c.speed);
        fakeTicks = c.ticks;
        LookAlongMinusZ();
        entity->Render(false);
        EXPECT_EQ(1, entity->GetModel().currentFrame) << c.speed;
        EXPECT_EQ(std::vector<float>{4}, TrianglePlaces()) << c.speed;
    }

    // The shadow build steps the same clock; the hold at speed 0 held the clock too, so two
    // whole periods have passed since, back round to frame 1.
    entity->SetAnimationSpeed(5);
    fakeTicks = 5400;
    entity->BuildShadowVolume(0, 10, 0);
    EXPECT_EQ(1, entity->GetModel().currentFrame);
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

// After a pause of k frame periods and a half the pose lies halfway between frames n + k and
// n + k + 1 of the animation (wrapped), never beyond a key frame.
TEST_F(MD2EntityGL, APauseSkipsWholeFramesAndBlendsWithinOne)
{
    std::unique_ptr<CMD2Object> entity =
        LoadBytes(TriangleFrames({{"run1", -4}, {"run2", 0}, {"run3", 4}, {"end1", 0}}), nullptr);
    ASSERT_EQ(1, entity->GetModel().animationCount);  // the last name's frames close no animation
    const struct
    {
        unsigned int ticks;
        int frame;
        float x;
    } steps[] = {
        {900, 1, 2.0f},   // 4.5 periods after the start: frame 0 + 4 = 1 (wrapped), on to 2
        {2300, 2, 0.0f},  // 7.5 more: frame 1 + 7 = 2, halfway on to frame 0 after the wrap
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.ticks);
        fakeTicks = step.ticks;
        LookAlongMinusZ();
        entity->Render(false);
        EXPECT_EQ(step.frame, entity->GetModel().currentFrame);
        EXPECT_TRUE(WhiteAt(step.x, 0.0f));
        EXPECT_FALSE(WhiteAt(step.x - 2.5f, 0.0f) || WhiteAt(step.x + 2.5f, 0.0f));
    }
}

TEST_F(MD2EntityGL, SetAnimationWrapsAndStillModelsDrawTheirFrame)
{
    // Frames a1 a2 b1 b2 b3 c1: animation a covers frames 0-1, b frames 2-4 (wrapping to 2).
    std::unique_ptr<CMD2Object> entity = LoadBytes(
        TriangleFrames({{"a1", 0}, {"a2", 0}, {"b1", 0}, {"b2", 0}, {"b3", 0}, {"c1", 0}}),
        nullptr);
    ASSERT_EQ(2, entity->GetModel().animationCount);
    entity->SetAnimation(1);
    EXPECT_EQ(2, entity->GetModel().currentFrame);
    std::vector<int> frames;
    for (unsigned int ticks = 200; ticks <= 1000; ticks += 200)
    {
        fakeTicks = ticks;
        entity->Render(false);
        frames.push_back(entity->GetModel().currentFrame);
    }
    EXPECT_EQ((std::vector<int>{3, 4, 2, 3, 4}), frames);
    entity->SetAnimation(2);  // the animation count selects animation 0
    EXPECT_EQ(0, entity->GetModel().currentAnimation);
    entity->SetAnimation(-1);
    EXPECT_EQ(1, entity->GetModel().currentAnimation);

    // One frame: no animation to play, SetAnimation ignored, the frame drawn still at any time.
    std::unique_ptr<CMD2Object> single = LoadBytes(TriangleFrames({{"pose", -4}}), nullptr);
    EXPECT_EQ(0, single->GetModel().animationCount);
    single->SetAnimation(3);
    for (unsigned int ticks : {0u, 100u, 250u, 10000u})
    {
        fakeTicks = ticks;
        LookAlongMinusZ();
        single->Render(false);
        EXPECT_EQ(std::vector<float>{-4}, TrianglePlaces()) << ticks;
        single->BuildShadowVolume(0, 10, 0);
    }
    EXPECT_EQ(3, single->GetVertexCount());

    // A rejected file leaves nothing to draw and nothing to animate.
    std::unique_ptr<CMD2Object> broken(new CMD2Object());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(broken->Load((WorkingDirectory() + "/none.md2").c_str(), "none.bmp"));
    EXPECT_EQ("Unable to find the file: " + WorkingDirectory() + "/none.md2!\n",
              testing::internal::GetCapturedStderr());
    broken->SetAnimation(1);
    broken->BuildShadowVolume(0, 10, 0);
    LookAlongMinusZ();
    broken->Render(true);
    broken->RenderBoundingBox();
    broken->DrawShadowVolume();
    broken->DrawBoundingSphere();
    const std::vector<unsigned char> window = ReadPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    long lit = 0;
    for (size_t i = 0; i < window.size(); i += 4)
    {
        lit += window[i] + window[i + 1] + window[i + 2] > 0;
    }
    EXPECT_EQ(0, lit) << "pixels drawn";
    EXPECT_EQ(0, broken->GetVertexCount());
    EXPECT_EQ(0u, broken->GetTexture());
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST_F(MD2EntityGL, TextureIsBoundOnlyWhenAskedAndReleasedWithTheEntity)
{
    const std::string skin = std::string(KYREL_TEST_DATA_DIR) + "/scene/halves.bmp";
    std::unique_ptr<CMD2Object> entity = LoadBytes(MovingTriangle(), skin.c_str());
    const GLuint texture = entity->GetTexture();
    ASSERT_NE(0u, texture);
    EXPECT_EQ(0, entity->GetModel().materials[0].textureIndex);
    LookAlongMinusZ();
    entity->Render(false);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    entity->Render(true);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLint>(texture), bound);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_TRUE(glIsTexture(texture));
    entity.reset();
    EXPECT_FALSE(glIsTexture(texture));
}

TEST_F(MD2EntityGL, StencilShadowDarkensTheFloorUnderTheModel)
{
    // A 2 x 2 square at height 2 whose faces turn up at the light, over a 40 x 40 floor.
    MD2FileBuilder file;
    file.texCoords = {{0, 0}};
    file.triangles = {{{0, 1, 2}, {0, 0, 0}}, {{0, 2, 3}, {0, 0, 0}}};
    MD2Frame square;
    // Engine (x, y, z) = (X - 1, Z + 2, -(Y - 1)): corners (-1, 2, -1), (-1, 2, 1), (1, 2, 1),
    // (1, 2, -1).
    square.translate = {-1.0f, -1.0f, 2.0f};
    square.vertices = {{0, 2, 0}, {0, 0, 0}, {2, 0, 0}, {2, 2, 0}};
    square.name = "hover1";
    MD2Frame lower = square;
    lower.name = "hover2";
    lower.translate[2] = 1.5f;
    file.frames = {square, lower, square};
    std::unique_ptr<CMD2Object> caster = LoadBytes(file.Build(), nullptr);
    caster->SetScale(2, 1, 2);
    std::unique_ptr<CObj> floor(new CObj());
    floor->Load((std::string(KYREL_TEST_DATA_DIR) + "/scene/floor.obj").c_str(), nullptr);

    // The light right above: the square's shadow on the floor spans 2 x 10 / 8 = 2.5 units to
    // either side. The first build only primes the volume.
    for (unsigned int ticks : {0u, 100u})
    {
        fakeTicks = ticks;
        caster->BuildShadowVolume(0, 10, 0);
    }
    EXPECT_EQ(24u, caster->GetShadowVolume().GetVertexCount()) << "four silhouette edges";
    const CVector3 shadowed(1.5f, 0, 1.5f), open(4, 0, 4);
    for (bool twoSided : {false, true})
    {
        if (twoSided && !gGraphicsCore->HasStencilTwoSide())
        {
            continue;
        }
        SCOPED_TRACE(twoSided ? "two-sided" : "two passes");
        ResetFrame();
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        gCamera->PositionCamera(0, 60, 40, 0, 0, 0, 0, 1, 0);
        gCamera->Look();
        floor->RenderVBO(false);
        caster->RenderShadowVolumeStencil(twoSided);
        if (twoSided)
        {
            glDisable(GL_STENCIL_TEST_TWO_SIDE_EXT);
        }

        // Where the stencil counts a shadow, the floor is drawn over at half brightness.
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_NOTEQUAL, 0, ~0u);
        glColor3f(0.5f, 0.5f, 0.5f);
        glRectf(-1, -1, 1, 1);
        glDisable(GL_STENCIL_TEST);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();

        EXPECT_NEAR(128, PixelAt(shadowed)[0], 3);
        EXPECT_EQ(255, PixelAt(open)[0]);
    }
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

namespace
{
// RGB rows of the window, bottom row first, and their PPM form turned into a PNG.
std::vector<unsigned char> ReadWindow()
{
    std::vector<unsigned char> rgba = ReadPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    std::vector<unsigned char> rgb;
    rgb.reserve(rgba.size() / 4 * 3);
    for (size_t i = 0; i < rgba.size(); i += 4)
    {
        rgb.insert(rgb.end(), rgba.begin() + i, rgba.begin() + i + 3);
    }
    return rgb;
}

void SavePng(const std::vector<unsigned char>& rgb, const std::string& path)
{
    const std::string ppm = path + ".ppm";
    FILE* file = std::fopen(ppm.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    std::fprintf(file, "P6 %d %d 255\n", WINDOW_WIDTH, WINDOW_HEIGHT);
    const size_t row = static_cast<size_t>(WINDOW_WIDTH) * 3;
    for (int y = WINDOW_HEIGHT - 1; y >= 0; --y)
    {
        std::fwrite(rgb.data() + row * y, 1, row, file);
    }
    std::fclose(file);
    const std::string command = "convert '" + ppm + "' '" + path + "' 2>/dev/null";
    if (std::system(command.c_str()) == 0)
    {
        std::remove(ppm.c_str());
    }
}

// A background no lit pixel of the model has, so that its black clothes count as model.
const unsigned char BACKGROUND[3] = {51, 77, 153};

// Draws the model as a game object would (front faces culled), lit from in front and above.
void DrawLitFrame(CMD2Object& entity, const CVector3& eye, const CVector3& centre)
{
    ResetFrame();
    glClearColor(BACKGROUND[0] / 255.0f, BACKGROUND[1] / 255.0f, BACKGROUND[2] / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    gCamera->PositionCamera(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, 0, 1, 0);
    gCamera->Look();
    const GLfloat lightPosition[4] = {eye.x, eye.y + 40, eye.z + 20, 1};
    const GLfloat white[4] = {1, 1, 1, 1};
    const GLfloat ambient[4] = {0.3f, 0.3f, 0.3f, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    entity.Render(true);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_TEXTURE_2D);
}
}  // namespace

TEST_F(MD2EntityGL, RealModelScreenshotsDifferWhereItMoves)
{
    const std::string folder = std::string(KYREL_SHARED_TESTDATA_DIR) + "/md2/good/";
    if (!std::filesystem::exists(folder + "sydney.md2"))
    {
        GTEST_SKIP() << "shared MD2 models not present in " << folder;
    }
    std::unique_ptr<CMD2Object> entity(new CMD2Object());
    ASSERT_TRUE(entity->Load((folder + "sydney.md2").c_str(), (folder + "sydney.bmp").c_str()));
    ASSERT_NE(0u, entity->GetTexture());
    entity->SetAnimation(1);  // run
    const CKeyFrames& frames = entity->GetModel().keyFrames;
    const CVector3 centre = (frames.BoundsMin(0) + frames.BoundsMax(0)) * 0.5f;
    const float height = frames.BoundsMax(0).y - frames.BoundsMin(0).y;
    // Seen from the front (the model faces +x) and a little to its left.
    const CVector3 eye = centre + CVector3(1.0f * height, 0.15f * height, 0.4f * height);

    // The real clock, frames drawn back to back as an application would.
    const auto drawFor = [&](unsigned int milliseconds)
    {
        const unsigned int start = SDL_GetTicks();
        do
        {
            DrawLitFrame(*entity, eye, centre);
            SDL_GL_SwapBuffers();
        } while (SDL_GetTicks() - start < milliseconds);
        DrawLitFrame(*entity, eye, centre);
        return ReadWindow();
    };
    entity->SetTickSource(SDL_GetTicks);
    const std::vector<unsigned char> first = drawFor(50);
    const std::vector<unsigned char> second = drawFor(300);
    SavePng(first, "/tmp/kyrel-md2-sydney-0ms.png");
    SavePng(second, "/tmp/kyrel-md2-sydney-300ms.png");

    // The model covers a good part of the window, near its middle, in the skin's colours, and the
    // running pose differs between the two pictures.
    struct Coverage
    {
        long pixels = 0, dark = 0, warm = 0, sumX = 0, sumY = 0;
    } coverage[2];
    const std::vector<unsigned char>* pictures[2] = {&first, &second};
    long changed = 0;
    for (size_t i = 0; i < first.size(); i += 3)
    {
        for (int p = 0; p < 2; ++p)
        {
            const unsigned char* rgb = pictures[p]->data() + i;
            if (std::equal(rgb, rgb + 3, BACKGROUND))
            {
                continue;
            }
            const long pixel = static_cast<long>(i / 3);
            coverage[p].pixels += 1;
            coverage[p].dark += std::max({rgb[0], rgb[1], rgb[2]}) < 50;
            coverage[p].warm += rgb[0] > rgb[2] + 15;
            coverage[p].sumX += pixel % WINDOW_WIDTH;
            coverage[p].sumY += pixel / WINDOW_WIDTH;
        }
        changed +=
            first[i] != second[i] || first[i + 1] != second[i + 1] || first[i + 2] != second[i + 2];
    }
    for (const Coverage& c : coverage)
    {
        ASSERT_GT(c.pixels, 20000);
        // Black clothes and warm skin: a white, untextured draw has neither.
        EXPECT_GT(c.dark, c.pixels / 3);
        EXPECT_GT(c.warm, c.pixels / 50);
        EXPECT_NEAR(WINDOW_WIDTH / 2, c.sumX / c.pixels, WINDOW_WIDTH / 6);
        EXPECT_NEAR(WINDOW_HEIGHT / 2, c.sumY / c.pixels, WINDOW_HEIGHT / 6);
    }
    EXPECT_GT(changed, 2000);
}
