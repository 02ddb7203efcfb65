// Drives the bounds-checked byte reader over the fuzz input with reads, seeks and skips chosen by
// the input itself, on a memory reader and a file reader side by side, and checks that both keep
// their promises: the position never passes the size, reads return exactly the bytes there, and a
// short read zero-fills what it could not read.
#include "io/CByteReader.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
const size_t MAX_OPERATIONS = 256;
// Reads may ask for a little more than is left, to exercise the short-read path.
const size_t READ_OVERSHOOT = 64;

#define FUZZ_CHECK(condition)                                                                      \
    do                                                                                             \
    {                                                                                              \
        if (!(condition))                                                                          \
        {                                                                                          \
            fprintf(stderr, "check failed: %s (line %d)\n", #condition, __LINE__);                 \
            abort();                                                                               \
        }                                                                                          \
    } while (0)

enum Operation
{
    OP_READ_BYTES,
    OP_READ_U8,
    OP_READ_U16,
    OP_READ_S16,
    OP_READ_U32,
    OP_READ_S32,
    OP_READ_FLOAT,
    OP_SEEK,
    OP_SKIP,
    OP_COUNT
};

// What a read of count bytes at position must give: the bytes there, then zeros.
std::vector<uint8_t> Expected(const uint8_t* data, size_t size, size_t position, size_t count)
{
    std::vector<uint8_t> bytes(count, 0);
    size_t available = position < size ? size - position : 0;
    if (available > count)
    {
        available = count;
    }
    if (available > 0)
    {
        memcpy(bytes.data(), data + position, available);
    }
    return bytes;
}

void CheckPosition(const CByteReader& reader, size_t size)
{
    FUZZ_CHECK(reader.Size() == size);
    FUZZ_CHECK(reader.Tell() <= reader.Size());
    FUZZ_CHECK(reader.Remaining() == reader.Size() - reader.Tell());
    FUZZ_CHECK(reader.AtEnd() == (reader.Tell() == reader.Size()));
}

// Reads count bytes through the operation's own call and returns them as raw little-endian bytes.
bool DoRead(CByteReader& reader, int operation, size_t count, std::vector<uint8_t>& out)
{
    out.assign(count, 0xAB);
    bool ok = false;
    switch (operation)
    {
    case OP_READ_BYTES:
        ok = reader.ReadBytes(out.data(), count);
        break;
    case OP_READ_U8:
        ok = reader.ReadU8(out[0]);
        break;
    case OP_READ_U16:
    case OP_READ_S16:
    {
        uint16_t u = 0;
        int16_t s = 0;
        ok = operation == OP_READ_U16 ? reader.ReadU16LE(u) : reader.ReadS16LE(s);
        const uint16_t raw = operation == OP_READ_U16 ? u : static_cast<uint16_t>(s);
        out[0] = static_cast<uint8_t>(raw);
        out[1] = static_cast<uint8_t>(raw >> 8);
        break;
    }
    default:
    {
        uint32_t raw = 0;
        if (operation == OP_READ_U32)
        {
            ok = reader.ReadU32LE(raw);
        }
        else if (operation == OP_READ_S32)
        {
            int32_t s = 0;
            ok = reader.ReadS32LE(s);
            raw = static_cast<uint32_t>(s);
        }
        else
        {
            float f = 0.0f;
            ok = reader.ReadFloatLE(f);
            memcpy(&raw, &f, sizeof raw);
        }
        for (int i = 0; i < 4; ++i)
        {
            out[i] = static_cast<uint8_t>(raw >> (8 * i));
        }
        break;
    }
    }
    return ok;
}

size_t ReadSize(int operation, FuzzedDataProvider& choices, size_t size)
{
    switch (operation)
    {
    case OP_READ_BYTES:
        return choices.ConsumeIntegralInRange<size_t>(0, size + READ_OVERSHOOT);
    case OP_READ_U8:
        return 1;
    case OP_READ_U16:
    case OP_READ_S16:
        return 2;
    default:
        return 4;
    }
}

// An offset or count near the data, or now and then one far past any size.
size_t Distance(FuzzedDataProvider& choices, size_t size)
{
    if (choices.ConsumeIntegralInRange<int>(0, 15) == 0)
    {
        return SIZE_MAX - choices.ConsumeIntegralInRange<size_t>(0, 3);
    }
    return choices.ConsumeIntegralInRange<size_t>(0, size + 8);
}

void Step(CByteReader& reader, const uint8_t* data, size_t size, int operation, size_t amount)
{
    const size_t before = reader.Tell();
    if (operation == OP_SEEK)
    {
        const bool ok = reader.Seek(amount);
        FUZZ_CHECK(ok == (amount <= size));
        FUZZ_CHECK(reader.Tell() == (ok ? amount : before));
    }
    else if (operation == OP_SKIP)
    {
        const bool ok = reader.Skip(amount);
        FUZZ_CHECK(ok == (amount <= size - before));
        FUZZ_CHECK(reader.Tell() == (ok ? before + amount : size));
    }
    else
    {
        std::vector<uint8_t> got;
        const bool ok = DoRead(reader, operation, amount, got);
        FUZZ_CHECK(ok == (amount <= size - before));
        FUZZ_CHECK(got == Expected(data, size, before, amount));
        FUZZ_CHECK(reader.Tell() == (ok ? before + amount : size));
    }
    CheckPosition(reader, size);
}

std::string ScratchPath()
{
    return "/tmp/fuzz_byte_reader." + std::to_string(getpid());
}

bool WriteScratch(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
    {
        return false;
    }
    const bool written = fwrite(data, 1, size, file) == size;
    return fclose(file) == 0 && written;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CByteReader memory(data, size);
    CheckPosition(memory, size);

    // The file reader runs the same sequence when the scratch file can be written.
    const std::string path = ScratchPath();
    CByteReader file;
    const bool useFile = WriteScratch(path, data, size) && file.OpenFile(path.c_str());
    if (useFile)
    {
        CheckPosition(file, size);
    }

    FuzzedDataProvider choices(data, size);
    for (size_t i = 0; i < MAX_OPERATIONS && choices.remaining_bytes() > 0; ++i)
    {
        const int operation = choices.ConsumeIntegralInRange<int>(0, OP_COUNT - 1);
        const size_t amount = operation == OP_SEEK || operation == OP_SKIP
                                  ? Distance(choices, size)
                                  : ReadSize(operation, choices, size);
        Step(memory, data, size, operation, amount);
        FUZZ_CHECK(memory.Current() == (data ? data + memory.Tell() : nullptr));
        if (useFile)
        {
            Step(file, data, size, operation, amount);
            FUZZ_CHECK(file.Tell() == memory.Tell());
            FUZZ_CHECK(file.Current() == nullptr);
        }
    }
    if (useFile)
    {
        remove(path.c_str());
    }
    return 0;
}
