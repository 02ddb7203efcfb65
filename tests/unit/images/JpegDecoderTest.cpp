// The JPEG decoder against files made for the purpose (a tiny writer of DC-only pictures whose
// pixels are known exactly), ImageMagick fixtures compared with ImageMagick's own (libjpeg)
// decode, the shared real-world files, and damaged input of every kind.
#include "images/CJpegDecoder.h"
#include "support/ImageReaderTestSupport.h"
#include "support/JpegTestSupport.h"
#include "support/ReferenceImage.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
struct Decoded
{
    std::unique_ptr<uint8_t[]> pixels;
    int width = -1;
    int height = -1;
    std::string messages;
    const uint8_t* At(int x, int y) const
    {
        return pixels.get() + (static_cast<size_t>(y) * width + x) * 4;
    }
};

// The decoder's pixels, dimensions and message; the dimensions stay -1 on failure.
Decoded Take(image_test::Decoded result)
{
    Decoded d;
    d.messages = result.messages;
    if (result.image)
    {
        EXPECT_EQ(4, result.image->components);
        d.width = result.image->width;
        d.height = result.image->height;
        d.pixels.reset(result.image->data.release());
    }
    return d;
}

Decoded DecodeBytes(const std::vector<uint8_t>& bytes)
{
    return Take(image_test::DecodeBytes(DecodeJPEG, bytes, "test.jpg"));
}

Decoded DecodePath(const std::string& path)
{
    return Take(image_test::DecodePath(DecodeJPEG, path));
}

// Writes baseline files whose blocks hold only a DC term, with quantisation 1: a block with DC
// value 8 * (s - 128) decodes to samples s everywhere. DC categories are coded as 4-bit codes, the
// AC table holds only end-of-block ("0").
class DcOnlyWriter
{
public:
    struct Component
    {
        int id, h, v;
    };
    int width = 16, height = 16, restartInterval = 0;
    std::vector<Component> components = {{1, 1, 1}};
    // Sample of block (component, index in decode order).
    std::function<int(int, int)> sample = [](int, int) { return 128; };
    // How many blocks each MCU codes per component (defaults to h * v; 1 for a single component).
    int declaredBlocks(int c) const
    {
        return components.size() == 1 ? 1 : components[c].h * components[c].v;
    }

