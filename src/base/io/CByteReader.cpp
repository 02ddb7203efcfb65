// Bounds-checked little-endian reads over memory or a stdio file.
#include "io/CByteReader.h"

#include <cstring>
#include <sys/stat.h>
#include <utility>

CByteReader::CByteReader(const void* data, size_t size)
    : m_data(static_cast<const uint8_t*>(data)), m_size(data ? size : 0)
{
}

CByteReader::~CByteReader()
{
    Close();
}

CByteReader::CByteReader(CByteReader&& other) noexcept
{
    *this = std::move(other);
}

CByteReader& CByteReader::operator=(CByteReader&& other) noexcept
{
    if (this != &other)
    {
        Close();
        m_data = other.m_data;
        m_file = other.m_file;
        m_size = other.m_size;
        m_position = other.m_position;
        other.m_data = nullptr;
        other.m_file = nullptr;
        other.m_size = 0;
        other.m_position = 0;
    }
    return *this;
}

void CByteReader::Close()
{
    if (m_file)
    {
        fclose(m_file);
    }
    m_file = nullptr;
    m_data = nullptr;
    m_size = 0;
    m_position = 0;
}

bool CByteReader::OpenFile(const char* path)
{
    Close();
    if (!path)
    {
        return false;
    }
    FILE* file = fopen(path, "rb");
    if (!file)
    {
        return false;
    }
    // A directory opens too, but its "size" is no count of bytes to read.
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode))
    {
        fclose(file);
        return false;
    }
    m_file = file;
    m_size = static_cast<size_t>(info.st_size);
    m_position = 0;
    return true;
}

bool CByteReader::ReadBytes(void* out, size_t count)
{
    uint8_t* bytes = static_cast<uint8_t*>(out);
    size_t available = count <= Remaining() ? count : Remaining();
    size_t got = 0;
    if (m_data)
    {
        if (available > 0)
        {
            memcpy(bytes, m_data + m_position, available);
        }
        got = available;
    }
    else if (m_file && available > 0)
    {
        // One fread for the whole request: pixel blocks are read in a single call.
        got = fread(bytes, 1, available, m_file);
    }
    m_position += got;
    if (got < count)
    {
        memset(bytes + got, 0, count - got);
        return false;
    }
    return true;
}

bool CByteReader::ReadU8(uint8_t& value)
{
    return ReadBytes(&value, 1);
}

bool CByteReader::ReadU16LE(uint16_t& value)
{
    uint8_t b[2];
    bool ok = ReadBytes(b, 2);
    value = Le16(b);
    return ok;
}

bool CByteReader::ReadS16LE(int16_t& value)
{
    uint16_t raw;
    bool ok = ReadU16LE(raw);
    value = static_cast<int16_t>(raw);
    return ok;
}

bool CByteReader::ReadU32LE(uint32_t& value)
{
    uint8_t b[4];
    bool ok = ReadBytes(b, 4);
    value = Le32(b);
    return ok;
}

bool CByteReader::ReadS32LE(int32_t& value)
{
    uint32_t raw;
    bool ok = ReadU32LE(raw);
    value = static_cast<int32_t>(raw);
    return ok;
}

bool CByteReader::ReadFloatLE(float& value)
{
    uint32_t raw;
    bool ok = ReadU32LE(raw);
    memcpy(&value, &raw, sizeof value);
    return ok;
}

bool CByteReader::Seek(size_t offset)
{
    if (offset > m_size)
    {
        return false;
    }
    if (m_file && fseek(m_file, static_cast<long>(offset), SEEK_SET) != 0)
    {
        return false;
    }
    m_position = offset;
    return true;
}

bool CByteReader::Skip(size_t count)
{
    if (count > Remaining())
    {
        Seek(m_size);
        return false;
    }
    return Seek(m_position + count);
}

bool CheckedImageSize(long long width, long long height, long long bytesPerPixel, size_t limit,
                      size_t& size)
{
    size = 0;
    if (width <= 0 || height <= 0 || bytesPerPixel <= 0)
    {
        return false;
    }
    unsigned long long product = 0;
    if (__builtin_mul_overflow(static_cast<unsigned long long>(width),
                               static_cast<unsigned long long>(height), &product) ||
        __builtin_mul_overflow(product, static_cast<unsigned long long>(bytesPerPixel), &product) ||
        product > limit)
    {
        return false;
    }
    size = static_cast<size_t>(product);
    return true;
}
