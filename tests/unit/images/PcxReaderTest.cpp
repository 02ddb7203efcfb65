// The PCX reader without GL: fixtures built from known pictures, header and run-length edge
// cases built as bytes here, and the real-file suite.
#include "images/CPcxReader.h"
#include "io/CByteReader.h"
#include "support/ImageReaderTestSupport.h"
#include "support/ReferenceImage.h"

#include <gtest/gtest.h>
#include <cstring>
#include <memory>

namespace
{
using Bytes = std::vector<uint8_t>;

// A 128-byte header followed by the given stream; header palette entry i is (i, 2i, 3i) except
// where overridden.
Bytes MakePcx(int width, int height, int bitsPerPixel, int planes, int bytesPerLine,
              const Bytes& stream)
{
    Bytes file(128, 0);
    file[0] = 10;
    file[1] = 5;
    file[2] = 1;
    file[3] = uint8_t(bitsPerPixel);
    file[8] = uint8_t((width - 1) & 0xFF);
    file[9] = uint8_t((width - 1) >> 8);
    file[10] = uint8_t((height - 1) & 0xFF);
    file[11] = uint8_t((height - 1) >> 8);
    for (int i = 0; i < 16; ++i)
    {
        file[16 + 3 * i] = uint8_t(i);
        file[17 + 3 * i] = uint8_t(2 * i);
        file[18 + 3 * i] = uint8_t(3 * i);
    }
    file[65] = uint8_t(planes);
    file[66] = uint8_t(bytesPerLine & 0xFF);
    file[67] = uint8_t(bytesPerLine >> 8);
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

using image_test::Decoded;

Decoded DecodeBytes(const Bytes& bytes)
{
    return image_test::DecodeBytes(DecodePCX, bytes, "test.pcx");
}

Decoded DecodePath(const std::string& path)
{
    return image_test::DecodePath(DecodePCX, path);
}

CDecodedImage* DecodeByPlainLoops(CByteReader& reader, const char* name)
{
    return DecodePCX(reader, name, PixelConvert::ConvertPath::PlainLoops);
}

Bytes Data(const CDecodedImage& image)
{
    return Bytes(image.data.get(), image.data.get() + image.dataSize);
}

// The reference picture of a shared file as R, G, B, bottom row first.
Bytes ReferenceBottomFirst(const std::string& png)
{
    Bytes pixels;
    reference_image::RgbImage reference;
    if (!reference_image::DecodeWithImageMagick(png, reference))
    {
        return pixels;
    }
    size_t rowBytes = static_cast<size_t>(reference.width) * 3;
    for (int row = reference.height - 1; row >= 0; --row)
    {
        const uint8_t* start = reference.rgb.data() + row * rowBytes;
        pixels.insert(pixels.end(), start, start + rowBytes);
    }
    return pixels;
}
}  // namespace

TEST(PcxReader, FixturesDecodeToThePicturesTheyWereMadeFrom)
{
    std::vector<image_test::FixtureEntry> fixtures = image_test::ReadFixtureList("pcx");
    ASSERT_GE(fixtures.size(), 6u);
    for (const image_test::FixtureEntry& fixture : fixtures)
    {
        SCOPED_TRACE(fixture.name);
        Decoded decoded = DecodePath(std::string(KYREL_TEST_DATA_DIR) + "/pcx/" + fixture.name);
        ASSERT_TRUE(decoded.image) << decoded.messages;
        EXPECT_EQ(fixture.width, decoded.image->width);
        EXPECT_EQ(fixture.height, decoded.image->height);
        EXPECT_EQ(static_cast<unsigned int>(IMAGE_FORMAT_RGB), decoded.image->format);
        EXPECT_EQ(fixture.crc, image_test::Hex(image_test::Crc32(decoded.image->data.get(),
                                                                 decoded.image->dataSize)));
        EXPECT_EQ("", decoded.messages);
    }
}

TEST(PcxReader, LinesAndRuns)
{
    struct Case
    {
        const char* what;
        Bytes file;
        Bytes data;  // bottom row first
    };
    Bytes eightBit = MakePcx(2, 2, 8, 1, 2, {0xC3, 5, 6});
    Bytes palette(769, 0);
    palette[0] = 12;
    for (int i = 0; i < 256; ++i)
    {
        palette[1 + 3 * i] = uint8_t(i);
        palette[2 + 3 * i] = uint8_t(255 - i);
        palette[3 + 3 * i] = 7;
    }
    eightBit.insert(eightBit.end(), palette.begin(), palette.end());
    const Case cases[] = {
        // Each plane of the 3 x 1 line is 4 bytes long; the fourth byte of each is padding.
        {"24-bit padding dropped",
         MakePcx(3, 1, 8, 3, 4, {1, 2, 3, 99, 4, 5, 6, 99, 7, 8, 9, 99}),
         {1, 4, 7, 2, 5, 8, 3, 6, 9}},
        // A run of 3 starting at the last byte of the first line continues on the next.
        {"run crosses the line end", eightBit, {5, 250, 7, 6, 249, 7, 5, 250, 7, 5, 250, 7}},
        {"run byte 192 stores nothing",
         MakePcx(2, 1, 8, 3, 2, {0xC0, 50, 1, 2, 3, 4, 5, 6}),
         {1, 3, 5, 2, 4, 6}},
        {"short stream reads zero bytes", MakePcx(2, 1, 8, 3, 2, {0xC3, 9}), {9, 9, 0, 9, 0, 0}},
        // Four 1-bit planes: plane j gives bit j of the header palette index.
        {"four planes",
         MakePcx(2, 1, 1, 4, 1, {0x80, 0x40, 0xC1, 0xC0, 0x80}),
         {13, 26, 39, 6, 12, 18}},
        {"one plane of nibbles",
         MakePcx(3, 1, 4, 1, 2, {0x1F, 0x20}),
         {1, 2, 3, 15, 30, 45, 2, 4, 6}},
        {"monochrome", MakePcx(3, 1, 1, 1, 1, {0xA0}), {1, 2, 3, 0, 0, 0, 1, 2, 3}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Decoded decoded = DecodeBytes(c.file);
        ASSERT_TRUE(decoded.image) << decoded.messages;
        EXPECT_EQ(c.data, Data(*decoded.image));
    }
}

TEST(PcxReader, BadFilesGiveTheirMessageAndNull)
{
    Bytes version5 = MakePcx(2, 2, 8, 3, 2, {});
    version5[0] = 5;
    Bytes badMarker = MakePcx(2, 1, 8, 1, 2, {1, 2});
    Bytes palette(769, 0);
    palette[0] = 0x0A;
    badMarker.insert(badMarker.end(), palette.begin(), palette.end());
    Bytes inverted = MakePcx(2, 2, 8, 3, 2, {});
    inverted[4] = 9;  // xmin past xmax

    struct Case
    {
        const char* what;
        Bytes file;
        std::string message;
    };
    const Case cases[] = {
        {"first byte 5", version5, "error: bad version number! (5)\n"},
        {"empty file", {}, "error: bad version number! (0)\n"},
        {"palette marker 0x0a", badMarker, "error: colormap's first byte must be 0x0c! (0xa)\n"},
        {"no palette block", MakePcx(2, 1, 8, 1, 2, {1, 2}),
         "error: colormap's first byte must be 0x0c! (0)\n"},
        {"two 1-bit planes", MakePcx(2, 2, 1, 2, 2, {}), "error: unknown 2 bitcount pcx files\n"},
        {"8 bits in 4 planes of 2", MakePcx(2, 2, 2, 4, 2, {}),
         "error: unknown 8 bitcount pcx files\n"},
        {"xmin past xmax", inverted, "error: bad image size! (-7x2)\n"},
        {"side above 16384", MakePcx(16385, 1, 8, 3, 16386, {}),
         "error: bad image size! (16385x1)\n"},
        {"lines shorter than the width", MakePcx(9, 1, 8, 3, 8, {}),
         "error: bad bytes per line! (8)\n"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Decoded decoded = DecodeBytes(c.file);
        EXPECT_FALSE(decoded.image);
        EXPECT_EQ(c.message, decoded.messages);
    }
    Decoded missing = DecodePath("/nonexistent/missing.pcx");
    EXPECT_FALSE(missing.image);
    EXPECT_EQ("error: couldn't open \"/nonexistent/missing.pcx\"!\n", missing.messages);
}

TEST(PcxReader, SharedSuite)
{
    if (!image_test::HasSharedData("pcx"))
    {
        GTEST_SKIP() << "shared PCX test files not present in " << image_test::SharedDir();
    }
    std::map<std::string, std::string> expected = image_test::ReadSharedExpected();
    int matched = 0;
    for (std::string category : {"good", "questionable", "bad"})
    {
        for (const std::string& file : image_test::SharedFiles("pcx", category))
        {
            if (file.find(".txt") != std::string::npos)
            {
                continue;
            }
            SCOPED_TRACE(file);
            std::string path = image_test::SharedDir() + "/" + file;
            Decoded decoded = DecodePath(path);
            image_test::ExpectSameDecode(decoded, image_test::DecodePath(DecodeByPlainLoops, path));
            if (!decoded.image)
            {
                EXPECT_NE("", decoded.messages);
                EXPECT_NE("good", category) << decoded.messages;
                continue;
            }
            ASSERT_NE("bad", category) << "decoded a bad file";
            Bytes data = Data(*decoded.image);
            std::string crc = image_test::Hex(image_test::Crc32(data.data(), data.size()));
            CByteReader header;
            ASSERT_TRUE(header.OpenFile(path.c_str()));
            uint8_t fields[66];
            header.ReadBytes(fields, sizeof fields);
            bool monochrome = fields[3] == 1 && fields[65] == 1;
            if (!monochrome)
            {
                if (expected.count(file))
                {
                    EXPECT_EQ(expected[file], crc);
                    matched += expected[file] == crc;
                }
                continue;
            }
            // The reference decoder paints set bits black and clear bits white whatever the
            // header says; the engine paints them with header entries 1 and 0.
            std::string name = file.substr(file.rfind('/') + 1);
            Bytes reference =
                ReferenceBottomFirst(image_test::SharedDir() + "/pcx/reference/" + name + ".png");
            ASSERT_EQ(reference.size(), data.size());
            Bytes mapped;
            for (size_t i = 0; i < reference.size(); i += 3)
            {
                const uint8_t* entry = fields + 16 + (reference[i] < 128 ? 3 : 0);
                mapped.insert(mapped.end(), entry, entry + 3);
            }
            if (category == "good")
            {
                EXPECT_EQ(mapped, data);
                matched += mapped == data;
            }
        }
    }
    EXPECT_GE(matched, 16);
}
