// The XML document reader's parse: a tokeniser over the loaded text, entity decoding, and an
// element parser that turns the tokens into element records with their strings in one pool. Plain
// tags are read straight from the parse's own copy of the text, their names and values left there.
//
// [SECTION] Building records
// [SECTION] Tokeniser
// [SECTION] Entity decoding
// [SECTION] Element parser
// [SECTION] Parse run
#include "xml/xmlParser.h"

#include "xml/XmlInternal.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace XmlInternal;

//-------------------------------------------------------------------------------------------------
// [SECTION] Building records
//-------------------------------------------------------------------------------------------------

namespace
{
// Item arrays grow by this many entries while a document is parsed (one at a time otherwise).
const int kParseGrowthStep = 50;
// NULs after the parse's copy of the text, as many as a file read leaves.
const size_t kTextPadding = 4;

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
        // T may be a pointer type: these arrays hold element records by pointer.
        // NOLINTNEXTLINE(bugprone-sizeof-expression)
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
    int orderCount = OrderCount(record);
    TrimArray(record->children, record->childCapacity, record->childCount);
    TrimArray(record->texts, record->textCapacity, record->textCount);
    TrimArray(record->clears, record->clearCapacity, record->clearCount);
    TrimArray(record->attributes, record->attributeCapacity, record->attributeCount);
    TrimArray(record->order, record->orderCapacity, orderCount);
}

void AppendOrder(XmlElementData* record, int index, XmlItemKind kind)
{
    int orderCount = OrderCount(record);
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
}  // namespace

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
    // For TOKEN_QUOTED_TEXT: the value holds an '&' or a byte >= 0x80, so copying it needs a
    // closer look. Other tokens are always looked at.
    bool special;
};
}  // namespace

// The state of one parse run. Positions are kept as pointers into the text.
struct XmlParseState
{
    const char* text;     // document text start
    const char* textEnd;  // the text's terminating NUL
    const char* current;
    const char* missingEndTag;
    XmlError errorCode;
    const char* errorAt;
    const char* pendingEndTag;
    size_t pendingEndTagLength;
    bool firstCall;
    const unsigned char* charLengths;
    XmlStringPool* pool;
    // The parse's own copy of the text (text points to it), where names and values stay in place;
    // none when the parse reads the caller's text and copies every string.
    char* buffer;
    bool blockScan;  // gBlockScan, read once
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
        while (!(kCharClass.value[Byte(p)] & CC_TEXT_STOP))
        {
            ++p;
        }
        unsigned char c = Byte(p);
        if (c >= 0x80)
        {
            p = StepChar(p, lengths);
        }
        else if (c == '/' && p[1] != '>')
        {
            ++p;  // a '/' that does not close the tag is text
        }
        else
        {
            return p;
        }
    }
}

// Steps over bytes that neither end a quoted run nor need a note (anything but NUL, <, the quote,
// & and bytes >= 0x80), 16 at a time while 16 bytes remain before end. Returns the first byte
// the block test stopped at, or where the blocks ran out.
const char* SkipQuotedRun(const char* p, char quote, const char* end)
{
#if defined(__SSE2__)
    const __m128i quoteBytes = _mm_set1_epi8(quote);
    const __m128i lessThan = _mm_set1_epi8('<');
    const __m128i ampersand = _mm_set1_epi8('&');
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 16)
    {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i stops = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, quoteBytes), _mm_cmpeq_epi8(bytes, lessThan)),
            _mm_or_si128(_mm_cmpeq_epi8(bytes, ampersand), _mm_cmpeq_epi8(bytes, zero)));
        // The sign bit of each byte marks the bytes >= 0x80.
        unsigned mask = unsigned(_mm_movemask_epi8(stops)) | unsigned(_mm_movemask_epi8(bytes));
        if (mask != 0)
        {
            return p + __builtin_ctz(mask);
        }
        p += 16;
    }
#else
    (void)quote;
    (void)end;
#endif
    return p;
}

