/// \file
/// A small bounds-checked reader of little-endian binary data, over a memory buffer or a stdio file.
/// Every image and model reader is built on it, so no count or offset from a file is used unchecked.
#ifndef KYREL_CBYTEREADER_H
#define KYREL_CBYTEREADER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

/// Reads little-endian values from memory or a file, never past the end.
class CByteReader
{
public:
    /// An empty reader: every read fails.
    CByteReader() = default;
    /// Reads from memory the caller keeps alive for the reader's lifetime.
    CByteReader(const void* data, size_t size);
    /// Closes a file it opened.
    ~CByteReader();

    CByteReader(const CByteReader&) = delete;
    CByteReader& operator=(const CByteReader&) = delete;
    /// Takes over the other reader's buffer or file and position; the other is left empty.
    ///@{
    CByteReader(CByteReader&& other) noexcept;
    CByteReader& operator=(CByteReader&& other) noexcept;
    ///@}

    /// Opens a file for reading in binary mode; false when it cannot be opened.
    bool OpenFile(const char* path);
    /// True over a memory buffer or an open file.
    bool IsOpen() const { return m_file != nullptr || m_data != nullptr; }

    /// Each read returns false on a short read and zero-fills what it could not read.
    ///@{
    bool ReadBytes(void* out, size_t count);
    bool ReadU8(uint8_t& value);
    bool ReadU16LE(uint16_t& value);
    bool ReadS16LE(int16_t& value);
    bool ReadU32LE(uint32_t& value);
    bool ReadS32LE(int32_t& value);
    bool ReadFloatLE(float& value);
    ///@}

    /// Moves to an absolute offset; false (position unchanged) when it lies past the end.
    bool Seek(size_t offset);
    /// Moves forward; false (position at the end) when fewer bytes remain.
    bool Skip(size_t count);

    /// Position and size in bytes from the start of the data.
    ///@{
    size_t Tell() const { return m_position; }
    size_t Size() const { return m_size; }
    size_t Remaining() const { return m_size - m_position; }
    bool AtEnd() const { return m_position >= m_size; }
    ///@}

    /// Direct access to the remaining bytes of a memory reader (null for a file reader).
    const uint8_t* Current() const { return m_data ? m_data + m_position : nullptr; }

    /// Little-endian fields of a header already read whole into memory.
    ///@{
    static uint16_t Le16(const uint8_t* bytes)
    {
        return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
    }
    static uint32_t Le32(const uint8_t* bytes)
    {
        return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
               (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    }
    ///@}

private:
    void Close();

    const uint8_t* m_data = nullptr;
    FILE* m_file = nullptr;
    size_t m_size = 0;
    size_t m_position = 0;
};

/// Overflow-checked product of image dimensions and bytes per pixel; false when any factor is
/// non-positive or the product does not fit below limit.
bool CheckedImageSize(long long width, long long height, long long bytesPerPixel, size_t limit,
                      size_t& size);

#endif
