// The scanf-like matcher of the scene-file parser; the rules are listed in pattern.h.
#include "scene/pattern.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char lowerCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithWord(std::string_view text, std::size_t at, std::string_view lowerWord) {
    if (text.size() - at < lowerWord.size()) return false;
    for (std::size_t i = 0; i < lowerWord.size(); ++i)
        if (lowerCase(text[at + i]) != lowerWord[i]) return false;
    return true;
}

std::size_t skipDigits(std::string_view text, std::size_t at) {
    while (at < text.size() && isDigit(text[at])) ++at;
    return at;
}

// The end of "inf", "infinity", "nan" or "nan(chars)" starting at `at`, or `at` itself.
std::size_t scanSpecialReal(std::string_view text, std::size_t at) {
    char first = lowerCase(text[at]);
    if (first != 'i' && first != 'n') return at;
    if (startsWithWord(text, at, "infinity")) return at + 8;
    if (startsWithWord(text, at, "inf")) return at + 3;
    if (!startsWithWord(text, at, "nan")) return at;
    std::size_t end = at + 3;
    if (end >= text.size() || text[end] != '(') return end;
    std::size_t close = end + 1;
    while (close < text.size() && (isDigit(text[close]) || text[close] == '_' ||
                                   (lowerCase(text[close]) >= 'a' && lowerCase(text[close]) <= 'z')))
        ++close;
    return close < text.size() && text[close] == ')' ? close + 1 : end;
}

// The value of an exponent part "e[+-]digits" (or of an empty one), held within +-10^6.
long long exponentValue(std::string_view part) {
    if (part.size() < 2) return 0;
    std::size_t at = 1;
    bool negative = part[at] == '-';
    if (part[at] == '+' || part[at] == '-') ++at;
    long long value = 0;
    for (; at < part.size(); ++at)
        if (value < 1000000) value = value * 10 + (part[at] - '0');
    return negative ? -value : value;
}

// For a decimal number beyond the float range: whether it overflowed (magnitude of at least 1)
// rather than underflowed. Written as 0.d... x 10^scale with d the first non-zero digit, it
// is at least 1 exactly when scale plus the exponent is positive.
bool isLargeMagnitude(std::string_view number) {
    std::size_t mantissaEnd = std::min(number.find_first_of("eE"), number.size());
    std::string_view mantissa = number.substr(0, mantissaEnd);
    std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    std::string_view whole = mantissa.substr(0, point);
    std::string_view fraction = point < mantissa.size() ? mantissa.substr(point + 1) : std::string_view{};
    long long scale = 0;
    std::size_t firstWhole = whole.find_first_not_of('0');
    if (firstWhole != std::string_view::npos) {
        scale = static_cast<long long>(whole.size() - firstWhole);
    } else {
        std::size_t firstFraction = fraction.find_first_not_of('0');
        if (firstFraction == std::string_view::npos) return false;
        scale = -static_cast<long long>(firstFraction);
    }
    return scale + exponentValue(number.substr(mantissaEnd)) > 0;
}

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kLargestExactPower = 22;

// The float nearest a decimal number given as its digits (at most 19, `significant` of them
// after the leading zeros) times ten to the `scale`, by a quick exact route that covers the
// numbers scene files hold; false (and nothing stored) where only the full conversion gives
// the right float.
//
// With at most 15 significant digits and a power of ten up to 22, the digits and the power are
// both exact doubles, so one IEEE division or multiplication gives the correctly rounded double
// q of the decimal. Rounding q once more to float gives the correctly rounded float unless q
// lies exactly halfway between two floats: the decimal then may lie on either side, so that
// case, as well as results outside the normal float range, is left to the full conversion.
bool quickValue(std::uint64_t digits, int significant, int scale, float& value) {
    if (significant > 15) return false;
    if (digits == 0) {
        value = 0.0f;
        return true;
    }
    if (scale < -kLargestExactPower || scale > kLargestExactPower) return false;
    double q = scale < 0 ? static_cast<double>(digits) / kExactPowersOfTen[-scale]
                         : static_cast<double>(digits) * kExactPowersOfTen[scale];
    if (!(q >= static_cast<double>(std::numeric_limits<float>::min()) &&
          q <= static_cast<double>(std::numeric_limits<float>::max())))
        return false;
    // Halfway between two floats: the 29 bits a float drops are exactly 1000...0.
    std::uint64_t bits = 0;
    std::memcpy(&bits, &q, sizeof bits);
    constexpr std::uint64_t kDroppedBits = (std::uint64_t{1} << 29) - 1;
    if ((bits & kDroppedBits) == (std::uint64_t{1} << 28)) return false;
    value = static_cast<float>(q);
    return true;
}

