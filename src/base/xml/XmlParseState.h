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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The scans the element parser runs once per tag or value are defined here so they stay inline
// in its hot loop.

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

// Skips the whitespace the tokeniser skips before a token.
inline const char* SkipSpaces(const char* p)
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
inline const char* FindPlainClosingQuote(const char* p, char quote, const char* end)
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

//-------------------------------------------------------------------------------------------------
// [SECTION] Stages
//-------------------------------------------------------------------------------------------------

// Returns the closing quote, or none when a '<' or the end of the text comes first. special is
// set when an '&' or a byte >= 0x80 was passed.
const char* ScanQuoted(const XmlParseState& state, const char* p, char quote, bool& special);

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

#endif
