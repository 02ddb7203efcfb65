// A slow, plain decoder that follows the baseline algorithm step by step (bit-at-a-time canonical
// Huffman search, scalar float transform, per-pixel block writes, a separate colour pass), and the
// checks that the production decoder, with its look-up tables and SIMD, gives the same bytes.
#include "images/CJpegColour.h"
#include "images/CJpegDecoder.h"
#include "images/CJpegHuffmanTable.h"
#include "images/CJpegIdct.h"
#include "support/ImageReaderTestSupport.h"
#include "support/JpegTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <random>
#include <string>
#include <vector>

namespace
{
const int ZIGZAG[64] = {0,  1,  5,  6,  14, 15, 27, 28, 2,  4,  7,  13, 16, 26, 29, 42,
                        3,  8,  12, 17, 25, 30, 41, 43, 9,  11, 18, 24, 31, 40, 44, 53,
                        10, 19, 23, 32, 39, 45, 52, 54, 20, 22, 33, 38, 46, 51, 55, 60,
                        21, 34, 37, 47, 50, 56, 59, 61, 35, 36, 48, 49, 57, 58, 62, 63};
const float SCALE[8] = {1.0f, 1.3870399f,  1.3065630f,  1.1758755f,
                        1.0f, 0.78569496f, 0.54119611f, 0.27589938f};

struct RefTable
{
    int count[16] = {};
    std::vector<int> symbol, length;
    std::vector<uint16_t> code;
    void Build(const uint8_t* counts, const uint8_t* symbols)
    {
        symbol.clear();
        length.clear();
        code.clear();
        uint16_t next = 0;
        for (int bits = 1; bits <= 16; ++bits)
        {
            count[bits - 1] = counts[bits - 1];
            for (int i = 0; i < counts[bits - 1]; ++i)
            {
                symbol.push_back(*symbols++);
                length.push_back(bits);
                code.push_back(next++);
            }
            next = static_cast<uint16_t>(next * 2);
        }
    }
};

// Bit-at-a-time canonical search over a bit source; no match gives the 16 bits read.
template <typename NextBit> int SearchSymbol(const RefTable& table, NextBit nextBit, int* usedBits)
{
    int code = 0;
    size_t i = 0;
    for (int bits = 1; bits <= 16; ++bits)
    {
        code = code * 2 + nextBit();
        while (i < table.symbol.size() && table.length[i] <= bits)
        {
            if (table.code[i] == code)
            {
                *usedBits = bits;
                return table.symbol[i];
            }
            ++i;
        }
    }
    *usedBits = 16;
    return code;
}

void ReferenceIdct1D(float* x, int step)
{
    float x0 = x[0], x1 = x[step], x2 = x[2 * step], x3 = x[3 * step];
    float x4 = x[4 * step], x5 = x[5 * step], x6 = x[6 * step], x7 = x[7 * step];
    float tmp10 = x0 + x4, tmp11 = x0 - x4, tmp13 = x2 + x6;
    float tmp12 = (x2 - x6) * 1.414213562f - tmp13;
    float tmp0 = tmp10 + tmp13, tmp3 = tmp10 - tmp13, tmp1 = tmp11 + tmp12, tmp2 = tmp11 - tmp12;
    float z13 = x5 + x3, z10 = x5 - x3, z11 = x1 + x7, z12 = x1 - x7;
    float tmp7 = z11 + z13;
    float otmp11 = (z11 - z13) * 1.414213562f;
    float z5 = (z10 + z12) * 1.847759065f;
    float otmp10 = z12 * 1.082392200f - z5;
    float otmp12 = z5 - z10 * 2.613125930f;
    float tmp6 = otmp12 - tmp7, tmp5 = otmp11 - tmp6, tmp4 = otmp10 + tmp5;
    x[0] = tmp0 + tmp7;
    x[7 * step] = tmp0 - tmp7;
    x[step] = tmp1 + tmp6;
    x[6 * step] = tmp1 - tmp6;
    x[2 * step] = tmp2 + tmp5;
    x[5 * step] = tmp2 - tmp5;
    x[4 * step] = tmp3 + tmp4;
    x[3 * step] = tmp3 - tmp4;
}

int ReferenceSample(float value)
{
    value = std::min(std::max(value, -4096.0f), 4096.0f);  // beyond this every value saturates
    int v = (static_cast<int>(value) >> 3) + 128;
    return std::min(std::max(v, 0), 255);
}

void ReferenceIdct(float* block)
{
    for (int column = 0; column < 8; ++column)
    {
        ReferenceIdct1D(block + column, 8);
    }
    for (int row = 0; row < 8; ++row)
    {
        ReferenceIdct1D(block + 8 * row, 1);
    }
}

int Clamp255(int v)
{
    return std::min(std::max(v, 0), 255);
}

class ReferenceDecoder
{
public:
    bool Decode(const std::vector<uint8_t>& file, std::vector<uint8_t>& out, int& w, int& h)
    {
        m_data = file.data();
        m_end = file.data() + file.size();
        if (!ParseHeaders())
        {
            return false;
        }
        w = m_width;
        h = m_height;
        out.assign(static_cast<size_t>(w) * h * 4, 0);
        if (!DecodeScan(out))
        {
            return false;
        }
        ConvertColours(out);
        return true;
    }

private:
    struct Component
    {
        int id, h, v, q, dc, ac, fh, fv;
    };

