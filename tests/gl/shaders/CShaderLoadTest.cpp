// Building the GLSL programs on the test display: the built-in set, its transcript, and what a
// missing or broken source does.
#include "gl/GLTestEnvironment.h"
#include "shaders/CShader.h"
#include "shaders/CShaderManager.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

GLint LinkStatus(GLhandleARB program)
{
    GLint linked = GL_FALSE;
    glGetObjectParameterivARB(program, GL_OBJECT_LINK_STATUS_ARB, &linked);
    return linked;
}

// Names the directory a death test's parent made, so the re-executed child uses it instead of
// leaving one of its own behind.
const char* const SHARED_DIR_VARIABLE = "KYREL_SHADER_TEST_DIR";

// A directory holding shaders/ with every built-in source linked from assets, except `left`
// (which is written with `replacement` instead, or left out when that is null).
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
            if (left == path)
            {
                if (replacement)
                {
                    WriteFile(target, replacement);
                }
                continue;
            }
            std::string source = std::string(KYREL_ASSETS_DIR) + "/" + path;
            EXPECT_EQ(0, symlink(source.c_str(), target.c_str())) << target;
        }
    }
    return dir;
}

void RemoveDirectory(const std::string& dir)
{
    unsetenv(SHARED_DIR_VARIABLE);
    std::string command = "rm -rf '" + dir + "'";
    EXPECT_EQ(0, system(command.c_str()));
}

// In a death test's child: stdout joins stderr (where the expected text is matched), and the
// scratch directory the child's own engine start made goes, since the child never tears down.
void PrepareDeathChild()
{
    dup2(STDERR_FILENO, STDOUT_FILENO);
    std::string command = "rm -rf '" + kyrel_test::WorkingDirectory() + "'";
    if (system(command.c_str()) != 0)
    {
        fprintf(stderr, "could not remove the scratch directory\n");
    }
}

const char* const BROKEN_FRAGMENT =
    "#version 110\nvoid main()\n{\n    gl_FragColor = vec4(1.0)\n}\n";
}  // namespace