// The same from the text of a decimal number as readReal delimits it.
bool quickDecimalValue(std::string_view number, float& value) {
    std::uint64_t digits = 0;
    int significant = 0;
    int scale = 0;
    std::size_t at = 0;
    auto takeDigit = [&](char c) {
        digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        if (digits != 0) ++significant;
    };
    for (; at < number.size() && isDigit(number[at]); ++at) takeDigit(number[at]);
    if (at < number.size() && number[at] == '.')
        for (++at; at < number.size() && isDigit(number[at]); ++at) {
            takeDigit(number[at]);
            --scale;
        }
    if (at < number.size()) {  // the exponent: 'e', an optional sign, digits
        std::string_view exponent = number.substr(at);
        if (exponent.size() > 6) return false;
        scale += static_cast<int>(exponentValue(exponent));
    }
    return quickValue(digits, significant, scale, value);
}

float decimalValue(std::string_view number) {
    float value = 0;
    if (quickDecimalValue(number, value)) return value;
    auto result = std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        return isLargeMagnitude(number) ? std::numeric_limits<float>::infinity() : 0.0f;
    return value;
}

float specialValue(std::string_view word) {
    return lowerCase(word[0]) == 'i' ? std::numeric_limits<float>::infinity()
                                     : std::numeric_limits<float>::quiet_NaN();
}

// The three conversions, white space already skipped. A null target discards the value;
// false means a mismatch (nothing of the kind begins here, or a target of the wrong kind).
bool convertReal(TextCursor& cursor, const PatternTarget* target) {
    float* const* out = target ? std::get_if<float*>(target) : nullptr;
    if (target && !out) return false;
    std::optional<float> value = readReal(cursor);
    if (value && out) **out = *value;
    return value.has_value();
}

bool convertInt(TextCursor& cursor, const PatternTarget* target) {
    int* const* out = target ? std::get_if<int*>(target) : nullptr;
    if (!out) return false;
    std::optional<int> value = readInt(cursor);
    if (value) **out = *value;
    return value.has_value();
}

bool convertToken(TextCursor& cursor, const PatternTarget* target) {
    std::string* const* out = target ? std::get_if<std::string*>(target) : nullptr;
    if (!out) return false;
    std::size_t end = cursor.position;
    while (end < cursor.text.size() && !isSpace(cursor.text[end])) ++end;
    (*out)->assign(cursor.text.substr(cursor.position, end - cursor.position));
    cursor.position = end;
    return true;
}

bool convert(TextCursor& cursor, char conversion, const PatternTarget* target) {
    switch (conversion) {
        case 'f': return convertReal(cursor, target);
        case 'd': return convertInt(cursor, target);
        case 's': return convertToken(cursor, target);
        default: return false;
    }
}

enum class Outcome { Stored, Discarded, Mismatch, EndOfInput };

// One %f, %d, %s or %*f directive; `p` indexes its '%' and is moved past it.
Outcome matchConversion(TextCursor& cursor, std::string_view pattern, std::size_t& p, const PatternTarget*& nextTarget,
                        const PatternTarget* lastTarget) {
    bool discard = p + 1 < pattern.size() && pattern[p + 1] == '*';
    std::size_t conversionAt = p + (discard ? 2 : 1);
    char conversion = conversionAt < pattern.size() ? pattern[conversionAt] : '\0';
    p = conversionAt + 1;
    skipSpace(cursor);
    if (atEnd(cursor)) return Outcome::EndOfInput;
    const PatternTarget* target = nullptr;
    if (!discard) {
        if (nextTarget == lastTarget) return Outcome::Mismatch;
        target = nextTarget++;
    }
    if (!convert(cursor, conversion, target)) return Outcome::Mismatch;
    return discard ? Outcome::Discarded : Outcome::Stored;
}

int endResult(int stored) { return stored > 0 ? stored : kEndOfInput; }

}  // namespace

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

void skipSpace(TextCursor& cursor) {
    while (cursor.position < cursor.text.size() && isSpace(cursor.text[cursor.position])) ++cursor.position;
}

bool atEnd(const TextCursor& cursor) { return cursor.position >= cursor.text.size(); }

std::size_t remainingBytes(const TextCursor& cursor) {
    return atEnd(cursor) ? 0 : cursor.text.size() - cursor.position;
}