    int U8() { return m_pos < m_end ? *m_pos++ : -1; }
    int U16()
    {
        int hi = U8(), lo = U8();
        return hi < 0 || lo < 0 ? -1 : (hi << 8) | lo;
    }

    bool ParseHeaders()
    {
        m_pos = m_data;
        for (;;)
        {
            if (U8() != 0xFF)
            {
                return false;
            }
            int code = 0xFF;
            while (code == 0xFF)
            {
                code = U8();
            }
            if (code == 0xD8)
            {
                continue;
            }
            int length = U16();
            if (code < 0 || length < 2 || m_end - m_pos < length - 2)
            {
                return false;
            }
            const uint8_t* next = m_pos + length - 2;
            if (code == 0xC0)
            {
                U8();
                m_height = U16();
                m_width = U16();
                m_comps.resize(U8());
                for (Component& c : m_comps)
                {
                    c.id = U8();
                    int s = U8();
                    c.h = s >> 4;
                    c.v = s & 15;
                    c.q = U8();
                }
            }
            else if (code == 0xC4)
            {
                while (m_pos < next)
                {
                    int info = U8();
                    uint8_t counts[16];
                    int total = 0;
                    for (uint8_t& count : counts)
                    {
                        count = static_cast<uint8_t>(U8());
                        total += count;
                    }
                    (info & 0x10 ? m_ac : m_dc)[info & 15].Build(counts, m_pos);
                    m_pos += total;
                }
            }
            else if (code == 0xDB)
            {
                while (m_pos < next)
                {
                    int info = U8();
                    for (int i = 0; i < 64; ++i)
                    {
                        m_quant[info & 15][i] = (info >> 4) ? U16() : U8();
                    }
                }
            }
            else if (code == 0xDD)
            {
                m_restart = U16();
            }
            else if (code == 0xDA)
            {
                int count = U8();
                for (int i = 0; i < count; ++i)
                {
                    int id = U8(), tables = U8();
                    for (size_t c = 0; c < m_comps.size(); ++c)
                    {
                        if (m_comps[c].id == id)
                        {
                            m_comps[c].dc = tables >> 4;
                            m_comps[c].ac = tables & 15;
                            m_order.push_back(static_cast<int>(c));
                            break;
                        }
                    }
                }
                m_pos = next;
                return !m_comps.empty();
            }
            m_pos = next;
        }
    }

    uint8_t DataByte()
    {
        if (m_marker || m_pos >= m_end)
        {
            m_overrun = true;
            return 0;
        }
        if (*m_pos != 0xFF)
        {
            return *m_pos++;
        }
        const uint8_t* q = m_pos + 1;
        while (q < m_end && *q == 0xFF)
        {
            ++q;
        }
        if (q < m_end && *q == 0)
        {
            m_pos = q + 1;
            return 0xFF;
        }
        m_marker = true;
        m_overrun = true;
        return 0;
    }

