// Number scanning for the OBJ reader. Floats of the usual exporter form (sign, digits, point,
// digits) are converted exactly without the C library: mantissa and power of ten are both exact
// doubles, so their quotient is the correctly rounded double, and rounding that to float is the
// correctly rounded float unless it lands exactly halfway between two floats. Every other form,
// and that halfway case, goes through strtof on a bounded copy of the text.
#include "models/ObjTextScan.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
// Powers of ten that a double holds exactly.
const double EXACT_POWERS_OF_TEN[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
const int MAX_EXACT_POWER = 22;
// Mantissas up to 2^53 are exact doubles; 19 decimal digits always fit in 64 bits.
const uint64_t MAX_EXACT_MANTISSA = uint64_t(1) << 53;
const int MAX_MANTISSA_DIGITS = 19;
// A double rounded to float drops 29 mantissa bits; this pattern is the exact halfway point.
const uint64_t FLOAT_DROPPED_BITS_MASK = (uint64_t(1) << 29) - 1;
const uint64_t FLOAT_HALFWAY_BITS = uint64_t(1) << 28;
// Copies of number text for strtof stay on the stack up to this length.
const size_t NUMBER_TEXT_LENGTH = 128;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Characters strtof may take as part of a number ("1e-5", "0x1p3", "nan(0)", "infinity").
bool IsNumberTextChar(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '+' ||
           c == '-' || c == '(' || c == ')' || c == '_';
}

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

const char* ScanFloatWithLibrary(const char* ptr, const char* end, float& value)
{
    const char* tokenEnd = ptr;
    while (tokenEnd < end && IsNumberTextChar(*tokenEnd))
    {
        ++tokenEnd;
    }
    size_t length = static_cast<size_t>(tokenEnd - ptr);
    char shortText[NUMBER_TEXT_LENGTH];
    std::string longText;
    const char* text = shortText;
    if (length < NUMBER_TEXT_LENGTH)
    {
        std::memcpy(shortText, ptr, length);
        shortText[length] = '\0';
    }
    else
    {
        longText.assign(ptr, length);
        text = longText.c_str();
    }
    char* parsedEnd = nullptr;
    float parsed = std::strtof(text, &parsedEnd);
    if (parsedEnd == text)
    {
        return nullptr;
    }
    value = parsed;
    return ptr + (parsedEnd - text);
}
}  // namespace

const char* SkipBlanks(const char* ptr, const char* end)
{
    while (ptr < end && IsBlank(*ptr))
    {
        ++ptr;
    }
    return ptr;
}

const char* SkipLineRest(const char* ptr, const char* end)
{
    size_t span = std::min(OBJ_SKIP_LENGTH, static_cast<size_t>(end - ptr));
    const void* lineFeed = std::memchr(ptr, '\n', span);
    return lineFeed ? static_cast<const char*>(lineFeed) + 1 : ptr + span;
}

const char* ScanInt(const char* ptr, const char* end, int& value)
{
    ptr = SkipBlanks(ptr, end);
    bool negative = false;
    if (ptr < end && (*ptr == '-' || *ptr == '+'))
    {
        negative = *ptr == '-';
        ++ptr;
    }
    if (ptr >= end || !IsDigit(*ptr))
    {
        return nullptr;
    }
    long long magnitude = 0;
    const long long limit = static_cast<long long>(INT_MAX) + 1;
    while (ptr < end && IsDigit(*ptr))
    {
        magnitude = std::min(limit, magnitude * 10 + (*ptr - '0'));
        ++ptr;
    }
    long long signedValue = negative ? -magnitude : magnitude;
    value =
        static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, signedValue)));
    return ptr;
}

const char* ScanFloat(const char* ptr, const char* end, float& value)
{
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
    const uint64_t mantissa = digits.mantissa;
    const int exponent = digits.exponent;
    const bool sawDigit = digits.sawDigit;
    const bool exact = digits.exact;
    // Exponents, hexadecimal, infinities and NaNs are left to the library.
    if (!sawDigit || !exact ||
        (ptr < end && (*ptr == 'e' || *ptr == 'E' || *ptr == 'x' || *ptr == 'X')))
    {
        return ScanFloatWithLibrary(start, end, value);
    }
    if (mantissa == 0)
    {
        value = negative ? -0.0f : 0.0f;
        return ptr;
    }
    if (mantissa > MAX_EXACT_MANTISSA || -exponent > MAX_EXACT_POWER)
    {
        return ScanFloatWithLibrary(start, end, value);
    }
    double quotient = static_cast<double>(mantissa) / EXACT_POWERS_OF_TEN[-exponent];
    uint64_t bits = 0;
    std::memcpy(&bits, &quotient, sizeof bits);
    if ((bits & FLOAT_DROPPED_BITS_MASK) == FLOAT_HALFWAY_BITS)
    {
        return ScanFloatWithLibrary(start, end, value);
    }
    float result = static_cast<float>(quotient);
    value = negative ? -result : result;
    return ptr;
}