    std::vector<uint8_t> Write() const
    {
        std::vector<uint8_t> f = {0xFF, 0xD8};
        std::vector<uint8_t> dqt(65, 1);
        dqt[0] = 0x00;  // table 0, 8-bit values, all 1
        Segment(f, 0xDB, dqt);
        std::vector<uint8_t> sof = {8,
                                    uint8_t(height >> 8),
                                    uint8_t(height),
                                    uint8_t(width >> 8),
                                    uint8_t(width),
                                    uint8_t(components.size())};
        for (const Component& c : components)
        {
            sof.insert(sof.end(), {uint8_t(c.id), uint8_t(c.h << 4 | c.v), 0});
        }
        Segment(f, 0xC0, sof);
        std::vector<uint8_t> dht = {0x00, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        for (int s = 0; s < 12; ++s)
        {
            dht.push_back(uint8_t(s));
        }
        dht.insert(dht.end(), {0x10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00});
        Segment(f, 0xC4, dht);
        if (restartInterval > 0)
        {
            Segment(f, 0xDD, {uint8_t(restartInterval >> 8), uint8_t(restartInterval)});
        }
        std::vector<uint8_t> sos = {uint8_t(components.size())};
        for (const Component& c : components)
        {
            sos.insert(sos.end(), {uint8_t(c.id), 0x00});
        }
        sos.insert(sos.end(), {0, 63, 0});
        Segment(f, 0xDA, sos);
        Entropy(f);
        f.insert(f.end(), {0xFF, 0xD9});
        return f;
    }

private:
    static void Segment(std::vector<uint8_t>& f, int code, const std::vector<uint8_t>& body)
    {
        size_t length = body.size() + 2;
        f.insert(f.end(), {0xFF, uint8_t(code), uint8_t(length >> 8), uint8_t(length)});
        f.insert(f.end(), body.begin(), body.end());
    }

    void Bits(std::vector<uint8_t>& f, uint32_t value, int count) const
    {
        for (int i = count - 1; i >= 0; --i)
        {
            m_byte = uint8_t(m_byte << 1 | ((value >> i) & 1));
            if (++m_filled == 8)
            {
                Flush(f);
            }
        }
    }
    void Flush(std::vector<uint8_t>& f) const
    {
        f.push_back(m_byte);
        if (m_byte == 0xFF)
        {
            f.push_back(0);
        }
        m_byte = 0;
        m_filled = 0;
    }
    void PadToByte(std::vector<uint8_t>& f) const
    {
        while (m_filled != 0)
        {
            Bits(f, 1, 1);
        }
    }

    void Entropy(std::vector<uint8_t>& f) const
    {
        int hmax = 1, vmax = 1;
        for (const Component& c : components)
        {
            hmax = std::max(hmax, components.size() == 1 ? 1 : c.h);
            vmax = std::max(vmax, components.size() == 1 ? 1 : c.v);
        }
        int mcus = ((width + 8 * hmax - 1) / (8 * hmax)) * ((height + 8 * vmax - 1) / (8 * vmax));
        std::vector<int> predictor(components.size(), 0), index(components.size(), 0);
        for (int mcu = 0; mcu < mcus; ++mcu)
        {
            if (restartInterval > 0 && mcu > 0 && mcu % restartInterval == 0)
            {
                PadToByte(f);
                f.insert(f.end(), {0xFF, uint8_t(0xD0 + (mcu / restartInterval - 1) % 8)});
                std::fill(predictor.begin(), predictor.end(), 0);
            }
            for (size_t c = 0; c < components.size(); ++c)
            {
                for (int b = 0; b < declaredBlocks(int(c)); ++b)
                {
                    int dc = 8 * (sample(int(c), index[c]++) - 128);
                    int diff = dc - predictor[c];
                    predictor[c] = dc;
                    int magnitude = std::abs(diff), category = 0;
                    while (magnitude >> category)
                    {
                        ++category;
                    }
                    Bits(f, uint32_t(category), 4);
                    Bits(f, uint32_t(diff >= 0 ? diff : diff + (1 << category) - 1), category);
                    Bits(f, 0, 1);  // end of block
                }
            }
        }
        PadToByte(f);
    }

    mutable uint8_t m_byte = 0;
    mutable int m_filled = 0;
};

std::vector<std::string> ListFiles(const std::string& directory)
{
    std::vector<std::string> files;
    if (DIR* dir = opendir(directory.c_str()))
    {
        while (dirent* entry = readdir(dir))
        {
            std::string name = entry->d_name;
            if (name[0] != '.')
            {
                files.push_back(directory + "/" + name);
            }
        }
        closedir(dir);
    }
    std::sort(files.begin(), files.end());
    return files;
}

const std::string FIXTURES = KYREL_TEST_DATA_DIR "/jpeg/";
const uint8_t FRAME_MARKER[] = {0xFF, 0xC0};
const std::string SHARED = KYREL_SHARED_TESTDATA_DIR "/jpeg/";

std::vector<uint8_t> ReadFixture(const std::string& name)
{
    std::string text = kyrel_test::ReadFile(FIXTURES + name);
    return std::vector<uint8_t>(text.begin(), text.end());
}

// Where the entropy-coded data of the file's (first) scan begin; the file size when it has none.
size_t ScanDataStart(const std::vector<uint8_t>& file)
{
    const uint8_t startOfScan[] = {0xFF, 0xDA};
    size_t scan =
        std::search(file.begin(), file.end(), startOfScan, startOfScan + 2) - file.begin();
    return scan + 4 < file.size() ? scan + 2 + (file[scan + 2] << 8 | file[scan + 3]) : file.size();
}
}  // namespace

TEST(JpegDecoder, GreyFrameGivesEqualChannelsAndOpaqueAlpha)
{
    DcOnlyWriter writer;
    writer.sample = [](int, int block) { return 40 + 50 * block; };
    Decoded d = DecodeBytes(writer.Write());
    ASSERT_TRUE(d.pixels);
    ASSERT_EQ(16, d.width);
    ASSERT_EQ(16, d.height);
    for (int y = 0; y < 16; ++y)
    {
        for (int x = 0; x < 16; ++x)
        {
            const uint8_t* p = d.At(x, y);
            int expected = 40 + 50 * ((y / 8) * 2 + x / 8);  // blocks in raster order
            ASSERT_EQ(expected, p[0]) << x << "," << y;
            ASSERT_EQ(p[0], p[1]);
            ASSERT_EQ(p[0], p[2]);
            ASSERT_EQ(255, p[3]);
        }
    }
}

