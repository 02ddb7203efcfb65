// The XML reader's tokeniser and entity decoding: cuts tokens from the loaded text (with the
// character scans of XmlParseState.h) and replaces character references.
//
// [SECTION] Tokeniser
// [SECTION] Entity decoding
#include "xml/XmlParseState.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace XmlInternal;

//-------------------------------------------------------------------------------------------------
// [SECTION] Tokeniser
//-------------------------------------------------------------------------------------------------

namespace
{
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
}  // namespace

namespace XmlInternal
{
QuotedRun ScanQuoted(const XmlParseState& state, const char* p, char quote)
{
    bool special = false;
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
            return QuotedRun{p, special};
        }
        else if (c == '<' || c == '\0')
        {
            return QuotedRun{nullptr, special};
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
        QuotedRun run = ScanQuoted(state, p + 1, c);
        if (run.closing != nullptr)
        {
            token.special = run.special;
            token.type = TOKEN_QUOTED_TEXT;
            token.length = size_t(run.closing + 1 - p);
            state.current = run.closing + 1;
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
}  // namespace XmlInternal

//-------------------------------------------------------------------------------------------------
// [SECTION] Entity decoding
//-------------------------------------------------------------------------------------------------

namespace
{
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
}  // namespace

namespace XmlInternal
{
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
}  // namespace XmlInternal
