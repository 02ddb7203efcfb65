// A model document the entity cannot use ends the process after every message is out: drawing a
// half-read model into a shut-down SDL would only crash.
#include "models/CKObject.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

TEST(CKObjectLoadDeathTest, MissingRequiredAttributeEndsTheProcessWithFailure)
{
    char path[] = "/tmp/kobject_documentXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    {
        // The model element lacks its name.
        std::ofstream file(path);
        file << "<KyrelModelFormat><model numsubobjects=\"0\" nummaterials=\"0\" "
                "numofparallaxmap=\"0\"></model></KyrelModelFormat>";
    }
    EXPECT_EXIT(
        {
            CKObject object;
            object.Load(path, [](const char*) { return 0u; });
            std::fprintf(stderr, "went on");
            std::exit(0);
        },
        testing::ExitedWithCode(1), "^$");
    std::remove(path);
}
