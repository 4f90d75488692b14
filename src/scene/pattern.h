// Line patterns over text in memory: the scanf-like matching that the scene-file parser is
// built on, written out so that every rule is ours and nothing depends on the C library's
// buffers, locale or fixed-size name arrays.
//
// Rules of matchPattern:
// - White space in a pattern (blank, tab, line break) matches any run of white space in the
//   input, including none. White space is ' ', '\t', '\n', '\v', '\f' and '\r', so files
//   written with "\r\n" line ends read like any other.
// - %f skips white space and reads a real number: the longest prefix of the input that strtof
//   would accept as decimal (sign, digits with an optional fraction, optional exponent), or
//   "inf", "infinity" or "nan" (optionally "nan(chars)") in any case. Values beyond the float
//   range become an infinity, values too small for it become zero, as strtof makes them.
// - %d skips white space and reads an optional sign and decimal digits. Values outside the
//   int range are clamped to INT_MIN or INT_MAX (never undefined).
// - %s skips white space and reads the run of characters up to the next white space, of any
//   length.
// - %*f reads a real number and discards it.
// - Every other pattern character must appear in the input exactly.
// Matching stops at the first input character that does not fit; it stays unread, what was
// matched before it is consumed, and the values read so far are stored. A number that does
// not begin where one is expected consumes nothing. The result is the number of values
// stored, or kEndOfInput when the input ended before anything was stored.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// A read position in a text that stays alive (and unchanged) while the cursor is used.
struct TextCursor {
    std::string_view text;
    std::size_t position = 0;
};

inline constexpr int kEndOfInput = -1;

// Where a %f, %d or %s stores its value, in pattern order. A directive whose target has the
// wrong kind ends the match as a mismatch would.
using PatternTarget = std::variant<float*, int*, std::string*>;

int matchPattern(TextCursor& cursor, std::string_view pattern, std::initializer_list<PatternTarget> targets = {});

// The same, also telling whether the whole pattern matched. A pattern whose "%s" is followed by
// a closing quote counts as whole when matching stops at that quote: the token has already
// taken the quote in (the quoted-name rule of the scene format).
struct PatternMatch {
    int result = 0;
    bool whole = false;
};
PatternMatch matchWholePattern(TextCursor& cursor, std::string_view pattern,
                               std::initializer_list<PatternTarget> targets = {});

bool isSpace(char c);
void skipSpace(TextCursor& cursor);
bool atEnd(const TextCursor& cursor);
std::size_t remainingBytes(const TextCursor& cursor);

// The number readers behind %f and %d, reading at the cursor without skipping white space;
// when no number begins there they consume nothing and return no value.
std::optional<float> readReal(TextCursor& cursor);
std::optional<int> readInt(TextCursor& cursor);
