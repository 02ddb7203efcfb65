// The TGA decoder without GL: both kinds at both depths, every rejection and truncation message,
// packet limits, the identification field, and real files against their known checksums.
#include "core/CByteReader.h"
#include "textures/CTgaImage.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <cstdint>
#include <dirent.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;

Bytes TgaHeader(int imageType, int width, int height, int bitsPerPixel, int idLength = 0)
{
    Bytes bytes(18, 0);
    bytes[0] = static_cast<unsigned char>(idLength);
    bytes[2] = static_cast<unsigned char>(imageType);
    bytes[12] = static_cast<unsigned char>(width & 0xFF);
    bytes[13] = static_cast<unsigned char>(width >> 8);
    bytes[14] = static_cast<unsigned char>(height & 0xFF);
    bytes[15] = static_cast<unsigned char>(height >> 8);
    bytes[16] = static_cast<unsigned char>(bitsPerPixel);
    for (int i = 0; i < idLength; ++i)
    {
        bytes.push_back(static_cast<unsigned char>(0xA0 + i));
    }
    return bytes;
}

void Append(Bytes& bytes, std::initializer_list<int> values)
{
    for (int value : values)
    {
        bytes.push_back(static_cast<unsigned char>(value));
    }
}

struct DecodeResult
{
    bool ok;
    std::string output;
};

DecodeResult Decode(CTgaImage& image, const Bytes& bytes, int maxDimension = 65535)
{
    CByteReader reader(bytes.data(), bytes.size());
    testing::internal::CaptureStdout();
    bool ok = image.Decode(reader, "mem.tga", maxDimension);
    return {ok, testing::internal::GetCapturedStdout()};
}

uint32_t Crc32(const std::vector<unsigned char>& data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : data)
    {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
        {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return crc ^ 0xFFFFFFFFu;
}
}  // namespace

TEST(TgaImage, BothKindsAtBothDepthsGiveRgbInFileOrder)
{
    struct Case
    {
        int imageType;
        int bitsPerPixel;
        Bytes data;      // as stored: B, G, R (, A)
        Bytes expected;  // R, G, B (, A)
    };
    const Bytes rgbaExpected = {255, 0, 0,   0x10, 0,   255, 0,   0x20,
                                0,   0, 255, 0x30, 255, 255, 255, 0x40};
    const Case cases[] = {
        {2,
         24,
         {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255},
         {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}},
        {2,
         32,
         {0, 0, 255, 0x10, 0, 255, 0, 0x20, 255, 0, 0, 0x30, 255, 255, 255, 0x40},
         rgbaExpected},
        // A raw packet of red and green, then a run of two whites.
        {10,
         24,
         {0x01, 0, 0, 255, 0, 255, 0, 0x81, 255, 255, 255},
         {255, 0, 0, 0, 255, 0, 255, 255, 255, 255, 255, 255}},
        {10,
         32,
         {0x00, 0, 0, 255, 0x10, 0x00, 0, 255, 0, 0x20, 0x01, 255, 0, 0, 0x30, 255, 255, 255, 0x40},
         rgbaExpected},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE("type " + std::to_string(c.imageType) + ", " + std::to_string(c.bitsPerPixel) +
                     " bits");
        Bytes bytes = TgaHeader(c.imageType, 2, 2, c.bitsPerPixel);
        bytes.insert(bytes.end(), c.data.begin(), c.data.end());
        CTgaImage image;
        DecodeResult result = Decode(image, bytes);
        ASSERT_TRUE(result.ok) << result.output;
        EXPECT_EQ("", result.output);
        EXPECT_EQ(2, image.width);
        EXPECT_EQ(2, image.height);
        const bool alpha = c.bitsPerPixel == 32;
        EXPECT_EQ(alpha ? GL_RGBA : GL_RGB, static_cast<GLenum>(image.glFormat));
        EXPECT_EQ(alpha ? 4 : 3, image.bytesPerPixel);
        EXPECT_EQ(c.expected, image.pixels);
        EXPECT_EQ(static_cast<int>(c.expected.size()), image.imageSize);
    }
}

