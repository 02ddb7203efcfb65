// Short reads, seeks and the overflow-checked image size of the byte reader.
#include "io/CByteReader.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>
#include <cstdint>

TEST(CByteReader, ReadsLittleEndianAndFailsShortWithZeroFill)
{
    const unsigned char bytes[] = {0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFF};
    CByteReader reader(bytes, sizeof bytes);
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    ASSERT_TRUE(reader.ReadU16LE(u16));
    EXPECT_EQ(0x1234, u16);
    ASSERT_TRUE(reader.ReadU32LE(u32));
    EXPECT_EQ(0x12345678u, u32);
    EXPECT_EQ(1u, reader.Remaining());

    EXPECT_FALSE(reader.ReadU32LE(u32));
    EXPECT_EQ(0xFFu, u32);  // the one byte there, the rest zero
    EXPECT_TRUE(reader.AtEnd());
}

TEST(CByteReader, SeekAndSkipStayInsideTheData)
{
    const unsigned char bytes[] = {1, 2, 3, 4};
    CByteReader reader(bytes, sizeof bytes);
    EXPECT_TRUE(reader.Seek(4));
    EXPECT_FALSE(reader.Seek(5));
    EXPECT_EQ(4u, reader.Tell());
    EXPECT_TRUE(reader.Seek(1));
    EXPECT_FALSE(reader.Skip(10));
    EXPECT_TRUE(reader.AtEnd());
    uint8_t value = 7;
    EXPECT_FALSE(reader.ReadU8(value));
    EXPECT_EQ(0, value);
}

TEST(CByteReader, FileReaderMatchesMemoryReader)
{
    kyrel_test::TempDir folder("kyrel-bytes");
    const unsigned char bytes[] = {0xEF, 0xBE, 0xAD, 0xDE, 0x01};
    const std::string path = kyrel_test::WriteFile(
        folder.File("bytes"), std::string(reinterpret_cast<const char*>(bytes), sizeof bytes));

    CByteReader reader;
    ASSERT_TRUE(reader.OpenFile(path.c_str()));
    EXPECT_EQ(sizeof bytes, reader.Size());
    int32_t value = 0;
    ASSERT_TRUE(reader.ReadS32LE(value));
    EXPECT_EQ(static_cast<int32_t>(0xDEADBEEF), value);
    unsigned char tail[3] = {9, 9, 9};
    EXPECT_FALSE(reader.ReadBytes(tail, 3));
    EXPECT_EQ(1, tail[0]);
    EXPECT_EQ(0, tail[1]);
    EXPECT_EQ(0, tail[2]);

    CByteReader missing;
    EXPECT_FALSE(missing.OpenFile("/nonexistent/file"));
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_FALSE(missing.OpenFile("/tmp")) << "a directory is no file to read";
    EXPECT_EQ(0u, missing.Size());
}

TEST(CheckedImageSize, RejectsOverflowZeroAndOverLimit)
{
    size_t size = 0;
    EXPECT_TRUE(CheckedImageSize(16384, 16384, 4, SIZE_MAX, size));
    EXPECT_EQ(16384u * 16384u * 4u, size);
    EXPECT_FALSE(CheckedImageSize(0, 10, 3, SIZE_MAX, size));
    EXPECT_FALSE(CheckedImageSize(-1, 10, 3, SIZE_MAX, size));
    EXPECT_FALSE(CheckedImageSize(1LL << 40, 1LL << 40, 4, SIZE_MAX, size));
    EXPECT_FALSE(CheckedImageSize(100, 100, 4, 39999, size));
}
