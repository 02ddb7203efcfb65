// The scanning steps of the OBJ reader over a bounded line of text: blanks, integers, floats and
// the bounded skip of a line's rest. Every helper takes (ptr, end) and never reads at or past end.
#ifndef KYREL_OBJTEXTSCAN_H
#define KYREL_OBJTEXTSCAN_H

#include <cstddef>

// Most characters one skip of a line's rest consumes (the line feed included); what lies beyond
// is read as if a new line started there.
const size_t OBJ_SKIP_LENGTH = 99;

// First character at or after ptr that is not a blank (space, tab, carriage return, vertical tab
// or form feed); line feeds end a line and are never skipped here.
const char* SkipBlanks(const char* ptr, const char* end);

// Past the next line feed, or OBJ_SKIP_LENGTH characters further, or end, whichever comes first.
const char* SkipLineRest(const char* ptr, const char* end);

// Reads an optionally signed decimal integer after blanks, as scanf's %d does (values beyond the
// int range saturate). Returns the position after it, or null when there is no number (value
// is then left untouched).
const char* ScanInt(const char* ptr, const char* end, int& value);

// Reads a float after blanks with the result strtof gives for the same text (plain decimals take
// an exact fast path; exponents, hexadecimal, infinities and NaNs go through strtof). Returns the
// position after it, or null when there is no number (value is then left untouched).
const char* ScanFloat(const char* ptr, const char* end, float& value);

#endif