    int NextBit()
    {
        if (m_bitPos == 0)
        {
            m_current = DataByte();
        }
        int bit = (m_current >> (7 - m_bitPos)) & 1;
        m_bitPos = (m_bitPos + 1) & 7;
        return bit;
    }

    int Receive(int n)
    {
        int v = 0;
        for (int i = 0; i < n; ++i)
        {
            v = v * 2 + NextBit();
        }
        return v;
    }

    static int Extend(int v, int n)
    {
        return n == 0 ? 0 : (v & (1 << (n - 1))) ? v : v - (1 << n) + 1;
    }

    int Symbol(const RefTable& table)
    {
        int used = 0;
        return SearchSymbol(
            table, [this] { return NextBit(); }, &used);
    }

    const uint8_t* NextMarker(const uint8_t* p)
    {
        while (p + 1 < m_end && !(p[0] == 0xFF && p[1] != 0 && p[1] != 0xFF))
        {
            ++p;
        }
        return p + 1 < m_end ? p : m_end;
    }

    void Restart()
    {
        m_bitPos = 0;
        m_overrun = false;
        m_marker = false;
        const uint8_t* p = NextMarker(m_pos);
        if (p != m_end && p[1] >= 0xD0 && p[1] <= 0xD7)
        {
            m_pos = p + 2;
            std::fill(m_pred, m_pred + 3, 0);
        }
        else
        {
            m_pos = p;
            m_marker = true;
        }
    }

    bool AtRestartMarker()
    {
        const uint8_t* p = NextMarker(m_pos);
        return m_restart > 0 && m_marker && p != m_end && p[1] >= 0xD0 && p[1] <= 0xD7;
    }

    void Block(int c, float* sample)
    {
        Component& comp = m_comps[c];
        float coef[64] = {};
        int s = Symbol(m_dc[comp.dc]) & 15;
        int dc = static_cast<int>(static_cast<uint32_t>(m_pred[c]) +
                                  static_cast<uint32_t>(Extend(Receive(s), s)));
        m_pred[c] = dc;
        coef[0] = static_cast<float>(dc);
        for (int k = 1; k <= 63;)
        {
            int rs = Symbol(m_ac[comp.ac]);
            if (rs == 0)
            {
                break;
            }
            k += rs >> 4;
            int value = Extend(Receive(rs & 15), rs & 15);
            if (k > 63)
            {
                break;
            }
            coef[k++] = static_cast<float>(value);
        }
        for (int n = 0; n < 64; ++n)
        {
            float factor =
                static_cast<float>(m_quant[comp.q][ZIGZAG[n]]) * SCALE[n % 8] * SCALE[n / 8];
            sample[n] = coef[ZIGZAG[n]] * factor;
        }
        ReferenceIdct(sample);
    }

    bool DecodeScan(std::vector<uint8_t>& out)
    {
        if (m_comps.size() == 1)
        {
            m_comps[0].h = m_comps[0].v = 1;
        }
        int hmax = 1, vmax = 1;
        for (const Component& c : m_comps)
        {
            hmax = std::max(hmax, c.h);
            vmax = std::max(vmax, c.v);
        }
        for (Component& c : m_comps)
        {
            c.fh = hmax / c.h;
            c.fv = vmax / c.v;
        }
        int mcu = 0;
        for (int y = 0; y < m_height; y += 8 * vmax)
        {
            for (int x = 0; x < m_width; x += 8 * hmax, ++mcu)
            {
                if (m_restart > 0 && mcu > 0 && mcu % m_restart == 0)
                {
                    Restart();
                }
                for (int c : m_order)
                {
                    const Component& comp = m_comps[c];
                    for (int by = 0; by < comp.v; ++by)
                    {
                        for (int bx = 0; bx < comp.h; ++bx)
                        {
                            float sample[64];
                            Block(c, sample);
                            Write(out, c, comp, x, y, bx, by, sample);
                        }
                    }
                }
                if (m_overrun && !AtRestartMarker())
                {
                    return false;
                }
            }
        }
        return true;
    }

