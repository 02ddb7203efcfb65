// The XML document reader's element tree and entry points: the handle with its lookups, the
// release of records, reading a file and the fatal report. A parse runs in xmlParserRead.cpp
// (its tokeniser in xmlParserTokens.cpp, its element parser in xmlParserElements.cpp), editing
// in xmlParserEdit.cpp, writing in xmlParserWrite.cpp.
//
// [SECTION] Messages and global options
// [SECTION] Element records
// [SECTION] Element handle and lookups
// [SECTION] Document entry points
#include "xml/xmlParser.h"

#include "io/FatalExit.h"
#include "io/Report.h"
#include "xml/TextEncoding.h"
#include "xml/XmlInternal.h"

#include <sys/stat.h>
#if defined(__linux__)
#include <sys/mman.h>
#endif
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace XmlInternal;

//-------------------------------------------------------------------------------------------------
// [SECTION] Messages and global options
//-------------------------------------------------------------------------------------------------

namespace
{
const char* const kErrorMessages[] = {
    "No error",
    "Warning: Unmatched end tag",
    "Error: No XML data",
    "Error: First token not start tag",
    "Error: Missing start tag name",
    "Error: Missing end tag name",
    "Error: Unmatched quote",
    "Error: Unmatched end tag",
    "Error: Unmatched clear tag end",
    "Error: Unexpected token found",
    "Error: Invalid tag found",
    "Error: No elements found",
    "Error: File not found",
    "Error: First Tag not found",
    "Error: Unknown character entity",
    "Error: unable to convert between UNICODE and MultiByte chars",
    "Error: unable to open file for writing",
    "Error: cannot write into file",
    "Warning: Base64-string length is not a multiple of 4",
    "Error: Base64-string contains an illegal character",
    "Warning: Base64-string is truncated",
    "Error: Base64 decode output buffer is too small",
};
const char kUnknownErrorMessage[] = "Unknown";

const char kFatalTitle[] = "XML Parsing error";
const char kFatalFormat[] =
    "XML Parsing error inside file '%s'.\n%s\nAt line %i, column %i.\n%s%s%s";
const char kFirstTagPrefix[] = "First Tag should be '";
const char kFirstTagSuffix[] = "'.\n";
const int kFatalExitStatus = 255;
const size_t kFatalMessageSize = 2048;

bool gGuessUtf16Text = true;
}  // namespace

namespace XmlInternal
{
const unsigned char* gCharLengths = kUtf8Lengths.value;
int gGrowthStep = 0;
}  // namespace XmlInternal

namespace
{
// Blocks from this size on are aligned to and advised as huge pages.
const size_t kHugePageSize = size_t(2) << 20;
const size_t kHugeBlockMinimum = size_t(8) << 20;
}  // namespace

void* XmlInternal::AllocatePoolBlock(size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (bytes >= kHugeBlockMinimum)
    {
        void* memory = nullptr;
        if (posix_memalign(&memory, kHugePageSize, bytes) != 0)
        {
            return nullptr;
        }
        madvise(memory, bytes, MADV_HUGEPAGE);  // only advice: a refusal changes nothing else
        return memory;
    }
#endif
    return malloc(bytes);
}

const char* XmlErrorMessage(XmlError error)
{
    const int count = int(sizeof kErrorMessages / sizeof kErrorMessages[0]);
    return error >= 0 && error < count ? kErrorMessages[error] : kUnknownErrorMessage;
}

XmlCharEncoding GetParserCharacterMode()
{
    return gCharLengths == kSingleByteLengths.value ? XML_CHARS_SINGLE_BYTE : XML_CHARS_UTF8;
}

void SetParserOptions(bool guessUtf16Text, XmlCharEncoding characterMode)
{
    gGuessUtf16Text = guessUtf16Text;
    gCharLengths =
        characterMode == XML_CHARS_SINGLE_BYTE ? kSingleByteLengths.value : kUtf8Lengths.value;
}

//-------------------------------------------------------------------------------------------------
// [SECTION] Element records
//-------------------------------------------------------------------------------------------------