// Y = 128, Cb = 128, Cr = 255 gives R 255 (clamped from 306), G 37, B 128; each chroma sample of a
// 4:2:0 frame covers 2 x 2 pixels, so one MCU of 16 x 16 pixels takes one colour.
TEST(JpegDecoder, ChromaIsReplicatedAndConvertedPerLayout)
{
    struct Case
    {
        int lumaH, lumaV, width, height;
    };
    for (const Case& layout :
         {Case{2, 2, 32, 16}, Case{2, 1, 32, 8}, Case{1, 1, 16, 8}, Case{1, 2, 16, 32}})
    {
        SCOPED_TRACE(testing::Message() << layout.lumaH << "x" << layout.lumaV);
        DcOnlyWriter writer;
        writer.width = layout.width;
        writer.height = layout.height;
        writer.components = {{1, layout.lumaH, layout.lumaV}, {2, 1, 1}, {3, 1, 1}};
        // MCU 0: grey-red; MCU 1: Cb high; luma 128 everywhere.
        writer.sample = [](int c, int block)
        {
            if (c == 0)
            {
                return 128;
            }
            return block == 0 ? (c == 2 ? 255 : 128) : (c == 1 ? 200 : 128);
        };
        Decoded d = DecodeBytes(writer.Write());
        ASSERT_TRUE(d.pixels);
        int mcuWidth = 8 * layout.lumaH;
        for (int y = 0; y < d.height; ++y)
        {
            for (int x = 0; x < d.width; ++x)
            {
                const uint8_t* p = d.At(x, y);
                int mcu = x / mcuWidth + (y / (8 * layout.lumaV)) * (d.width / mcuWidth);
                if (mcu == 0)
                {
                    ASSERT_EQ(255, p[0]);
                    ASSERT_EQ(37, p[1]);
                    ASSERT_EQ(128, p[2]);
                }
                else if (mcu == 1)
                {
                    // Cb 200: G = trunc(128 - 0.34414 * 72) = 103, B = 128 + 1.772 * 72 -> 255.
                    ASSERT_EQ(128, p[0]);
                    ASSERT_EQ(103, p[1]);
                    ASSERT_EQ(255, p[2]);
                }
            }
        }
    }
}

// Sizes that are not whole blocks: whole blocks are decoded, only pixels inside are written (the
// sanitizer build checks that nothing lands outside the buffer).
TEST(JpegDecoder, PartialBlocksAtTheEdges)
{
    for (int size : {1, 7, 9, 15, 17, 33})
    {
        DcOnlyWriter writer;
        writer.width = size;
        writer.height = size + 2;
        writer.components = {{1, 2, 2}, {2, 1, 1}, {3, 1, 1}};
        writer.sample = [](int c, int block) { return c == 0 ? 60 + 10 * (block % 4) : 128; };
        Decoded d = DecodeBytes(writer.Write());
        ASSERT_TRUE(d.pixels) << size;
        EXPECT_EQ(size, d.width);
        EXPECT_EQ(size + 2, d.height);
        const uint8_t* last = d.At(size - 1, size + 1);
        int blockInMcu = (((size + 1) % 16) / 8) * 2 + ((size - 1) % 16) / 8;
        EXPECT_EQ(60 + 10 * blockInMcu, last[0]) << size;
    }
}

// A single component is coded one 8 x 8 block per MCU whatever sampling it declares.
TEST(JpegDecoder, SingleComponentIgnoresDeclaredSampling)
{
    DcOnlyWriter writer;
    writer.width = 24;
    writer.height = 16;
    writer.components = {{1, 2, 2}};
    writer.sample = [](int, int block) { return 10 + 30 * block; };
    Decoded d = DecodeBytes(writer.Write());
    ASSERT_TRUE(d.pixels);
    for (int block = 0; block < 6; ++block)
    {
        EXPECT_EQ(10 + 30 * block, d.At((block % 3) * 8 + 4, (block / 3) * 8 + 4)[0]) << block;
    }
}

// Restart markers at every interval, whether or not it is a whole MCU row; the DC predictors
// restart at 0 after each marker (the writer codes differences from 0 there).
TEST(JpegDecoder, RestartIntervalsResetPredictors)
{
    for (int interval : {1, 2, 3, 4, 5, 7})
    {
        DcOnlyWriter writer;
        writer.width = 40;  // 5 MCUs per row
        writer.height = 24;
        writer.restartInterval = interval;
        writer.sample = [](int, int block) { return 20 + 15 * (block % 13); };
        Decoded d = DecodeBytes(writer.Write());
        ASSERT_TRUE(d.pixels) << interval;
        for (int block = 0; block < 15; ++block)
        {
            ASSERT_EQ(20 + 15 * (block % 13), d.At((block % 5) * 8, (block / 5) * 8)[0])
                << "interval " << interval << " block " << block;
        }
    }
}

