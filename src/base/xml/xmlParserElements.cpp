// The XML reader's element parser: turns the tokens into element records with their strings in
// the parse's pool. Plain tags are read straight from the parse's own copy of the text, their
// names and values left there.
//
// [SECTION] Building records
// [SECTION] Element parser
#include "xml/XmlParseState.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace XmlInternal;

//-------------------------------------------------------------------------------------------------
// [SECTION] Building records
//-------------------------------------------------------------------------------------------------

namespace
{
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
// [SECTION] Element parser
//-------------------------------------------------------------------------------------------------

namespace
{
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
        char* value = quote + 1;
        QuotedRun run{
            state.blockScan ? FindPlainClosingQuote(value, *quote, state.textEnd) : nullptr, false};
        if (run.closing == nullptr)
        {
            run = ScanQuoted(state, value, *quote);
            if (run.closing == nullptr)
            {
                state.current = p;
                return STEP_IN_TAG;
            }
        }
        size_t valueLength = size_t(run.closing - value);
        p = value + valueLength + 1;
        // The byte after the name is whitespace or '=', and the value ends at its quote: both
        // are passed, so NULs can go there.
        *nameEnd = '\0';
        value[valueLength] = '\0';
        if (run.special && !DecodeReferences(value, valueLength, state.charLengths, value))
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
}  // namespace

namespace XmlInternal
{
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
}  // namespace XmlInternal
