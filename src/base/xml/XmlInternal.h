// What the XML parser's reader, editor and writer share and callers never see: the character
// tables, the process-wide options, the string pool, the element record itself and the reader's
// entry with its per-parse options.
//
// [SECTION] Tables
// [SECTION] Global options
// [SECTION] Character helpers
// [SECTION] String pool
// [SECTION] Element records
// [SECTION] Parse entry
#ifndef KYREL_XMLINTERNAL_H
#define KYREL_XMLINTERNAL_H

#include "xml/xmlParser.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

// Internal to the library, though exported by a shared build: the public element handle holds a
// pointer to its element record, defined here.

//-------------------------------------------------------------------------------------------------
// [SECTION] Tables
//-------------------------------------------------------------------------------------------------

namespace XmlInternal
{
// Bytes of a file LoadDocument looks at to guess its encoding, and the window GuessTextEncoding
// searches for the encoding attribute.
const int kEncodingSniffBytes = 200;

// Sections whose content is kept verbatim, tried in this order at the start of every token.
struct ClearTag
{
    const char* opening;  // compared without case
    const char* closing;  // searched for exactly
    size_t openingLength;
    size_t closingLength;
};
inline constexpr ClearTag kClearTags[] = {
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
inline constexpr NamedEntity kNamedEntities[] = {
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
inline constexpr ByteTable kUtf8Lengths = MakeUtf8Lengths();
inline constexpr ByteTable kSingleByteLengths = MakeSingleByteLengths();

// Character classes of the tokeniser's hot loops. A byte without the flag of a loop is ordinary
// text for that loop and is stepped over without a closer look.
enum CharClass : unsigned char
{
    CC_SPACE = 1,          // tab, line feed, carriage return, space: skipped before a token
    CC_TEXT_STOP = 2,      // may end a plain-text run: NUL, space, < = > /, and lead bytes >= 0x80
    CC_QUOTE_STOP = 4,     // may end a quoted run or need a note: NUL, <, both quotes, &, and
                           // lead bytes >= 0x80
    CC_VALUE_SPECIAL = 8,  // needs work when a value is copied: & and bytes >= 0x80
    CC_NAME_BREAK = 16     // cannot start a name read in one step: anything that stops plain
                           // text, and both quotes
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
    table.value[(unsigned char)'&'] |= CC_VALUE_SPECIAL | CC_QUOTE_STOP;
    for (int c = 0x80; c < 256; ++c)
    {
        table.value[c] |= CC_TEXT_STOP | CC_QUOTE_STOP | CC_VALUE_SPECIAL;
    }
    for (int c = 0; c < 256; ++c)
    {
        if ((table.value[c] & CC_TEXT_STOP) || c == '"' || c == '\'')
        {
            table.value[c] |= CC_NAME_BREAK;
        }
    }
    return table;
}
inline constexpr ByteTable kCharClass = MakeCharClasses();

constexpr ByteTable MakeLowerCase()
{
    ByteTable table{};
    for (int c = 0; c < 256; ++c)
    {
        table.value[c] = (unsigned char)(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return table;
}
inline constexpr ByteTable kLowerCase = MakeLowerCase();

//-------------------------------------------------------------------------------------------------
// [SECTION] Global options
//-------------------------------------------------------------------------------------------------

// The character-length table of the current character mode (kUtf8Lengths or kSingleByteLengths).
extern const unsigned char* gCharLengths;
// Item arrays grow by this many entries (or by half their size once that is more); 0 outside a
// parse, where arrays grow one entry at a time.
extern int gGrowthStep;

// Holds the growth step for one parse and puts it back to 0 however the parse ends.
class GrowthStepScope
{
public:
    explicit GrowthStepScope(int step) { gGrowthStep = step; }
    ~GrowthStepScope() { gGrowthStep = 0; }
    GrowthStepScope(const GrowthStepScope&) = delete;
    GrowthStepScope& operator=(const GrowthStepScope&) = delete;
};

//-------------------------------------------------------------------------------------------------
// [SECTION] Character helpers
//-------------------------------------------------------------------------------------------------

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

inline bool EqualNoCase(const char* a, const char* b)
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
inline bool StartsWithNoCase(const char* text, const char* prefix, size_t length)
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
}  // namespace XmlInternal

//-------------------------------------------------------------------------------------------------
// [SECTION] String pool
//-------------------------------------------------------------------------------------------------

namespace XmlInternal
{
// Memory for a pool block or a whole file, released with free(); none when there is none. Large
// blocks ask for huge pages where the system has them: a big document then costs a few dozen
// page faults instead of one per 4 KB.
void* AllocatePoolBlock(size_t bytes);
}  // namespace XmlInternal

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
    // The same for text that can be read at least up to readableEnd: a short string moves in one
    // 16-byte step, and the bytes after its NUL are overwritten by the next allocation.
    char* CopyShort(const char* text, size_t length, const char* readableEnd)
    {
        const size_t step = 16;
        if (length >= step || size_t(readableEnd - text) < step || size_t(limit - cursor) < step)
        {
            return Copy(text, length);
        }
        char* result = cursor;
        memcpy(result, text, step);
        result[length] = '\0';
        cursor += length + 1;
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
        Block* block = static_cast<Block*>(XmlInternal::AllocatePoolBlock(sizeof(Block) + size));
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

// One element. Records, strings and attribute arrays made by a parse live in the parse's pool;
// anything added later is a heap copy the record frees itself (ownsHeapStrings says whether
// there may be any strings of that kind).
struct XmlElementData
{
    char* name;  // none only for the nameless document root
    int childCount;
    int textCount;
    int clearCount;
    int attributeCount;
    bool isDeclaration;
    XmlElementData* parent;     // not a counted reference
    XmlElementData** children;  // each entry holds one reference
    char** texts;
    XmlClearItem* clears;
    XmlAttribute* attributes;
    int* order;  // childCount + textCount + clearCount entries, in document order
    int referenceCount;

    int childCapacity;
    int textCapacity;
    int clearCapacity;
    int attributeCapacity;
    int orderCapacity;
    XmlStringPool* pool;
    bool ownsHeapStrings;
    bool inPool;            // the record itself was cut from the pool
    bool attributesInPool;  // the attribute array too (made at its exact size)
};

namespace XmlInternal
{
// Records of a parse live in its pool, which frees them all at once when the last one goes.
inline XmlElementData* NewRecord(char* name, XmlStringPool* pool)
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

// Drops one reference; a record that reaches zero frees its contents and releases its children.
void ReleaseRecord(XmlElementData* record);

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
    // T may be a pointer type: these arrays hold element records by pointer.
    // NOLINTNEXTLINE(bugprone-sizeof-expression)
    T* grown = static_cast<T*>(realloc(array, sizeof(T) * size_t(capacity + step)));
    if (grown == nullptr)
    {
        throw std::bad_alloc();
    }
    array = grown;
    capacity += step;
}

inline void FreeOwnedString(const XmlElementData* record, char* text)
{
    if (text != nullptr && (record->pool == nullptr || !record->pool->Contains(text)))
    {
        free(text);
    }
}

// Entries of the order array: every content item but the attributes.
inline int OrderCount(const XmlElementData* record)
{
    return record->childCount + record->textCount + record->clearCount;
}

}  // namespace XmlInternal

//-------------------------------------------------------------------------------------------------
// [SECTION] Parse entry
//-------------------------------------------------------------------------------------------------

namespace XmlInternal
{
// The reader's fast paths, chosen for each parse. Both settings give the same trees, errors and
// places; the plain paths stay to prove it. Both on for every public entry point.
struct XmlParseOptions
{
    // Step over ordinary bytes of quoted values 16 at a time (where the processor can) instead of
    // looking at every byte alone.
    bool blockScan = true;
    // Work on the parse's own copy of the text, read a tag's name="value" pairs in one step each
    // and leave names and values in that copy, cut off by NULs written over the quote or
    // delimiter after them. Off, every pair goes token by token and every string is copied.
    bool fastTags = true;
};

// Parses `length` bytes of NUL-terminated text into a tree (the reader's one entry).
CXmlElement ParseTextOfLength(const char* text, size_t length, const char* firstTag,
                              XmlParseResult* result, const XmlParseOptions& options);

// ParseFileText, parsing with the given options.
CXmlElement ParseFileTextWith(const char* path, const char* firstTag, XmlParseResult* result,
                              const XmlParseOptions& options);
}  // namespace XmlInternal

#endif