// One pass over the number, gathering its digits on the way so that the common case needs no
// second look. An exponent counts only when digits follow its letter and optional sign.
std::optional<float> readReal(TextCursor& cursor) {
    std::string_view text = cursor.text;
    std::size_t start = cursor.position;
    bool negative = start < text.size() && text[start] == '-';
    std::size_t body = start < text.size() && (text[start] == '-' || text[start] == '+') ? start + 1 : start;
    if (body >= text.size()) return std::nullopt;
    std::size_t end = body;
    std::uint64_t digits = 0;
    int significant = 0;
    int scale = 0;
    for (; end < text.size() && isDigit(text[end]); ++end) {
        digits = digits * 10 + static_cast<std::uint64_t>(text[end] - '0');
        significant += digits != 0;
    }
    std::size_t digitCount = end - body;
    if (end < text.size() && text[end] == '.') {
        std::size_t fraction = ++end;
        for (; end < text.size() && isDigit(text[end]); ++end) {
            digits = digits * 10 + static_cast<std::uint64_t>(text[end] - '0');
            significant += digits != 0;
        }
        scale = -static_cast<int>(end - fraction);
        digitCount += end - fraction;
    }
    float magnitude = 0;
    if (digitCount == 0) {
        end = scanSpecialReal(text, body);
        if (end == body) return std::nullopt;
        magnitude = specialValue(text.substr(body, end - body));
    } else {
        bool plain = true;  // no exponent part
        if (end < text.size() && lowerCase(text[end]) == 'e') {
            std::size_t exponent = end + 1;
            if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
            if (exponent < text.size() && isDigit(text[exponent])) {
                end = skipDigits(text, exponent);
                plain = false;
            }
        }
        std::string_view number = text.substr(body, end - body);
        if (!(plain && quickValue(digits, significant, scale, magnitude))) magnitude = decimalValue(number);
    }
    cursor.position = end;
    return negative ? -magnitude : magnitude;
}

std::optional<int> readInt(TextCursor& cursor) {
    std::string_view text = cursor.text;
    std::size_t at = cursor.position;
    bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
    if (at >= text.size() || !isDigit(text[at])) return std::nullopt;
    // Accumulate up to just beyond the int range, then clamp.
    constexpr std::int64_t limit = static_cast<std::int64_t>(INT_MAX) + 1;
    std::int64_t magnitude = 0;
    for (; at < text.size() && isDigit(text[at]); ++at)
        if (magnitude <= limit) magnitude = magnitude * 10 + (text[at] - '0');
    if (magnitude > limit) magnitude = limit;
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT_MAX) value = INT_MAX;
    cursor.position = at;
    return static_cast<int>(value);
}

namespace {
// Matches the pattern and returns its result; `stop` is where in the pattern matching stopped
// (the pattern's size when all of it matched).
int matchPatternUpTo(TextCursor& cursor, std::string_view pattern, std::initializer_list<PatternTarget> targets,
                     std::size_t& stop) {
    int stored = 0;
    const PatternTarget* nextTarget = targets.begin();
    std::size_t p = 0;
    while (p < pattern.size()) {
        char c = pattern[p];
        stop = p;
        if (isSpace(c)) {
            skipSpace(cursor);
            while (p < pattern.size() && isSpace(pattern[p])) ++p;
        } else if (c == '%') {
            Outcome outcome = matchConversion(cursor, pattern, p, nextTarget, targets.end());
            if (outcome == Outcome::EndOfInput) return endResult(stored);
            if (outcome == Outcome::Mismatch) return stored;
            if (outcome == Outcome::Stored) ++stored;
        } else {
            if (atEnd(cursor)) return endResult(stored);
            if (cursor.text[cursor.position] != c) return stored;
            ++cursor.position;
            ++p;
        }
    }
    stop = pattern.size();
    return stored;
}
}  // namespace

int matchPattern(TextCursor& cursor, std::string_view pattern, std::initializer_list<PatternTarget> targets) {
    std::size_t stop = 0;
    return matchPatternUpTo(cursor, pattern, targets, stop);
}

PatternMatch matchWholePattern(TextCursor& cursor, std::string_view pattern,
                               std::initializer_list<PatternTarget> targets) {
    std::size_t stop = 0;
    PatternMatch match;
    match.result = matchPatternUpTo(cursor, pattern, targets, stop);
    bool quoteAfterToken = stop >= 2 && stop < pattern.size() && pattern[stop] == '"' &&
                           pattern.substr(stop - 2, 2) == "%s";
    match.whole = stop == pattern.size() || quoteAfterToken;
    return match;
}