    void Write(std::vector<uint8_t>& out, int c, const Component& comp, int x, int y, int bx,
               int by, const float* sample)
    {
        for (int u = 0; u < 8; ++u)
        {
            for (int v = 0; v < 8; ++v)
            {
                uint8_t value = static_cast<uint8_t>(ReferenceSample(sample[8 * u + v]));
                for (int j = 0; j < comp.fv; ++j)
                {
                    for (int i = 0; i < comp.fh; ++i)
                    {
                        int px = x + (8 * bx + v) * comp.fh + i;
                        int py = y + (8 * by + u) * comp.fv + j;
                        if (px < m_width && py < m_height)
                        {
                            out[(static_cast<size_t>(py) * m_width + px) * 4 + c] = value;
                        }
                    }
                }
            }
        }
    }

    void ConvertColours(std::vector<uint8_t>& out)
    {
        for (size_t p = 0; p < out.size(); p += 4)
        {
            if (m_comps.size() == 1)
            {
                out[p + 1] = out[p + 2] = out[p];
            }
            else if (m_comps.size() == 3)
            {
                float y = out[p], cb = static_cast<float>(out[p + 1] - 128),
                      cr = static_cast<float>(out[p + 2] - 128);
                out[p] = static_cast<uint8_t>(Clamp255(static_cast<int>(y + 1.402f * cr)));
                out[p + 1] = static_cast<uint8_t>(
                    Clamp255(static_cast<int>(y - 0.34414f * cb - 0.71414f * cr)));
                out[p + 2] = static_cast<uint8_t>(Clamp255(static_cast<int>(y + 1.772f * cb)));
            }
            out[p + 3] = 255;
        }
    }

    const uint8_t* m_data = nullptr;
    const uint8_t* m_end = nullptr;
    const uint8_t* m_pos = nullptr;
    int m_width = 0, m_height = 0, m_restart = 0;
    std::vector<Component> m_comps;
    std::vector<int> m_order;
    RefTable m_dc[4], m_ac[4];
    int m_quant[4][64] = {};
    int m_pred[3] = {};
    int m_bitPos = 0;
    uint8_t m_current = 0;
    bool m_marker = false, m_overrun = false;
};

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
    {
        return bytes;
    }
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
    {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    fclose(f);
    return bytes;
}

std::vector<std::string> ListFiles(const std::string& directory)
{
    std::vector<std::string> files;
    if (DIR* dir = opendir(directory.c_str()))
    {
        while (dirent* entry = readdir(dir))
        {
            std::string name = entry->d_name;
            if (name != "." && name != ".." && name.find('.') != std::string::npos)
            {
                files.push_back(directory + "/" + name);
            }
        }
        closedir(dir);
    }
    std::sort(files.begin(), files.end());
    return files;
}
}  // namespace

// Every decodable baseline file must come out byte for byte as the plain algorithm gives it.
TEST(JpegReference, ProductionDecoderMatchesPlainAlgorithmOnEveryFile)
{
    std::vector<std::string> files = ListFiles(KYREL_TEST_DATA_DIR "/jpeg");
    const std::string shared = KYREL_SHARED_TESTDATA_DIR "/jpeg/";
    for (const char* group : {"good", "questionable", "bad/fuzz-afl", "bad/malformed"})
    {
        std::vector<std::string> more = ListFiles(shared + group);
        files.insert(files.end(), more.begin(), more.end());
    }
    ASSERT_GE(files.size(), 13u);
    int compared = 0;
    for (const std::string& path : files)
    {
        SCOPED_TRACE(path);
        std::vector<uint8_t> bytes = ReadFile(path);
        if (jpeg_test::FrameMarker(bytes) != jpeg_test::BASELINE_FRAME)
        {
            continue;  // progressive files are held to libjpeg's decode in the decoder tests
        }
        image_test::Decoded decoded = image_test::DecodeBytes(DecodeJPEG, bytes, "test.jpg");
        if (!decoded.image)
        {
            continue;
        }
        const int width = decoded.image->width;
        const int height = decoded.image->height;
        const uint8_t* pixels = decoded.image->data.get();
        std::vector<uint8_t> expected;
        int refWidth = 0, refHeight = 0;
        bool referenceOk = ReferenceDecoder().Decode(bytes, expected, refWidth, refHeight);
        EXPECT_TRUE(referenceOk);
        if (referenceOk)
        {
            ASSERT_EQ(refWidth, width);
            ASSERT_EQ(refHeight, height);
            EXPECT_EQ(0, memcmp(expected.data(), pixels, expected.size()));
            ++compared;
        }
    }
    EXPECT_GE(compared, 13);
}

