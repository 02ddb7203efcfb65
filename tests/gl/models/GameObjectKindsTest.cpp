// Game objects of the MD2 and 3DS kinds: the culling each kind's draw uses (read back as pixels),
// the 3DS kind's always-textured draw, and the requests only one kind takes.
#include "gl/GLTestEnvironment.h"
#include "gl/scene/SceneFixture.h"
#include "models/C3DSObject.h"
#include "models/CMD2Object.h"
#include "scene/CCamera.h"
#include "game/CGameObject.h"
#include "support/Chunk3DSBuilder.h"
#include "support/MD2FileBuilder.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kyrel_test;
namespace c3 = kyrel_test::chunk3ds;

namespace
{
const std::string SCENE_DATA = std::string(KYREL_TEST_DATA_DIR) + "/scene/";

std::string AsText(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// One MD2 triangle around the origin in the y = 0 plane; facing +y as GL winds it when front is
// true. The file's (X, Y, Z) become the engine's (X, Z, -Y).
std::string Md2Triangle(const TempDir& folder, bool front)
{
    MD2FileBuilder file;
    file.texCoords = {{0, 0}};
    file.triangles = {{{0, 1, 2}, {0, 0, 0}}};
    MD2Frame frame;
    frame.name = "still1";
    frame.translate = {-1.0f, -1.0f, 0.0f};
    frame.vertices = front ? std::vector<std::array<uint8_t, 3>>{{0, 0, 0}, {2, 0, 0}, {1, 2, 0}}
                           : std::vector<std::array<uint8_t, 3>>{{0, 0, 0}, {1, 2, 0}, {2, 0, 0}};
    file.frames = {frame};
    return WriteFile(folder.File(front ? "front.md2" : "back.md2"), AsText(file.Build()));
}

// A 3DS square of half size 1 at the origin, facing up or down, textured with the scene's
// left-red, right-blue picture.
std::string TdsSquare(const TempDir& folder, bool up)
{
    const std::vector<std::array<uint16_t, 3>> faces =
        up ? std::vector<std::array<uint16_t, 3>>{{0, 2, 1}, {0, 3, 2}}
           : std::vector<std::array<uint16_t, 3>>{{0, 1, 2}, {0, 2, 3}};
    const std::vector<uint8_t> bytes =
        c3::File({c3::Material("Pic", {0, 255, 0}, "halves.bmp"),
                  c3::Object("S", {c3::Vertices({{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}}),
                                   c3::TexCoords({{0, 0}, {1, 0}, {1, 1}, {0, 1}}),
                                   c3::Faces(faces, "Pic")})})
            .Bytes();
    return WriteFile(folder.File(up ? "up.3ds" : "down.3ds"), AsText(bytes));
}

// Looks straight down at the origin from 10 units with a black frame; screen right is +x.
void LookDown()
{
    ResetFrame();
    gCamera->PositionCamera(0, 10, 0, 0, 0, 0, 0, 0, -1);
    gCamera->Look();
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
}

bool Drawn(const std::vector<unsigned char>& pixel)
{
    return pixel[0] > 100 || pixel[1] > 100 || pixel[2] > 100;
}
}  // namespace

// MD2 triangles are culled on their front side, 3DS squares on their back side; each draw leaves
// face culling off. Both windings of each kind are drawn, so exactly one of them shows.
TEST(GameObjectKindsGL, EachKindCullsItsOwnSide)
{
    ASSERT_NE(nullptr, Engine());
    EnsureLight();
    TempDir folder("kinds");
    struct Case
    {
        const char* name;
        int kind;
        std::string path;
        bool shows;
    };
    const Case cases[] = {
        {"MD2 facing the eye", CGameObject::KIND_MD2, Md2Triangle(folder, true), false},
        {"MD2 facing away", CGameObject::KIND_MD2, Md2Triangle(folder, false), true},
        {"3DS facing the eye", CGameObject::KIND_3DS, TdsSquare(folder, true), true},
        {"3DS facing away", CGameObject::KIND_3DS, TdsSquare(folder, false), false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CGameObject object;
        testing::internal::CaptureStdout();
        if (c.kind == CGameObject::KIND_MD2)
        {
            object.LoadMD2(c.path.c_str(), nullptr);
        }
        else
        {
            object.Load3DS(SCENE_DATA.c_str(), c.path.c_str(), 0);
        }
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(c.kind, object.GetKind());
        object.SetPosition(0, 0, 0);
        LookDown();
        glEnable(GL_CULL_FACE);
        object.Draw(false);
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        EXPECT_EQ(c.shows, Drawn(PixelAt(CVector3(0, 0, 0.2f))));
    }
}

// Draw(false) on a 3DS object still shows its texture (red on the left half), and the animation
// requests and the pick ray reach only the kinds that take them.
TEST(GameObjectKindsGL, TexturesAnimationAndRaysByKind)
{
    ASSERT_NE(nullptr, Engine());
    EnsureLight();
    TempDir folder("kinds");
    CGameObject tds;
    testing::internal::CaptureStdout();
    tds.Load3DS(SCENE_DATA.c_str(), TdsSquare(folder, true).c_str(), 0);
    testing::internal::GetCapturedStdout();
    ASSERT_NE(nullptr, tds.Get3DSEntity());
    tds.SetPosition(0, 0, 0);
    LookDown();
    tds.Draw(false);
    const std::vector<unsigned char> left = PixelAt(CVector3(-0.5f, 0, 0));
    EXPECT_GT(left[0], 200);
    EXPECT_LT(left[1], 40) << "the texture, not the green material colour";
    tds.SetAnimationSpeed(9);  // ignored by this kind

    CGameObject md2;
    md2.LoadMD2(Md2Triangle(folder, false).c_str(), nullptr);
    ASSERT_NE(nullptr, md2.GetMD2Entity());
    md2.SetAnimationSpeed(10);
    EXPECT_FLOAT_EQ(10, md2.GetMD2Entity()->GetAnimationSpeed());
    md2.SetAnimation(3);  // the still model has no animation to pick

    for (CGameObject* object : {&tds, &md2})
    {
        CRay ray;
        ray.origin = CVector3(0, 10, 0);
        ray.direction = CVector3(0, -1, 0);
        object->IntersectRay(&ray);
        EXPECT_FALSE(ray.hit) << "MD2 and 3DS objects do not take the pick ray";
    }
}
