// The state of one parse run of the XML reader and what its three stages share: the tokens the
// tokeniser cuts from the text (xmlParserTokens.cpp), the character scans the element parser
// also runs on tags it reads in place (xmlParserElements.cpp), and the parse run that sets the
// state up and reports the outcome (xmlParserRead.cpp). Internal to the reader.
//
// [SECTION] Tokens and parse state
// [SECTION] Character scans
// [SECTION] Stages
#ifndef KYREL_XMLPARSESTATE_H
#define KYREL_XMLPARSESTATE_H

#include "xml/XmlInternal.h"

#include <cstddef>
#include <vector>

// Internal to the library: a shared build does not export it.
#pragma GCC visibility push(hidden)

//-------------------------------------------------------------------------------------------------
// [SECTION] Tokens and parse state
//-------------------------------------------------------------------------------------------------

namespace XmlInternal
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
    bool blockScan;  // the parse's XmlParseOptions::blockScan
    // Attributes of the tag being read; the element gets them in one exact-size array.
    std::vector<XmlAttribute> pendingAttributes;
};

//-------------------------------------------------------------------------------------------------
// [SECTION] Character scans
//-------------------------------------------------------------------------------------------------

// Scans both the tokeniser and the element parser's in-place tag reading run, defined here so
// they stay inline in the element parser's hot loop.

inline int FindClearTag(const char* p)
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
inline const char* ScanPlainText(const char* p, const unsigned char* lengths)
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

//-------------------------------------------------------------------------------------------------
// [SECTION] Stages
//-------------------------------------------------------------------------------------------------

// Where a quoted value ends: its closing quote, or none when a '<' or the end of the text comes
// first; special when an '&' or a byte >= 0x80 was passed on the way.
struct QuotedRun
{
    const char* closing;
    bool special;
};
// Scans the quoted value starting at p. Pure (it writes nothing), so a call in the element
// parser's loop, however seldom taken, does not make the compiler reload the state each pass.
[[gnu::pure]] QuotedRun ScanQuoted(const XmlParseState& state, const char* p, char quote);

// Cuts the next token from state.current and moves past it.
XmlToken NextToken(XmlParseState& state);

// Writes `length` bytes of document text to `out` with references replaced, and a NUL. `out` may
// be the text itself, since the result is never longer. Returns false (XML_ERROR_UNKNOWN_ENTITY)
// and writes nothing when a reference is unknown or unfinished.
bool DecodeReferences(const char* text, size_t length, const unsigned char* lengths, char* out);

// Copies `length` bytes of document text into the pool with references replaced. Returns none
// (XML_ERROR_UNKNOWN_ENTITY) when a reference is unknown or unfinished.
char* UnescapeText(XmlParseState& state, const char* text, size_t length);

// Parses the whole document into `root`; false when the state holds an error. Open elements are
// trimmed however the parse ends.
bool ParseElements(XmlParseState& state, XmlElementData* root);
}  // namespace XmlInternal

#pragma GCC visibility pop

#endif
