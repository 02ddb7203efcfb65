// The TGA reader: both kinds at both depths, packet limits, the identification field, every
// refusal with its message, real files against their known checksums, and the shuffle conversions
// against the plain loops.
#include "images/CTgaReader.h"
#include "images/PixelConvert.h"
#include "io/CByteReader.h"
#include "support/ImageReaderTestSupport.h"

#include <gtest/gtest.h>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;

// Header, identification field of idLength bytes, then the given data.
Bytes Tga(int imageType, int width, int height, int bits, Bytes data, int idLength = 0)
{
    Bytes bytes = {static_cast<unsigned char>(idLength),
                   0,
                   static_cast<unsigned char>(imageType),
                   0,
                   0,
                   0,
                   0,
                   0,
                   0,
                   0,
                   0,
                   0,
                   static_cast<unsigned char>(width),
                   static_cast<unsigned char>(width >> 8),
                   static_cast<unsigned char>(height),
                   static_cast<unsigned char>(height >> 8),
                   static_cast<unsigned char>(bits),
                   0};
    bytes.insert(bytes.end(), static_cast<size_t>(idLength), 0xA5);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

Bytes Repeat(Bytes unit, int times)
{
    Bytes bytes;
    for (int i = 0; i < times; ++i)
    {
        bytes.insert(bytes.end(), unit.begin(), unit.end());
    }
    return bytes;
}

using image_test::Decoded;

Decoded Decode(const Bytes& bytes, int maxDimension = TGA_MAX_DIMENSION,
               CTgaFileBytes* fileBytes = nullptr,
               PixelConvert::ConvertPath path = PixelConvert::ConvertPath::Shuffles)
{
    CByteReader reader(bytes.data(), bytes.size());
    return image_test::CaptureDecode(
        [&] { return DecodeTGA(reader, "mem.tga", maxDimension, fileBytes, path); });
}

Bytes Pixels(const CDecodedImage& image)
{
    return Bytes(image.data.get(), image.data.get() + image.dataSize);
}
}  // namespace

