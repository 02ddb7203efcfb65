// Reading a shader source file: what counts as readable and where the text ends.
#include "shaders/CShader.h"
#include "support/TempFiles.h"

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
    std::string Write(const char* name, const std::string& bytes)
    {
        return kyrel_test::WriteFile(folder.File(name), bytes);
    }

    kyrel_test::TempDir folder{"kyrel-readsource"};
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
    std::string missing = folder.File("missing.glsl");
    std::string directory = folder.Path();
    const char* const paths[] = {nullptr, empty.c_str(), missing.c_str(), directory.c_str()};
    for (const char* path : paths)
    {
        EXPECT_EQ(nullptr, CShader::ReadSource(path)) << (path ? path : "null path");
    }
}
}  // namespace
