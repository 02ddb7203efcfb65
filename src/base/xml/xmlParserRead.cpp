// The XML reader's parse run: sets up the state of one parse (the parse's own copy of the text and
// its pool), runs the element parser, and reports the outcome with the error's line and column
// and the element the caller asked for.
#include "xml/XmlParseState.h"

#include <climits>
#include <cstring>

using namespace XmlInternal;

namespace
{
// Item arrays grow by this many entries while a document is parsed (one at a time otherwise).
const int kParseGrowthStep = 50;
// NULs after the parse's copy of the text, as many as a file read leaves.
const size_t kTextPadding = 4;

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
                              XmlParseResult* result, const XmlParseOptions& options)
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
    if (options.fastTags)
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
    state.blockScan = options.blockScan;
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
