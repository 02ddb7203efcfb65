// Bounding spheres of models whose coordinates square past the float range: each reader that
// measures a sphere must still give its true, finite radius.
#include "models/C3DSReader.h"
#include "models/CMD2Reader.h"
#include "support/Chunk3DSBuilder.h"
#include "support/MD2FileBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace c3 = kyrel_test::chunk3ds;

TEST(BoundingSphere, HugeCoordinatesGiveAFiniteRadius)
{
    // Points (+-1e20, 0, 0) and (0, 1e20, 0): centre (0, 1e20 / 3, 0), farthest at 1e20 sqrt(10/9).
    const std::vector<uint8_t> threeDS =
        c3::File({c3::Object("Far", {c3::Vertices({{-1e20f, 0, 0}, {1e20f, 0, 0}, {0, 1e20f, 0}}),
                                     c3::Faces({{0, 1, 2}}, "")})})
            .Bytes();
    // One frame scaled by 1e20: (0, 0, 0), (2, 0, 0), (0, 0, -2), (0, 2, 0) x 1e20 in the engine's
    // axes; centre (0.5, 0.5, -0.5) x 1e20, three points at 1e20 sqrt(2.75).
    kyrel_test::MD2FileBuilder md2;
    md2.texCoords = {{0, 0}};
    md2.triangles = {{{0, 1, 2}, {0, 0, 0}}};
    kyrel_test::MD2Frame frame;
    frame.name = "far1";
    frame.scale = {1e20f, 1e20f, 1e20f};
    frame.vertices = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}};
    md2.frames = {frame};
    const std::vector<uint8_t> md2Bytes = md2.Build();

    const auto load3DS = [&](CModelData& model)
    {
        C3DSReader reader;
        return reader.LoadFromMemory(&model, threeDS.data(), threeDS.size(), "far.3ds", 0);
    };
    const auto loadMD2 = [&](CModelData& model, bool vectorMath)
    {
        CMD2Reader reader;
        reader.UseVectorMath(vectorMath);
        return reader.LoadFromMemory(&model, md2Bytes.data(), md2Bytes.size(), "far.md2", nullptr);
    };
    const struct
    {
        const char* name;
        std::function<bool(CModelData&)> load;
        float radius;
    } cases[] = {
        {"3DS", load3DS, static_cast<float>(1e20 * std::sqrt(10.0 / 9.0))},
        {"MD2, plain path", [&](CModelData& m) { return loadMD2(m, false); },
         static_cast<float>(1e20 * std::sqrt(2.75))},
        {"MD2, vector path", [&](CModelData& m) { return loadMD2(m, true); },
         static_cast<float>(1e20 * std::sqrt(2.75))},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CModelData model;
        ASSERT_TRUE(c.load(model));
        CVector3 centre;
        float radius = 0.0f;
        model.GetBoundingSphere(centre, radius);
        EXPECT_TRUE(std::isfinite(radius));
        EXPECT_NEAR(c.radius, radius, c.radius * 1e-6f);
    }
}