TEST(TgaImage, HeaderOutsideBothTemplatesIsRejected)
{
    std::vector<Bytes> files;
    for (int imageType : {0, 1, 3, 9, 11, 34})
    {
        files.push_back(TgaHeader(imageType, 2, 2, 24));
    }
    for (int offset = 1; offset <= 11; ++offset)
    {
        if (offset == 2)
        {
            continue;
        }
        Bytes bytes = TgaHeader(2, 2, 2, 24);
        bytes[static_cast<size_t>(offset)] = 1;  // colour map, its spec, or an origin
        files.push_back(bytes);
    }
    for (const Bytes& bytes : files)
    {
        CTgaImage image;
        DecodeResult result = Decode(image, bytes);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ("TGA file be type 2 or type 10, Invalid Image: mem.tga\n", result.output);
        EXPECT_TRUE(image.pixels.empty());
    }
}

TEST(TgaImage, BadSizeOrDepthIsInvalidTextureInformation)
{
    struct Case
    {
        int width, height, bitsPerPixel, maxDimension;
    };
    const Case cases[] = {
        {0, 4, 24, 65535},         {4, 0, 32, 65535}, {4, 4, 16, 65535},   {4, 4, 8, 65535},
        {4, 4, 0, 65535},          {4, 4, 33, 65535}, {2049, 1, 24, 2048}, {1, 4097, 32, 4096},
        {65535, 65535, 32, 65535},  // larger than a signed 32-bit image size
    };
    for (int imageType : {2, 10})
    {
        for (const Case& c : cases)
        {
            Bytes bytes = TgaHeader(imageType, c.width, c.height, c.bitsPerPixel);
            bytes.resize(bytes.size() + 64, 0);
            CTgaImage image;
            DecodeResult result = Decode(image, bytes, c.maxDimension);
            EXPECT_FALSE(result.ok);
            EXPECT_EQ("Invalid texture information: mem.tga\n", result.output)
                << c.width << " x " << c.height << " at " << c.bitsPerPixel;
        }
    }
}

TEST(TgaImage, TruncationAtEachFieldGivesItsMessage)
{
    struct Case
    {
        const char* what;
        Bytes bytes;
        const char* output;
    };
    Bytes rawPixels = TgaHeader(2, 2, 2, 24);
    Append(rawPixels, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});  // one byte short
    Bytes rleNoHeader = TgaHeader(10, 2, 2, 24);
    Append(rleNoHeader, {0x81, 1, 2, 3});  // two of four pixels, then nothing
    Bytes rleRawShort = TgaHeader(10, 2, 2, 32);
    Append(rleRawShort, {0x03, 1, 2, 3, 4, 5, 6});
    Bytes rleRunShort = TgaHeader(10, 2, 2, 24);
    Append(rleRunShort, {0x83, 1, 2});
    Bytes idPastEnd = TgaHeader(2, 1, 1, 24);
    idPastEnd[0] = 40;  // claims an identification field longer than the file

    const Case cases[] = {
        {"empty", {}, "Failed to read TGAcomment!\n"},
        {"in header", Bytes{0, 0, 2, 0, 0}, "Could not read file header: mem.tga\n"},
        {"header one byte short", Bytes(11, 0), "Could not read file header: mem.tga\n"},
        {"info",
         []
         {
             Bytes b = TgaHeader(2, 1, 1, 24);
             b.resize(15);
             return b;
         }(),
         "Could not read info header: mem.tga\n"},
        {"raw pixels", rawPixels, "Could not read image data: mem.tga\n"},
        {"identification field", idPastEnd, "Could not read image data: mem.tga\n"},
        {"packet header", rleNoHeader, "Could not read RLE header: mem.tga\n"},
        {"raw packet pixel", rleRawShort, "Could not read image data: mem.tga\n"},
        {"run packet pixel", rleRunShort, "Could not read from file: mem.tga\n"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CTgaImage image;
        DecodeResult result = Decode(image, c.bytes);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(c.output, result.output);
        EXPECT_TRUE(image.pixels.empty());
    }
}

