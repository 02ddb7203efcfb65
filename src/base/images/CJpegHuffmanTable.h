/// \file
/// One canonical Huffman table of a JPEG file, with the lookup tables that let the scan decoder find
/// most symbols in one step while giving exactly the symbols of a bit-at-a-time canonical search.
#ifndef KYREL_CJPEGHUFFMANTABLE_H
#define KYREL_CJPEGHUFFMANTABLE_H

#include <cstdint>

/// A DC or AC Huffman table of a JPEG file; CJpegDecoder keeps four of each.
class CJpegHuffmanTable
{
public:
    static const int MAX_CODE_LENGTH = 16;  ///< bits of the longest code
    static const int MAX_SYMBOLS = 256;     ///< one per byte value
    /// Codes up to this length are found with one table look-up.
    static const int LOOKUP_BITS = 11;
    static const int LOOKUP_SIZE = 1 << LOOKUP_BITS;  ///< entries of lookup and fastValue

    /// An empty table: no code matches.
    void Clear();
    /// Builds the canonical codes from the code-length counts and the symbols in file order.
    /// False (table left empty) when the counts add up to more symbols than a table holds.
    bool Build(const uint8_t counts[MAX_CODE_LENGTH], const uint8_t* symbols);

    /// The symbol whose code starts the 16-bit window (most significant bit first) and the length
    /// of that code. When no code of any length matches, all 16 bits are taken and the window itself
    /// stands for the symbol, so corrupt data still decodes to a defined picture.
    int Find(uint32_t window16, int& codeLength) const
    {
        uint16_t entry = lookup[window16 >> (MAX_CODE_LENGTH - LOOKUP_BITS)];
        if (entry != 0)
        {
            codeLength = entry >> 8;
            return entry & 0xFF;
        }
        int found = FindLong(window16, codeLength);
        if (found < 0)
        {
            codeLength = MAX_CODE_LENGTH;
            return static_cast<int>(window16);
        }
        return found;
    }

    /// Canonical form, as defined by the file.
    uint8_t count[MAX_CODE_LENGTH];  ///< number of codes of each length 1 to 16
    uint8_t symbol[MAX_SYMBOLS];     ///< symbol values in file order
    uint8_t length[MAX_SYMBOLS];     ///< code length of each symbol
    uint16_t code[MAX_SYMBOLS];      ///< canonical code of each symbol (kept to 16 bits)
    int symbolCount;                 ///< symbols in the table

    /// Per LOOKUP_BITS-bit prefix: (code length << 8) | symbol, 0 when no code that short matches.
    uint16_t lookup[LOOKUP_SIZE];
    /// Per prefix: a whole symbol with its extra bits when both fit in the prefix, as
    /// (extended value << 16) | (run << 8) | total bits; 0 otherwise. The run is the symbol's high
    /// nibble, except that the end-of-block symbol 0 has run FAST_END_OF_BLOCK, which carries an AC
    /// decode past the last coefficient. A DC decode uses the value and bits only.
    int32_t fastValue[LOOKUP_SIZE];
    static const int FAST_END_OF_BLOCK = 64;  ///< the end-of-block run in fastValue

private:
    int FindLong(uint32_t window16, int& codeLength) const;
    /// The symbol with this code among those of one length, or -1.
    int Match(int codeLengthToTry, uint32_t prefix) const;

    uint16_t m_firstCode[MAX_CODE_LENGTH + 1];  ///< code of the first symbol of each length
    int m_firstIndex[MAX_CODE_LENGTH + 1];      ///< its index in symbol[]
};

/// The value of n extra bits v as a signed coefficient (JPEG's EXTEND).
inline int JpegExtend(int value, int bitCount)
{
    if (bitCount == 0)
    {
        return 0;
    }
    return value < (1 << (bitCount - 1)) ? value - (1 << bitCount) + 1 : value;
}

#endif