namespace
{
void FreeRecordContents(XmlElementData* record)
{
    if (record->ownsHeapStrings)
    {
        FreeOwnedString(record, record->name);
        for (int i = 0; i < record->textCount; ++i)
        {
            FreeOwnedString(record, record->texts[i]);
        }
        for (int i = 0; i < record->clearCount; ++i)
        {
            FreeOwnedString(record, record->clears[i].value);
        }
        for (int i = 0; i < record->attributeCount; ++i)
        {
            FreeOwnedString(record, record->attributes[i].name);
            FreeOwnedString(record, record->attributes[i].value);
        }
    }
    // Most records of a parsed document are leaves with nothing on the heap.
    if (record->children != nullptr || record->texts != nullptr || record->clears != nullptr ||
        record->order != nullptr)
    {
        free(record->children);
        free(record->texts);
        free(record->clears);
        free(record->order);
    }
    if (!record->attributesInPool)
    {
        free(record->attributes);
    }
    XmlStringPool* pool = record->pool;
    if (!record->inPool)
    {
        delete record;
    }
    if (pool != nullptr)
    {
        pool->Release();  // may free the record's own memory
    }
}
}  // namespace

namespace XmlInternal
{
// Records that reach zero are chained through their parent field (which no longer means anything
// for them) instead of recursing, so a deep tree cannot overflow the stack on release.
void ReleaseRecord(XmlElementData* record)
{
    if (--record->referenceCount > 0)
    {
        return;
    }
    record->parent = nullptr;
    XmlElementData* doomed = record;
    while (doomed != nullptr)
    {
        XmlElementData* current = doomed;
        doomed = current->parent;
        for (int i = 0; i < current->childCount; ++i)
        {
            XmlElementData* child = current->children[i];
            child->parent = nullptr;  // a child another handle still holds lives on parentless
            if (--child->referenceCount > 0)
            {
                continue;
            }
            if (child->childCount == 0)
            {
                FreeRecordContents(child);  // leaves go at once: one visit each
            }
            else
            {
                child->parent = doomed;
                doomed = child;
            }
        }
        FreeRecordContents(current);
    }
}
}  // namespace XmlInternal

//-------------------------------------------------------------------------------------------------
// [SECTION] Element handle and lookups
//-------------------------------------------------------------------------------------------------

CXmlElement::CXmlElement(XmlElementData* record) : data(record)
{
    if (data != nullptr)
    {
        ++data->referenceCount;
    }
}

CXmlElement::CXmlElement(const CXmlElement& other) : CXmlElement(other.data) {}

CXmlElement::CXmlElement(CXmlElement&& other) noexcept : data(other.data)
{
    other.data = nullptr;
}

CXmlElement& CXmlElement::operator=(const CXmlElement& other)
{
    if (this == &other)
    {
        return *this;
    }
    if (other.data != nullptr)
    {
        ++other.data->referenceCount;
    }
    if (data != nullptr)
    {
        ReleaseRecord(data);
    }
    data = other.data;
    return *this;
}

CXmlElement& CXmlElement::operator=(CXmlElement&& other) noexcept
{
    if (this != &other)
    {
        if (data != nullptr)
        {
            ReleaseRecord(data);
        }
        data = other.data;
        other.data = nullptr;
    }
    return *this;
}

CXmlElement::~CXmlElement()
{
    if (data != nullptr)
    {
        ReleaseRecord(data);
    }
}

const CXmlElement& CXmlElement::Empty()
{
    static const CXmlElement emptyElement;
    return emptyElement;
}

CXmlElement CXmlElement::Adopt(XmlElementData* record)
{
    CXmlElement element;
    element.data = record;
    return element;
}

const char* CXmlElement::Name() const
{
    return data ? data->name : nullptr;
}

CXmlElement CXmlElement::Parent() const
{
    return data && data->parent ? CXmlElement(data->parent) : Empty();
}

bool CXmlElement::IsDeclaration() const
{
    return data && data->isDeclaration;
}
int CXmlElement::ChildCount() const
{
    return data ? data->childCount : 0;
}
int CXmlElement::TextCount() const
{
    return data ? data->textCount : 0;
}
int CXmlElement::AttributeCount() const
{
    return data ? data->attributeCount : 0;
}
int CXmlElement::ClearCount() const
{
    return data ? data->clearCount : 0;
}

int CXmlElement::ItemCount() const
{
    return data ? data->childCount + data->textCount + data->clearCount + data->attributeCount : 0;
}

