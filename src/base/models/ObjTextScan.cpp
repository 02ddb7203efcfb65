// The slow path of the OBJ number scanner: strtof on a bounded copy of the number's text.
#include "models/ObjTextScan.h"

#include <cstdlib>
#include <string>

namespace
{
// Copies of number text stay on the stack up to this length.
const size_t NUMBER_TEXT_LENGTH = 128;

// Characters strtof may take as part of a number ("1e-5", "0x1p3", "nan(0)", "infinity").
bool IsNumberTextChar(char c)
{
    return obj_scan::IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
           c == '+' || c == '-' || c == '(' || c == ')' || c == '_';
}
}  // namespace

const char* obj_scan::ScanFloatWithLibrary(const char* ptr, const char* end, float& value)
{
    const char* tokenEnd = ptr;
    while (tokenEnd < end && IsNumberTextChar(*tokenEnd))
    {
        ++tokenEnd;
    }
    const size_t length = static_cast<size_t>(tokenEnd - ptr);
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
    const float parsed = std::strtof(text, &parsedEnd);
    if (parsedEnd == text)
    {
        return nullptr;
    }
    value = parsed;
    return ptr + (parsedEnd - text);
}