// Fill bytes may stand before a stuffed zero: 0xFF 0xFF 0x00 reads as one 0xFF data byte. Fills
// of several lengths move every later byte across the decoder's 16-byte copy groups; the picture
// stays the same, with and without restart intervals.
TEST(JpegDecoder, FillBytesBeforeStuffedZerosChangeNothing)
{
    for (const char* name : {"logo_320x240_420.jpg", "rose_420_restart_2.jpg"})
    {
        std::vector<uint8_t> file = ReadFixture(name);
        Decoded original = DecodeBytes(file);
        ASSERT_TRUE(original.pixels) << name;
        size_t scan = ScanDataStart(file);
        ASSERT_LT(scan, file.size());
        for (int fills : {1, 3, 16})
        {
            std::vector<uint8_t> filled(file.begin(), file.begin() + scan);
            int stuffed = 0;
            for (size_t i = scan; i < file.size(); ++i)
            {
                if (file[i] == 0xFF && i + 1 < file.size() && file[i + 1] == 0)
                {
                    filled.insert(filled.end(), fills, 0xFF);
                    ++stuffed;
                }
                filled.push_back(file[i]);
            }
            ASSERT_GT(stuffed, 4) << name;
            Decoded d = DecodeBytes(filled);
            ASSERT_TRUE(d.pixels) << name << " with " << fills;
            size_t size = static_cast<size_t>(original.width) * original.height * 4;
            EXPECT_EQ(0, memcmp(original.pixels.get(), d.pixels.get(), size))
                << name << " with " << fills;
        }
    }
}

// An interval whose data stop short at its restart marker decodes its remaining MCUs from zero
// bits and the next interval starts cleanly after the marker; data that stop short at the end of
// the image mean a cut file. The picture (70 x 46, 4:2:0, two MCUs an interval) keeps every MCU
// row after the damage.
TEST(JpegDecoder, IntervalsCutShortAtTheirMarker)
{
    const std::vector<uint8_t> file = ReadFixture("rose_420_restart_2.jpg");
    Decoded original = DecodeBytes(file);
    ASSERT_TRUE(original.pixels);
    size_t scan = ScanDataStart(file);
    std::vector<size_t> markers;  // restart markers, then the end of the image
    for (size_t i = scan; i + 1 < file.size(); ++i)
    {
        int code = file[i + 1];
        if (file[i] == 0xFF && ((code >= 0xD0 && code <= 0xD7) || code == 0xD9))
        {
            markers.push_back(i);
        }
    }
    ASSERT_EQ(8u, markers.size());  // 15 MCUs in 8 intervals
    struct Case
    {
        size_t interval;
        size_t keptBytes;  // of the interval's data
        bool decodes;
    };
    for (const Case& cut :
         {Case{0, 0, true}, Case{0, 1, true}, Case{1, 3, true}, Case{markers.size() - 1, 2, false}})
    {
        size_t begin = cut.interval == 0 ? scan : markers[cut.interval - 1] + 2;
        std::vector<uint8_t> damaged(file.begin(), file.begin() + begin + cut.keptBytes);
        damaged.insert(damaged.end(), file.begin() + markers[cut.interval], file.end());
        Decoded d = DecodeBytes(damaged);
        ASSERT_EQ(cut.decodes, d.pixels != nullptr) << "interval " << cut.interval;
        if (cut.decodes)
        {
            const size_t rowBytes = static_cast<size_t>(original.width) * 4;
            EXPECT_EQ(0, memcmp(original.At(0, 16), d.At(0, 16), rowBytes * (46 - 16)))
                << "interval " << cut.interval;
        }
    }
}

// Every cut of a file yields null: the data or the end-of-image marker is missing. A progressive
// file may be cut inside a scan, between scans or inside the segments between them.
TEST(JpegDecoder, EveryTruncationIsRefused)
{
    DcOnlyWriter writer;
    writer.width = 24;
    writer.height = 24;
    writer.components = {{1, 2, 2}, {2, 1, 1}, {3, 1, 1}};
    writer.sample = [](int c, int block) { return 30 + 7 * c + 11 * block; };
    for (const std::vector<uint8_t>& file :
         {writer.Write(), ReadFixture("rose_420_progressive_restart_1.jpg")})
    {
        ASSERT_TRUE(DecodeBytes(file).pixels);
        for (size_t cut = 0; cut < file.size(); ++cut)
        {
            std::vector<uint8_t> prefix(file.begin(), file.begin() + cut);
            Decoded d = DecodeBytes(prefix);
            EXPECT_FALSE(d.pixels) << "cut at " << cut << " of " << file.size();
            EXPECT_EQ(-1, d.width);  // sizes are reported on success only
        }
    }
}

