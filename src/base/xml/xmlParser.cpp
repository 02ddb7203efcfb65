// The XML document reader: a tokeniser over the loaded text, an element parser that turns the
// tokens into reference-counted element records, and the lookups the model reader makes.
//
// [SECTION] Messages, tables and global options
// [SECTION] String pool
// [SECTION] Element records
// [SECTION] Element handle and lookups
// [SECTION] Tokeniser
// [SECTION] Entity decoding
// [SECTION] Element parser
// [SECTION] Document entry points
// [SECTION] Editing
// [SECTION] Serialisation and writing
#include "xml/xmlParser.h"

#include "io/FatalExit.h"
#include "xml/TextEncoding.h"

#include <sys/stat.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

//-------------------------------------------------------------------------------------------------
// [SECTION] Messages, tables and global options
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

// Item arrays grow by this many entries while a document is parsed (one at a time otherwise).
const int kParseGrowthStep = 50;
// Bytes of a file LoadDocument looks at to guess its encoding.
const int kEncodingSniffBytes = 200;
// GuessTextEncoding calls anything this short single-byte text.
const int kShortestGuessableText = 24;

// Sections whose content is kept verbatim, tried in this order at the start of every token.
struct ClearTag
{
    const char* opening;  // compared without case
    const char* closing;  // searched for exactly
    size_t openingLength;
    size_t closingLength;
};
const ClearTag kClearTags[] = {
    {"<![CDATA[", "]]>", 9, 3}, {"<PRE>", "</PRE>", 5, 6}, {"<Script>", "</Script>", 8, 9},
    {"<!--", "-->", 4, 3},      {"<!DOCTYPE", ">", 9, 1},
};
const int kClearTagCount = int(sizeof kClearTags / sizeof kClearTags[0]);

struct NamedEntity
{
    const char* text;
    size_t length;
    char character;
};
const NamedEntity kNamedEntities[] = {
    {"&amp;", 5, '&'}, {"&lt;", 4, '<'}, {"&gt;", 4, '>'}, {"&quot;", 6, '"'}, {"&apos;", 6, '\''},
};

struct ByteTable
{
    unsigned char value[256];
};

// Length in bytes of the character each lead byte starts; 0 marks the end of the text.
constexpr ByteTable MakeUtf8Lengths()
{
    ByteTable table{};
    for (int c = 0; c < 256; ++c)
    {
        table.value[c] = c == 0 ? 0 : c < 0xC2 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 1;
    }
    return table;
}
constexpr ByteTable MakeSingleByteLengths()
{
    ByteTable table{};
    for (int c = 1; c < 256; ++c)
    {
        table.value[c] = 1;
    }
    return table;
}
constexpr ByteTable kUtf8Lengths = MakeUtf8Lengths();
constexpr ByteTable kSingleByteLengths = MakeSingleByteLengths();

// Character classes of the tokeniser's hot loops. A byte without the flag of a loop is ordinary
// text for that loop and is stepped over without a closer look.
enum CharClass : unsigned char
{
    CC_SPACE = 1,         // tab, line feed, carriage return, space: skipped before a token
    CC_TEXT_STOP = 2,     // may end a plain-text run: NUL, space, < = > /, and lead bytes >= 0x80
    CC_QUOTE_STOP = 4,    // may end a quoted run: NUL, <, both quotes, and lead bytes >= 0x80
    CC_VALUE_SPECIAL = 8  // needs work when a value is copied: & and bytes >= 0x80
};
constexpr ByteTable MakeCharClasses()
{
    ByteTable table{};
    const char spaces[] = "\t\n\r ";
    for (int i = 0; spaces[i]; ++i)
    {
        table.value[(unsigned char)spaces[i]] |= CC_SPACE | CC_TEXT_STOP;
    }
    const char textStops[] = "<=>/";
    for (int i = 0; textStops[i]; ++i)
    {
        table.value[(unsigned char)textStops[i]] |= CC_TEXT_STOP;
    }
    table.value[0] |= CC_TEXT_STOP | CC_QUOTE_STOP;
    table.value[(unsigned char)'<'] |= CC_QUOTE_STOP;
    table.value[(unsigned char)'"'] |= CC_QUOTE_STOP;
    table.value[(unsigned char)'\''] |= CC_QUOTE_STOP;
    table.value[(unsigned char)'&'] |= CC_VALUE_SPECIAL;
    for (int c = 0x80; c < 256; ++c)
    {
        table.value[c] |= CC_TEXT_STOP | CC_QUOTE_STOP | CC_VALUE_SPECIAL;
    }
    return table;
}
constexpr ByteTable kCharClass = MakeCharClasses();