TEST(TgaImage, LongestPacketsCarry128Pixels)
{
    Bytes run = TgaHeader(10, 128, 1, 24);
    Append(run, {0xFF, 10, 20, 30});
    Bytes raw = TgaHeader(10, 128, 1, 24);
    raw.push_back(0x7F);
    for (int i = 0; i < 128; ++i)
    {
        Append(raw, {i, 1, 2});
    }
    CTgaImage runImage;
    ASSERT_TRUE(Decode(runImage, run).ok);
    ASSERT_EQ(128u * 3, runImage.pixels.size());
    for (size_t i = 0; i < runImage.pixels.size(); i += 3)
    {
        ASSERT_EQ(30, runImage.pixels[i]) << i;
        ASSERT_EQ(20, runImage.pixels[i + 1]);
        ASSERT_EQ(10, runImage.pixels[i + 2]);
    }
    CTgaImage rawImage;
    ASSERT_TRUE(Decode(rawImage, raw).ok);
    ASSERT_EQ(128u * 3, rawImage.pixels.size());
    EXPECT_EQ(127, rawImage.pixels[127 * 3 + 2]);
}

TEST(TgaImage, PacketsPastTheImageAreRefused)
{
    // 3 x 1 pixels: a run of 4, and raw packets that end one pixel late.
    Bytes run = TgaHeader(10, 3, 1, 24);
    Append(run, {0x83, 1, 2, 3});
    Bytes raw = TgaHeader(10, 3, 1, 32);
    Append(raw, {0x01, 1, 2, 3, 4, 5, 6, 7, 8, 0x01, 1, 2, 3, 4, 5, 6, 7, 8});
    Bytes big = TgaHeader(10, 1, 1, 24);
    Append(big, {0xFF, 1, 2, 3});
    for (const Bytes& bytes : {run, raw, big})
    {
        CTgaImage image;
        DecodeResult result = Decode(image, bytes);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ("Too many pixels read: mem.tga\n", result.output);
        EXPECT_TRUE(image.pixels.empty());
    }
}

TEST(TgaImage, BytesAfterTheLastPixelAreNotRead)
{
    for (int imageType : {2, 10})
    {
        Bytes bytes = TgaHeader(imageType, 1, 1, 24);
        if (imageType == 10)
        {
            bytes.push_back(0x00);
        }
        Append(bytes, {3, 2, 1, 0xFF, 0xFF, 0xFF, 0xFF, 'T', 'R', 'U', 'E', 'V'});
        CTgaImage image;
        DecodeResult result = Decode(image, bytes);
        ASSERT_TRUE(result.ok) << result.output;
        EXPECT_EQ((Bytes{1, 2, 3}), image.pixels);
    }
}

TEST(TgaImage, IdentificationFieldIsSkippedBeforeThePixels)
{
    for (int imageType : {2, 10})
    {
        Bytes bytes = TgaHeader(imageType, 2, 1, 24, 7);
        if (imageType == 10)
        {
            bytes.push_back(0x01);
        }
        Append(bytes, {0, 0, 255, 255, 0, 0});
        CTgaImage image;
        DecodeResult result = Decode(image, bytes);
        ASSERT_TRUE(result.ok) << result.output;
        EXPECT_EQ((Bytes{255, 0, 0, 0, 0, 255}), image.pixels) << "type " << imageType;
    }
}

TEST(TgaImage, FixturesDecodeToTheirPattern)
{
    // The generator paints pixel x of the y-th row in the file as R = 40 (x / 2), G = 60 y,
    // B = 200, A = 255 - 10 y, so that pairs of pixels make runs.
    const char* names[] = {"rgb24_raw.tga",  "rgb24_rle.tga",    "rgba32_raw.tga",
                           "rgba32_rle.tga", "rgb24_raw_id.tga", "rgba32_rle_id.tga"};
    for (const char* name : names)
    {
        SCOPED_TRACE(name);
        std::string path = std::string(KYREL_TEST_DATA_DIR) + "/tga/" + name;
        CByteReader reader;
        ASSERT_TRUE(reader.OpenFile(path.c_str()));
        CTgaImage image;
        ASSERT_TRUE(image.Decode(reader, path.c_str()));
        ASSERT_EQ(5, image.width);
        ASSERT_EQ(3, image.height);
        size_t offset = 0;
        for (int y = 0; y < 3; ++y)
        {
            for (int x = 0; x < 5; ++x)
            {
                EXPECT_EQ(40 * (x / 2), image.pixels[offset]);
                EXPECT_EQ(60 * y, image.pixels[offset + 1]);
                EXPECT_EQ(200, image.pixels[offset + 2]);
                if (image.bytesPerPixel == 4)
                {
                    EXPECT_EQ(255 - 10 * y, image.pixels[offset + 3]);
                }
                offset += static_cast<size_t>(image.bytesPerPixel);
            }
        }
    }
}