TEST(TgaReader, DecodesBothKindsAtBothDepthsInFileOrder)
{
    const Bytes rgba = {255, 0, 0, 0x10, 0, 255, 0, 0x20, 0, 0, 255, 0x30, 255, 255, 255, 0x40};
    struct Case
    {
        const char* what;
        Bytes file;
        Bytes pixels;  // R, G, B (, A), first stored row first
    };
    const Case cases[] = {
        {"raw 24",
         Tga(2, 2, 2, 24, {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}),
         {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}},
        {"raw 32",
         Tga(2, 2, 2, 32, {0, 0, 255, 16, 0, 255, 0, 32, 255, 0, 0, 48, 255, 255, 255, 64}), rgba},
        {"rle 24",
         Tga(10, 2, 2, 24, {0x01, 0, 0, 255, 0, 255, 0, 0x81, 255, 255, 255}),
         {255, 0, 0, 0, 255, 0, 255, 255, 255, 255, 255, 255}},
        {"rle 32",
         Tga(10, 2, 2, 32,
             {0, 0, 0, 255, 16, 0, 0, 255, 0, 32, 1, 255, 0, 0, 48, 255, 255, 255, 64}),
         rgba},
        {"run of 128", Tga(10, 128, 1, 24, {0xFF, 1, 2, 3}), Repeat({3, 2, 1}, 128)},
        {"raw packet of 128",
         Tga(10, 128, 1, 24,
             []
             {
                 Bytes data = Repeat({1, 2, 3}, 128);
                 data.insert(data.begin(), 0x7F);
                 return data;
             }()),
         Repeat({3, 2, 1}, 128)},
        {"trailing bytes",
         Tga(10, 1, 1, 24, {0x00, 3, 2, 1, 0xFF, 9, 9, 9, 'T', 'R', 'U'}),
         {1, 2, 3}},
        {"raw with id field", Tga(2, 2, 1, 24, {0, 0, 255, 255, 0, 0}, 7), {255, 0, 0, 0, 0, 255}},
        {"rle with id field",
         Tga(10, 2, 1, 24, {0x01, 0, 0, 255, 255, 0, 0}, 26),
         {255, 0, 0, 0, 0, 255}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CTgaFileBytes fileBytes;
        Decoded decoded = Decode(c.file, TGA_MAX_DIMENSION, &fileBytes);
        ASSERT_TRUE(decoded.image) << decoded.messages;
        EXPECT_EQ("", decoded.messages);
        EXPECT_EQ(c.pixels, Pixels(*decoded.image));
        const int depth = c.file[16];
        EXPECT_EQ(depth / 8, decoded.image->components);
        EXPECT_EQ(depth == 32 ? IMAGE_FORMAT_RGBA : IMAGE_FORMAT_RGB, decoded.image->format);
        EXPECT_EQ(0, memcmp(fileBytes.header, c.file.data() + 1, sizeof fileBytes.header));
        EXPECT_EQ(0, memcmp(fileBytes.info, c.file.data() + 12, sizeof fileBytes.info));
    }
}

TEST(TgaReader, RefusesBadFilesWithTheirMessage)
{
    const std::string typeMessage = "TGA file be type 2 or type 10, Invalid Image: mem.tga\n";
    const std::string infoMessage = "Invalid texture information: mem.tga\n";
    struct Case
    {
        Bytes file;
        std::string output;
        int maxDimension;
    };
    std::vector<Case> cases = {
        {{}, "Failed to read TGAcomment!\n", 65535},
        {Bytes(11, 0), "Could not read file header: mem.tga\n", 65535},
        {Tga(2, 1, 1, 24, {}), "Could not read info header: mem.tga\n", 65535},
        {Tga(2, 2, 2, 24, Bytes(11, 7)), "Could not read image data: mem.tga\n", 65535},
        {Tga(2, 1, 1, 24, {1, 2, 3}, 0), "Could not read image data: mem.tga\n", 65535},
        {Tga(10, 2, 2, 24, {0x81, 1, 2, 3}), "Could not read RLE header: mem.tga\n", 65535},
        {Tga(10, 2, 2, 32, {0x03, 1, 2, 3, 4, 5, 6}), "Could not read image data: mem.tga\n",
         65535},
        {Tga(10, 2, 2, 24, {0x83, 1, 2}), "Could not read from file: mem.tga\n", 65535},
        // Packets that run past width * height pixels.
        {Tga(10, 3, 1, 24, {0x83, 1, 2, 3}), "Too many pixels read: mem.tga\n", 65535},
        {Tga(10, 3, 1, 32, Repeat({0x01, 1, 2, 3, 4, 5, 6, 7, 8}, 2)),
         "Too many pixels read: mem.tga\n", 65535},
        {Tga(10, 1, 1, 24, {0xFF, 1, 2, 3}), "Too many pixels read: mem.tga\n", 65535},
        // A raw packet both short of bytes and too long: the message of the first pixel missing.
        {Tga(10, 3, 1, 24, {0x03, 1, 2, 3, 4, 5, 6}), "Could not read image data: mem.tga\n",
         65535},
        {Tga(10, 2, 1, 24, {0x03, 1, 2, 3, 4, 5, 6}), "Could not read image data: mem.tga\n",
         65535},
        {Tga(10, 1, 1, 24, {0x03, 1, 2, 3, 4, 5, 6}), "Too many pixels read: mem.tga\n", 65535},
        // Sizes and depths.
        {Tga(2, 0, 4, 24, Bytes(64)), infoMessage, 65535},
        {Tga(10, 4, 0, 32, Bytes(64)), infoMessage, 65535},
        {Tga(2, 2049, 1, 24, Bytes(64)), infoMessage, 2048},
        {Tga(10, 1, 4097, 32, Bytes(64)), infoMessage, 4096},
        {Tga(2, 65535, 65535, 32, Bytes(64)), infoMessage, 65535},  // past a signed 32-bit size
    };
    cases[2].file.resize(15);  // ends inside the info block
    // The identification length claims more bytes than the file has.
    cases[4].file[0] = 40;
    for (int bits : {0, 8, 16, 33})
    {
        cases.push_back({Tga(2, 4, 4, bits, Bytes(64)), infoMessage, 65535});
    }
    for (int imageType : {0, 1, 3, 9, 11, 34})
    {
        cases.push_back({Tga(imageType, 2, 2, 24, Bytes(12)), typeMessage, 65535});
    }
    for (size_t offset : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11})  // colour map and its layout, the origin
    {
        Bytes file = Tga(2, 2, 2, 24, Bytes(12));
        file[offset] = 1;
        cases.push_back({file, typeMessage, 65535});
    }
    for (const Case& c : cases)
    {
        Decoded decoded = Decode(c.file, c.maxDimension);
        EXPECT_FALSE(decoded.image) << c.output;
        EXPECT_EQ(c.output, decoded.messages);
    }
}