TEST(CShaderLoadGL, EveryBuiltInCompilesAndLinksWithoutLog)
{
    while (glGetError() != GL_NO_ERROR)
    {
    }
    const BuiltInShaderFiles* files = CShaderManager::GetBuiltInFiles();
    for (int i = 0; i < BUILT_IN_SHADER_COUNT; ++i)
    {
        CShader shader;
        testing::internal::CaptureStderr();
        bool clean = shader.Load(files[i].fragmentPath, files[i].vertexPath);
        std::string log = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(clean) << files[i].fragmentPath << "\n" << log;
        EXPECT_EQ("", log) << files[i].fragmentPath;
        EXPECT_EQ(GL_TRUE, LinkStatus(shader.GetProgram())) << files[i].fragmentPath;
        EXPECT_EQ(ReadFile(files[i].vertexPath), shader.GetVertexSource());
        EXPECT_EQ(ReadFile(files[i].fragmentPath), shader.GetFragmentSource());
    }
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST(CShaderLoadGL, StartupBuiltTheFourteenInIndexOrder)
{
    const BuiltInShaderFiles* files = CShaderManager::GetBuiltInFiles();
    ASSERT_EQ(BUILT_IN_SHADER_COUNT, gShaderManager->GetShaderCount());
    for (int i = 0; i < BUILT_IN_SHADER_COUNT; ++i)
    {
        CShader* shader = gShaderManager->GetShader(i);
        ASSERT_NE(nullptr, shader);
        EXPECT_EQ(GL_TRUE, LinkStatus(shader->GetProgram())) << i;
        EXPECT_EQ(ReadFile(files[i].vertexPath), shader->GetVertexSource()) << i;
    }
    EXPECT_EQ(ReadFile("shaders/parallax3.vert"), gShaderManager->GetShader(13)->GetVertexSource());
    EXPECT_EQ(ReadFile("shaders/parallax3.frag"),
              gShaderManager->GetShader(13)->GetFragmentSource());
    EXPECT_EQ(ReadFile("shaders/simpleTexture.frag"),
              gShaderManager->GetShader(0)->GetFragmentSource());
    for (int outside : {-1, static_cast<int>(BUILT_IN_SHADER_COUNT), 1 << 30})
    {
        EXPECT_EQ(nullptr, gShaderManager->GetShader(outside)) << outside;
    }
}

TEST(CShaderLoadGL, TranscriptListsTheBuiltInsInIndexOrder)
{
    CShaderManager manager;
    testing::internal::CaptureStdout();
    manager.LoadBuiltInShaders();
    std::string transcript = testing::internal::GetCapturedStdout();

    const char* const expected =
        "\n"
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
        "\n";
    EXPECT_EQ(expected, transcript);
    EXPECT_EQ(BUILT_IN_SHADER_COUNT, manager.GetShaderCount());

    // A second set goes after the first, and an added shader takes the next index.
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
    std::string errors = testing::internal::GetCapturedStderr();
    std::string transcript = testing::internal::GetCapturedStdout();
    ASSERT_EQ(0, chdir(previous));
    RemoveDirectory(dir);

    EXPECT_NE(std::string::npos, errors.find("GLSL compile error in shaders/toonf2.frag:\n"))
        << errors;
    EXPECT_NE(std::string::npos, errors.find("GLSL link error in the program of "
                                             "shaders/toonf2.vert and shaders/toonf2.frag:\n"))
        << errors;
    // The compiler's own words follow the headline; every other program stays quiet.
    EXPECT_GT(errors.size(),
              std::string("GLSL compile error in shaders/toonf2.frag:\n").size() +
                  std::string("GLSL link error in the program of shaders/toonf2.vert "
                              "and shaders/toonf2.frag:\n")
                      .size());
    EXPECT_EQ(std::string::npos, errors.find("parallax3"));
    EXPECT_NE(std::string::npos, transcript.find("Loading parallax mapping shader...\n"));

    ASSERT_EQ(BUILT_IN_SHADER_COUNT, manager.GetShaderCount());
    EXPECT_NE(GL_TRUE, LinkStatus(manager.GetShader(8)->GetProgram()));
    EXPECT_STREQ(BROKEN_FRAGMENT, manager.GetShader(8)->GetFragmentSource());
    EXPECT_EQ(GL_TRUE, LinkStatus(manager.GetShader(13)->GetProgram()));
    EXPECT_EQ(ReadFile(std::string(KYREL_ASSETS_DIR) + "/shaders/parallax3.frag"),
              manager.GetShader(13)->GetFragmentSource());
}

TEST(CShaderLoadGL, BrokenSourceReportsFailureToItsCaller)
{
    std::string dir = MakeShaderDirectory("", nullptr);
    std::string fragment = dir + "/broken.frag";
    WriteFile(fragment, BROKEN_FRAGMENT);
    CShader shader;
    testing::internal::CaptureStderr();
    bool clean = shader.Load(fragment.c_str(), (dir + "/shaders/color.vert").c_str());
    std::string errors = testing::internal::GetCapturedStderr();
    RemoveDirectory(dir);
    EXPECT_FALSE(clean);
    EXPECT_NE(0u, shader.GetProgram());
    EXPECT_NE(std::string::npos, errors.find("GLSL compile error in " + fragment + ":\n"));
}

// A missing source ends the process once both files have been tried: SDL is shut down by then and
// the next GL call would go into a destroyed context.
TEST(CShaderLoadGLDeathTest, MissingSourcesReportBothThenExit)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            PrepareDeathChild();
            CShader shader;
            shader.Load("/nonexistent/missing.frag", "/nonexistent/missing.vert");
        },
        testing::ExitedWithCode(1),
        "^\nCannot Load vertex shader: /nonexistent/missing\\.vert\n"
        "\nCannot Load fragment shader: /nonexistent/missing\\.frag\n$");
}

TEST(CShaderLoadGLDeathTest, MissingBuiltInStopsTheListAtItsLine)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string dir = MakeShaderDirectory("shaders/toonf2.frag", nullptr);
    EXPECT_EXIT(
        {
            PrepareDeathChild();
            if (chdir(dir.c_str()) == 0)
            {
                CShaderManager manager;
                manager.LoadBuiltInShaders();
            }
        },
        testing::ExitedWithCode(1),
        "Loading Spot Per Pixel lightning shader\\.\\.\\.\nLoading Toon shader\\.\\.\\.\n"
        "\nCannot Load fragment shader: shaders/toonf2\\.frag\n$");
    RemoveDirectory(dir);
}

TEST(CShaderLoadGLDeathTest, EmptySourceCountsAsMissing)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string dir = MakeShaderDirectory("", nullptr);
    std::string empty = dir + "/empty.vert";
    WriteFile(empty, "");
    std::string pattern = "^\nCannot Load vertex shader: " + empty + "\n$";
    EXPECT_EXIT(
        {
            PrepareDeathChild();
            CShader shader;
            shader.Load((dir + "/shaders/color.frag").c_str(), empty.c_str());
        },
        testing::ExitedWithCode(1), pattern.c_str());
    RemoveDirectory(dir);
}
