// Canonical Huffman table construction and the look-up tables derived from it.
#include "images/CJpegHuffmanTable.h"

#include <cstring>

void CJpegHuffmanTable::Clear()
{
    memset(this, 0, sizeof *this);
}

bool CJpegHuffmanTable::Build(const uint8_t counts[MAX_CODE_LENGTH], const uint8_t* symbols)
{
    Clear();
    int total = 0;
    for (int i = 0; i < MAX_CODE_LENGTH; ++i)
    {
        total += counts[i];
    }
    if (total > MAX_SYMBOLS)
    {
        return false;
    }
    memcpy(count, counts, MAX_CODE_LENGTH);
    memcpy(symbol, symbols, static_cast<size_t>(total));
    symbolCount = total;

    // Codes of one length are consecutive; a table whose counts overfill a length simply gets
    // codes that no bit string of that length can equal, exactly as the plain search sees them.
    uint16_t nextCode = 0;
    int index = 0;
    for (int bits = 1; bits <= MAX_CODE_LENGTH; ++bits)
    {
        m_firstCode[bits] = nextCode;
        m_firstIndex[bits] = index;
        for (int i = 0; i < counts[bits - 1]; ++i, ++index)
        {
            length[index] = static_cast<uint8_t>(bits);
            code[index] = nextCode++;
        }
        nextCode = static_cast<uint16_t>(nextCode << 1);
    }

    // Shorter codes are searched first, so each prefix takes the shortest code that starts it:
    // fill lengths in increasing order and never overwrite.
    for (int bits = 1; bits <= LOOKUP_BITS; ++bits)
    {
        int spare = LOOKUP_BITS - bits;
        for (int i = 0; i < counts[bits - 1]; ++i)
        {
            uint32_t symbolCode = code[m_firstIndex[bits] + i];
            if (symbolCode >= (1u << bits))
            {
                continue;  // an overfilled length: no bit string of this length equals it
            }
            int found = symbol[m_firstIndex[bits] + i];
            int run = found >> 4;
            int size = found & 15;
            uint32_t first = symbolCode << spare;
            for (uint32_t prefix = first; prefix < first + (1u << spare); ++prefix)
            {
                if (lookup[prefix] != 0)
                {
                    continue;
                }
                lookup[prefix] = static_cast<uint16_t>((bits << 8) | found);
                if (bits + size <= LOOKUP_BITS)
                {
                    int extra = (prefix >> (spare - size)) & ((1 << size) - 1);
                    int value = JpegExtend(extra, size);
                    int step = found == 0 ? FAST_END_OF_BLOCK : run;
                    fastValue[prefix] = static_cast<int32_t>(static_cast<uint32_t>(value) << 16) |
                                        (step << 8) | (bits + size);
                }
            }
        }
    }
    return true;
}

int CJpegHuffmanTable::Match(int codeLengthToTry, uint32_t prefix) const
{
    uint16_t offset = static_cast<uint16_t>(prefix - m_firstCode[codeLengthToTry]);
    if (offset < count[codeLengthToTry - 1])
    {
        return symbol[m_firstIndex[codeLengthToTry] + offset];
    }
    return -1;
}

int CJpegHuffmanTable::FindLong(uint32_t window16, int& codeLength) const
{
    for (int bits = LOOKUP_BITS + 1; bits <= MAX_CODE_LENGTH; ++bits)
    {
        int found = Match(bits, window16 >> (MAX_CODE_LENGTH - bits));
        if (found >= 0)
        {
            codeLength = bits;
            return found;
        }
    }
    return -1;
}