// Returns the closing quote, or none when a '<' or the end of the text comes first. special is
// set when an '&' or a byte >= 0x80 was passed.
const char* ScanQuoted(const XmlParseState& state, const char* p, char quote, bool& special)
{
    for (;;)
    {
        if (state.blockScan)
        {
            p = SkipQuotedRun(p, quote, state.textEnd);
        }
        unsigned char c = Byte(p);
        // The common case is tested first; the other quote character takes the same step last.
        // NOLINTBEGIN(bugprone-branch-clone)
        if (!(kCharClass.value[c] & CC_QUOTE_STOP))
        {
            ++p;
        }
        else if (c >= 0x80)
        {
            special = true;
            p = StepChar(p, state.charLengths);
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
            special = special || c == '&';
            ++p;  // '&' or the other quote character
        }
        // NOLINTEND(bugprone-branch-clone)
    }
}

XmlToken NextToken(XmlParseState& state)
{
    const char* p = state.current;
    while (IsSpace(*p))
    {
        ++p;
    }
    XmlToken token{TOKEN_TEXT, p, 0, -1, true};
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
        bool special = false;
        const char* closing = ScanQuoted(state, p + 1, c, special);
        if (closing != nullptr)
        {
            token.special = special;
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

// First pass: every reference must be complete and known. Returns false for
// XML_ERROR_UNKNOWN_ENTITY.
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

// Writes `length` bytes of document text to `out` with references replaced, and a NUL. `out` may
// be the text itself, since the result is never longer. Returns false (XML_ERROR_UNKNOWN_ENTITY)
// and writes nothing when a reference is unknown or unfinished.
bool DecodeReferences(const char* text, size_t length, const unsigned char* lengths, char* out)
{
    if (!ValidateEntities(text, length, lengths))
    {
        return false;
    }
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
        const char* next = StepChar(p, lengths);
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
    return true;
}

// Copies `length` bytes of document text into the pool with references replaced. Returns none
// (XML_ERROR_UNKNOWN_ENTITY) when a reference is unknown or unfinished.
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
    char* result = state.pool->Allocate(length + 1);
    return DecodeReferences(text, length, state.charLengths, result) ? result : nullptr;
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

bool Fail(XmlParseState& state, XmlError code)
{
    state.errorCode = code;
    state.errorAt = state.current;
    return false;
}

// The parse's own copy of `length` bytes at `start`, ended by a NUL written over the byte after
// them, which the parse must have passed already.
char* CutInPlace(XmlParseState& state, const char* start, size_t length)
{
    char* text = state.buffer + (start - state.text);
    text[length] = '\0';
    return text;
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
        // A quoted value already known to be plain ASCII without references is copied as it is.
        valueText = value->special ? UnescapeText(state, start, length)
                                   : state.pool->CopyShort(start, length, state.textEnd + 1);
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
        XmlAttribute{state.pool->CopyShort(name.start, nameLength, state.textEnd + 1), valueText});
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

// Reads an end tag; returns false (XML_ERROR_MISSING_END_TAG_NAME) when it is not "</name>".
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

// Where the parse stands after one token.
enum ParseStep
{
    STEP_IN_TAG,      // reading the current element's attributes
    STEP_IN_CONTENT,  // reading the current element's content
    STEP_CLOSED,      // the current element is complete
    STEP_FAILED       // the state holds the error
};

// The attribute state machine of the tag being read; back at EXPECT_NAME whenever a tag ends.
struct TagReader
{
    AttributeState attributeState;
    XmlToken pendingName;
};

// The tag ends with '>' (content follows) or "/>" (the element is complete).
ParseStep EndTagAttributes(XmlParseState& state, XmlElementData* element, TagReader& tag,
                           const XmlToken& token)
{
    if (tag.attributeState == NAME_READ &&
        !AddParsedAttribute(state, element, tag.pendingName, nullptr))
    {
        return STEP_FAILED;
    }
    CommitAttributes(state, element);
    tag.attributeState = EXPECT_NAME;
    return token.type == TOKEN_SHORT_CLOSE ? STEP_CLOSED : STEP_IN_CONTENT;
}

// One token inside a tag: names, '=' and values make attributes until the tag ends.
ParseStep ReadTagToken(XmlParseState& state, XmlElementData* element, TagReader& tag,
                       const XmlToken& token)
{
    switch (tag.attributeState)
    {
    case EXPECT_NAME:
        if (token.type == TOKEN_TEXT)
        {
            tag.pendingName = token;
            tag.attributeState = NAME_READ;
            return STEP_IN_TAG;
        }
        break;
    case NAME_READ:
        if (token.type == TOKEN_TEXT)
        {
            // A second name: the first one had no value.
            if (!AddParsedAttribute(state, element, tag.pendingName, nullptr))
            {
                return STEP_FAILED;
            }
            tag.pendingName = token;
            return STEP_IN_TAG;
        }
        if (token.type == TOKEN_EQUALS)
        {
            tag.attributeState = VALUE_EXPECTED;
            return STEP_IN_TAG;
        }
        break;
    case VALUE_EXPECTED:
        if (token.type == TOKEN_TEXT || token.type == TOKEN_QUOTED_TEXT)
        {
            if (!AddParsedAttribute(state, element, tag.pendingName, &token))
            {
                return STEP_FAILED;
            }
            tag.attributeState = EXPECT_NAME;
            return STEP_IN_TAG;
        }
        Fail(state, XML_ERROR_UNEXPECTED_TOKEN);
        return STEP_FAILED;
    }
    if (token.type == TOKEN_CLOSE_TAG || token.type == TOKEN_SHORT_CLOSE)
    {
        return EndTagAttributes(state, element, tag, token);
    }
    Fail(state, XML_ERROR_UNEXPECTED_TOKEN);
    return STEP_FAILED;
}

// Skips the whitespace the tokeniser skips before a token.
const char* SkipSpaces(const char* p)
{
    while (IsSpace(*p))
    {
        ++p;
    }
    return p;
}

// The closing quote of a value when the 16 bytes from `p` hold it and nothing before it that
// ends a quoted run or needs a note (the common short value); none otherwise, and then the byte
// scan decides.
const char* FindPlainClosingQuote(const char* p, char quote, const char* end)
{
#if defined(__SSE2__)
    if (end - p >= 16)
    {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i stops = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(quote)),
                                                  _mm_cmpeq_epi8(bytes, _mm_set1_epi8('<'))),
                                     _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('&')),
                                                  _mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
        unsigned mask = unsigned(_mm_movemask_epi8(stops)) | unsigned(_mm_movemask_epi8(bytes));
        if (mask != 0 && p[__builtin_ctz(mask)] == quote)
        {
            return p + __builtin_ctz(mask);
        }
    }