// Header fields outside what the decoder handles are refused before any pixel is decoded.
TEST(JpegDecoder, RefusesUnsupportedOrBrokenHeaders)
{
    DcOnlyWriter writer;
    writer.components = {{1, 1, 1}, {2, 1, 1}, {3, 1, 1}};
    const std::vector<uint8_t> good = writer.Write();
    ASSERT_TRUE(DecodeBytes(good).pixels);
    auto find = [&](int code)
    {
        for (size_t i = 0; i + 1 < good.size(); ++i)
        {
            if (good[i] == 0xFF && good[i + 1] == code)
            {
                return i;
            }
        }
        return size_t(0);
    };
    size_t dqt = find(0xDB), sof = find(0xC0), dht = find(0xC4), sos = find(0xDA);
    // Progressive scan headers: the first scan is DC of all three components, the second an AC
    // band of one, the sixth a refinement from bit 2 to bit 1.
    const std::vector<uint8_t> progressive = ReadFixture("rose_420_progressive.jpg");
    ASSERT_TRUE(DecodeBytes(progressive).pixels);
    std::vector<size_t> scans;
    for (size_t i = 0; i + 1 < progressive.size(); ++i)
    {
        if (progressive[i] == 0xFF && progressive[i + 1] == 0xDA)
        {
            scans.push_back(i);
        }
    }
    ASSERT_EQ(10u, scans.size());
    const size_t dcScan = scans[0], acScan = scans[1] + 4, refineScan = scans[5] + 4;
    struct Change
    {
        const char* what;
        const std::vector<uint8_t>& file;
        size_t offset;
        uint8_t value;
    };
    const Change changes[] = {
        {"quantisation table number 4", good, dqt + 4, 0x04},
        {"Huffman table number 4", good, dht + 4, 0x04},
        {"AC Huffman table number 5", good, dht + 4 + 17 + 12, 0x15},
        {"frame quantisation table 4", good, sof + 12, 4},
        {"scan DC table 4", good, sos + 6, 0x40},
        {"scan AC table 4", good, sos + 6, 0x04},
        {"progressive frame with a sequential scan's band", good, sof + 1, 0xC2},
        {"extended sequential frame", good, sof + 1, 0xC1},
        {"arithmetic frame", good, sof + 1, 0xC9},
        {"height 0", good, sof + 6, 0},
        {"four components", good, sof + 9, 4},
        {"zero sampling factor", good, sof + 11, 0x01},
        {"sampling factor 5", good, sof + 11, 0x51},
        {"scan names an unknown component", good, sos + 5, 9},
        {"scan codes one of three components", good, sos + 4, 1},
        {"not a marker at the start", good, 0, 0x00},
        {"end of image before the frame", good, dqt + 1, 0xD9},
        {"frame length wrong", good, sof + 3, 18},
        {"progressive scan lists a component twice", progressive, dcScan + 7, 1},
        {"progressive DC band reaching into AC", progressive, dcScan + 12, 5},
        {"AC band ending before it starts", progressive, acScan + 4, 0},
        {"AC band past coefficient 63", progressive, acScan + 4, 64},
        {"progressive AC table 4", progressive, acScan + 2, 0x04},
        {"approximation bit 14", progressive, acScan + 5, 0x0E},
        {"refinement skipping a bit", progressive, refineScan + 5, 0x20},
    };
    for (const Change& change : changes)
    {
        std::vector<uint8_t> bad = change.file;
        bad[change.offset] = change.value;
        EXPECT_FALSE(DecodeBytes(bad).pixels) << change.what;
    }
    std::vector<uint8_t> fractional = good;  // 2 x 1 and 3 x 1: no whole pixels per sample
    fractional[sof + 11] = 0x21;
    fractional[sof + 14] = 0x31;
    EXPECT_FALSE(DecodeBytes(fractional).pixels);
}

