// Material library reading: the text is taken line by line, each line cut at its end so that no
// scan runs into the next, and the statements the engine uses fill the newest material.
#include "models/CMtlReader.h"

#include "models/ObjTextScan.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace
{
// A material the library gives no colour is drawn as its texture alone: white, as a 3DS
// material without a colour chunk.
const unsigned char DEFAULT_COLOR_BYTE = 255;
// Texture-map options whose argument is a word (on/off, a channel letter, a map type); every
// other option takes up to MAX_OPTION_NUMBERS numbers.
const char* const WORD_OPTIONS[] = {"-blendu", "-blendv", "-cc", "-clamp", "-imfchan", "-type"};
const int MAX_OPTION_NUMBERS = 3;

const char* TokenEnd(const char* ptr, const char* end)
{
    while (ptr < end && !obj_scan::IsBlank(*ptr))
    {
        ++ptr;
    }
    return ptr;
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Keywords are compared ignoring ASCII case: some exporters write "map_kd".
bool IsKeyword(const char* ptr, const char* tokenEnd, const char* keyword)
{
    const size_t length = std::strlen(keyword);
    if (static_cast<size_t>(tokenEnd - ptr) != length)
    {
        return false;
    }
    for (size_t i = 0; i < length; ++i)
    {
        if (LowerAscii(ptr[i]) != LowerAscii(keyword[i]))
        {
            return false;
        }
    }
    return true;
}

bool IsWholeNumber(const char* ptr, const char* tokenEnd)
{
    float ignored = 0.0f;
    return ScanFloat(ptr, tokenEnd, ignored) == tokenEnd;
}

// Past one option and its arguments at ptr (which starts with '-').
const char* SkipOption(const char* ptr, const char* end)
{
    const char* optionEnd = TokenEnd(ptr, end);
    const char* next = SkipBlanks(optionEnd, end);
    for (const char* option : WORD_OPTIONS)
    {
        if (IsKeyword(ptr, optionEnd, option))
        {
            return SkipBlanks(TokenEnd(next, end), end);
        }
    }
    for (int i = 0; i < MAX_OPTION_NUMBERS && next < end; ++i)
    {
        const char* argumentEnd = TokenEnd(next, end);
        if (!IsWholeNumber(next, argumentEnd))
        {
            break;
        }
        next = SkipBlanks(argumentEnd, end);
    }
    return next;
}

void CopyRest(const char* ptr, const char* end, char* field)
{
    CopyModelName(field, MODEL_NAME_LENGTH, ptr, static_cast<size_t>(end - ptr));
}
}  // namespace

bool CMtlReader::Load(const char* path, std::vector<ModelMaterial>& materials)
{
    std::ifstream file(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    return LoadFromMemory(text.data(), text.size(), materials);
}

bool CMtlReader::LoadFromMemory(const char* data, size_t size,
                                std::vector<ModelMaterial>& materials)
{
    std::vector<ModelMaterial> read;
    const char* ptr = data;
    const char* end = data + size;
    while (ptr < end)
    {
        const void* lineFeed = std::memchr(ptr, '\n', static_cast<size_t>(end - ptr));
        const char* lineEnd = lineFeed ? static_cast<const char*>(lineFeed) : end;
        ReadLine(ptr, lineEnd, read);
        ptr = lineEnd + 1;
    }
    materials.insert(materials.end(), read.begin(), read.end());
    return !read.empty();
}

void CMtlReader::ReadLine(const char* ptr, const char* end, std::vector<ModelMaterial>& materials)
{
    // Blanks around the statement (a carriage return included) belong to no name.
    while (end > ptr && obj_scan::IsBlank(end[-1]))
    {
        --end;
    }
    ptr = SkipBlanks(ptr, end);
    const char* keywordEnd = TokenEnd(ptr, end);
    const char* rest = SkipBlanks(keywordEnd, end);
    if (IsKeyword(ptr, keywordEnd, "newmtl"))
    {
        ModelMaterial material;
        std::memset(material.color, DEFAULT_COLOR_BYTE, sizeof material.color);
        CopyRest(rest, end, material.name);
        materials.push_back(material);
    }
    else if (materials.empty())
    {
        return;  // statements before the first material have nothing to describe
    }
    else if (IsKeyword(ptr, keywordEnd, "Kd"))
    {
        ReadDiffuse(rest, end, materials.back());
    }
    else if (IsKeyword(ptr, keywordEnd, "map_Kd"))
    {
        ReadColorMap(rest, end, materials.back());
    }
}

// "Kd r g b" with components 0..1; a single component stands for all three. The spectral and
// CIE forms ("Kd spectral ...", "Kd xyz ...") leave the colour as it was.
void CMtlReader::ReadDiffuse(const char* ptr, const char* end, ModelMaterial& material)
{
    float rgb[3] = {0.0f, 0.0f, 0.0f};
    int read = 0;
    for (; read < 3; ++read)
    {
        const char* next = ScanFloat(ptr, end, rgb[read]);
        if (next == nullptr)
        {
            break;
        }
        ptr = next;
    }
    if (read == 0)
    {
        return;
    }
    if (read < 3)
    {
        rgb[1] = rgb[2] = rgb[0];
    }
    for (int i = 0; i < 3; ++i)
    {
        material.color[i] = ColorComponentByte(rgb[i]);
    }
}

// "map_Kd [options] file": the options are skipped and the rest of the line, spaces and all, is
// the file's name as the library wrote it.
void CMtlReader::ReadColorMap(const char* ptr, const char* end, ModelMaterial& material)
{
    while (ptr < end && *ptr == '-')
    {
        ptr = SkipOption(ptr, end);
    }
    CopyRest(ptr, end, material.textureFile);
}
