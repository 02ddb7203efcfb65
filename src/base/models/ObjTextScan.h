// The scanning steps of the OBJ reader over a bounded line of text: blanks, integers, floats and
// the bounded skip of a line's rest. Every helper takes (ptr, end) and never reads at or past end.
// The per-number steps are inline: the reader calls them a few million times per large file.
#ifndef KYREL_OBJTEXTSCAN_H
#define KYREL_OBJTEXTSCAN_H

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Internal to the library: a shared build does not export it.
#pragma GCC visibility push(hidden)

// Most characters one skip of a line's rest consumes (the line feed included); what lies beyond
// is read as if a new line started there.
const size_t OBJ_SKIP_LENGTH = 99;

namespace obj_scan
{
// Powers of ten that a double holds exactly.
inline constexpr double EXACT_POWERS_OF_TEN[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
const int MAX_EXACT_POWER = 22;
// Mantissas up to 2^53 are exact doubles; 19 decimal digits always fit in 64 bits.
const uint64_t MAX_EXACT_MANTISSA = uint64_t(1) << 53;
const int MAX_MANTISSA_DIGITS = 19;
// A double rounded to float drops 29 mantissa bits; this pattern is the exact halfway point.
const uint64_t FLOAT_DROPPED_BITS_MASK = (uint64_t(1) << 29) - 1;
const uint64_t FLOAT_HALFWAY_BITS = uint64_t(1) << 28;
// Digits of an int beyond which the value certainly saturates.
const int MAX_INT_DIGITS = 10;

inline bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The float strtof reads at ptr, through the C library on a bounded copy of the text.
const char* ScanFloatWithLibrary(const char* ptr, const char* end, float& value);

// The digits of a decimal number gathered into an integer mantissa and a power of ten.
struct DecimalDigits
{
    uint64_t mantissa = 0;
    int significantDigits = 0;
    int exponent = 0;
    bool sawDigit = false;
    bool exact = true;  // false once the mantissa would need more than 19 digits

    // Takes a run of digits; each lowers the exponent by exponentStep (-1 after the point).
    const char* Take(const char* ptr, const char* end, int exponentStep)
    {
        for (; ptr < end && IsDigit(*ptr); ++ptr)
        {
            sawDigit = true;
            exponent += exponentStep;
            if (mantissa == 0 && *ptr == '0')
            {
                continue;
            }
            if (++significantDigits > MAX_MANTISSA_DIGITS)
            {
                exact = false;
                return ptr;
            }
            mantissa = mantissa * 10 + static_cast<uint64_t>(*ptr - '0');
        }
        return ptr;
    }
};
}  // namespace obj_scan

// First character at or after ptr that is not a blank (space, tab, carriage return, vertical tab
// or form feed); line feeds end a line and are never skipped here.
inline const char* SkipBlanks(const char* ptr, const char* end)
{
    while (ptr < end && obj_scan::IsBlank(*ptr))
    {
        ++ptr;
    }
    return ptr;
}

// Past the next line feed, or OBJ_SKIP_LENGTH characters further, or end, whichever comes first.
inline const char* SkipLineRest(const char* ptr, const char* end)
{
    const size_t left = static_cast<size_t>(end - ptr);
    const size_t span = left < OBJ_SKIP_LENGTH ? left : OBJ_SKIP_LENGTH;
    const void* lineFeed = std::memchr(ptr, '\n', span);
    return lineFeed ? static_cast<const char*>(lineFeed) + 1 : ptr + span;
}

// Reads an optionally signed decimal integer after blanks, as scanf's %d does (values beyond the
// int range saturate). Returns the position after it, or null when there is no number (value
// is then left untouched).
inline const char* ScanInt(const char* ptr, const char* end, int& value)
{
    ptr = SkipBlanks(ptr, end);
    bool negative = false;
    if (ptr < end && (*ptr == '-' || *ptr == '+'))
    {
        negative = *ptr == '-';
        ++ptr;
    }
    if (ptr >= end || !obj_scan::IsDigit(*ptr))
    {
        return nullptr;
    }
    uint64_t magnitude = 0;
    int digits = 0;
    for (; ptr < end && obj_scan::IsDigit(*ptr); ++ptr)
    {
        // Leading zeros add no digits; past ten digits the value is out of range anyway.
        if (digits < obj_scan::MAX_INT_DIGITS + 1)
        {
            magnitude = magnitude * 10 + static_cast<uint64_t>(*ptr - '0');
            digits += magnitude != 0 ? 1 : 0;
        }
    }
    const uint64_t limit = negative ? uint64_t(INT_MAX) + 1 : uint64_t(INT_MAX);
    if (magnitude > limit)
    {
        magnitude = limit;
    }
    value =
        negative ? static_cast<int>(-static_cast<int64_t>(magnitude)) : static_cast<int>(magnitude);
    return ptr;
}

// Reads a float after blanks with the result strtof gives for the same text. Plain decimals
// (sign, digits, point, digits) are converted exactly without the C library: mantissa and power
// of ten are both exact doubles, so their quotient is the correctly rounded double, and rounding
// that to float is the correctly rounded float unless it lands exactly halfway between two
// floats. Exponents, hexadecimal, infinities, NaNs, very long mantissas and that halfway case go
// through strtof. Returns the position after the number, or null when there is none (value is
// then left untouched).
inline const char* ScanFloat(const char* ptr, const char* end, float& value)
{
    using namespace obj_scan;
    ptr = SkipBlanks(ptr, end);
    const char* start = ptr;
    bool negative = false;
    if (ptr < end && (*ptr == '-' || *ptr == '+'))
    {
        negative = *ptr == '-';
        ++ptr;
    }
    DecimalDigits digits;
    ptr = digits.Take(ptr, end, 0);
    if (digits.exact && ptr < end && *ptr == '.')
    {
        ptr = digits.Take(ptr + 1, end, -1);
    }
    if (!digits.sawDigit || !digits.exact ||
        (ptr < end && (*ptr == 'e' || *ptr == 'E' || *ptr == 'x' || *ptr == 'X')))
    {
        return ScanFloatWithLibrary(start, end, value);
    }
    if (digits.mantissa == 0)
    {
        value = negative ? -0.0f : 0.0f;
        return ptr;
    }
    if (digits.mantissa > MAX_EXACT_MANTISSA || -digits.exponent > MAX_EXACT_POWER)
    {
        return ScanFloatWithLibrary(start, end, value);
    }
    const double quotient =
        static_cast<double>(digits.mantissa) / EXACT_POWERS_OF_TEN[-digits.exponent];
    uint64_t bits = 0;
    std::memcpy(&bits, &quotient, sizeof bits);
    if ((bits & FLOAT_DROPPED_BITS_MASK) == FLOAT_HALFWAY_BITS)
    {
        return ScanFloatWithLibrary(start, end, value);
    }
    const float result = static_cast<float>(quotient);
    value = negative ? -result : result;
    return ptr;
}

#pragma GCC visibility pop

#endif
