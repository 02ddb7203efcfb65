// A model document the entity cannot use ends the process after every message is out: drawing a
// half-read model into a shut-down SDL would only crash.
#include "models/CKObject.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

TEST(CKObjectLoadDeathTest, MissingRequiredAttributeEndsTheProcessWithFailure)
{
    kyrel_test::TempDir folder("kobject");
    // The model element lacks its name.
    const std::string path = kyrel_test::WriteFile(
        folder.File("model.xml"), "<KyrelModelFormat><model numsubobjects=\"0\" nummaterials=\"0\" "
                                  "numofparallaxmap=\"0\"></model></KyrelModelFormat>");
    EXPECT_EXIT(
        {
            CKObject object;
            object.Load(path.c_str(), [](const char*) { return 0u; });
            std::fprintf(stderr, "went on");
            std::exit(0);
        },
        testing::ExitedWithCode(1), "^$");
}
