// The BMP reader without GL: fixtures built from known pictures, header and stream edge cases
// built as bytes here, the real-file suite, and the row converters against plain loops.
#include "images/CBmpReader.h"
#include "images/PixelConvert.h"
#include "io/CByteReader.h"
#include "support/ImageReaderTestSupport.h"

#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <set>

namespace
{
using Bytes = std::vector<uint8_t>;

void Put16(Bytes& bytes, uint32_t value)
{
    bytes.push_back(value & 0xFF);
    bytes.push_back((value >> 8) & 0xFF);
}

void Put32(Bytes& bytes, uint32_t value)
{
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

// A Windows bitmap with a 40-byte header; palette entries are B, G, R, reserved.
Bytes MakeBmp(int32_t width, int32_t height, int bitCount, uint32_t compression,
              const Bytes& palette, const Bytes& pixels)
{
    Bytes file = {'B', 'M'};
    uint32_t offset = 14 + 40 + static_cast<uint32_t>(palette.size());
    Put32(file, offset + static_cast<uint32_t>(pixels.size()));
    Put32(file, 0);
    Put32(file, offset);
    Put32(file, 40);
    Put32(file, static_cast<uint32_t>(width));
    Put32(file, static_cast<uint32_t>(height));
    Put16(file, 1);
    Put16(file, bitCount);
    Put32(file, compression);
    for (int i = 0; i < 5; ++i)
    {
        Put32(file, 0);
    }
    file.insert(file.end(), palette.begin(), palette.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

// Palette of count entries: entry i is R = i, G = 100 + i, B = 200 - i.
Bytes MakePalette(int count)
{
    Bytes palette;
    for (int i = 0; i < count; ++i)
    {
        palette.insert(palette.end(), {uint8_t(200 - i), uint8_t(100 + i), uint8_t(i), 0});
    }
    return palette;
}

using image_test::Decoded;

Decoded DecodeBytes(const Bytes& bytes)
{
    return image_test::DecodeBytes(DecodeBMP, bytes, "test.bmp");
}

Decoded DecodePath(const std::string& path)
{
    return image_test::DecodePath(DecodeBMP, path);
}

CDecodedImage* DecodeByPlainLoops(CByteReader& reader, const char* name)
{
    return DecodeBMP(reader, name, PixelConvert::ConvertPath::PlainLoops);
}

Bytes Pixel(const CDecodedImage& image, int x, int row)
{
    const unsigned char* p = image.data.get() + 3 * (row * image.width + x);
    return Bytes(p, p + 3);
}
}  // namespace

TEST(BmpReader, FixturesDecodeToThePicturesTheyWereMadeFrom)
{
    std::vector<image_test::FixtureEntry> fixtures = image_test::ReadFixtureList("bmp");
    ASSERT_GE(fixtures.size(), 11u);
    for (const image_test::FixtureEntry& fixture : fixtures)
    {
        SCOPED_TRACE(fixture.name);
        Decoded decoded = DecodePath(std::string(KYREL_TEST_DATA_DIR) + "/bmp/" + fixture.name);
        ASSERT_TRUE(decoded.image) << decoded.messages;
        EXPECT_EQ(fixture.width, decoded.image->width);
        EXPECT_EQ(fixture.height, decoded.image->height);
        EXPECT_EQ(static_cast<unsigned int>(IMAGE_FORMAT_RGB), decoded.image->format);
        EXPECT_EQ(3, decoded.image->components);
        EXPECT_EQ(fixture.crc, image_test::Hex(image_test::Crc32(decoded.image->data.get(),
                                                                 decoded.image->dataSize)));
        EXPECT_EQ("", decoded.messages);
    }
}

TEST(BmpReader, TwentyFourBitBottomUpStartsWithTheBottomLeftPixel)
{
    // 2 x 2: rows of 6 bytes padded to 8; the first stored pixel is blue 0, green 0, red 255.
    Bytes pixels = {0x00, 0x00, 0xFF, 1, 2, 3, 0, 0, 4, 5, 6, 7, 8, 9, 0, 0};
    Decoded decoded = DecodeBytes(MakeBmp(2, 2, 24, 0, {}, pixels));
    ASSERT_TRUE(decoded.image);
    EXPECT_EQ((Bytes{255, 0, 0}), Pixel(*decoded.image, 0, 0));
    EXPECT_EQ((Bytes{3, 2, 1}), Pixel(*decoded.image, 1, 0));
    EXPECT_EQ((Bytes{6, 5, 4}), Pixel(*decoded.image, 0, 1));

    // The same picture stored top row first decodes to the same buffer.
    Bytes topDown = {4, 5, 6, 7, 8, 9, 0, 0, 0x00, 0x00, 0xFF, 1, 2, 3, 0, 0};
    Decoded flipped = DecodeBytes(MakeBmp(2, -2, 24, 0, {}, topDown));
    ASSERT_TRUE(flipped.image);
    EXPECT_EQ(0, memcmp(decoded.image->data.get(), flipped.image->data.get(), 12));
}

TEST(BmpReader, Os2CoreHeaderWithThreeBytePalette)
{
    Bytes file = {'B', 'M'};
    Put32(file, 0);
    Put32(file, 0);
    Put32(file, 14 + 12 + 2 * 3);
    Put32(file, 12);
    Put16(file, 3);
    Put16(file, 1);
    Put16(file, 1);
    Put16(file, 1);
    file.insert(file.end(), {10, 20, 30, 40, 50, 60});  // B, G, R of entries 0 and 1
    file.insert(file.end(), {0xA0, 0, 0, 0});           // pixels 1, 0, 1
    Decoded decoded = DecodeBytes(file);
    ASSERT_TRUE(decoded.image) << decoded.messages;
    EXPECT_EQ(3, decoded.image->width);
    EXPECT_EQ((Bytes{60, 50, 40}), Pixel(*decoded.image, 0, 0));
    EXPECT_EQ((Bytes{30, 20, 10}), Pixel(*decoded.image, 1, 0));
    EXPECT_EQ((Bytes{60, 50, 40}), Pixel(*decoded.image, 2, 0));
}

TEST(BmpReader, RunLengthStreams)
{
    struct Case
    {
        const char* what;
        int width, height, bitCount;
        Bytes stream;
        std::vector<int> indices;  // expected palette index per pixel, bottom row first
    };
    const Case cases[] = {
        // Runs past the picture are cut at width * height; without end-of-line escapes a run
        // continues on the next row.
        {"runs exceed the picture", 3, 2, 8, {200, 7, 200, 9}, {7, 7, 7, 7, 7, 7}},
        {"run continues on next row", 2, 2, 8, {3, 4, 1, 5, 0, 1}, {4, 4, 4, 5}},
        // With end-of-line escapes an over-long row is clipped at its end.
        {"row clipped before end of line", 2, 2, 8, {3, 4, 0, 0, 2, 6, 0, 1}, {4, 4, 6, 6}},
        {"end of bitmap leaves entry 0", 2, 2, 8, {1, 3, 0, 1}, {3, 0, 0, 0}},
        {"delta skips pixels", 3, 2, 8, {1, 3, 0, 2, 1, 1, 1, 5, 0, 1}, {3, 0, 0, 0, 0, 5}},
        {"odd literal is padded", 3, 2, 8, {0, 3, 1, 2, 3, 0, 3, 9}, {1, 2, 3, 9, 9, 9}},
        {"rle4 run alternates nibbles", 3, 1, 4, {3, 0x12, 0, 1}, {1, 2, 1}},
        {"rle4 literal with padding", 3, 2, 4, {0, 3, 0x45, 0x60, 3, 0x77}, {4, 5, 6, 7, 7, 7}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        uint32_t compression = c.bitCount == 8 ? 1 : 2;
        Decoded decoded = DecodeBytes(MakeBmp(c.width, c.height, c.bitCount, compression,
                                              MakePalette(1 << c.bitCount), c.stream));
        ASSERT_TRUE(decoded.image) << decoded.messages;
        ASSERT_EQ(c.indices.size() * 3, decoded.image->dataSize);
        for (size_t i = 0; i < c.indices.size(); ++i)
        {
            int index = c.indices[i];
            EXPECT_EQ(
                (Bytes{uint8_t(index), uint8_t(100 + index), uint8_t(200 - index)}),
                Bytes(decoded.image->data.get() + 3 * i, decoded.image->data.get() + 3 * i + 3))
                << "pixel " << i;
        }
    }
}

TEST(BmpReader, IndicesBeyondTheStoredPaletteAreBlack)
{
    Bytes file = MakeBmp(2, 1, 8, 0, MakePalette(2), {1, 200, 0, 0});
    file[46] = 2;  // colours used
    Decoded decoded = DecodeBytes(file);
    ASSERT_TRUE(decoded.image) << decoded.messages;
    EXPECT_EQ((Bytes{1, 101, 199}), Pixel(*decoded.image, 0, 0));
    EXPECT_EQ((Bytes{0, 0, 0}), Pixel(*decoded.image, 1, 0));
}

TEST(BmpReader, BadFilesGiveTheirMessageAndNull)
{
    const std::string notValid = "test.bmp is not a valid BMP file!\n";
    auto unsupported = [](int value) {
        return "unsupported bitmap type or bad filecompression type (" + std::to_string(value) +
               ")\n";
    };
    Bytes good24 = MakeBmp(2, 2, 24, 0, {}, Bytes(16, 0));
    Bytes signatureBA = good24;
    signatureBA[1] = 'A';
    Bytes offsetPastEnd = good24;
    offsetPastEnd[10] = 0xF0;
    Bytes headerSizeOdd = good24;
    headerSizeOdd[14] = 41;
    Bytes truncatedPixels(good24.begin(), good24.end() - 4);
    Bytes noPalette = MakeBmp(4, 1, 8, 0, {}, Bytes(4, 0));
    Bytes tooManyColours = MakeBmp(4, 1, 8, 0, MakePalette(256), Bytes(4, 0));
    tooManyColours[46] = 1;  // colours used 256 + 1
    tooManyColours[47] = 1;

    struct Case
    {
        const char* what;
        Bytes file;
        std::string message;
    };
    const Case cases[] = {
        {"empty file", {}, notValid},
        {"signature BA", signatureBA, notValid},
        {"header cut short", Bytes(good24.begin(), good24.begin() + 30), notValid},
        {"unknown header size", headerSizeOdd, notValid},
        {"bit fields", MakeBmp(2, 2, 32, 3, {}, Bytes(16, 0)), unsupported(3)},
        {"compression 7", MakeBmp(2, 2, 24, 7, {}, Bytes(16, 0)), unsupported(7)},
        {"16 bits", MakeBmp(2, 2, 16, 0, {}, Bytes(8, 0)), unsupported(16)},
        {"rle8 on 4 bits", MakeBmp(2, 2, 4, 1, MakePalette(16), {0, 1}), unsupported(1)},
        {"width 0", MakeBmp(0, 2, 24, 0, {}, Bytes(16, 0)), notValid},
        {"negative width", MakeBmp(-2, 2, 24, 0, {}, Bytes(16, 0)), notValid},
        {"height 0", MakeBmp(2, 0, 24, 0, {}, Bytes(16, 0)), notValid},
        {"side above 16384", MakeBmp(16385, 1, 24, 0, {}, Bytes(16, 0)), notValid},
        {"width x height overflows", MakeBmp(0x7FFFFFFF, 0x7FFFFFFF, 24, 0, {}, {}), notValid},
        {"most negative height", MakeBmp(2, INT32_MIN, 24, 0, {}, Bytes(16, 0)), notValid},
        {"pixel offset past the end", offsetPastEnd, notValid},
        {"pixel data cut short", truncatedPixels, notValid},
        {"palette missing", noPalette, notValid},
        {"more colours than bits allow", tooManyColours, notValid},
        {"top-down run-length", MakeBmp(2, -2, 8, 1, MakePalette(256), {0, 1}), notValid},
        {"run-length cut short", MakeBmp(4, 4, 8, 1, MakePalette(256), {4, 1, 0, 0, 4}), notValid},
        {"literal past the end", MakeBmp(4, 1, 8, 1, MakePalette(256), {0, 4, 1, 2}), notValid},
        {"delta leaves the picture", MakeBmp(4, 2, 8, 1, MakePalette(256), {0, 2, 5, 0, 0, 1}),
         notValid},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Decoded decoded = DecodeBytes(c.file);
        EXPECT_FALSE(decoded.image);
        EXPECT_EQ(c.message, decoded.messages);
    }

    Decoded missing = DecodePath("/nonexistent/missing.bmp");
    EXPECT_FALSE(missing.image);
    EXPECT_EQ("error: couldn't open \"/nonexistent/missing.bmp\"!\n", missing.messages);
}

TEST(BmpReader, SharedSuite)
{
    if (!image_test::HasSharedData("bmp"))
    {
        GTEST_SKIP() << "shared BMP test files not present in " << image_test::SharedDir();
    }
    std::map<std::string, std::string> expected = image_test::ReadSharedExpected();
    // Rejected good files: formats the reader does not take (16 bits, bit-field masks) and a
    // picture wider than the reader's 16384 limit.
    auto unsupportedGood = [](const std::string& messages)
    {
        return messages.find("type (16)") != std::string::npos ||
               messages.find("type (3)") != std::string::npos;
    };
    // Bad files that decode all the same: the damage is in fields the reader does not use
    // (size, density, planes, important colours), or the result is defined (rows that run on
    // without end-of-line escapes, indices past the palette are black, runs clipped at the row).
    const std::set<std::string> decodableBad = {
        "bmp/bad/badbitssize.bmp",
        "bmp/bad/baddens1.bmp",
        "bmp/bad/baddens2.bmp",
        "bmp/bad/badfilesize.bmp",
        "bmp/bad/badplanes.bmp",
        "bmp/bad/bmptestsuite-8bpp-colorsimportant-large.bmp",
        "bmp/bad/bmptestsuite-rle4-no-end-of-line-marker.bmp",
        "bmp/bad/bmptestsuite-rle8-no-end-of-line-marker.bmp",
        "bmp/bad/bmptestsuite-rle8-deltaleavesimage.bmp",
        "bmp/bad/pal8badindex.bmp",
        "bmp/bad/fuzz-afl/id_000508_src_000059_op_havoc_rep_32.bmp",
        "bmp/bad/fuzz-afl/id_001037_src_000814_op_arith8_pos_22_val_-1.bmp",
        "bmp/bad/fuzz-afl/id_001334_src_000934_op_havoc_rep_2.bmp",
    };
    // The reference decoder reads this OS/2 2.x palette differently; the engine decodes it to
    // the picture of pal8.bmp, which the suite says it shows.
    const std::map<std::string, std::string> otherReference = {
        {"bmp/questionable/pal8os2v2.bmp", expected["bmp/good/pal8.bmp"]},
    };
    int decodedGood = 0;
    for (std::string category : {"good", "questionable", "bad"})
    {
        for (const std::string& file : image_test::SharedFiles("bmp", category))
        {
            SCOPED_TRACE(file);
            const std::string path = image_test::SharedDir() + "/" + file;
            Decoded decoded = DecodePath(path);
            image_test::ExpectSameDecode(decoded, image_test::DecodePath(DecodeByPlainLoops, path));
            if (!decoded.image)
            {
                EXPECT_NE("", decoded.messages);
                if (category == "good")
                {
                    EXPECT_TRUE(unsupportedGood(decoded.messages) ||
                                file.find("64000x1") != std::string::npos)
                        << decoded.messages;
                }
                continue;
            }
            ASSERT_EQ(size_t(decoded.image->width) * decoded.image->height * 3,
                      decoded.image->dataSize);
            std::string crc = image_test::Hex(
                image_test::Crc32(decoded.image->data.get(), decoded.image->dataSize));
            if (category == "bad")
            {
                EXPECT_TRUE(decodableBad.count(file)) << "decoded a bad file";
            }
            else if (otherReference.count(file))
            {
                EXPECT_EQ(otherReference.at(file), crc);
            }
            else if (expected.count(file))
            {
                EXPECT_EQ(expected[file], crc);
                decodedGood += category == "good";
            }
        }
    }
    EXPECT_GE(decodedGood, 50);
}

TEST(BmpReader, BlankRunLengthFileIsPaletteEntryZero)
{
    const std::string file =
        image_test::SharedDir() + "/bmp/good/bmptestsuite-rle8-blank-160x120.bmp";
    if (!std::filesystem::exists(file))
    {
        GTEST_SKIP() << "shared file not present: " << file;
    }
    Decoded decoded = DecodePath(file);
    ASSERT_TRUE(decoded.image);
    for (size_t i = 3; i < decoded.image->dataSize; ++i)
    {
        ASSERT_EQ(decoded.image->data[i % 3], decoded.image->data[i]) << "byte " << i;
    }
}

// Both paths give the right bytes at every length around the shuffle steps, in place too.
TEST(PixelConvert, ShuffledRowsMatchPlainLoops)
{
    for (PixelConvert::ConvertPath path :
         {PixelConvert::ConvertPath::Shuffles, PixelConvert::ConvertPath::PlainLoops})
    {
        for (size_t count : {0u, 1u, 5u, 6u, 7u, 15u, 16u, 17u, 31u, 48u, 1001u})
        {
            SCOPED_TRACE(::testing::Message()
                         << count
                         << (path == PixelConvert::ConvertPath::Shuffles ? " shuffles" : " plain"));
            Bytes source(count * 4);
            for (size_t i = 0; i < source.size(); ++i)
            {
                source[i] = uint8_t(i * 37 + 11);
            }
            Bytes expected(count * 3), actual(count * 3 + 1, 0xEE);
            for (size_t i = 0; i < count; ++i)
            {
                expected[3 * i] = source[3 * i + 2];
                expected[3 * i + 1] = source[3 * i + 1];
                expected[3 * i + 2] = source[3 * i];
            }
            PixelConvert::BgrToRgb(source.data(), actual.data(), count, path);
            EXPECT_EQ(expected, Bytes(actual.begin(), actual.end() - 1));
            EXPECT_EQ(0xEE, actual.back()) << "wrote past the row";
            Bytes inPlace(source.begin(), source.begin() + count * 3);
            PixelConvert::BgrToRgb(inPlace.data(), inPlace.data(), count, path);
            EXPECT_EQ(expected, inPlace) << "in place";

            for (size_t i = 0; i < count; ++i)
            {
                expected[3 * i] = source[4 * i + 2];
                expected[3 * i + 1] = source[4 * i + 1];
                expected[3 * i + 2] = source[4 * i];
            }
            PixelConvert::BgrxToRgb(source.data(), actual.data(), count, path);
            EXPECT_EQ(expected, Bytes(actual.begin(), actual.end() - 1));
            EXPECT_EQ(0xEE, actual.back()) << "wrote past the row";

            const uint8_t* red = source.data();
            const uint8_t* green = red + count;
            const uint8_t* blue = green + count;
            for (size_t i = 0; i < count; ++i)
            {
                expected[3 * i] = red[i];
                expected[3 * i + 1] = green[i];
                expected[3 * i + 2] = blue[i];
            }
            PixelConvert::PlanesToRgb(red, green, blue, actual.data(), count, path);
            EXPECT_EQ(expected, Bytes(actual.begin(), actual.end() - 1));
            EXPECT_EQ(0xEE, actual.back()) << "wrote past the row";
        }
    }
}
