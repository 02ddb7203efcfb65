// Building the GLSL programs on the test display: the built-in set, its transcript, and what a
// missing or broken source does.
#include "gl/GLTestEnvironment.h"
#include "io/DataFolders.h"
#include "overlay/CFont.h"
#include "shaders/CShader.h"
#include "shaders/CShaderManager.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Names the directory a death test's parent made, so the re-executed child uses it instead of
// leaving one of its own behind.
const char* const SHARED_DIR_VARIABLE = "KYREL_SHADER_TEST_DIR";
const char* const BROKEN_FRAGMENT =
    "#version 110\nvoid main()\n{\n    gl_FragColor = vec4(1.0)\n}\n";

std::string ReadFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

GLint LinkStatus(const CShader* shader)
{
    GLint linked = GL_FALSE;
    glGetObjectParameterivARB(shader->GetProgram(), GL_OBJECT_LINK_STATUS_ARB, &linked);
    return linked;
}

// A directory holding shaders/ with every built-in source linked from assets, except `left`,
// which is written with `replacement` instead, or left out when that is null.
std::string MakeShaderDirectory(const std::string& left, const char* replacement)
{
    if (const char* inherited = getenv(SHARED_DIR_VARIABLE))
    {
        return inherited;
    }
    char pattern[] = "/tmp/kyrel-shaders-XXXXXX";
    std::string dir = mkdtemp(pattern);
    setenv(SHARED_DIR_VARIABLE, dir.c_str(), 1);
    mkdir((dir + "/shaders").c_str(), 0755);
    const BuiltInShaderFiles* files = CShaderManager::GetBuiltInFiles();
    for (int i = 0; i < BUILT_IN_SHADER_COUNT; ++i)
    {
        for (const char* path : {files[i].vertexPath, files[i].fragmentPath})
        {
            std::string target = dir + "/" + path;
            if (left != path)
            {
                std::string source = std::string(KYREL_ASSETS_DIR) + "/" + path;
                EXPECT_EQ(0, symlink(source.c_str(), target.c_str())) << target;
            }
            else if (replacement)
            {
                std::ofstream(target, std::ios::binary) << replacement;
            }
        }
    }
    return dir;
}

void RemoveDirectory(const std::string& dir)
{
    unsetenv(SHARED_DIR_VARIABLE);
    EXPECT_EQ(0, system(("rm -rf '" + dir + "'").c_str()));
}

// In a death test's child: stdout joins stderr, where the expected text is matched, and the
// scratch directory of the child's own engine goes, since the child never tears down.
void PrepareDeathChild()
{
    dup2(STDERR_FILENO, STDOUT_FILENO);
    if (system(("rm -rf '" + kyrel_test::WorkingDirectory() + "'").c_str()) != 0)
    {
        fprintf(stderr, "could not remove the scratch directory\n");
    }
}
}  // namespace

TEST(CShaderLoadGL, EveryBuiltInCompilesAndLinksCleanlyInItsSlot)
{
    const BuiltInShaderFiles* files = CShaderManager::GetBuiltInFiles();
    ASSERT_EQ(BUILT_IN_SHADER_COUNT, gShaderManager->GetShaderCount());
    for (int i = 0; i < BUILT_IN_SHADER_COUNT; ++i)
    {
        CShader shader;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(shader.Load(files[i].fragmentPath, files[i].vertexPath)) << i;
        EXPECT_EQ("", testing::internal::GetCapturedStderr()) << files[i].fragmentPath;

        // The engine's own list holds the same sources at the same index.
        CShader* built = gShaderManager->GetShader(i);
        ASSERT_NE(nullptr, built);
        EXPECT_EQ(GL_TRUE, LinkStatus(built)) << i;
        EXPECT_EQ(ReadFile(files[i].vertexPath), built->GetVertexSource()) << i;
        EXPECT_EQ(ReadFile(files[i].fragmentPath), built->GetFragmentSource()) << i;
    }
    EXPECT_EQ(ReadFile("shaders/parallax3.frag"),
              gShaderManager->GetShader(SHADER_PARALLAX)->GetFragmentSource());
    for (int outside : {-1, static_cast<int>(BUILT_IN_SHADER_COUNT), 1 << 30})
    {
        EXPECT_EQ(nullptr, gShaderManager->GetShader(outside)) << outside;
    }
}

TEST(CShaderLoadGL, TranscriptListsTheBuiltInsAndAddedShadersFollow)
{
    CShaderManager manager;
    testing::internal::CaptureStdout();
    manager.LoadBuiltInShaders();
    EXPECT_EQ("\n"
              "-------------========= Loading built in shaders ==========------------\n"
              "\n"
              "Loading simple texture shader...\n"
              "Loading simple color shader...\n"
              "Loading color eith texture shader...\n"
              "Loading heightmap texture shader...\n"
              "Loading Directional Per Pixel Diffuse lightning shader...\n"
              "Loading Directional Per Vertex Diffuse lightning shader...\n"
              "Loading Point Per Pixel lightning shader...\n"
              "Loading Spot Per Pixel lightning shader...\n"
              "Loading Toon shader...\n"
              "Loading vertex diffuse light with texture shader...\n"
              "Loading pixel diffuse light with texture shader...\n"
              "Loading shadow mapping shader...\n"
              "Loading shadow mapping pcf shader...\n"
              "Loading parallax mapping shader...\n"
              "\n",
              testing::internal::GetCapturedStdout());
    CShader* extra = new CShader();
    manager.AddShader(extra);
    EXPECT_EQ(extra, manager.GetShader(BUILT_IN_SHADER_COUNT));
}