// Every TGA file of the shared collection: those listed with a checksum decode to exactly that
// buffer, every other one is refused with a message and no pixels.
TEST(TgaImage, SharedFilesMatchTheirChecksums)
{
    const std::string root = KYREL_SHARED_TESTDATA_DIR;
    std::ifstream table(root + "/expected.tsv");
    if (!table)
    {
        GTEST_SKIP() << "shared test data not found at " << root;
    }
    struct Expected
    {
        int width, height;
        uint32_t crc;
    };
    std::map<std::string, Expected> expected;
    std::string line;
    while (std::getline(table, line))
    {
        std::istringstream fields(line);
        std::string file, kind, width, height, layout, crc;
        std::getline(fields, file, '\t');
        std::getline(fields, kind, '\t');
        std::getline(fields, width, '\t');
        std::getline(fields, height, '\t');
        std::getline(fields, layout, '\t');
        std::getline(fields, crc, '\t');
        if (file.rfind("tga/", 0) == 0)
        {
            expected[file] = {std::stoi(width), std::stoi(height),
                              static_cast<uint32_t>(std::stoul(crc, nullptr, 16))};
        }
    }
    ASSERT_FALSE(expected.empty());

    int decoded = 0, refused = 0;
    for (const char* dir : {"tga/good", "tga/truevision", "tga/bad/fuzz-afl", "tga/bad/malformed",
                            "tga/bad/unsupported"})
    {
        DIR* listing = opendir((root + "/" + dir).c_str());
        ASSERT_NE(nullptr, listing) << dir;
        while (dirent* entry = readdir(listing))
        {
            std::string name = entry->d_name;
            if (name == "." || name == "..")
            {
                continue;
            }
            std::string relative = std::string(dir) + "/" + name;
            std::string path = root + "/" + relative;
            SCOPED_TRACE(relative);
            CByteReader reader;
            ASSERT_TRUE(reader.OpenFile(path.c_str()));
            CTgaImage image;
            testing::internal::CaptureStdout();
            bool ok = image.Decode(reader, path.c_str());
            std::string output = testing::internal::GetCapturedStdout();
            auto found = expected.find(relative);
            if (found == expected.end())
            {
                EXPECT_FALSE(ok);
                EXPECT_NE("", output);
                EXPECT_TRUE(image.pixels.empty());
                ++refused;
                continue;
            }
            ASSERT_TRUE(ok) << output;
            EXPECT_EQ(found->second.width, image.width);
            EXPECT_EQ(found->second.height, image.height);
            EXPECT_EQ(found->second.crc, Crc32(image.pixels));
            ++decoded;
        }
        closedir(listing);
    }
    EXPECT_EQ(static_cast<int>(expected.size()), decoded);
    EXPECT_GT(refused, 0);
}

TEST(TgaImage, CorruptFixturesAreRefusedWithTheirMessage)
{
    const std::pair<const char*, const char*> cases[] = {
        {"rle_overflow.tga", "Too many pixels read: "},
        {"raw_truncated.tga", "Could not read image data: "},
        {"rle_truncated.tga", "Could not read image data: "},  // inside a raw packet
        {"sixteen_bit.tga", "Invalid texture information: "},
        {"colour_mapped.tga", "TGA file be type 2 or type 10, Invalid Image: "},
    };
    for (const auto& c : cases)
    {
        std::string path = std::string(KYREL_TEST_DATA_DIR) + "/tga/corrupt/" + c.first;
        CByteReader reader;
        ASSERT_TRUE(reader.OpenFile(path.c_str())) << path;
        CTgaImage image;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(image.Decode(reader, path.c_str()));
        EXPECT_EQ(std::string(c.second) + path + "\n", testing::internal::GetCapturedStdout());
    }
}
