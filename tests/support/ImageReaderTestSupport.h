// Helpers shared by the image reader tests: decoding bytes or files with what the reader printed,
// comparing two decodes, CRC-32 of decoded buffers, the checked-in fixture lists, the shared real-file suite and its
// expected values.
#ifndef KYREL_IMAGEREADERTESTSUPPORT_H
#define KYREL_IMAGEREADERTESTSUPPORT_H

#include "images/CDecodedImage.h"
#include "io/CByteReader.h"

#include <gtest/gtest.h>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace image_test
{
// zlib's CRC-32 (reflected 0xEDB88320), as the expected values are written.
inline uint32_t Crc32(const unsigned char* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
    {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
        {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return crc ^ 0xFFFFFFFFu;
}

// A reader's result and what it printed: standard error, then standard output.
struct Decoded
{
    std::unique_ptr<CDecodedImage> image;
    std::string messages;
};

template <typename DecodeCall> Decoded CaptureDecode(DecodeCall decode)
{
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    Decoded result;
    result.image.reset(decode());
    std::string output = testing::internal::GetCapturedStdout();
    result.messages = testing::internal::GetCapturedStderr() + output;
    return result;
}

// Decodes a file held in memory; name is what the reader shows in its messages.
inline Decoded DecodeBytes(ImageDecoder decode, const std::vector<uint8_t>& bytes, const char* name)
{
    CByteReader reader(bytes.data(), bytes.size());
    return CaptureDecode([&] { return decode(reader, name); });
}

inline Decoded DecodePath(ImageDecoder decode, const std::string& path)
{
    return CaptureDecode([&] { return DecodeImageFile(path.c_str(), decode); });
}

// Two decodes of one picture agree: the same messages, and the same pixels when there are any.
inline void ExpectSameDecode(const Decoded& expected, const Decoded& actual)
{
    EXPECT_EQ(expected.messages, actual.messages);
    ASSERT_EQ(expected.image != nullptr, actual.image != nullptr);
    if (expected.image)
    {
        const unsigned char* pixels = expected.image->data.get();
        EXPECT_EQ(std::vector<unsigned char>(pixels, pixels + expected.image->dataSize),
                  std::vector<unsigned char>(actual.image->data.get(),
                                             actual.image->data.get() + actual.image->dataSize));
    }
}

inline std::string Hex(uint32_t value)
{
    char text[9];
    snprintf(text, sizeof text, "%08x", value);
    return text;
}

struct FixtureEntry
{
    std::string name;
    int width = 0;
    int height = 0;
    std::string crc;
};

// tests/data/<format>/expected.txt, written by tools/make_image_fixtures.py.
inline std::vector<FixtureEntry> ReadFixtureList(const std::string& format)
{
    std::vector<FixtureEntry> entries;
    std::ifstream in(std::string(KYREL_TEST_DATA_DIR) + "/" + format + "/expected.txt");
    std::string line;
    while (std::getline(in, line))
    {
        if (line.empty() || line[0] == '#')
        {
            continue;
        }
        FixtureEntry entry;
        std::istringstream fields(line);
        fields >> entry.name >> entry.width >> entry.height >> entry.crc;
        entries.push_back(entry);
    }
    return entries;
}

inline std::string SharedDir()
{
    return KYREL_SHARED_TESTDATA_DIR;
}

// File (relative to the shared directory) to the CRC of its decoded buffer, for files a
// reference decoder could read.
inline std::map<std::string, std::string> ReadSharedExpected()
{
    std::map<std::string, std::string> crcs;
    std::ifstream in(SharedDir() + "/expected.tsv");
    std::string line;
    while (std::getline(in, line))
    {
        std::vector<std::string> fields;
        std::istringstream row(line);
        std::string field;
        while (std::getline(row, field, '\t'))
        {
            fields.push_back(field);
        }
        if (fields.size() >= 6 && fields[5].size() == 8)
        {
            crcs[fields[0]] = fields[5];
        }
    }
    return crcs;
}

// Every file of <format>/<category> (recursively), as paths relative to the shared directory.
inline std::vector<std::string> SharedFiles(const std::string& format, const std::string& category)
{
    std::vector<std::string> files;
    std::filesystem::path root(SharedDir());
    std::filesystem::path directory = root / format / category;
    if (!std::filesystem::is_directory(directory))
    {
        return files;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory))
    {
        if (entry.is_regular_file())
        {
            files.push_back(std::filesystem::relative(entry.path(), root).string());
        }
    }
    return files;
}

inline bool HasSharedData(const std::string& format)
{
    return std::filesystem::is_directory(std::filesystem::path(SharedDir()) / format / "good");
}
}  // namespace image_test

#endif