// Every TGA file of the shared collection: those listed with a checksum decode to exactly that
// buffer, every other one is refused with a message and no pixels.
TEST(TgaReader, SharedFilesMatchTheirChecksums)
{
    const std::string root = KYREL_SHARED_TESTDATA_DIR;
    std::ifstream table(root + "/expected.tsv");
    if (!table)
    {
        GTEST_SKIP() << "shared test data not found at " << root;
    }
    std::map<std::string, std::string> expected;  // file -> "width height crc"
    std::string line;
    while (std::getline(table, line))
    {
        std::istringstream fields(line);
        std::string file, kind, width, height, layout, crc;
        for (std::string* field : {&file, &kind, &width, &height, &layout, &crc})
        {
            std::getline(fields, *field, '\t');
        }
        if (file.rfind("tga/", 0) == 0)
        {
            expected[file] = width + " " + height + " " + crc;
        }
    }
    ASSERT_FALSE(expected.empty());

    size_t decodedFiles = 0, refused = 0;
    for (const char* dir : {"tga/good", "tga/truevision", "tga/bad/fuzz-afl", "tga/bad/malformed",
                            "tga/bad/unsupported"})
    {
        DIR* listing = opendir((root + "/" + dir).c_str());
        ASSERT_NE(nullptr, listing) << dir;
        while (dirent* entry = readdir(listing))
        {
            const std::string relative = std::string(dir) + "/" + entry->d_name;
            CByteReader reader;
            if (entry->d_name[0] == '.' || !reader.OpenFile((root + "/" + relative).c_str()))
            {
                continue;
            }
            Decoded decoded =
                image_test::CaptureDecode([&] { return DecodeTGA(reader, relative.c_str()); });
            auto found = expected.find(relative);
            if (found == expected.end())
            {
                EXPECT_FALSE(decoded.image) << relative;
                EXPECT_NE("", decoded.messages) << relative;
                ++refused;
                continue;
            }
            ASSERT_TRUE(decoded.image) << relative << ": " << decoded.messages;
            const CDecodedImage& image = *decoded.image;
            std::string crc = image_test::Hex(image_test::Crc32(image.data.get(), image.dataSize));
            EXPECT_EQ(found->second,
                      std::to_string(image.width) + " " + std::to_string(image.height) + " " + crc)
                << relative;
            ++decodedFiles;
        }
        closedir(listing);
    }
    EXPECT_EQ(expected.size(), decodedFiles);
    EXPECT_GT(refused, 30u);
}

TEST(TgaReader, ChannelSwapMatchesPlainLoopAtEveryLength)
{
    for (size_t count : {0u, 1u, 3u, 4u, 5u, 7u, 8u, 9u, 15u, 16u, 17u, 127u, 128u})
    {
        SCOPED_TRACE(count);
        Bytes source(count * 4);
        for (size_t i = 0; i < source.size(); ++i)
        {
            source[i] = uint8_t(i * 53 + 7);
        }
        Bytes expected(source);
        for (size_t i = 0; i < count; ++i)
        {
            std::swap(expected[4 * i], expected[4 * i + 2]);
        }
        Bytes shuffled(count * 4 + 1, 0xEE), plain(count * 4 + 1, 0xEE);
        PixelConvert::BgraToRgba(source.data(), shuffled.data(), count,
                                 PixelConvert::ConvertPath::Shuffles);
        PixelConvert::BgraToRgba(source.data(), plain.data(), count,
                                 PixelConvert::ConvertPath::PlainLoops);
        EXPECT_EQ(expected, Bytes(shuffled.begin(), shuffled.end() - 1));
        EXPECT_EQ(shuffled, plain);
        EXPECT_EQ(0xEE, shuffled.back()) << "wrote past the row";
        Bytes inPlace(source);
        PixelConvert::BgraToRgba(inPlace.data(), inPlace.data(), count,
                                 PixelConvert::ConvertPath::Shuffles);
        EXPECT_EQ(expected, inPlace) << "in place";
    }
}

// The reader with the shuffle conversions and with the plain loops gives the same pixels and
// messages on every real file, read from memory and from the file.
TEST(TgaReader, ShufflesAndPlainLoopsAgreeOnSharedFiles)
{
    const std::string root = KYREL_SHARED_TESTDATA_DIR;
    if (!std::filesystem::is_directory(root + "/tga"))
    {
        GTEST_SKIP() << "shared TGA files not found at " << root << "/tga";
    }
    size_t decodedFiles = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root + "/tga"))
    {
        if (!entry.is_regular_file() || entry.path().parent_path().filename() == "reference")
        {
            continue;
        }
        const std::string path = entry.path().string();
        SCOPED_TRACE(path);
        std::ifstream in(path, std::ios::binary);
        const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Decoded fast = Decode(file);
        Decoded plain =
            Decode(file, TGA_MAX_DIMENSION, nullptr, PixelConvert::ConvertPath::PlainLoops);
        CByteReader reader;
        ASSERT_TRUE(reader.OpenFile(path.c_str()));
        Decoded fromFile = image_test::CaptureDecode([&] { return DecodeTGA(reader, "mem.tga"); });
        image_test::ExpectSameDecode(fast, plain);
        image_test::ExpectSameDecode(fast, fromFile);
        decodedFiles += fast.image ? 1 : 0;
    }
    EXPECT_GT(decodedFiles, 10u);
}