// The look-up tables give the symbol and code length of the bit-at-a-time search for every
// 16-bit window, on real-shaped tables and on tables whose counts overfill the code space.
TEST(JpegReference, HuffmanLookupMatchesBitSearch)
{
    std::mt19937 random(7);
    for (int trial = 0; trial < 60; ++trial)
    {
        uint8_t counts[16] = {};
        uint8_t symbols[256];
        int total = 0;
        for (int bits = 0; bits < 16; ++bits)
        {
            int limit = trial % 3 == 0 ? 40 : (2 << bits) / 3;  // every third table overfills
            counts[bits] = static_cast<uint8_t>(std::min<int>(random() % (limit + 1), 256 - total));
            total += counts[bits];
        }
        for (int i = 0; i < total; ++i)
        {
            symbols[i] = static_cast<uint8_t>(random());
        }
        CJpegHuffmanTable table;
        ASSERT_TRUE(table.Build(counts, symbols));
        RefTable reference;
        reference.Build(counts, symbols);
        for (uint32_t window = 0; window < 65536; window += 1 + (trial % 5))
        {
            int shift = 15;
            int refLength = 0;
            int expected = SearchSymbol(
                reference, [&] { return static_cast<int>((window >> shift--) & 1); }, &refLength);
            int length = 0;
            int got = table.Find(window, length);
            ASSERT_EQ(expected, got) << "trial " << trial << " window " << window;
            ASSERT_EQ(refLength, length);
            int32_t fast = table.fastValue[window >> (16 - CJpegHuffmanTable::LOOKUP_BITS)];
            int size = expected & 15;
            bool fits = refLength + size <= CJpegHuffmanTable::LOOKUP_BITS;
            ASSERT_EQ(fits, fast != 0) << "trial " << trial << " window " << window;
            if (fits)
            {
                int extra =
                    static_cast<int>((window >> (16 - refLength - size)) & ((1 << size) - 1));
                int run = expected == 0 ? CJpegHuffmanTable::FAST_END_OF_BLOCK : expected >> 4;
                ASSERT_EQ(refLength + size, fast & 0xFF);
                ASSERT_EQ(run, (fast >> 8) & 0xFF);
                ASSERT_EQ(JpegExtend(extra, size), fast >> 16);
            }
        }
    }
    uint8_t tooMany[16] = {};
    tooMany[7] = 200;
    tooMany[8] = 57;
    uint8_t symbols[512] = {};
    CJpegHuffmanTable table;
    EXPECT_FALSE(table.Build(tooMany, symbols));
}