#else
    (void)p;
    (void)quote;
    (void)end;
#endif
    return nullptr;
}

// Reads a tag's name="value" pairs (and the '>' or "/>" after them) straight from the text,
// leaving names and values in place; it takes exactly the steps the token loop would take for
// them. Anything else (a name without a value, an unquoted value, an unmatched quote) is left
// to the token loop, which then reads it from its start.
ParseStep ReadQuotedAttributes(XmlParseState& state, XmlElementData* element)
{
    // The parse reads its own copy here, so the text can be written.
    char* p = state.buffer + (state.current - state.text);
    for (;;)
    {
        char* name = const_cast<char*>(SkipSpaces(p));
        if (kCharClass.value[Byte(name)] & CC_NAME_BREAK)
        {
            if (name[0] == '>' || (name[0] == '/' && name[1] == '>'))
            {
                CommitAttributes(state, element);
                state.current = name + (name[0] == '>' ? 1 : 2);
                return name[0] == '>' ? STEP_IN_CONTENT : STEP_CLOSED;
            }
            state.current = p;
            return STEP_IN_TAG;
        }
        // Most names end at their '='; the full scan decides at any other stop.
        char* nameEnd = name + 1;
        while (!(kCharClass.value[Byte(nameEnd)] & CC_TEXT_STOP))
        {
            ++nameEnd;
        }
        if (*nameEnd != '=')
        {
            nameEnd = const_cast<char*>(ScanPlainText(nameEnd, state.charLengths));
        }
        const char* equals = *nameEnd == '=' ? nameEnd : SkipSpaces(nameEnd);
        if (*equals != '=')
        {
            state.current = p;
            return STEP_IN_TAG;
        }
        char* quote = const_cast<char*>(SkipSpaces(equals + 1));
        if (*quote != '"' && *quote != '\'')
        {
            state.current = p;
            return STEP_IN_TAG;
        }
        bool special = false;
        char* value = quote + 1;
        const char* closing =
            state.blockScan ? FindPlainClosingQuote(value, *quote, state.textEnd) : nullptr;
        if (closing == nullptr)
        {
            closing = ScanQuoted(state, value, *quote, special);
            if (closing == nullptr)
            {
                state.current = p;
                return STEP_IN_TAG;
            }
        }
        size_t valueLength = size_t(closing - value);
        p = value + valueLength + 1;
        // The byte after the name is whitespace or '=', and the value ends at its quote: both
        // are passed, so NULs can go there.
        *nameEnd = '\0';
        value[valueLength] = '\0';
        if (special && !DecodeReferences(value, valueLength, state.charLengths, value))
        {
            state.current = p;
            Fail(state, XML_ERROR_UNKNOWN_ENTITY);
            return STEP_FAILED;
        }
        state.pendingAttributes.push_back(XmlAttribute{name, value});
    }
}