CXmlElement CXmlElement::ChildAt(int index) const
{
    if (data == nullptr || index < 0 || index >= data->childCount)
    {
        return Empty();
    }
    return CXmlElement(data->children[index]);
}

const char* CXmlElement::TextAt(int index) const
{
    if (data == nullptr || index < 0 || index >= data->textCount)
    {
        return nullptr;
    }
    return data->texts[index];
}

XmlAttribute CXmlElement::AttributeAt(int index) const
{
    if (data == nullptr || index < 0 || index >= data->attributeCount)
    {
        return XmlAttribute{nullptr, nullptr};
    }
    return data->attributes[index];
}

XmlClearItem CXmlElement::ClearAt(int index) const
{
    if (data == nullptr || index < 0 || index >= data->clearCount)
    {
        return XmlClearItem{nullptr, nullptr, nullptr};
    }
    return data->clears[index];
}

XmlItem CXmlElement::ItemAt(int index) const
{
    XmlItem item{XML_ITEM_NONE, CXmlElement(), XmlAttribute{nullptr, nullptr}, nullptr,
                 XmlClearItem{nullptr, nullptr, nullptr}};
    if (data == nullptr || index < 0)
    {
        return item;
    }
    if (index < data->attributeCount)
    {
        item.kind = XML_ITEM_ATTRIBUTE;
        item.attribute = data->attributes[index];
        return item;
    }
    int position = index - data->attributeCount;
    if (position >= data->childCount + data->textCount + data->clearCount)
    {
        return item;
    }
    int entry = data->order[position];
    int entryIndex = entry >> 2;
    item.kind = XmlItemKind(entry & 3);
    switch (item.kind)
    {
    case XML_ITEM_CHILD:
        item.child = ChildAt(entryIndex);
        break;
    case XML_ITEM_TEXT:
        item.text = TextAt(entryIndex);
        break;
    case XML_ITEM_CLEAR:
        item.clear = ClearAt(entryIndex);
        break;
    default:
        item.kind = XML_ITEM_NONE;
        break;
    }
    return item;
}

CXmlElement CXmlElement::FindChild(const char* name, int* cursor) const
{
    if (data == nullptr || name == nullptr)
    {
        return Empty();
    }
    int start = cursor != nullptr && *cursor > 0 ? *cursor : 0;
    for (int i = start; i < data->childCount; ++i)
    {
        const char* childName = data->children[i]->name;
        if (childName != nullptr && EqualNoCase(childName, name))
        {
            if (cursor != nullptr)
            {
                *cursor = i + 1;
            }
            return CXmlElement(data->children[i]);
        }
    }
    return Empty();
}

CXmlElement CXmlElement::FindNthChild(const char* name, int n) const
{
    if (n < 0)
    {
        return Empty();
    }
    int cursor = 0;
    CXmlElement found;
    for (int i = 0; i <= n; ++i)
    {
        found = FindChild(name, &cursor);
        if (found.IsNull())
        {
            return Empty();
        }
    }
    return found;
}

const char* CXmlElement::FindAttribute(const char* name, int* cursor) const
{
    if (data == nullptr || name == nullptr)
    {
        return nullptr;
    }
    int start = cursor != nullptr && *cursor > 0 ? *cursor : 0;
    for (int i = start; i < data->attributeCount; ++i)
    {
        if (EqualNoCase(data->attributes[i].name, name))
        {
            if (cursor != nullptr)
            {
                *cursor = i + 1;
            }
            return data->attributes[i].value;
        }
    }
    return nullptr;
}

bool CXmlElement::HasAttribute(const char* name) const
{
    if (data == nullptr || name == nullptr)
    {
        return false;
    }
    for (int i = 0; i < data->attributeCount; ++i)
    {
        if (EqualNoCase(data->attributes[i].name, name))
        {
            return true;
        }
    }
    return false;
}

CXmlElement CXmlElement::FindChildWithAttribute(const char* name, const char* attributeName,
                                                const char* attributeValue, int* cursor) const
{
    int position = cursor != nullptr && *cursor > 0 ? *cursor : 0;
    for (;;)
    {
        CXmlElement child = FindChild(name, &position);
        if (child.IsNull())
        {
            return Empty();
        }
        int attributeCursor = 0;
        for (;;)
        {
            int before = attributeCursor;
            const char* value = child.FindAttribute(attributeName, &attributeCursor);
            if (attributeCursor == before)
            {
                break;  // no (further) attribute of that name
            }
            if (attributeValue == nullptr ||
                (value != nullptr && EqualNoCase(value, attributeValue)))
            {
                if (cursor != nullptr)
                {
                    *cursor = position;
                }
                return child;
            }
        }
    }
}

