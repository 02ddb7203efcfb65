// Texture lookup: names from other machines (Windows paths, other letter case) found in the
// model's folder, the path as written preferred, and nothing found given as empty. Built-in data
// lookup: the working directory, then the named data folders in order.
#include "io/DataFolders.h"
#include "io/FindFile.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

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

TEST(DataFolders, WorkingDirectoryFirstThenNamedFoldersInOrder)
{
    kyrel_test::TempDir dir("datafolders");
    const std::string work = dir.File("work");
    const std::string first = dir.File("first");
    const std::string second = dir.File("second");
    for (const std::string& file :
         {work + "/shaders/a.vert", first + "/shaders/a.vert", first + "/Data/b.tga",
          second + "/Data/b.tga", second + "/c.txt", second + "/Data/Font/font.tga"})
    {
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        kyrel_test::WriteFile(file, "x");
    }
    // A folder of the name sought in the first folder does not hide the second one's file.
    std::filesystem::create_directories(first + "/Data/Font/font.tga");

    char previous[4096];
    ASSERT_NE(nullptr, getcwd(previous, sizeof(previous)));
    ASSERT_EQ(0, chdir(work.c_str()));
    AddDataFolder(first);
    AddDataFolder("");
    AddDataFolder(second + "/");
    AddDataFolder(first);

    const struct
    {
        std::string name;
        std::string expected;
    } cases[] = {
        {"shaders/a.vert", "shaders/a.vert"},
        {"Data/b.tga", first + "/Data/b.tga"},
        {"c.txt", second + "/c.txt"},
        {"Data/Font/font.tga", second + "/Data/Font/font.tga"},
        {second + "/c.txt", second + "/c.txt"},
        {"/c.txt", ""},
        {"shaders", ""},
        {"missing.txt", ""},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.expected, FindDataFile(c.name)) << c.name;
        EXPECT_EQ(c.expected.empty() ? c.name : c.expected, DataFileOrName(c.name)) << c.name;
    }
    EXPECT_EQ("kyrel: looked for shaders/x.vert in: shaders/x.vert, " + first +
                  "/shaders/x.vert, " + second + "/shaders/x.vert",
              DataFileSearchLine("shaders/x.vert"));
    EXPECT_EQ("kyrel: looked for /c.txt in: /c.txt", DataFileSearchLine("/c.txt"));

    ClearDataFolders();
    EXPECT_EQ("", FindDataFile("c.txt"));
    EXPECT_EQ("kyrel: looked for c.txt in: c.txt", DataFileSearchLine("c.txt"));
    ASSERT_EQ(0, chdir(previous));
}
