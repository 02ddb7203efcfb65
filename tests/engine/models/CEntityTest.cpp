// The entity base: its defaults, that its virtual operations do nothing, and world boxes.
#include "models/CEntity.h"
#include "support/MathTestUtil.h"

#include <gtest/gtest.h>

using math_test::ExpectVectorNear;

namespace
{
// A model kind as the real ones are written: overrides the setters to refresh its world box.
class CBoxEntity : public CEntity
{
public:
    void SetScale(float x, float y, float z) override
    {
        scale = CVector3(x, y, z);
        UpdateWorldBounds(localMin, localMax);
    }
    void SetPosition(float x, float y, float z) override
    {
        position = CVector3(x, y, z);
        UpdateWorldBounds(localMin, localMax);
    }
    void SetAngle(float degrees)
    {
        angle = degrees;
        UpdateWorldBounds(localMin, localMax);
    }
    int GetVertexCount() override { return 8; }

    CVector3 localMin = CVector3(-1, -1, -1);
    CVector3 localMax = CVector3(1, 1, 1);
};
}  // namespace

TEST(CEntity, FreshEntityDefaults)
{
    const CEntity entity;
    EXPECT_EQ(CVector3(0, 0, 0), *entity.GetPosition());
    EXPECT_EQ(CVector3(1, 1, 1), *entity.GetScale());
    EXPECT_EQ(0.0f, entity.GetAngle());
    EXPECT_EQ(CVector3(0, 1, 0), *entity.GetRotationAxis());
    EXPECT_TRUE(entity.GetUpdateBoundsOnRender());
    EXPECT_EQ(CVector3(), *entity.GetBoundsMin());
    EXPECT_EQ(CVector3(), *entity.GetBoundsMax());
}

TEST(CEntity, BaseVirtualOperationsChangeNothing)
{
    CEntity* entity = new CEntity();
    entity->SetScale(2, 3, 4);
    entity->SetPosition(5, 6, 7);
    entity->Render(true);
    entity->RenderVBO(false);
    entity->BuildShadowVolume(1, 2, 3);
    entity->RenderShadowVolumeStencil();
    entity->DrawShadowVolume();
    entity->RenderBoundingBox();
    EXPECT_EQ(0, entity->GetVertexCount());
    EXPECT_EQ(CVector3(0, 0, 0), *entity->GetPosition());
    EXPECT_EQ(CVector3(1, 1, 1), *entity->GetScale());
    EXPECT_EQ(CVector3(), *entity->GetBoundsMax());
    delete entity;
}

TEST(CEntity, WorldBoxes)
{
    struct Case
    {
        const char* name;
        CVector3 scale, position;
        float angle;
        CVector3 axis, localMin, localMax, worldMin, worldMax;
    };
    const Case cases[] = {
        {"scale then translate", CVector3(2, 2, 2), CVector3(1, 0, 0), 0.0f, CVector3(0, 1, 0),
         CVector3(-1, -1, -1), CVector3(1, 1, 1), CVector3(-1, -2, -2), CVector3(3, 2, 2)},
        // The box always turns about Y, whatever the drawing axis; the corners are not re-sorted.
        {"quarter turn, other axis", CVector3(1, 1, 1), CVector3(), 90.0f, CVector3(1, 0, 0),
         CVector3(0, 0, 0), CVector3(1, 1, 1), CVector3(0, 0, 0), CVector3(1, 1, -1)},
        {"half turn swaps nothing", CVector3(1, 1, 1), CVector3(), 180.0f, CVector3(0, 1, 0),
         CVector3(0, 0, 0), CVector3(1, 1, 1), CVector3(0, 0, 0), CVector3(-1, 1, -1)},
        // Scale before the rotation, translation last.
        {"all three in order", CVector3(1, 2, 3), CVector3(10, 0, 0), 90.0f, CVector3(0, 0, 1),
         CVector3(0, 0, 0), CVector3(1, 1, 1), CVector3(10, 0, 0), CVector3(13, 2, -1)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CEntity entity;
        *entity.GetScale() = c.scale;
        *entity.GetPosition() = c.position;
        *entity.GetRotationAxis() = c.axis;
        entity.SetAngle(c.angle);
        entity.UpdateWorldBounds(c.localMin, c.localMax);
        ExpectVectorNear(c.worldMin, *entity.GetBoundsMin(), 1e-5f);
        ExpectVectorNear(c.worldMax, *entity.GetBoundsMax(), 1e-5f);
        // Transforming another box leaves the stored bounds as they are.
        CVector3 otherMin = c.localMin, otherMax = c.localMax * 2.0f;
        entity.TransformBox(otherMin, otherMax);
        ExpectVectorNear(c.worldMax, *entity.GetBoundsMax(), 1e-5f);
    }
}

TEST(CEntity, SubclassSettersRefreshBoundsThroughBasePointer)
{
    CBoxEntity* box = new CBoxEntity();
    CEntity* entity = box;
    entity->SetScale(2, 2, 2);
    entity->SetPosition(1, 0, 0);
    ExpectVectorNear(CVector3(-1, -2, -2), *entity->GetBoundsMin(), 1e-5f);
    ExpectVectorNear(CVector3(3, 2, 2), *entity->GetBoundsMax(), 1e-5f);
    EXPECT_EQ(8, entity->GetVertexCount());

    // The base SetAngle only stores; the model kind's own one refreshes.
    entity->SetAngle(90.0f);
    ExpectVectorNear(CVector3(3, 2, 2), *entity->GetBoundsMax(), 1e-5f);
    box->SetAngle(90.0f);
    ExpectVectorNear(CVector3(3, 2, -2), *entity->GetBoundsMax(), 1e-5f);
    delete entity;
}