// Appends a child named by the `length` bytes at `name`, which becomes the element read.
void AppendNamedChild(XmlParseState& state, XmlElementData*& element, const char* name,
                      size_t length, bool isDeclaration)
{
    // A name followed by whitespace, which the tokeniser has passed, is cut off in place.
    char* childName = state.buffer != nullptr && IsSpace(name[length])
                          ? CutInPlace(state, name, length)
                          : state.pool->CopyShort(name, length, state.textEnd + 1);
    XmlElementData* child = NewRecord(childName, state.pool);
    child->isDeclaration = isDeclaration;
    AppendChildRecord(element, child);
    element = child;
}

// Reads the name after "<" or "<?" and appends the new child.
bool OpenChild(XmlParseState& state, XmlElementData*& element, const XmlToken& token)
{
    XmlToken name = NextToken(state);
    if (name.type != TOKEN_TEXT)
    {
        return Fail(state, XML_ERROR_MISSING_START_TAG_NAME);
    }
    AppendNamedChild(state, element, name.start, name.length,
                     token.type == TOKEN_DECLARATION_START);
    return true;
}

// Opens a child whose tag starts with '<' and its name, when no text waits, straight from the
// text; false leaves anything else (a declaration, a clear section, an end tag) to the tokens.
bool OpenPlainChild(XmlParseState& state, XmlElementData*& element)
{
    const char* p = SkipSpaces(state.current);
    if (p[0] != '<' || (kCharClass.value[Byte(p + 1)] & CC_NAME_BREAK) || p[1] == '?' ||
        FindClearTag(p) >= 0)
    {
        return false;
    }
    const char* nameEnd = ScanPlainText(p + 2, state.charLengths);
    state.current = IsSpace(*nameEnd) ? nameEnd + 1 : nameEnd;
    AppendNamedChild(state, element, p + 1, size_t(nameEnd - p - 1), false);
    return true;
}