TEST(CShaderLoadGL, BrokenSourceLogsOnStderrAndKeepsItsSlot)
{
    std::string dir = MakeShaderDirectory("shaders/toonf2.frag", BROKEN_FRAGMENT);
    char previous[4096];
    ASSERT_NE(nullptr, getcwd(previous, sizeof(previous)));
    ASSERT_EQ(0, chdir(dir.c_str()));
    CShaderManager manager;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    manager.LoadBuiltInShaders();
    CShader direct;
    bool clean = direct.Load("shaders/toonf2.frag", "shaders/toonf2.vert");
    std::string errors = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(0, chdir(previous));
    RemoveDirectory(dir);

    const std::string compileHeadline = "GLSL compile error in shaders/toonf2.frag:\n";
    const std::string linkHeadline =
        "GLSL link error in the program of shaders/toonf2.vert and shaders/toonf2.frag:\n";
    size_t compile = errors.find(compileHeadline);
    ASSERT_NE(std::string::npos, compile) << errors;
    size_t link = errors.find(linkHeadline, compile);
    ASSERT_NE(std::string::npos, link) << errors;
    EXPECT_GT(link, compile + compileHeadline.size()) << "the compiler's own log is missing";
    EXPECT_EQ(std::string::npos, errors.find("parallax3"));
    EXPECT_FALSE(clean);
    EXPECT_NE(0u, direct.GetProgram());

    ASSERT_EQ(BUILT_IN_SHADER_COUNT, manager.GetShaderCount());
    EXPECT_NE(GL_TRUE, LinkStatus(manager.GetShader(8)));
    EXPECT_STREQ(BROKEN_FRAGMENT, manager.GetShader(8)->GetFragmentSource());
    EXPECT_EQ(GL_TRUE, LinkStatus(manager.GetShader(SHADER_PARALLAX)));
    EXPECT_EQ(ReadFile(std::string(KYREL_ASSETS_DIR) + "/shaders/parallax3.frag"),
              manager.GetShader(SHADER_PARALLAX)->GetFragmentSource());
}

// An installed program runs where there is no shaders/ or Data/: the built-ins and the font
// sheet come from the data folder it named, and the working directory still wins when it has one.
TEST(CShaderLoadGL, BuiltInsAndFontSheetFromANamedDataFolder)
{
    kyrel_test::TempDir dir("kyrel-datafolder");
    mkdir(dir.File("shaders").c_str(), 0755);
    kyrel_test::WriteFile(dir.File("shaders/toonf2.frag"), BROKEN_FRAGMENT);
    char previous[4096];
    ASSERT_NE(nullptr, getcwd(previous, sizeof(previous)));
    ASSERT_EQ(0, chdir(dir.Path().c_str()));
    AddDataFolder("/nonexistent");
    AddDataFolder(KYREL_ASSETS_DIR);
    CShaderManager manager;
    CFont font;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    manager.LoadBuiltInShaders();
    bool fontLoaded = font.Load("Data/Font/font.tga");
    std::string errors = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    ClearDataFolders();
    ASSERT_EQ(0, chdir(previous));

    EXPECT_TRUE(fontLoaded);
    EXPECT_NE(0u, font.GetTextureName());
    ASSERT_EQ(BUILT_IN_SHADER_COUNT, manager.GetShaderCount());
    EXPECT_STREQ(BROKEN_FRAGMENT, manager.GetShader(8)->GetFragmentSource());
    EXPECT_NE(std::string::npos, errors.find("GLSL compile error in shaders/toonf2.frag:\n"))
        << errors;
    for (int i : {0, static_cast<int>(SHADER_PARALLAX)})
    {
        EXPECT_EQ(GL_TRUE, LinkStatus(manager.GetShader(i))) << i;
    }
}

// A missing or empty source ends the process once both files have been tried: SDL is shut down
// by then, and the next GL call would go into a destroyed context.
TEST(CShaderLoadGLDeathTest, MissingAndEmptySourcesReportBothThenExit)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string dir = MakeShaderDirectory("", nullptr);
    std::string empty = dir + "/empty.frag";
    std::ofstream(empty, std::ios::binary).close();
    // The empty source was found, so only the missing one adds the places looked.
    std::string expected = "^\nCannot Load vertex shader: /nonexistent/missing\\.vert\n"
                           "kyrel: looked for /nonexistent/missing\\.vert in: "
                           "/nonexistent/missing\\.vert\n"
                           "\nCannot Load fragment shader: " +
                           empty + "\n$";
    EXPECT_EXIT(
        {
            PrepareDeathChild();
            CShader shader;
            shader.Load(empty.c_str(), "/nonexistent/missing.vert");
        },
        testing::ExitedWithCode(1), expected.c_str());
    RemoveDirectory(dir);
}

TEST(CShaderLoadGLDeathTest, MissingBuiltInStopsTheListAtItsLine)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string dir = MakeShaderDirectory("shaders/toonf2.frag", nullptr);
    EXPECT_EXIT(
        {
            PrepareDeathChild();
            AddDataFolder("/opt/k/share/kyrel");
            if (chdir(dir.c_str()) == 0)
            {
                CShaderManager manager;
                manager.LoadBuiltInShaders();
            }
        },
        testing::ExitedWithCode(1),
        "Loading Spot Per Pixel lightning shader\\.\\.\\.\nLoading Toon shader\\.\\.\\.\n"
        "\nCannot Load fragment shader: shaders/toonf2\\.frag\n"
        "kyrel: looked for shaders/toonf2\\.frag in: shaders/toonf2\\.frag, "
        "/opt/k/share/kyrel/shaders/toonf2\\.frag\n$");
    RemoveDirectory(dir);
}