// The SIMD dequantisation, transforms (SSE2, and AVX2 where the processor has it) and sample
// conversion agree with the scalar form, including values far outside the sample range and blocks
// of one DC term.
TEST(JpegReference, TransformMatchesScalarForm)
{
    std::mt19937 random(11);
    for (int trial = 0; trial < 4000; ++trial)
    {
        bool wide = trial % 2 == 1;
        int kind = trial / 2;  // both forms see the same mix of blocks
        if (wide && !CJpegColour::HasAvx2())
        {
            continue;
        }
        alignas(16) int32_t coefficients[64];
        alignas(16) float factors[64];
        float reference[64];
        int range = kind % 4 == 0 ? 1 << 20 : 300;
        for (int n = 0; n < 64; ++n)
        {
            bool zero = kind % 7 == 0 ? n > 0 : random() % 3 == 0;
            coefficients[n] = zero ? 0 : static_cast<int32_t>(random() % (2 * range)) - range;
            factors[n] = static_cast<float>(1 + random() % 255) * SCALE[n % 8] * SCALE[n / 8];
            reference[n] = static_cast<float>(coefficients[n]) * factors[n];
        }
        ReferenceIdct(reference);
        uint8_t out[8 * 12];
        memset(out, 0xAB, sizeof out);
        if (kind % 7 == 0)
        {
            CJpegIdct::TransformDcOnly(static_cast<float>(coefficients[0]) * factors[0], out, 12);
        }
        else if (wide)
        {
            CJpegIdct::TransformAvx2(coefficients, factors, out, 12);
        }
        else
        {
            CJpegIdct::Transform(coefficients, factors, out, 12);
        }
        for (int n = 0; n < 64; ++n)
        {
            ASSERT_EQ(ReferenceSample(reference[n]), out[(n / 8) * 12 + n % 8])
                << trial << " " << n;
        }
        for (int row = 0; row < 8; ++row)
        {
            for (int pad = 8; pad < 12; ++pad)
            {
                ASSERT_EQ(0xAB, out[row * 12 + pad]);  // nothing written beside the block
            }
        }
    }
}

// The SIMD colour conversions agree with the per-pixel formula at every width (tails included),
// with chroma at full or half horizontal resolution, and for two rows sharing a chroma row.
TEST(JpegReference, ColourRowsMatchPerPixelForm)
{
    std::mt19937 random(5);
    std::vector<uint8_t> top(64), bottom(64), blue(64), red(64);
    for (int width = 1; width <= 40; ++width)
    {
        for (int step = 1; step <= 2; ++step)
        {
            for (size_t i = 0; i < blue.size(); ++i)
            {
                top[i] = static_cast<uint8_t>(random());
                bottom[i] = static_cast<uint8_t>(random());
                blue[i] = static_cast<uint8_t>(random() % 4 == 0 ? (random() % 2) * 255 : random());
                red[i] = static_cast<uint8_t>(random());
            }
            auto expect = [&](const std::vector<uint8_t>& luma)
            {
                std::vector<uint8_t> expected(width * 4 + 8, 0xAB);
                for (int x = 0; x < width; ++x)
                {
                    float y = luma[x], cb = static_cast<float>(blue[x / step] - 128),
                          cr = static_cast<float>(red[x / step] - 128);
                    uint8_t* p = &expected[4 * x];
                    p[0] = static_cast<uint8_t>(Clamp255(static_cast<int>(y + 1.402f * cr)));
                    p[1] = static_cast<uint8_t>(
                        Clamp255(static_cast<int>(y - 0.34414f * cb - 0.71414f * cr)));
                    p[2] = static_cast<uint8_t>(Clamp255(static_cast<int>(y + 1.772f * cb)));
                    p[3] = 255;
                }
                return expected;  // guard bytes after the row stay 0xAB
            };
            const std::vector<uint8_t> expectedTop = expect(top), expectedBottom = expect(bottom);
            std::vector<uint8_t> out(width * 4 + 8, 0xAB), outBottom(width * 4 + 8, 0xAB);
            CJpegColour::ConvertRowSse2(top.data(), blue.data(), red.data(), step, out.data(),
                                        width);
            EXPECT_EQ(expectedTop, out) << width << "/" << step;
            if (!CJpegColour::HasAvx2())
            {
                continue;
            }
            std::fill(out.begin(), out.end(), 0xAB);
            CJpegColour::ConvertRowAvx2(top.data(), blue.data(), red.data(), step, out.data(),
                                        width);
            EXPECT_EQ(expectedTop, out) << width << "/" << step;
            if (step == 2)
            {
                std::fill(out.begin(), out.end(), 0xAB);
                CJpegColour::ConvertRowPairAvx2(top.data(), bottom.data(), blue.data(), red.data(),
                                                out.data(), outBottom.data(), width);
                EXPECT_EQ(expectedTop, out) << width << " pair";
                EXPECT_EQ(expectedBottom, outBottom) << width << " pair";
            }
        }
    }
}