//-------------------------------------------------------------------------------------------------
// [SECTION] Document entry points
//-------------------------------------------------------------------------------------------------

namespace
{
// Reads a regular file whole, NUL-terminated; none when it cannot be opened or read.
char* ReadWholeFile(const char* path, size_t* size, XmlError* error)
{
    *size = 0;
    FILE* file = path != nullptr ? fopen(path, "rb") : nullptr;
    if (file == nullptr)
    {
        *error = XML_ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        (unsigned long long)info.st_size > (unsigned long long)INT_MAX)
    {
        fclose(file);
        *error = XML_ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    if (info.st_size == 0)
    {
        fclose(file);
        *error = XML_ERROR_NO_XML_DATA;
        return nullptr;
    }
    size_t expected = size_t(info.st_size);
    // Four NULs: the end of the text for every scan, however a character is cut off.
    char* buffer = static_cast<char*>(AllocatePoolBlock(expected + 4));
    if (buffer == nullptr)
    {
        fclose(file);
        *error = XML_ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    size_t got = fread(buffer, 1, expected, file);
    fclose(file);
    if (got == 0)
    {
        free(buffer);
        *error = XML_ERROR_NO_XML_DATA;
        return nullptr;
    }
    memset(buffer + got, 0, 4);
    *size = got;
    return buffer;
}
}  // namespace

CXmlElement ParseText(const char* text, const char* firstTag, XmlParseResult* result)
{
    return ParseTextOfLength(text, text != nullptr ? strlen(text) : 0, firstTag, result,
                             XmlParseOptions());
}

CXmlElement ParseFileText(const char* path, const char* firstTag, XmlParseResult* result)
{
    return ParseFileTextWith(path, firstTag, result, XmlParseOptions());
}

CXmlElement XmlInternal::ParseFileTextWith(const char* path, const char* firstTag,
                                           XmlParseResult* result, const XmlParseOptions& options)
{
    XmlParseResult ignored;
    if (result == nullptr)
    {
        result = &ignored;
    }
    *result = XmlParseResult{XML_ERROR_NONE, 0, 0};
    size_t size = 0;
    char* buffer = ReadWholeFile(path, &size, &result->errorCode);
    if (buffer == nullptr)
    {
        return CXmlElement::Empty();
    }
    DocumentText document{};
    if (!DecodeDocumentText(buffer, size, gGuessUtf16Text, &document))
    {
        free(buffer);
        result->errorCode = XML_ERROR_CHARACTER_CONVERSION;
        return CXmlElement::Empty();
    }
    CXmlElement element =
        ParseTextOfLength(document.text, document.length, firstTag, result, options);
    free(document.converted);
    free(buffer);
    return element;
}

CXmlElement LoadDocument(const char* path, const char* firstTag)
{
    FILE* file = path != nullptr ? fopen(path, "rb") : nullptr;
    if (file != nullptr)
    {
        unsigned char head[kEncodingSniffBytes];
        size_t count = fread(head, 1, sizeof head, file);
        fclose(file);
        SetParserOptions(true, GuessTextEncoding(head, int(count), true));
    }
    XmlParseResult result;
    CXmlElement document = ParseFileText(path, firstTag, &result);
    if (result.errorCode == XML_ERROR_NONE)
    {
        return document;
    }
    bool firstTagMissing = result.errorCode == XML_ERROR_FIRST_TAG_NOT_FOUND;
    char message[kFatalMessageSize];
    snprintf(message, sizeof message, kFatalFormat, path != nullptr ? path : "",
             XmlErrorMessage(result.errorCode), result.line, result.column,
             firstTagMissing ? kFirstTagPrefix : "",
             firstTagMissing && firstTag != nullptr ? firstTag : "",
             firstTagMissing ? kFirstTagSuffix : "");
    // In place of a blocking message box: the same text, under the box's title, on standard error.
    Report(ReportStream::Err, "%s\n%s", kFatalTitle, message);
    FatalExit(kFatalExitStatus);
}