TEST(JpegDecoder, RefusesOversizedFramesBeforeAllocating)
{
    struct Case
    {
        int width, height;
    };
    for (const Case& size :
         {Case{16385, 8}, Case{8, 16385}, Case{65535, 65535}, Case{16384, 16384}})
    {
        DcOnlyWriter writer;
        writer.width = 8;
        writer.height = 8;
        std::vector<uint8_t> file = writer.Write();
        // Claim a bigger frame over the data of one block.
        for (size_t i = 0; i + 8 < file.size(); ++i)
        {
            if (file[i] == 0xFF && file[i + 1] == 0xC0)
            {
                file[i + 5] = uint8_t(size.height >> 8);
                file[i + 6] = uint8_t(size.height);
                file[i + 7] = uint8_t(size.width >> 8);
                file[i + 8] = uint8_t(size.width);
            }
        }
        EXPECT_FALSE(DecodeBytes(file).pixels) << size.width << "x" << size.height;
    }
}

// A code that matches nothing takes 16 bits and stands for itself: the picture is defined (and
// equal on every decode), not a crash or a read past the data.
TEST(JpegDecoder, CodesMatchingNothingGiveADefinedPicture)
{
    DcOnlyWriter writer;
    writer.width = 64;
    writer.height = 64;
    std::vector<uint8_t> file = writer.Write();
    size_t sos = 0;
    for (size_t i = 0; i + 1 < file.size(); ++i)
    {
        sos = (file[i] == 0xFF && file[i + 1] == 0xDA) ? i : sos;
    }
    // 4-bit DC codes 1100 to 1111 are unused: start the data with them.
    size_t data = sos + 2 + 8;
    file[data] = 0xFE;
    file[data + 1] = 0xFE;
    Decoded first = DecodeBytes(file);
    Decoded second = DecodeBytes(file);
    ASSERT_EQ(first.pixels == nullptr, second.pixels == nullptr);
    if (first.pixels)
    {
        EXPECT_EQ(0, memcmp(first.pixels.get(), second.pixels.get(), 64 * 64 * 4));
    }
}

// A colour map that cannot be opened or decoded says so, naming the file, so that an untextured
// model can be explained.
TEST(JpegDecoder, FailuresGiveNullAndTheReadersMessage)
{
    struct Case
    {
        std::string path;
        std::string message;
    };
    const Case cases[] = {
        {"/nonexistent/picture.jpg", "error: couldn't open \"/nonexistent/picture.jpg\"!\n"},
        {FIXTURES, "error: couldn't open \"" + FIXTURES + "\"!\n"},  // a directory
    };
    for (const Case& c : cases)
    {
        Decoded d = DecodePath(c.path);
        EXPECT_FALSE(d.pixels) << c.path;
        EXPECT_EQ(-1, d.width);
        EXPECT_EQ(c.message, d.messages);
    }
    Decoded empty = DecodeBytes({});
    EXPECT_FALSE(empty.pixels);
    EXPECT_EQ("test.jpg is not a valid JPEG file!\n", empty.messages);
    Decoded good = DecodePath(FIXTURES + "rose_420.jpg");
    EXPECT_TRUE(good.pixels);
    EXPECT_EQ("", good.messages);

    // Valid files of two kinds the decoder does not read say what they use.
    struct Frame
    {
        uint8_t marker;
        uint8_t precision;
        std::string message;
    };
    const std::vector<uint8_t> baseline = ReadFixture("rose_420.jpg");
    const size_t sof =
        std::search(baseline.begin(), baseline.end(), FRAME_MARKER, FRAME_MARKER + 2) -
        baseline.begin();
    const Frame frames[] = {
        {0xC9, 8, "test.jpg uses arithmetic coding, which is not supported!\n"},
        {0xCA, 8, "test.jpg uses arithmetic coding, which is not supported!\n"},
        {0xC1, 12, "test.jpg has 12-bit samples, which are not supported!\n"},
        {0xC2, 12, "test.jpg has 12-bit samples, which are not supported!\n"},
        {0xC1, 8, "test.jpg is not a valid JPEG file!\n"},
    };
    for (const Frame& frame : frames)
    {
        std::vector<uint8_t> changed = baseline;
        changed[sof + 1] = frame.marker;
        changed[sof + 4] = frame.precision;
        Decoded d = DecodeBytes(changed);
        EXPECT_FALSE(d.pixels);
        EXPECT_EQ(frame.message, d.messages);
    }
}

