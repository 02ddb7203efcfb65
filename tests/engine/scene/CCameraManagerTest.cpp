// The 2D camera list: current camera, index rules and forwarding.
#include "scene/CCameraManager.h"

#include <gtest/gtest.h>

TEST(CCameraManager, AddingMakesCurrentAndBadIndicesKeepIt)
{
    CCameraManager manager;
    EXPECT_EQ(nullptr, manager.GetCurrentPosition());
    manager.Offset(5, 5);  // no cameras: nothing to move, nothing to crash

    manager.AddCamera(new CCamera2D(10, -5));
    manager.AddCamera(new CCamera2D());
    EXPECT_EQ(1, manager.GetCurrent());
    manager.IncreaseX(3);
    manager.DecreaseY(2);
    EXPECT_FLOAT_EQ(3, manager.GetCurrentPosition()[0]);
    EXPECT_FLOAT_EQ(-2, manager.GetCurrentPosition()[1]);

    manager.SetCurrent(2);
    manager.SetCurrent(-1);
    EXPECT_EQ(1, manager.GetCurrent());
    manager.SetCurrent(0);
    EXPECT_FLOAT_EQ(10, manager.GetCameraPosition(0)[0]);
    EXPECT_FLOAT_EQ(10, manager.GetCameraPosition(9)[0]) << "outside the list: the current one";
    EXPECT_FLOAT_EQ(3, manager.GetCameraPosition(1)[0]);
}
