// Texture lookup: names from other machines (Windows paths, other letter case) found in the
// model's folder, the path as written preferred, and nothing found given as empty.
#include "io/FindFile.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

TEST(FindFile, FindsTheFileAsWrittenOrByBaseNameInAnyCase)
{
    kyrel_test::TempDir dir("findfile");
    const std::string models = dir.File("models");
    const std::string maps = dir.File("maps");
    std::filesystem::create_directory(models);
    std::filesystem::create_directory(maps);
    for (const std::string& file : {models + "/nskin.jpg", models + "/camoufl.tga",
                                    models + "/wall.bmp", maps + "/wall.bmp", maps + "/Rock.PNG"})
    {
        kyrel_test::WriteFile(file, "x");
    }
    // A folder of the name sought is not a file.
    std::filesystem::create_directory(models + "/grass.png");

    const struct
    {
        std::string asWritten;
        std::string expected;
    } cases[] = {
        {"C:\\work\\maps\\NSKIN.JPG", models + "/nskin.jpg"},
        {"CAMOUFL.TGA", models + "/camoufl.tga"},
        {"/nowhere/textures/camoufl.tga", models + "/camoufl.tga"},
        {maps + "/wall.bmp", maps + "/wall.bmp"},
        {maps + "/rock.png", maps + "/Rock.PNG"},
        {maps + "/WALL.BMP", maps + "/wall.bmp"},
        {"D:\\art\\missing.jpg", ""},
        {"grass.png", ""},
        {"", ""},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.expected, FindTextureFile(c.asWritten, models)) << c.asWritten;
    }
}