namespace
{
// Peak signal-to-noise ratio of our RGB against ImageMagick's (libjpeg) decode of the same file.
double PsnrAgainstImageMagick(const std::string& path, const Decoded& ours)
{
    reference_image::RgbImage reference;
    if (!reference_image::DecodeWithImageMagick(path, reference))
    {
        return -1.0;
    }
    if (reference.width != ours.width || reference.height != ours.height)
    {
        return -2.0;
    }
    double squared = 0.0;
    for (int y = 0; y < ours.height; ++y)
    {
        const uint8_t* row = reference.rgb.data() + static_cast<size_t>(y) * ours.width * 3;
        for (int x = 0; x < ours.width; ++x)
        {
            for (int c = 0; c < 3; ++c)
            {
                double diff = double(row[3 * x + c]) - ours.At(x, y)[c];
                squared += diff * diff;
            }
        }
    }
    double mse = squared / (3.0 * ours.width * ours.height);
    return mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}
}  // namespace

// Real layouts made by ImageMagick and libjpeg are close to libjpeg's own decode.
TEST(JpegDecoder, FixturesMatchImageMagickAbove30Decibels)
{
    const char* files[] = {"rose_420.jpg",
                           "rose_422.jpg",
                           "rose_444.jpg",
                           "rose_440.jpg",
                           "rose_grey.jpg",
                           "rose_grey_2x2.jpg",
                           "rose_420_restart_row.jpg",
                           "rose_420_restart_2.jpg",
                           "rose_444_restart_3.jpg",
                           "rose_grey_restart_1.jpg",
                           "rose_13x11_420.jpg",
                           "grey_16x16.jpg",
                           "logo_320x240_420.jpg",
                           "rose_progressive.jpg",
                           "rose_420_progressive.jpg",
                           "rose_420_progressive_restart_1.jpg",
                           "rose_422_progressive.jpg",
                           "rose_444_progressive.jpg",
                           "rose_grey_progressive.jpg",
                           "rose_13x11_420_progressive.jpg"};
    for (const char* name : files)
    {
        Decoded d = DecodePath(FIXTURES + name);
        ASSERT_TRUE(d.pixels) << name;
        double psnr = PsnrAgainstImageMagick(FIXTURES + name, d);
        printf("  %-26s %4dx%-4d PSNR %.1f dB\n", name, d.width, d.height, psnr);
        EXPECT_GT(psnr, 30.0) << name;
    }
}

// jpegtran's progressive copies hold their sources' coefficients, so they decode to the same
// bytes: every layout, successive approximation with both refinement kinds, end-of-band runs,
// an interval of one MCU, and single-component scans of a picture that is not whole MCUs.
TEST(JpegDecoder, ProgressiveCopiesGiveTheirSourcesPixels)
{
    const char* sources[] = {"rose_420", "rose_422", "rose_444", "rose_grey", "rose_13x11_420"};
    for (const char* source : sources)
    {
        Decoded expected = DecodePath(FIXTURES + source + ".jpg");
        ASSERT_TRUE(expected.pixels) << source;
        size_t bytes = static_cast<size_t>(expected.width) * expected.height * 4;
        std::vector<std::string> copies = {std::string(source) + "_progressive.jpg"};
        if (std::string(source) == "rose_420")
        {
            copies.push_back("rose_420_progressive_restart_1.jpg");
        }
        for (const std::string& copy : copies)
        {
            ASSERT_NE(jpeg_test::BASELINE_FRAME, jpeg_test::FrameMarker(ReadFixture(copy)));
            Decoded d = DecodePath(FIXTURES + copy);
            ASSERT_TRUE(d.pixels) << copy;
            ASSERT_EQ(expected.width, d.width) << copy;
            ASSERT_EQ(expected.height, d.height) << copy;
            EXPECT_EQ(0, memcmp(expected.pixels.get(), d.pixels.get(), bytes)) << copy;
        }
    }
}

