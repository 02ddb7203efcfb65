// Reading a shader source file: what counts as readable and where the text ends.
#include "shaders/CShader.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

namespace
{
class ReadSourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/kyrel-readsource-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir = pattern;
    }

    void TearDown() override
    {
        std::string command = "rm -rf '" + dir + "'";
        EXPECT_EQ(0, system(command.c_str()));
    }

    std::string Write(const char* name, const std::string& bytes)
    {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::string dir;
};

TEST_F(ReadSourceTest, KeepsEveryByteAndEndsRightAfterThem)
{
    const std::string cases[] = {
        "x",
        "void main()\n{\n    gl_FragColor = vec4(1.0);\n}\n",
        "// windows line ends\r\nvoid main()\r\n{\r\n}\r\n",
        "no final line break",
    };
    for (const std::string& bytes : cases)
    {
        std::string path = Write("source.glsl", bytes);
        std::unique_ptr<char[]> text = CShader::ReadSource(path.c_str());
        ASSERT_NE(nullptr, text) << bytes;
        EXPECT_EQ(bytes.size(), strlen(text.get())) << bytes;
        EXPECT_EQ(bytes, std::string(text.get()));
    }
}

TEST_F(ReadSourceTest, TextStopsAtAnEmbeddedNul)
{
    std::string path = Write("nul.glsl", std::string("abc\0def", 7));
    std::unique_ptr<char[]> text = CShader::ReadSource(path.c_str());
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ("abc", text.get());
}

TEST_F(ReadSourceTest, UnreadableSourcesGiveNull)
{
    std::string empty = Write("empty.glsl", "");
    std::string missing = dir + "/missing.glsl";
    std::string directory = dir;
    const char* const paths[] = {nullptr, empty.c_str(), missing.c_str(), directory.c_str()};
    for (const char* path : paths)
    {
        EXPECT_EQ(nullptr, CShader::ReadSource(path)) << (path ? path : "null path");
    }
}
}  // namespace