// One token of an element's content. Other tokens only mark where pending text starts, so text
// keeps its inner spacing; it is added when a tag, end tag or clear section follows.
ParseStep ReadContentToken(XmlParseState& state, XmlElementData*& element, const XmlToken& token,
                           const char*& pendingText)
{
    switch (token.type)
    {
    case TOKEN_TAG_START:
    case TOKEN_DECLARATION_START:
        if (!FlushText(state, element, pendingText, token.start, true))
        {
            return STEP_FAILED;
        }
        pendingText = nullptr;
        return OpenChild(state, element, token) ? STEP_IN_TAG : STEP_FAILED;
    case TOKEN_END_TAG_START:
        if (!FlushText(state, element, pendingText, token.start, true) ||
            !ReadEndTag(state, element))
        {
            return STEP_FAILED;
        }
        pendingText = nullptr;
        return STEP_CLOSED;
    case TOKEN_CLEAR:
        if (!FlushText(state, element, pendingText, token.start, false) ||
            !ReadClearSection(state, element, token))
        {
            return STEP_FAILED;
        }
        pendingText = nullptr;
        return STEP_IN_CONTENT;
    case TOKEN_END:
        // Only the root and declarations may be ended by the end of the text.
        if (!element->isDeclaration && element->parent != nullptr)
        {
            state.errorCode = XML_WARNING_UNMATCHED_END_TAG;
            state.missingEndTag = state.current;
            return STEP_FAILED;
        }
        return STEP_CLOSED;
    default:
        if (pendingText == nullptr)
        {
            pendingText = token.start;
        }
        return STEP_IN_CONTENT;
    }
}

// Parses the whole document into `root`. The descent is a loop over the parent chain rather than
// recursion, so nesting depth is bounded by memory, not by the stack.
bool ParseElements(XmlParseState& state, XmlElementData* root)
{
    XmlElementData* element = root;
    TagReader tag{EXPECT_NAME, XmlToken{TOKEN_TEXT, nullptr, 0, -1, true}};
    ParseStep step = STEP_IN_CONTENT;
    const char* pendingText = nullptr;
    for (;;)
    {
        if (state.buffer != nullptr)
        {
            if (step == STEP_IN_CONTENT && pendingText == nullptr && OpenPlainChild(state, element))
            {
                step = STEP_IN_TAG;
            }
            if (step == STEP_IN_TAG && tag.attributeState == EXPECT_NAME)
            {
                step = ReadQuotedAttributes(state, element);
            }
        }
        if (step == STEP_IN_TAG || step == STEP_IN_CONTENT)
        {
            XmlToken token = NextToken(state);
            step = step == STEP_IN_TAG ? ReadTagToken(state, element, tag, token)
                                       : ReadContentToken(state, element, token, pendingText);
        }
        if (step == STEP_FAILED)
        {
            break;
        }
        if (step == STEP_CLOSED)
        {
            CloseOutcome outcome = CloseElement(state, root, element);
            if (outcome == CLOSE_DONE)
            {
                return true;
            }
            if (outcome == CLOSE_FAILED)
            {
                break;
            }
            step = STEP_IN_CONTENT;
        }
    }
    // The one way out of a failed parse: the attributes read so far stay with their element (none
    // are pending outside a tag) and every open element is trimmed.
    CommitAttributes(state, element);
    TrimOpenElements(element);
    return false;
}

}  // namespace

//-------------------------------------------------------------------------------------------------
// [SECTION] Parse run
//-------------------------------------------------------------------------------------------------

namespace
{
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
}  // namespace

namespace XmlInternal
{
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
    // The first block holds the parse's copy of the text, or else the strings copied out of it,
    // which decoding never makes longer than their source.
    XmlStringPool* pool = new XmlStringPool(length + 16);
    XmlParseState state{};
    state.text = text;
    if (gFastTags)
    {
        // One copy of the whole text, with the NULs every scan may read past its end.
        state.buffer = pool->Allocate(length + kTextPadding);
        memcpy(state.buffer, text, length);
        memset(state.buffer + length, 0, kTextPadding);
        state.text = state.buffer;
    }
    state.textEnd = state.text + length;
    state.current = state.text;
    state.firstCall = true;
    state.charLengths = gCharLengths;
    state.blockScan = gBlockScan;
    state.pool = pool;
    CXmlElement document = CXmlElement::Adopt(NewRecord(nullptr, pool));
    pool->Release();  // the records hold the pool from here on
    {
        GrowthStepScope growth(kParseGrowthStep);
        ParseElements(state, document.Data());
    }

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
        // Counted on the caller's text: the parse's copy has NULs written into it.
        ComputeLineAndColumn(text, at != nullptr ? text + (at - state.text) : text,
                             state.charLengths, result);
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
}  // namespace XmlInternal