// Real files: every good one decodes, within a few levels of the reference decode (the decoder
// truncates in its transform and colour conversion where libjpeg rounds, so it runs about one
// level darker on colour files); questionable ones decode or are refused; bad ones are refused.
TEST(JpegDecoder, SharedFilesDecodeWithinToleranceOrAreRefused)
{
    std::vector<std::string> good = ListFiles(SHARED + "good");
    if (good.empty())
    {
        GTEST_SKIP() << "shared JPEG test data not present at " << SHARED;
    }
    const int MAX_DIFFERENCE = 4;
    const double MAX_MEAN_DIFFERENCE = 1.6;
    for (const std::string& path : good)
    {
        Decoded d = DecodePath(path);
        ASSERT_TRUE(d.pixels) << path;
        std::string name = path.substr(path.rfind('/') + 1);
        reference_image::RgbImage reference;
        if (reference_image::ReadPpmFile(SHARED + "reference/" + name + ".ppm", reference))
        {
            const int width = reference.width;
            const int height = reference.height;
            const std::vector<uint8_t>& rgb = reference.rgb;
            ASSERT_EQ(width, d.width) << name;
            ASSERT_EQ(height, d.height) << name;
            int worst = 0;
            double sum = 0.0;
            for (size_t p = 0; p < size_t(width) * height; ++p)
            {
                for (int c = 0; c < 3; ++c)
                {
                    int diff = std::abs(int(d.pixels[4 * p + c]) - int(rgb[3 * p + c]));
                    worst = std::max(worst, diff);
                    sum += diff;
                }
            }
            EXPECT_LE(worst, MAX_DIFFERENCE) << name;
            EXPECT_LT(sum / (3.0 * width * height), MAX_MEAN_DIFFERENCE) << name;
        }
        else
        {
            // This one's entropy data are damaged throughout (libjpeg warns of bad codes and
            // skipped bytes in most restart intervals); both decoders show the same wreck and
            // differ only in how they fill the damaged runs.
            double minimum = name == "pillow-hopper_bad_exif.jpg" ? 18.0 : 30.0;
            EXPECT_GT(PsnrAgainstImageMagick(path, d), minimum) << name;
        }
    }
    for (const std::string& path : ListFiles(SHARED + "questionable"))
    {
        Decoded d = DecodePath(path);
        EXPECT_TRUE(!d.pixels || (d.width > 0 && d.height > 0)) << path;
    }
    // Progressive files that libjpeg decodes without a warning (among them the texture of the
    // shared jeep model) decode like it; other progressive files in the bad folders are damaged
    // and may decode or be refused; everything else there is refused.
    const std::vector<std::string> progressive = {
        "bad/unsupported/imagers-progressive-test.jpg",
        "bad/unsupported/jpegdecoder-non-interleaved-mcu.jpg",
        "bad/unsupported/ljt-testimgp.jpg",
        "bad/unsupported/mozilla-jpg-progressive.jpg",
        "bad/unsupported/zigimg-tuba_restart_prog.jpg",
        "../3ds/good/jeep1.jpg"};
    for (const std::string& name : progressive)
    {
        Decoded d = DecodePath(SHARED + name);
        ASSERT_TRUE(d.pixels) << name;
        double psnr = PsnrAgainstImageMagick(SHARED + name, d);
        printf("  %-52s %4dx%-4d PSNR %.1f dB\n", name.c_str(), d.width, d.height, psnr);
        EXPECT_GT(psnr, 30.0) << name;
    }
    for (const char* group : {"bad/fuzz-afl", "bad/malformed", "bad/unsupported"})
    {
        for (const std::string& path : ListFiles(SHARED + group))
        {
            if (std::find(progressive.begin(), progressive.end(), path.substr(SHARED.size())) !=
                progressive.end())
            {
                continue;
            }
            std::string text = kyrel_test::ReadFile(path);
            Decoded d = DecodePath(path);
            if (jpeg_test::FrameMarker(std::vector<uint8_t>(text.begin(), text.end())) ==
                jpeg_test::PROGRESSIVE_FRAME)
            {
                EXPECT_TRUE(!d.pixels || (d.width > 0 && d.height > 0)) << path;
            }
            else
            {
                EXPECT_FALSE(d.pixels) << path;
            }
        }
    }
}

// The one-component files that declare 2 x 2 sampling decode like libjpeg's, not scrambled.
TEST(JpegDecoder, SharedGreyFilesDeclaring2x2AreNotScrambled)
{
    for (const char* name : {"jpegdecoder-grayscale_16x24_sampling2x2.jpg",
                             "jpegdecoder-grayscale_24x16_sampling2x2.jpg"})
    {
        reference_image::RgbImage reference;
        if (!reference_image::ReadPpmFile(SHARED + "reference/" + name + ".ppm", reference))
        {
            GTEST_SKIP() << "shared JPEG test data not present";
        }
        const std::vector<uint8_t>& rgb = reference.rgb;
        Decoded d = DecodePath(SHARED + "questionable/" + name);
        ASSERT_TRUE(d.pixels) << name;
        for (size_t p = 0; p < size_t(reference.width) * reference.height; ++p)
        {
            ASSERT_LE(std::abs(int(d.pixels[4 * p]) - int(rgb[3 * p])), 2) << name << " " << p;
        }
    }
}