constexpr ByteTable MakeLowerCase()
{
    ByteTable table{};
    for (int c = 0; c < 256; ++c)
    {
        table.value[c] = (unsigned char)(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return table;
}
constexpr ByteTable kLowerCase = MakeLowerCase();

// Process-wide parser options.
bool gGuessUtf16Text = true;
const unsigned char* gCharLengths = kUtf8Lengths.value;
int gGrowthStep = 0;

inline unsigned char Byte(const char* p)
{
    return (unsigned char)*p;
}

inline bool IsSpace(char c)
{
    return (kCharClass.value[(unsigned char)c] & CC_SPACE) != 0;
}

// Steps over one whole character, but never over the text's terminating NUL.
inline const char* StepChar(const char* p, const unsigned char* lengths)
{
    unsigned length = lengths[Byte(p)];
    if (length <= 1)
    {
        return p + 1;
    }
    for (unsigned k = 1; k < length; ++k)
    {
        if (p[k] == '\0')
        {
            return p + k;
        }
    }
    return p + length;
}

bool EqualNoCase(const char* a, const char* b)
{
    while (kLowerCase.value[Byte(a)] == kLowerCase.value[Byte(b)])
    {
        if (*a == '\0')
        {
            return true;
        }
        ++a;
        ++b;
    }
    return false;
}

// True when `text` starts with the `length` bytes of `prefix`, without case. Stops at a NUL in
// `text`, so it never reads past the text's end.
bool StartsWithNoCase(const char* text, const char* prefix, size_t length)
{
    for (size_t i = 0; i < length; ++i)
    {
        if (kLowerCase.value[Byte(text + i)] != kLowerCase.value[Byte(prefix + i)])
        {
            return false;
        }
    }
    return true;
}

// A stored name matches document text that starts with it and goes on with a delimiter.
bool TagNameMatches(const char* name, const char* text)
{
    if (name == nullptr)
    {
        return false;
    }
    size_t length = strlen(name);
    if (!StartsWithNoCase(text, name, length))
    {
        return false;
    }
    char next = text[length];
    return IsSpace(next) || next == '/' || next == '<' || next == '=' || next == '>';
}
}  // namespace

const char* XmlErrorMessage(int code)
{
    const int count = int(sizeof kErrorMessages / sizeof kErrorMessages[0]);
    return code >= 0 && code < count ? kErrorMessages[code] : kUnknownErrorMessage;
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
// [SECTION] String pool
//-------------------------------------------------------------------------------------------------

// All strings one parse makes are cut from a few large blocks instead of one heap block each; the
// pool lives while any element of the parse does. Strings added later by editing are heap copies.
class XmlStringPool
{
public:
    explicit XmlStringPool(size_t firstBlockSize) { AddBlock(firstBlockSize); }
    ~XmlStringPool()
    {
        while (blocks != nullptr)
        {
            Block* next = blocks->next;
            free(blocks);
            blocks = next;
        }
    }
    XmlStringPool(const XmlStringPool&) = delete;
    XmlStringPool& operator=(const XmlStringPool&) = delete;

    char* Allocate(size_t size)
    {
        if (size > size_t(limit - cursor))
        {
            AddBlock(size);
        }
        char* result = cursor;
        cursor += size;
        return result;
    }
    // Room for records and arrays, aligned for any of their fields.
    void* AllocateAligned(size_t size)
    {
        const size_t alignment = alignof(std::max_align_t);
        size_t padding = size_t(-reinterpret_cast<uintptr_t>(cursor)) & (alignment - 1);
        if (padding + size > size_t(limit - cursor))
        {
            AddBlock(size + alignment);
            padding = size_t(-reinterpret_cast<uintptr_t>(cursor)) & (alignment - 1);
        }
        char* result = cursor + padding;
        cursor = result + size;
        return result;
    }
    // Copies `length` bytes and a terminating NUL.
    char* Copy(const char* text, size_t length)
    {
        char* result = Allocate(length + 1);
        memcpy(result, text, length);
        result[length] = '\0';
        return result;
    }
    bool Contains(const char* p) const
    {
        for (const Block* block = blocks; block != nullptr; block = block->next)
        {
            if (p >= block->Begin() && p < block->Begin() + block->size)
            {
                return true;
            }
        }
        return false;
    }
    void AddReference() { ++referenceCount; }
    void Release()
    {
        if (--referenceCount == 0)
        {
            delete this;
        }
    }

private:
    struct alignas(std::max_align_t) Block
    {
        Block* next;
        size_t size;
        char* Begin() { return reinterpret_cast<char*>(this + 1); }
        const char* Begin() const { return reinterpret_cast<const char*>(this + 1); }
    };
    static const size_t kMinBlockSize = 64 * 1024;

    // Blocks after the first grow with the pool, so a large document needs only a few of them.
    void AddBlock(size_t needed)
    {
        size_t size = needed;
        if (blocks != nullptr)
        {
            size_t grown = blocks->size > kMinBlockSize ? blocks->size : kMinBlockSize;
            size = needed > grown ? needed : grown;
        }
        Block* block = static_cast<Block*>(malloc(sizeof(Block) + size));
        if (block == nullptr)
        {
            throw std::bad_alloc();
        }
        block->next = blocks;
        block->size = size;
        blocks = block;
        cursor = block->Begin();
        limit = cursor + size;
    }

    Block* blocks = nullptr;
    char* cursor = nullptr;
    char* limit = nullptr;
    int referenceCount = 1;
};

//-------------------------------------------------------------------------------------------------
// [SECTION] Element records
//-------------------------------------------------------------------------------------------------

namespace
{
// Records of a parse live in its pool, which frees them all at once when the last one goes.
XmlElementData* NewRecord(char* name, XmlStringPool* pool)
{
    XmlElementData* record = pool != nullptr ? new (pool->AllocateAligned(sizeof(XmlElementData)))
                                                   XmlElementData()
                                             : new XmlElementData();
    record->inPool = pool != nullptr;
    record->name = name;
    record->referenceCount = 1;
    record->pool = pool;
    if (pool != nullptr)
    {
        pool->AddReference();
    }
    return record;
}

// Makes room for one more entry. While parsing, arrays grow by the growth step, or by half their
// size once that is more, so long lists of children do not cost quadratic copying.
template <typename T> void ReserveOneMore(T*& array, int& capacity, int count)
{
    if (count < capacity)
    {
        return;
    }
    int step = 1;
    if (gGrowthStep > 0)
    {
        step = capacity / 2 > gGrowthStep ? capacity / 2 : gGrowthStep;
    }
    if (capacity > INT_MAX - step)
    {
        throw std::bad_alloc();
    }
    T* grown = static_cast<T*>(realloc(array, sizeof(T) * size_t(capacity + step)));
    if (grown == nullptr)
    {
        throw std::bad_alloc();
    }
    array = grown;
    capacity += step;
}

template <typename T> void TrimArray(T*& array, int& capacity, int count)
{
    if (capacity == count)
    {
        return;
    }
    if (count == 0)
    {
        free(array);
        array = nullptr;
    }
    else
    {
        T* trimmed = static_cast<T*>(realloc(array, sizeof(T) * size_t(count)));
        if (trimmed != nullptr)
        {
            array = trimmed;
        }
        else
        {
            return;  // keeping the larger block is harmless
        }
    }
    capacity = count;
}

void TrimRecord(XmlElementData* record)
{
    int orderCount = record->childCount + record->textCount + record->clearCount;
    TrimArray(record->children, record->childCapacity, record->childCount);
    TrimArray(record->texts, record->textCapacity, record->textCount);
    TrimArray(record->clears, record->clearCapacity, record->clearCount);
    TrimArray(record->attributes, record->attributeCapacity, record->attributeCount);
    TrimArray(record->order, record->orderCapacity, orderCount);
}

void AppendOrder(XmlElementData* record, int index, XmlItemKind kind)
{
    int orderCount = record->childCount + record->textCount + record->clearCount;
    ReserveOneMore(record->order, record->orderCapacity, orderCount);
    record->order[orderCount] = index * 4 + int(kind);
}

void AppendChildRecord(XmlElementData* parent, XmlElementData* child)
{
    ReserveOneMore(parent->children, parent->childCapacity, parent->childCount);
    AppendOrder(parent, parent->childCount, XML_ITEM_CHILD);
    parent->children[parent->childCount++] = child;
    child->parent = parent;
}

void AppendText(XmlElementData* record, char* text)
{
    ReserveOneMore(record->texts, record->textCapacity, record->textCount);
    AppendOrder(record, record->textCount, XML_ITEM_TEXT);
    record->texts[record->textCount++] = text;
}

void AppendClear(XmlElementData* record, const XmlClearItem& clear)
{
    ReserveOneMore(record->clears, record->clearCapacity, record->clearCount);
    AppendOrder(record, record->clearCount, XML_ITEM_CLEAR);
    record->clears[record->clearCount++] = clear;
}

void FreeOwnedString(const XmlElementData* record, char* text)
{
    if (text != nullptr && (record->pool == nullptr || !record->pool->Contains(text)))
    {
        free(text);
    }
}

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

// Drops one reference. Records that reach zero are chained through their parent field (which
// no longer means anything for them) instead of recursing, so a deep tree cannot overflow the
// stack on release.
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
}  // namespace

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
// [SECTION] Tokeniser
//-------------------------------------------------------------------------------------------------

namespace
{
enum XmlTokenType
{
    TOKEN_END,
    TOKEN_CLEAR,
    TOKEN_QUOTED_TEXT,
    TOKEN_SHORT_CLOSE,  // "/>"
    TOKEN_END_TAG_START,
    TOKEN_DECLARATION_START,
    TOKEN_TAG_START,
    TOKEN_EQUALS,
    TOKEN_CLOSE_TAG,
    TOKEN_TEXT
};

struct XmlToken
{
    XmlTokenType type;
    const char* start;
    size_t length;
    int clearIndex;  // for TOKEN_CLEAR: the row of the clear-tag table
};
}  // namespace

// The state of one parse run. Positions are kept as pointers into the text.
struct XmlParseState
{
    const char* text;  // document text start
    const char* current;
    const char* missingEndTag;
    int errorCode;
    const char* errorAt;
    const char* pendingEndTag;
    size_t pendingEndTagLength;
    bool firstCall;
    const unsigned char* charLengths;
    XmlStringPool* pool;
    // Attributes of the tag being read; the element gets them in one exact-size array.
    std::vector<XmlAttribute> pendingAttributes;
};

namespace
{
int FindClearTag(const char* p)
{
    // Every marker starts with '<' followed by '!', 'P' or 'S': a quick test spares the common tag.
    char second = kLowerCase.value[Byte(p + 1)];
    if (second != '!' && second != 'p' && second != 's')
    {
        return -1;
    }
    for (int i = 0; i < kClearTagCount; ++i)
    {
        if (StartsWithNoCase(p, kClearTags[i].opening, kClearTags[i].openingLength))
        {
            return i;
        }
    }
    return -1;
}

// Plain text runs to whitespace, <, =, >, "/>" or the end of the text.
const char* ScanPlainText(const char* p, const unsigned char* lengths)
{
    for (;;)
    {
        unsigned char c = Byte(p);
        if (!(kCharClass.value[c] & CC_TEXT_STOP))
        {
            ++p;
        }
        else if (c >= 0x80)
        {
            p = StepChar(p, lengths);
        }
        else if (c == '/' && p[1] != '>')
        {
            ++p;
        }
        else
        {
            return p;
        }
    }
}

// Returns the closing quote, or none when a '<' or the end of the text comes first.
const char* ScanQuoted(const char* p, char quote, const unsigned char* lengths)
{
    for (;;)
    {
        unsigned char c = Byte(p);
        if (!(kCharClass.value[c] & CC_QUOTE_STOP))
        {
            ++p;
        }
        else if (c >= 0x80)
        {
            p = StepChar(p, lengths);
        }
        else if (c == (unsigned char)quote)
        {
            return p;
        }
        else if (c == '<' || c == '\0')
        {
            return nullptr;
        }
        else
        {
            ++p;  // the other quote character
        }
    }
}

XmlToken NextToken(XmlParseState& state)
{
    const char* p = state.current;
    while (IsSpace(*p))
    {
        ++p;
    }
    XmlToken token{TOKEN_TEXT, p, 0, -1};
    char c = *p;
    switch (c)
    {
    case '\0':
        token.type = TOKEN_END;
        state.current = p;
        return token;
    case '<':
    {
        int clear = FindClearTag(p);
        if (clear >= 0)
        {
            token.type = TOKEN_CLEAR;
            token.clearIndex = clear;
            token.length = kClearTags[clear].openingLength;
        }
        else if (p[1] == '/')
        {
            token.type = TOKEN_END_TAG_START;
            token.length = 2;
        }
        else if (p[1] == '?')
        {
            token.type = TOKEN_DECLARATION_START;
            token.length = 2;
        }
        else
        {
            token.type = TOKEN_TAG_START;
            token.length = 1;
        }
        state.current = p + token.length;
        return token;
    }
    case '"':
    case '\'':
    {
        const char* closing = ScanQuoted(p + 1, c, state.charLengths);
        if (closing != nullptr)
        {
            token.type = TOKEN_QUOTED_TEXT;
            token.length = size_t(closing + 1 - p);
            state.current = closing + 1;
            return token;
        }
        break;  // no match: the quote starts plain text
    }
    case '/':
        if (p[1] == '>')
        {
            token.type = TOKEN_SHORT_CLOSE;
            token.length = 2;
            state.current = p + 2;
            return token;
        }
        break;
    case '=':
        token.type = TOKEN_EQUALS;
        token.length = 1;
        state.current = p + 1;
        return token;
    case '>':
        token.type = TOKEN_CLOSE_TAG;
        token.length = 1;
        state.current = p + 1;
        return token;
    default:
        break;
    }
    // The first character is never a stop character here, so plain text is never empty.
    const char* end = ScanPlainText(StepChar(p, state.charLengths), state.charLengths);
    token.length = size_t(end - p);
    state.current = IsSpace(*end) ? end + 1 : end;
    return token;
}

//-------------------------------------------------------------------------------------------------
// [SECTION] Entity decoding
//-------------------------------------------------------------------------------------------------

// Length of the named entity at `p` (within `remaining` bytes), or 0 when there is none.
int MatchNamedEntity(const char* p, size_t remaining, char* character)
{
    for (const NamedEntity& entity : kNamedEntities)
    {
        if (entity.length <= remaining && StartsWithNoCase(p, entity.text, entity.length))
        {
            *character = entity.character;
            return int(entity.length);
        }
    }
    return 0;
}

unsigned HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
    {
        return unsigned(c - '0');
    }
    char lower = char(kLowerCase.value[(unsigned char)c]);
    return lower >= 'a' && lower <= 'f' ? unsigned(lower - 'a' + 10) : 16;
}

// Decodes "&#...;" between `p` and its semicolon to one byte: the value modulo 256. Digits that
// do not belong to the base are passed over.
char NumericReferenceByte(const char* p, const char* semicolon)
{
    const char* digit = p + 2;
    unsigned base = 10;
    if (digit < semicolon && (*digit == 'x' || *digit == 'X'))
    {
        base = 16;
        ++digit;
    }
    unsigned value = 0;
    for (; digit < semicolon; ++digit)
    {
        unsigned digitValue = HexDigitValue(*digit);
        if (digitValue < base)
        {
            value = (value * base + digitValue) & 0xFFu;
        }
    }
    return char(value);
}

// First pass: every reference must be complete and known. Returns false for error 14.
bool ValidateEntities(const char* text, size_t length, const unsigned char* lengths)
{
    const char* end = text + length;
    for (const char* p = text; p < end;)
    {
        if (*p != '&')
        {
            p = StepChar(p, lengths);
            continue;
        }
        size_t remaining = size_t(end - p);
        char character = 0;
        if (remaining > 1 && p[1] == '#')
        {
            const char* semicolon = static_cast<const char*>(memchr(p, ';', remaining));
            if (semicolon == nullptr)
            {
                return false;
            }
            p = semicolon + 1;
        }
        else
        {
            int entityLength = MatchNamedEntity(p, remaining, &character);
            if (entityLength == 0)
            {
                return false;
            }
            p += entityLength;
        }
    }
    return true;
}

// Copies `length` bytes of document text into the pool with references replaced. Returns none
// (error 14) when a reference is unknown or unfinished.
char* UnescapeText(XmlParseState& state, const char* text, size_t length)
{
    // Most values hold no reference and only ASCII: one copy.
    bool plain = true;
    for (size_t i = 0; i < length; ++i)
    {
        if (kCharClass.value[Byte(text + i)] & CC_VALUE_SPECIAL)
        {
            plain = false;
            break;
        }
    }
    if (plain)
    {
        return state.pool->Copy(text, length);
    }
    if (!ValidateEntities(text, length, state.charLengths))
    {
        return nullptr;
    }
    char* result = state.pool->Allocate(length + 1);
    char* out = result;
    const char* end = text + length;
    for (const char* p = text; p < end;)
    {
        if (*p == '&')
        {
            size_t remaining = size_t(end - p);
            if (remaining > 1 && p[1] == '#')
            {
                const char* semicolon = static_cast<const char*>(memchr(p, ';', remaining));
                *out++ = NumericReferenceByte(p, semicolon);
                p = semicolon + 1;
            }
            else
            {
                p += MatchNamedEntity(p, remaining, out);
                ++out;
            }
            continue;
        }
        const char* next = StepChar(p, state.charLengths);
        if (next > end)
        {
            next = end;  // a character cut off by the end of the run is copied as far as it goes
        }
        while (p < next)
        {
            *out++ = *p++;
        }
    }
    *out = '\0';
    return result;
}

//-------------------------------------------------------------------------------------------------
// [SECTION] Element parser
//-------------------------------------------------------------------------------------------------

enum AttributeState
{
    EXPECT_NAME,
    NAME_READ,
    VALUE_EXPECTED
};

bool Fail(XmlParseState& state, int code)
{
    state.errorCode = code;
    state.errorAt = state.current;
    return false;
}

// Appends the text that has waited since `start`, trailing whitespace cut.
bool FlushText(XmlParseState& state, XmlElementData* element, const char* start, const char* end,
               bool decode)
{
    if (start == nullptr)
    {
        return true;
    }
    while (end > start && IsSpace(end[-1]))
    {
        --end;
    }
    if (end == start)
    {
        return true;
    }
    size_t length = size_t(end - start);
    char* text = decode ? UnescapeText(state, start, length) : state.pool->Copy(start, length);
    if (text == nullptr)
    {
        return Fail(state, XML_ERROR_UNKNOWN_ENTITY);
    }
    AppendText(element, text);
    return true;
}

bool ReadClearSection(XmlParseState& state, XmlElementData* element, const XmlToken& token)
{
    const ClearTag& tag = kClearTags[token.clearIndex];
    const char* closing = tag.closingLength == 1 ? strchr(state.current, tag.closing[0])
                                                 : strstr(state.current, tag.closing);
    if (closing == nullptr)
    {
        return Fail(state, XML_ERROR_UNMATCHED_CLEAR_TAG_END);
    }
    XmlClearItem clear{state.pool->Copy(state.current, size_t(closing - state.current)),
                       tag.opening, tag.closing};
    AppendClear(element, clear);
    state.current = closing + tag.closingLength;
    return true;
}

// Adds an attribute from tag text; `value` is none for one written without '='.
bool AddParsedAttribute(XmlParseState& state, XmlElementData* element, const XmlToken& name,
                        const XmlToken* value)
{
    size_t nameLength = name.length;
    char* valueText = nullptr;
    if (value != nullptr)
    {
        const char* start = value->start;
        size_t length = value->length;
        if (element->isDeclaration && length > 0 && start[length - 1] == '?')
        {
            --length;
        }
        if (value->type == TOKEN_QUOTED_TEXT)
        {
            ++start;
            length = length >= 2 ? length - 2 : 0;
        }
        valueText = UnescapeText(state, start, length);
        if (valueText == nullptr)
        {
            return Fail(state, XML_ERROR_UNKNOWN_ENTITY);
        }
    }
    else
    {
        // A declaration's last word before "?>" carries the question mark.
        if (element->isDeclaration && nameLength > 0 && name.start[nameLength - 1] == '?')
        {
            --nameLength;
        }
        if (nameLength == 0)
        {
            return true;
        }
    }
    state.pendingAttributes.push_back(
        XmlAttribute{state.pool->Copy(name.start, nameLength), valueText});
    return true;
}

void CommitAttributes(XmlParseState& state, XmlElementData* element)
{
    size_t count = state.pendingAttributes.size();
    if (count == 0)
    {
        return;
    }
    void* array = state.pool->AllocateAligned(sizeof(XmlAttribute) * count);
    memcpy(array, state.pendingAttributes.data(), sizeof(XmlAttribute) * count);
    element->attributes = static_cast<XmlAttribute*>(array);
    element->attributeCount = int(count);
    element->attributeCapacity = int(count);
    element->attributesInPool = true;
    state.pendingAttributes.clear();
}

// Trims every open element from `element` up to the root, once the parse stops early.
void TrimOpenElements(XmlElementData* element)
{
    for (; element != nullptr; element = element->parent)
    {
        TrimRecord(element);
    }
}

enum CloseOutcome
{
    CLOSE_CONTINUE,  // parsing goes on in the returned element's content
    CLOSE_DONE,      // the root is complete
    CLOSE_FAILED
};

// The element is complete. Unmatched end tags close the elements above it until one matches.
CloseOutcome CloseElement(XmlParseState& state, XmlElementData* root, XmlElementData*& element)
{
    for (;;)
    {
        TrimRecord(element);
        if (element == root)
        {
            return CLOSE_DONE;
        }
        XmlElementData* parent = element->parent;
        if (state.pendingEndTag == nullptr)
        {
            element = parent;
            return CLOSE_CONTINUE;
        }
        if (parent->name == nullptr)
        {
            element = parent;
            Fail(state, XML_ERROR_UNMATCHED_END_TAG);
            return CLOSE_FAILED;
        }
        if (TagNameMatches(parent->name, state.pendingEndTag))
        {
            state.pendingEndTag = nullptr;
            state.pendingEndTagLength = 0;
        }
        element = parent;
    }
}

// Reads an end tag; returns false (error 5) when it is not "</name>".
bool ReadEndTag(XmlParseState& state, XmlElementData* element)
{
    XmlToken name = NextToken(state);
    if (name.type != TOKEN_TEXT)
    {
        return Fail(state, XML_ERROR_MISSING_END_TAG_NAME);
    }
    if (NextToken(state).type != TOKEN_CLOSE_TAG)
    {
        return Fail(state, XML_ERROR_MISSING_END_TAG_NAME);
    }
    if (!TagNameMatches(element->name, name.start))
    {
        state.errorCode = XML_WARNING_UNMATCHED_END_TAG;
        state.missingEndTag = state.current;
        state.pendingEndTag = name.start;
        state.pendingEndTagLength = name.length;
    }
    return true;
}

// Parses the whole document into `root`. The descent is a loop over the parent chain rather than
// recursion, so nesting depth is bounded by memory, not by the stack.
bool ParseElements(XmlParseState& state, XmlElementData* root)
{
    XmlElementData* element = root;
    bool inTag = false;
    AttributeState attributeState = EXPECT_NAME;
    XmlToken pendingName{TOKEN_TEXT, nullptr, 0, -1};
    const char* pendingText = nullptr;
    for (;;)
    {
        XmlToken token = NextToken(state);
        bool closed = false;
        if (inTag)
        {
            bool ends = token.type == TOKEN_CLOSE_TAG || token.type == TOKEN_SHORT_CLOSE;
            if (attributeState == EXPECT_NAME && token.type == TOKEN_TEXT)
            {
                pendingName = token;
                attributeState = NAME_READ;
            }
            else if (attributeState == NAME_READ && token.type == TOKEN_TEXT)
            {
                if (!AddParsedAttribute(state, element, pendingName, nullptr))
                {
                    break;
                }
                pendingName = token;
            }
            else if (attributeState == NAME_READ && token.type == TOKEN_EQUALS)
            {
                attributeState = VALUE_EXPECTED;
            }
            else if (attributeState == VALUE_EXPECTED &&
                     (token.type == TOKEN_TEXT || token.type == TOKEN_QUOTED_TEXT))
            {
                if (!AddParsedAttribute(state, element, pendingName, &token))
                {
                    break;
                }
                attributeState = EXPECT_NAME;
            }
            else if (attributeState != VALUE_EXPECTED && ends)
            {
                if (attributeState == NAME_READ &&
                    !AddParsedAttribute(state, element, pendingName, nullptr))
                {
                    break;
                }
                CommitAttributes(state, element);
                attributeState = EXPECT_NAME;
                closed = token.type == TOKEN_SHORT_CLOSE;
                inTag = false;
                pendingText = nullptr;
            }
            else
            {
                Fail(state, XML_ERROR_UNEXPECTED_TOKEN);
                break;
            }
        }
        else
        {
            switch (token.type)
            {
            case TOKEN_TAG_START:
            case TOKEN_DECLARATION_START:
            {
                if (!FlushText(state, element, pendingText, token.start, true))
                {
                    TrimOpenElements(element);
                    return false;
                }
                pendingText = nullptr;
                XmlToken name = NextToken(state);
                if (name.type != TOKEN_TEXT)
                {
                    Fail(state, XML_ERROR_MISSING_START_TAG_NAME);
                    TrimOpenElements(element);
                    return false;
                }
                XmlElementData* child =
                    NewRecord(state.pool->Copy(name.start, name.length), state.pool);
                child->isDeclaration = token.type == TOKEN_DECLARATION_START;
                AppendChildRecord(element, child);
                element = child;
                inTag = true;
                attributeState = EXPECT_NAME;
                break;
            }
            case TOKEN_END_TAG_START:
                if (!FlushText(state, element, pendingText, token.start, true) ||
                    !ReadEndTag(state, element))
                {
                    TrimOpenElements(element);
                    return false;
                }
                pendingText = nullptr;
                closed = true;
                break;
            case TOKEN_CLEAR:
                if (!FlushText(state, element, pendingText, token.start, false) ||
                    !ReadClearSection(state, element, token))
                {
                    TrimOpenElements(element);
                    return false;
                }
                pendingText = nullptr;
                break;
            case TOKEN_END:
                if (!element->isDeclaration && element->parent != nullptr)
                {
                    state.errorCode = XML_WARNING_UNMATCHED_END_TAG;
                    state.missingEndTag = state.current;
                    TrimOpenElements(element);
                    return false;
                }
                closed = true;
                break;
            default:
                if (pendingText == nullptr)
                {
                    pendingText = token.start;
                }
                break;
            }
        }
        if (closed)
        {
            CloseOutcome outcome = CloseElement(state, root, element);
            if (outcome == CLOSE_DONE)
            {
                return true;
            }
            if (outcome == CLOSE_FAILED)
            {
                TrimOpenElements(element);
                return false;
            }
        }
    }
    // Failures inside a tag break out of the loop.
    CommitAttributes(state, element);
    TrimOpenElements(element);
    return false;
}

// Lines and columns count from 1; a multi-byte character is one column.
void ComputeLineAndColumn(const char* text, const char* at, const unsigned char* lengths,
                          XmlParseResult* result)
{
    int line = 1;
    int column = 1;
    for (const char* p = text; p < at && *p != '\0'; p = StepChar(p, lengths))
    {
        if (*p == '\n')
        {
            line = line < INT_MAX ? line + 1 : line;
            column = 1;
        }
        else if (column < INT_MAX)
        {
            ++column;
        }
    }
    result->line = line;
    result->column = column;
}

// The first tag may sit below the top element or inside a declaration.
CXmlElement FindFirstTag(const CXmlElement& top, const char* firstTag)
{
    if (top.Name() != nullptr && EqualNoCase(top.Name(), firstTag))
    {
        return top;
    }
    CXmlElement parent = top;
    for (int i = 0; i < parent.ChildCount();)
    {
        CXmlElement child = parent.ChildAt(i);
        if (child.Name() != nullptr && EqualNoCase(child.Name(), firstTag))
        {
            return child;
        }
        if (child.IsDeclaration())
        {
            parent = child;
            i = 0;
            continue;
        }
        ++i;
    }
    return CXmlElement::Empty();
}

CXmlElement ParseTextOfLength(const char* text, size_t length, const char* firstTag,
                              XmlParseResult* result)
{
    XmlParseResult ignored;
    if (result == nullptr)
    {
        result = &ignored;
    }
    *result = XmlParseResult{XML_ERROR_NONE, 0, 0};
    if (text == nullptr || *text == '\0')
    {
        result->errorCode = XML_ERROR_NO_ELEMENTS;
        return CXmlElement::Empty();
    }
    // Decoded strings are never longer than their source, so one block usually holds them all.
    XmlStringPool* pool = new XmlStringPool(length + 16);
    XmlParseState state{};
    state.text = text;
    state.current = text;
    state.firstCall = true;
    state.charLengths = gCharLengths;
    state.pool = pool;
    CXmlElement document = CXmlElement::Adopt(NewRecord(nullptr, pool));
    pool->Release();  // the records hold the pool from here on
    gGrowthStep = kParseGrowthStep;
    try
    {
        ParseElements(state, document.Data());
    }
    catch (...)
    {
        gGrowthStep = 0;
        throw;
    }
    gGrowthStep = 0;

    CXmlElement top = document;
    if (document.ItemCount() == 1 && document.ChildCount() == 1)
    {
        top = document.ChildAt(0);
    }
    result->errorCode = state.errorCode;
    if (state.errorCode != XML_ERROR_NONE)
    {
        const char* at =
            state.errorCode == XML_WARNING_UNMATCHED_END_TAG ? state.missingEndTag : state.errorAt;
        ComputeLineAndColumn(text, at, state.charLengths, result);
    }
    if (state.errorCode != XML_ERROR_NONE && state.errorCode != XML_WARNING_UNMATCHED_END_TAG)
    {
        return CXmlElement::Empty();
    }
    if (firstTag != nullptr && *firstTag != '\0')
    {
        CXmlElement found = FindFirstTag(top, firstTag);
        if (found.IsNull())
        {
            *result = XmlParseResult{XML_ERROR_FIRST_TAG_NOT_FOUND, 0, 0};
        }
        return found;
    }
    return top;
}

// Reads a regular file whole, NUL-terminated; none when it cannot be opened or read.
char* ReadWholeFile(const char* path, size_t* size, int* errorCode)
{
    *size = 0;
    FILE* file = path != nullptr ? fopen(path, "rb") : nullptr;
    if (file == nullptr)
    {
        *errorCode = XML_ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        (unsigned long long)info.st_size > (unsigned long long)INT_MAX)
    {
        fclose(file);
        *errorCode = XML_ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    if (info.st_size == 0)
    {
        fclose(file);
        *errorCode = XML_ERROR_NO_XML_DATA;
        return nullptr;
    }
    size_t expected = size_t(info.st_size);
    // Four NULs: the end of the text for every scan, however a character is cut off.
    char* buffer = static_cast<char*>(malloc(expected + 4));
    if (buffer == nullptr)
    {
        fclose(file);
        *errorCode = XML_ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    size_t got = fread(buffer, 1, expected, file);
    fclose(file);
    if (got == 0)
    {
        free(buffer);
        *errorCode = XML_ERROR_NO_XML_DATA;
        return nullptr;
    }
    memset(buffer + got, 0, 4);
    *size = got;
    return buffer;
}
}  // namespace

//-------------------------------------------------------------------------------------------------
// [SECTION] Document entry points
//-------------------------------------------------------------------------------------------------

CXmlElement ParseText(const char* text, const char* firstTag, XmlParseResult* result)
{
    return ParseTextOfLength(text, text != nullptr ? strlen(text) : 0, firstTag, result);
}

CXmlElement ParseFileText(const char* path, const char* firstTag, XmlParseResult* result)
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
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(buffer);
    size_t markLength = 0;
    Utf16ByteOrder order =
        gGuessUtf16Text ? DetectUtf16Text(bytes, size, &markLength) : UTF16_NOT_UTF16;
    CXmlElement element;
    if (order != UTF16_NOT_UTF16)
    {
        size_t length = 0;
        char* converted = ConvertUtf16ToUtf8(bytes + markLength, size - markLength, order, &length);
        if (converted == nullptr)
        {
            free(buffer);
            result->errorCode = XML_ERROR_CHARACTER_CONVERSION;
            return CXmlElement::Empty();
        }
        element = ParseTextOfLength(converted, length, firstTag, result);
        free(converted);
    }
    else
    {
        const char* text = buffer;
        if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        {
            text += 3;
        }
        element = ParseTextOfLength(text, size - size_t(text - buffer), firstTag, result);
    }
    free(buffer);
    return element;
}

XmlCharEncoding GuessTextEncoding(const void* bytes, int count, bool useEncodingAttribute)
{
    const unsigned char* data = static_cast<const unsigned char*>(bytes);
    size_t markLength = 0;
    if (data == nullptr || count <= kShortestGuessableText ||
        DetectUtf16Text(data, size_t(count), &markLength) != UTF16_NOT_UTF16)
    {
        return XML_CHARS_SINGLE_BYTE;
    }
    if (data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
    {
        return XML_CHARS_UTF8;
    }
    for (int i = 0; i < count && data[i] != 0;)
    {
        unsigned char lead = data[i];
        if (lead < 0x80)
        {
            ++i;
            continue;
        }
        // Stray continuation bytes and bytes no UTF-8 sequence starts with mean single-byte text.
        int length = lead >= 0xC2 && lead <= 0xF4 ? kUtf8Lengths.value[lead] : 0;
        if (length < 2)
        {
            return XML_CHARS_SINGLE_BYTE;
        }
        for (int k = 1; k < length && i + k < count; ++k)
        {
            if (data[i + k] < 0x80 || data[i + k] > 0xBF)
            {
                return XML_CHARS_SINGLE_BYTE;
            }
        }
        i += length;
    }
    if (!useEncodingAttribute)
    {
        return XML_CHARS_UTF8;
    }
    const char* text = static_cast<const char*>(bytes);
    int window = count < kEncodingSniffBytes ? count : kEncodingSniffBytes;
    static const char kEncodingWord[] = "encoding";
    const int wordLength = int(sizeof kEncodingWord - 1);
    for (int i = 0; i + wordLength <= window; ++i)
    {
        if (memcmp(text + i, kEncodingWord, size_t(wordLength)) != 0)
        {
            continue;
        }
        int p = i + wordLength;
        while (p < window && IsSpace(text[p]))
        {
            ++p;
        }
        if (p >= window || text[p] != '=')
        {
            return XML_CHARS_UTF8;
        }
        ++p;
        while (p < window && IsSpace(text[p]))
        {
            ++p;
        }
        if (p >= window || (text[p] != '"' && text[p] != '\''))
        {
            return XML_CHARS_UTF8;
        }
        ++p;
        bool utf8 = (window - p >= 5 && StartsWithNoCase(text + p, "utf-8", 5)) ||
                    (window - p >= 4 && StartsWithNoCase(text + p, "utf8", 4));
        return utf8 ? XML_CHARS_UTF8 : XML_CHARS_SINGLE_BYTE;
    }
    return XML_CHARS_UTF8;
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
    fprintf(stderr, "%s\n%s", kFatalTitle, message);
    FatalExit(kFatalExitStatus);
}

//-------------------------------------------------------------------------------------------------
// [SECTION] Editing
//-------------------------------------------------------------------------------------------------

namespace
{
const char kXmlHeaderUtf8[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
const char kXmlHeaderFormat[] = "<?xml version=\"1.0\" encoding=\"%s\"?>\n";
const unsigned char kUtf8Mark[] = {0xEF, 0xBB, 0xBF};

char* CopyToHeap(const char* text)
{
    if (text == nullptr)
    {
        return nullptr;
    }
    size_t length = strlen(text);
    char* copy = static_cast<char*>(malloc(length + 1));
    if (copy == nullptr)
    {
        throw std::bad_alloc();
    }
    memcpy(copy, text, length + 1);
    return copy;
}

int OrderCount(const XmlElementData* record)
{
    return record->childCount + record->textCount + record->clearCount;
}

// Makes room in document order for an item of `kind` at `position` (-1 or past the end: last)
// and returns the index the item takes in its own array. Call before that array grows.
int InsertOrderEntry(XmlElementData* record, XmlItemKind kind, int position)
{
    int count = OrderCount(record);
    if (position < 0 || position > count)
    {
        position = count;
    }
    int index = 0;
    for (int i = 0; i < position; ++i)
    {
        index += (record->order[i] & 3) == int(kind) ? 1 : 0;
    }
    for (int i = position; i < count; ++i)
    {
        record->order[i] += (record->order[i] & 3) == int(kind) ? 4 : 0;
    }
    ReserveOneMore(record->order, record->orderCapacity, count);
    memmove(record->order + position + 1, record->order + position,
            sizeof(int) * size_t(count - position));
    record->order[position] = index * 4 + int(kind);
    return index;
}

// Takes an item out of document order; later items of its kind move down by one. Call before
// its array shrinks.
void RemoveOrderEntry(XmlElementData* record, XmlItemKind kind, int index)
{
    int count = OrderCount(record);
    const int entry = index * 4 + int(kind);
    for (int i = 0; i < count; ++i)
    {
        if (record->order[i] == entry)
        {
            memmove(record->order + i, record->order + i + 1, sizeof(int) * size_t(count - i - 1));
            --count;
            break;
        }
    }
    for (int i = 0; i < count; ++i)
    {
        if ((record->order[i] & 3) == int(kind) && (record->order[i] >> 2) > index)
        {
            record->order[i] -= 4;
        }
    }
}

int PositionInOrder(const XmlElementData* record, XmlItemKind kind, int index)
{
    const int entry = index * 4 + int(kind);
    for (int i = 0; i < OrderCount(record); ++i)
    {
        if (record->order[i] == entry)
        {
            return i;
        }
    }
    return -1;
}

template <typename T> void InsertAt(T*& array, int& capacity, int& count, int index, const T& value)
{
    ReserveOneMore(array, capacity, count);
    memmove(array + index + 1, array + index, sizeof(T) * size_t(count - index));
    array[index] = value;
    ++count;
}

template <typename T> void RemoveAt(T* array, int& count, int index)
{
    memmove(array + index, array + index + 1, sizeof(T) * size_t(count - index - 1));
    --count;
}

void InsertChild(XmlElementData* parent, XmlElementData* child, int position)
{
    int index = InsertOrderEntry(parent, XML_ITEM_CHILD, position);
    InsertAt(parent->children, parent->childCapacity, parent->childCount, index, child);
    child->parent = parent;
}

// Takes a child out of its parent and drops the parent's reference to it.
void DetachChild(XmlElementData* child)
{
    XmlElementData* parent = child->parent;
    for (int i = 0; i < parent->childCount; ++i)
    {
        if (parent->children[i] == child)
        {
            RemoveOrderEntry(parent, XML_ITEM_CHILD, i);
            RemoveAt(parent->children, parent->childCount, i);
            break;
        }
    }
    child->parent = nullptr;
    ReleaseRecord(child);
}

// Attribute arrays made by a parse sit in its pool at their exact size; growing needs the heap.
void MoveAttributesToHeap(XmlElementData* record)
{
    if (!record->attributesInPool)
    {
        return;
    }
    size_t bytes = sizeof(XmlAttribute) * size_t(record->attributeCount);
    XmlAttribute* heap = static_cast<XmlAttribute*>(malloc(bytes > 0 ? bytes : 1));
    if (heap == nullptr)
    {
        throw std::bad_alloc();
    }
    memcpy(heap, record->attributes, bytes);
    record->attributes = heap;
    record->attributesInPool = false;
}

void AppendOwnedAttribute(XmlElementData* record, char* name, char* value)
{
    MoveAttributesToHeap(record);
    ReserveOneMore(record->attributes, record->attributeCapacity, record->attributeCount);
    record->attributes[record->attributeCount++] = XmlAttribute{name, value};
    record->ownsHeapStrings = true;
}

void InsertOwnedText(XmlElementData* record, char* text, int position)
{
    int index = InsertOrderEntry(record, XML_ITEM_TEXT, position);
    InsertAt(record->texts, record->textCapacity, record->textCount, index, text);
    record->ownsHeapStrings = true;
}

void InsertOwnedClear(XmlElementData* record, char* value, const char* openingMarker,
                      const char* closingMarker, int position)
{
    if (openingMarker == nullptr || closingMarker == nullptr)
    {
        openingMarker = kClearTags[0].opening;
        closingMarker = kClearTags[0].closing;
    }
    int index = InsertOrderEntry(record, XML_ITEM_CLEAR, position);
    InsertAt(record->clears, record->clearCapacity, record->clearCount, index,
             XmlClearItem{value, openingMarker, closingMarker});
    record->ownsHeapStrings = true;
}

// Stores a new heap string in a slot, freeing what the slot held.
void ReplaceString(XmlElementData* record, char*& slot, char* text)
{
    FreeOwnedString(record, slot);
    slot = text;
    record->ownsHeapStrings = true;
}

int FindTextByIdentity(const XmlElementData* record, const char* text)
{
    for (int i = 0; text != nullptr && i < record->textCount; ++i)
    {
        if (record->texts[i] == text)
        {
            return i;
        }
    }
    return -1;
}

int FindClearByIdentity(const XmlElementData* record, const char* value)
{
    for (int i = 0; value != nullptr && i < record->clearCount; ++i)
    {
        if (record->clears[i].value == value)
        {
            return i;
        }
    }
    return -1;
}

int FindAttributeIndex(const XmlElementData* record, const char* name)
{
    for (int i = 0; name != nullptr && i < record->attributeCount; ++i)
    {
        if (EqualNoCase(record->attributes[i].name, name))
        {
            return i;
        }
    }
    return -1;
}
}  // namespace

CXmlElement CXmlElement::AddChild(const char* name, bool isDeclaration, int position)
{
    if (data == nullptr || name == nullptr)
    {
        return Empty();
    }
    return AddChildOwned(CopyToHeap(name), isDeclaration, position);
}

CXmlElement CXmlElement::AddChildOwned(char* name, bool isDeclaration, int position)
{
    if (data == nullptr || name == nullptr)
    {
        free(name);
        return Empty();
    }
    XmlElementData* child = NewRecord(name, nullptr);
    child->isDeclaration = isDeclaration;
    child->ownsHeapStrings = true;
    InsertChild(data, child, position);
    return CXmlElement(child);
}

void CXmlElement::AddAttribute(const char* name, const char* value)
{
    if (data != nullptr && name != nullptr)
    {
        AppendOwnedAttribute(data, CopyToHeap(name), CopyToHeap(value));
    }
}

void CXmlElement::AddAttributeOwned(char* name, char* value)
{
    if (data == nullptr || name == nullptr)
    {
        free(name);
        free(value);
        return;
    }
    AppendOwnedAttribute(data, name, value);
}

void CXmlElement::AddText(const char* text, int position)
{
    if (data != nullptr && text != nullptr)
    {
        InsertOwnedText(data, CopyToHeap(text), position);
    }
}

void CXmlElement::AddTextOwned(char* text, int position)
{
    if (data == nullptr || text == nullptr)
    {
        free(text);
        return;
    }
    InsertOwnedText(data, text, position);
}

void CXmlElement::AddClear(const char* value, const char* openingMarker, const char* closingMarker,
                           int position)
{
    if (data != nullptr && value != nullptr)
    {
        InsertOwnedClear(data, CopyToHeap(value), openingMarker, closingMarker, position);
    }
}

void CXmlElement::AddClearOwned(char* value, const char* openingMarker, const char* closingMarker,
                                int position)
{
    if (data == nullptr || value == nullptr)
    {
        free(value);
        return;
    }
    InsertOwnedClear(data, value, openingMarker, closingMarker, position);
}

void CXmlElement::AdoptChild(const CXmlElement& element, int position)
{
    XmlElementData* child = element.data;
    if (data == nullptr || child == nullptr)
    {
        return;
    }
    // Adopting this element or one above it would make the tree a cycle.
    for (const XmlElementData* ancestor = data; ancestor != nullptr; ancestor = ancestor->parent)
    {
        if (ancestor == child)
        {
            return;
        }
    }
    ++child->referenceCount;  // the new parent's reference, taken before the old one goes
    if (child->parent != nullptr)
    {
        DetachChild(child);
    }
    InsertChild(data, child, position);
}

void CXmlElement::Rename(const char* name)
{
    if (data != nullptr && name != nullptr)
    {
        ReplaceString(data, data->name, CopyToHeap(name));
    }
}

void CXmlElement::RenameOwned(char* name)
{
    if (data == nullptr || name == nullptr)
    {
        free(name);
        return;
    }
    ReplaceString(data, data->name, name);
}

void CXmlElement::SetAttribute(int index, const char* name, const char* value)
{
    SetAttributeOwned(index, CopyToHeap(name), CopyToHeap(value));
}

void CXmlElement::SetAttributeOwned(int index, char* name, char* value)
{
    if (data == nullptr)
    {
        free(name);
        free(value);
        return;
    }
    if (index < 0 || index >= data->attributeCount)
    {
        AddAttributeOwned(name, value);
        return;
    }
    XmlAttribute& attribute = data->attributes[index];
    ReplaceString(data, attribute.value, value);
    if (name != nullptr && strcmp(name, attribute.name) != 0)
    {
        ReplaceString(data, attribute.name, name);
    }
    else
    {
        free(name);
    }
}

void CXmlElement::SetAttribute(const char* oldName, const char* name, const char* value)
{
    SetAttributeOwned(oldName, CopyToHeap(name), CopyToHeap(value));
}

void CXmlElement::SetAttributeOwned(const char* oldName, char* name, char* value)
{
    if (data == nullptr)
    {
        free(name);
        free(value);
        return;
    }
    int index = FindAttributeIndex(data, oldName);
    if (index < 0 && name == nullptr)
    {
        name = CopyToHeap(oldName);  // appended under the name it was looked for by
    }
    SetAttributeOwned(index, name, value);
}

void CXmlElement::SetText(int index, const char* text)
{
    SetTextOwned(index, CopyToHeap(text));
}

void CXmlElement::SetTextOwned(int index, char* text)
{
    if (data == nullptr || text == nullptr)
    {
        free(text);
        return;
    }
    if (index < 0 || index >= data->textCount)
    {
        InsertOwnedText(data, text, -1);
        return;
    }
    ReplaceString(data, data->texts[index], text);
}

void CXmlElement::SetText(const char* oldText, const char* text)
{
    SetTextOwned(oldText, CopyToHeap(text));
}

void CXmlElement::SetTextOwned(const char* oldText, char* text)
{
    SetTextOwned(data != nullptr ? FindTextByIdentity(data, oldText) : -1, text);
}

void CXmlElement::SetClear(int index, const char* value)
{
    SetClearOwned(index, CopyToHeap(value));
}

void CXmlElement::SetClearOwned(int index, char* value)
{
    if (data == nullptr || value == nullptr)
    {
        free(value);
        return;
    }
    if (index < 0 || index >= data->clearCount)
    {
        InsertOwnedClear(data, value, nullptr, nullptr, -1);
        return;
    }
    ReplaceString(data, data->clears[index].value, value);
}

void CXmlElement::SetClear(const char* oldValue, const char* value)
{
    SetClearOwned(oldValue, CopyToHeap(value));
}

void CXmlElement::SetClearOwned(const char* oldValue, char* value)
{
    SetClearOwned(data != nullptr ? FindClearByIdentity(data, oldValue) : -1, value);
}

void CXmlElement::RemoveAttribute(int index)
{
    if (data == nullptr || index < 0 || index >= data->attributeCount)
    {
        return;
    }
    FreeOwnedString(data, data->attributes[index].name);
    FreeOwnedString(data, data->attributes[index].value);
    RemoveAt(data->attributes, data->attributeCount, index);
}

void CXmlElement::RemoveAttribute(const char* name)
{
    if (data != nullptr)
    {
        RemoveAttribute(FindAttributeIndex(data, name));
    }
}

void CXmlElement::RemoveText(int index)
{
    if (data == nullptr || index < 0 || index >= data->textCount)
    {
        return;
    }
    FreeOwnedString(data, data->texts[index]);
    RemoveOrderEntry(data, XML_ITEM_TEXT, index);
    RemoveAt(data->texts, data->textCount, index);
}

void CXmlElement::RemoveText(const char* text)
{
    if (data != nullptr)
    {
        RemoveText(FindTextByIdentity(data, text));
    }
}

void CXmlElement::RemoveClear(int index)
{
    if (data == nullptr || index < 0 || index >= data->clearCount)
    {
        return;
    }
    FreeOwnedString(data, data->clears[index].value);
    RemoveOrderEntry(data, XML_ITEM_CLEAR, index);
    RemoveAt(data->clears, data->clearCount, index);
}

void CXmlElement::RemoveClear(const char* value)
{
    if (data != nullptr)
    {
        RemoveClear(FindClearByIdentity(data, value));
    }
}

namespace
{
int ClampedPosition(const XmlElementData* record, XmlItemKind kind, int index, int count)
{
    if (record == nullptr || count == 0)
    {
        return -1;
    }
    index = index < 0 ? 0 : index >= count ? count - 1 : index;
    return PositionInOrder(record, kind, index);
}
}  // namespace

int CXmlElement::PositionOfText(int index) const
{
    return ClampedPosition(data, XML_ITEM_TEXT, index, TextCount());
}

int CXmlElement::PositionOfClear(int index) const
{
    return ClampedPosition(data, XML_ITEM_CLEAR, index, ClearCount());
}

int CXmlElement::PositionOfChild(int index) const
{
    return ClampedPosition(data, XML_ITEM_CHILD, index, ChildCount());
}

int CXmlElement::PositionOfChild(const char* name, int n) const
{
    CXmlElement child = FindNthChild(name, n);
    return child.IsNull() ? -1 : PositionOfChild(child);
}

int CXmlElement::PositionOfChild(const CXmlElement& element) const
{
    for (int i = 0; data != nullptr && i < data->childCount; ++i)
    {
        if (data->children[i] == element.data)
        {
            return PositionInOrder(data, XML_ITEM_CHILD, i);
        }
    }
    return -1;
}

//-------------------------------------------------------------------------------------------------
// [SECTION] Serialisation and writing
//-------------------------------------------------------------------------------------------------

namespace
{
// Counts bytes when it has no buffer, writes them when it has one: the two passes of Serialize
// run the same code and so agree on the length.
class TextWriter
{
public:
    explicit TextWriter(char* buffer) : out(buffer) {}

    void Put(char c)
    {
        if (out != nullptr)
        {
            out[length] = c;
        }
        ++length;
    }
    void Put(const char* text, size_t count)
    {
        if (out != nullptr)
        {
            memcpy(out + length, text, count);
        }
        length += count;
    }
    void Put(const char* text) { Put(text, strlen(text)); }
    void Tabs(int count)
    {
        for (int i = 0; i < count; ++i)
        {
            Put('\t');
        }
    }
    void LineEnd(bool formatted)
    {
        if (formatted)
        {
            Put('\n');
        }
    }
    // The last byte written is a space that the element's shape decides about.
    void ReplaceLast(char c)
    {
        if (out != nullptr)
        {
            out[length - 1] = c;
        }
    }
    void DropLast() { --length; }
    void Escaped(const char* text)
    {
        for (const char* p = text; *p != '\0';)
        {
            char character = 0;
            const char* entity = nullptr;
            for (const NamedEntity& named : kNamedEntities)
            {
                if (named.character == *p)
                {
                    entity = named.text;
                    character = named.character;
                    break;
                }
            }
            if (entity != nullptr && character != 0)
            {
                Put(entity);
                ++p;
                continue;
            }
            const char* next = StepChar(p, gCharLengths);
            Put(p, size_t(next - p));
            p = next;
        }
    }
    size_t Length() const { return length; }

private:
    char* out;
    size_t length = 0;
};

bool HasContent(const XmlElementData* record)
{
    return OrderCount(record) > 0;
}

void WriteOpening(TextWriter& writer, const XmlElementData* record, int depth)
{
    if (record->name == nullptr)
    {
        return;
    }
    bool formatted = depth >= 0;
    if (formatted)
    {
        writer.Tabs(depth);
    }
    writer.Put('<');
    if (record->isDeclaration)
    {
        writer.Put('?');
    }
    writer.Put(record->name);
    writer.Put(' ');
    for (int i = 0; i < record->attributeCount; ++i)
    {
        const XmlAttribute& attribute = record->attributes[i];
        if (attribute.name == nullptr || attribute.name[0] == '\0')
        {
            continue;
        }
        writer.Put(attribute.name);
        if (attribute.value != nullptr)
        {
            writer.Put("=\"", 2);
            writer.Escaped(attribute.value);
            writer.Put('"');
        }
        writer.Put(' ');
    }
    if (record->isDeclaration)
    {
        writer.ReplaceLast('?');
        writer.Put('>');
        writer.LineEnd(formatted);
    }
    else if (HasContent(record))
    {
        writer.ReplaceLast('>');
        writer.LineEnd(formatted);
    }
    else
    {
        writer.DropLast();
    }
}

void WriteClosing(TextWriter& writer, const XmlElementData* record, int depth)
{
    if (record->name == nullptr || record->isDeclaration)
    {
        return;
    }
    bool formatted = depth >= 0;
    if (!HasContent(record))
    {
        writer.Put("/>", 2);
        writer.LineEnd(formatted);
        return;
    }
    if (formatted && depth > 0)
    {
        writer.Tabs(depth);
    }
    writer.Put("</", 2);
    writer.Put(record->name);
    writer.Put('>');
    writer.LineEnd(formatted);
}

// Writes an element and everything below it. Depth -1 means unformatted. The walk keeps its own
// stack, so a deep tree cannot overflow the call stack.
void WriteTree(TextWriter& writer, const XmlElementData* root, int rootDepth)
{
    struct Frame
    {
        const XmlElementData* record;
        int depth;
        int next;
    };
    std::vector<Frame> stack;
    WriteOpening(writer, root, rootDepth);
    stack.push_back(Frame{root, rootDepth, 0});
    while (!stack.empty())
    {
        Frame& frame = stack.back();
        const XmlElementData* record = frame.record;
        int depth = frame.depth;
        if (frame.next >= OrderCount(record))
        {
            WriteClosing(writer, record, depth);
            stack.pop_back();
            continue;
        }
        int entry = record->order[frame.next++];
        int index = entry >> 2;
        bool formatted = depth >= 0;
        switch (XmlItemKind(entry & 3))
        {
        case XML_ITEM_TEXT:
            if (record->texts[index] != nullptr && record->texts[index][0] != '\0')
            {
                writer.Tabs(formatted ? depth + 1 : 0);
                writer.Escaped(record->texts[index]);
                writer.LineEnd(formatted);
            }
            break;
        case XML_ITEM_CLEAR:
        {
            const XmlClearItem& clear = record->clears[index];
            writer.Tabs(formatted ? depth + 1 : 0);
            writer.Put(clear.openingMarker != nullptr ? clear.openingMarker : "");
            writer.Put(clear.value != nullptr ? clear.value : "");
            writer.Put(clear.closingMarker != nullptr ? clear.closingMarker : "");
            writer.LineEnd(formatted);
            break;
        }
        case XML_ITEM_CHILD:
        {
            bool indents = record->name != nullptr && !record->isDeclaration;
            int childDepth = !formatted ? -1 : indents ? depth + 1 : depth;
            const XmlElementData* child = record->children[index];
            WriteOpening(writer, child, childDepth);
            stack.push_back(Frame{child, childDepth, 0});  // `frame` is not used after this
            break;
        }
        default:
            break;
        }
    }
}
}  // namespace

char* CXmlElement::Serialize(int format, int* length) const
{
    if (length != nullptr)
    {
        *length = 0;
    }
    if (data == nullptr)
    {
        return nullptr;
    }
    int depth = format != 0 ? 0 : -1;
    TextWriter counter(nullptr);
    WriteTree(counter, data, depth);
    char* text = static_cast<char*>(malloc(counter.Length() + 1));
    if (text == nullptr)
    {
        throw std::bad_alloc();
    }
    TextWriter writer(text);
    WriteTree(writer, data, depth);
    text[writer.Length()] = '\0';
    if (length != nullptr)
    {
        *length = writer.Length() > size_t(INT_MAX) ? INT_MAX : int(writer.Length());
    }
    return text;
}

int CXmlElement::SaveToFile(const char* path, const char* encoding, int format) const
{
    if (data == nullptr)
    {
        return XML_ERROR_NONE;
    }
    int length = 0;
    char* text = Serialize(format, &length);
    FILE* file = path != nullptr ? fopen(path, "wb") : nullptr;
    if (file == nullptr)
    {
        free(text);
        return XML_ERROR_CANNOT_OPEN_FOR_WRITING;
    }
    bool utf8 = GetParserCharacterMode() == XML_CHARS_UTF8;
    bool written = true;
    if (!data->isDeclaration)
    {
        if (encoding == nullptr || utf8)
        {
            written = fwrite(kUtf8Mark, 1, sizeof kUtf8Mark, file) == sizeof kUtf8Mark &&
                      fputs(kXmlHeaderUtf8, file) >= 0;
        }
        else
        {
            written = fprintf(file, kXmlHeaderFormat, encoding) > 0;
        }
    }
    else if (utf8)
    {
        written = fwrite(kUtf8Mark, 1, sizeof kUtf8Mark, file) == sizeof kUtf8Mark;
    }
    written = written && fwrite(text, 1, size_t(length), file) == size_t(length);
    free(text);
    bool closed = fclose(file) == 0;
    return written && closed ? XML_ERROR_NONE : XML_ERROR_CANNOT_WRITE;
}
