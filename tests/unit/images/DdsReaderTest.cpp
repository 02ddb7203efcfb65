// The DDS reader without GL: level sizes, the levels that fit the data, header rejections and the
// real-file suite.
#include "images/CDdsReader.h"
#include "io/CByteReader.h"
#include "support/ImageReaderTestSupport.h"

#include <gtest/gtest.h>
#include <cstring>
#include <memory>

namespace
{
using Bytes = std::vector<uint8_t>;

void Put32At(Bytes& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
    {
        bytes[offset + i] = uint8_t(value >> (8 * i));
    }
}

Bytes MakeDds(uint32_t width, uint32_t height, const char* fourCC, uint32_t mipmapCount,
              size_t payloadBytes)
{
    Bytes file(128 + payloadBytes, 0);
    memcpy(file.data(), "DDS ", 4);
    Put32At(file, 4, 124);
    Put32At(file, 4 + 8, height);
    Put32At(file, 4 + 12, width);
    Put32At(file, 4 + 24, mipmapCount);
    memcpy(file.data() + 4 + 80, fourCC, 4);
    for (size_t i = 128; i < file.size(); ++i)
    {
        file[i] = uint8_t(i * 7);
    }
    return file;
}

using image_test::Decoded;

Decoded DecodeBytes(const Bytes& bytes)
{
    return image_test::DecodeBytes(DecodeDDS, bytes, "test.dds");
}

// Sizes of the levels a decoded record holds, walked as the upload walks them.
std::vector<size_t> LevelSizes(const CDecodedImage& image)
{
    int blockBytes = image.format == IMAGE_FORMAT_DXT1 ? 8 : 16;
    std::vector<size_t> sizes;
    int width = image.width, height = image.height;
    for (int level = 0; level < image.mipmapCount; ++level)
    {
        sizes.push_back(DdsLevelSize(width, height, blockBytes));
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
    }
    return sizes;
}
}  // namespace

TEST(DdsReader, LevelsAndFormats)
{
    struct Case
    {
        const char* what;
        Bytes file;
        unsigned int format;
        int components;
        std::vector<size_t> levels;
    };
    const Case cases[] = {
        {"256 x 256 DXT1 with 9 levels",
         MakeDds(256, 256, "DXT1", 9, 43704),
         IMAGE_FORMAT_DXT1,
         3,
         {32768, 8192, 2048, 512, 128, 32, 8, 8, 8}},
        {"64 x 32 DXT5 with 1 level",
         MakeDds(64, 32, "DXT5", 1, 4096),
         IMAGE_FORMAT_DXT5,
         4,
         {2048}},
        {"DXT3 with count 0 is one level",
         MakeDds(8, 4, "DXT3", 0, 32),
         IMAGE_FORMAT_DXT3,
         4,
         {32}},
        {"levels stop where the data ends",
         MakeDds(16, 16, "DXT1", 5, 128 + 32 + 7),
         IMAGE_FORMAT_DXT1,
         3,
         {128, 32}},
        {"no levels past 1 x 1", MakeDds(4, 2, "DXT1", 40, 1000), IMAGE_FORMAT_DXT1, 3, {8, 8, 8}},
        {"sides not multiples of 4",
         MakeDds(13, 7, "DXT5", 4, 192),
         IMAGE_FORMAT_DXT5,
         4,
         {128, 32, 16, 16}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Decoded decoded = DecodeBytes(c.file);
        ASSERT_TRUE(decoded.image) << decoded.messages;
        EXPECT_EQ(c.format, decoded.image->format);
        EXPECT_EQ(c.components, decoded.image->components);
        EXPECT_EQ(c.levels, LevelSizes(*decoded.image));
        // Every byte after the header is kept, in file order.
        ASSERT_EQ(c.file.size() - 128, decoded.image->dataSize);
        EXPECT_EQ(0,
                  memcmp(c.file.data() + 128, decoded.image->data.get(), decoded.image->dataSize));
        EXPECT_EQ("", decoded.messages);
    }
}

TEST(DdsReader, BadFilesGiveTheirMessageAndNull)
{
    const std::string notValid = "the file \"test.dds\" doesn't appear to bea valid .dds file!\n";
    auto notDxt = [](const char* number)
    {
        return std::string("the file \"test.dds\" doesn't appear to becompressed using DXT1, "
                           "DXT3, or DXT5! [") +
               number + "]\n";
    };
    Bytes noSpace = MakeDds(4, 4, "DXT1", 1, 8);
    noSpace[3] = 'X';
    Bytes shortHeader = MakeDds(4, 4, "DXT1", 1, 0);
    shortHeader.resize(100);
    struct Case
    {
        const char* what;
        Bytes file;
        std::string message;
    };
    const Case cases[] = {
        {"DDS without the space", noSpace, notValid},
        {"empty file", {}, notValid},
        {"header cut short", shortHeader, notValid},
        // "DXT2" read as a little-endian 32-bit number.
        {"DXT2", MakeDds(4, 4, "DXT2", 1, 16), notDxt("844388420")},
        {"no four-character code", MakeDds(4, 4, "\0\0\0\0", 1, 16), notDxt("0")},
        {"code with the top bit set", MakeDds(4, 4, "\x01\x02\x03\xF0", 1, 16),
         notDxt("-268238335")},
        {"header only", MakeDds(24, 20, "DXT5", 1, 0), notValid},
        {"level 0 cut short", MakeDds(8, 8, "DXT1", 1, 31), notValid},
        {"width 0", MakeDds(0, 8, "DXT1", 1, 64), notValid},
        {"height above 16384", MakeDds(4, 16385, "DXT1", 1, 64), notValid},
        {"width near 2^32", MakeDds(0xFFFFFFF0u, 4, "DXT1", 1, 64), notValid},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Decoded decoded = DecodeBytes(c.file);
        EXPECT_FALSE(decoded.image);
        EXPECT_EQ(c.message, decoded.messages);
    }
    Decoded missing = image_test::DecodePath(DecodeDDS, "/nonexistent/missing.dds");
    EXPECT_FALSE(missing.image);
    EXPECT_EQ("error: couldn't open \"/nonexistent/missing.dds\"!\n", missing.messages);
}

TEST(DdsReader, SharedSuite)
{
    if (!image_test::HasSharedData("dds"))
    {
        GTEST_SKIP() << "shared DDS test files not present in " << image_test::SharedDir();
    }
    std::map<std::string, std::string> expected = image_test::ReadSharedExpected();
    int matched = 0;
    for (std::string category : {"good", "questionable", "bad"})
    {
        for (const std::string& file : image_test::SharedFiles("dds", category))
        {
            SCOPED_TRACE(file);
            std::string path = image_test::SharedDir() + "/" + file;
            Decoded decoded = image_test::DecodePath(DecodeDDS, path);
            if (category == "bad")
            {
                EXPECT_FALSE(decoded.image);
                EXPECT_NE("", decoded.messages);
                continue;
            }
            ASSERT_TRUE(decoded.image) << decoded.messages;
            const std::unique_ptr<CDecodedImage>& image = decoded.image;
            ASSERT_GE(image->mipmapCount, 1);
            size_t total = 0;
            for (size_t size : LevelSizes(*image))
            {
                total += size;
            }
            EXPECT_LE(total, image->dataSize);
            if (expected.count(file))
            {
                EXPECT_EQ(expected[file],
                          image_test::Hex(image_test::Crc32(image->data.get(), image->dataSize)));
                matched += category == "good";
            }
        }
    }
    EXPECT_GE(matched, 22);
}
