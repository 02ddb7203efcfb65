// Test fixture for engine code that needs some of the engine-wide managers but no engine: it
// creates the real managers a test asks for and points the engine-wide pointers at them.
#ifndef KYREL_ENGINEMANAGERSFIXTURE_H
#define KYREL_ENGINEMANAGERSFIXTURE_H

#include <gtest/gtest.h>
#include <functional>
#include <vector>

namespace kyrel_test
{
class EngineManagersFixture : public ::testing::Test
{
protected:
    // Creates the manager and sets the engine-wide pointer, e.g. Install(gSoundManager). The
    // managers' own constructors run, with what they print and the SDL subsystems they start.
    template <typename Manager> Manager* Install(Manager*& enginePointer)
    {
        EXPECT_EQ(nullptr, enginePointer) << "a manager left over from another test";
        enginePointer = new Manager();
        installed.push_back(
            [&enginePointer]
            {
                // The pointer stays set while the manager dies: what it owns may call back into it.
                delete enginePointer;
                enginePointer = nullptr;
            });
        return enginePointer;
    }

    // Deletes the installed managers, last installed first, and clears their pointers.
    void TearDown() override
    {
        while (!installed.empty())
        {
            installed.back()();
            installed.pop_back();
        }
    }

private:
    std::vector<std::function<void()>> installed;
};
}  // namespace kyrel_test

#endif
