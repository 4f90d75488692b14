// The parser's messages for people writing scenes by hand: every error line is followed by one
// that gives the file, the line number and the whole offending line with what was expected
// there, and warnings name lines that matched only in part and defaults that spoil a picture.
//
// Matching itself never looks at lines: a mistyped keyword stalls the reader mid-word, and the
// error shows up later where the next section should begin. So each pattern that stops short
// leaves a note of where it stopped; when the parse stalls there, the first pattern that stopped
// at that very place is the line the author got wrong.
#include <algorithm>
#include <cctype>
#include <vector>

#include "scene/parse_state.h"

namespace {

// More would only bury the first ones; the rest are counted in one line.
constexpr std::size_t kMostWarnings = 100;

std::string_view fileText(const SceneParser& parser) { return parser.in.text; }

int lineNumber(SceneParser& parser, std::size_t at) {
    ParseMessages& messages = parser.messages;
    std::string_view text = fileText(parser);
    at = std::min(at, text.size());
    if (at < messages.countedUpTo) {
        messages.countedUpTo = 0;
        messages.lineAtCounted = 1;
    }
    messages.lineAtCounted += static_cast<int>(
        std::count(text.begin() + static_cast<std::ptrdiff_t>(messages.countedUpTo),
                   text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
    messages.countedUpTo = at;
    return messages.lineAtCounted;
}

std::size_t lineBegin(std::string_view text, std::size_t at) {
    std::size_t newline = at == 0 ? std::string_view::npos : text.rfind('\n', std::min(at, text.size()) - 1);
    return newline == std::string_view::npos ? 0 : newline + 1;
}

// The first non-blank character of the line holding `at`.
std::size_t lineFirstNonBlank(std::string_view text, std::size_t at) {
    std::size_t first = lineBegin(text, at);
    while (first < text.size() && (text[first] == ' ' || text[first] == '\t')) ++first;
    return first;
}

std::string_view wordAt(std::string_view text, std::size_t at) {
    std::size_t end = at;
    while (end < text.size() && !isSpace(text[end])) ++end;
    return text.substr(at, end - at);
}

std::string upperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

bool looksLikeComment(std::string_view word) {
    return word.starts_with("#") || word.starts_with("//") || word.starts_with(";") || word.starts_with("--");
}

// The first keyword of a pattern: "DIFFUSE:" of "\tDIFFUSE: %f %f %f %f\n".
std::string_view firstKeyword(std::string_view pattern) {
    std::size_t at = 0;
    while (at < pattern.size() && isSpace(pattern[at])) ++at;
    std::string_view word = wordAt(pattern, at);
    return word.starts_with("%") ? std::string_view{} : word;
}

// What the written word suggests went wrong with the keyword, or nothing.
std::string keywordHint(std::string_view written, std::string_view keyword) {
    if (looksLikeComment(written)) return "scene files have no comments";
    if (keyword.empty() || written == keyword) return {};
    if (upperCase(written) == keyword) return "keywords are upper case";
    std::string_view bare = keyword.ends_with(":") ? keyword.substr(0, keyword.size() - 1) : keyword;
    if (keyword == bare && written.size() == keyword.size() + 1 && written.starts_with(keyword) &&
        written.back() == ':')
        return std::string(keyword) + " takes no colon";
    if (keyword != bare && written == bare) return std::string(bare) + " needs a colon";
    return {};
}

int valueCount(std::string_view pattern) {
    int count = 0;
    for (std::size_t at = pattern.find('%'); at != std::string_view::npos; at = pattern.find('%', at + 1))
        if (at + 1 < pattern.size() && pattern[at + 1] != '*') ++count;
    return count;
}

std::string countedPhrase(int count, const char* one, const char* many) {
    static const char* const kWords[] = {"no", "a", "two", "three", "four", "five", "six", "seven", "eight", "nine"};
    if (count == 1) return std::string("a ") + one;
    return (count < 10 ? std::string(kWords[count]) : std::to_string(count)) + " " + many;
}

void keepWarning(SceneParser& parser, Warning warning) {
    ParseMessages& messages = parser.messages;
    if (messages.warnings.size() >= kMostWarnings) {
        ++messages.warningsNotKept;
        return;
    }
    messages.warnings.push_back(std::move(warning));
}

// Where the last stall is and what it means, for an error's location line.
std::pair<std::size_t, std::string> explainLastFailure(const SceneParser& parser) {
    std::string_view text = fileText(parser);
    const PatternFailure& failure = parser.messages.lastFailure;
    if (failure.stop == std::string_view::npos) {
        std::size_t here = nextNonBlank(parser, parser.in.position);
        return {here, "unexpected text"};
    }
    std::string why;
    std::string_view written = wordAt(text, failure.start);
    if (failure.stop == failure.start && failure.start != lineFirstNonBlank(text, failure.start))
        why = "unexpected " + quotedForLog(written) + " after the line's last value; ";
    why += "expected " + describePattern(failure.pattern);
    std::string hint = keywordHint(written, firstKeyword(failure.pattern));
    if (!hint.empty()) why += "; " + hint;
    return {failure.start, why};
}

}  // namespace

std::size_t nextNonBlank(const SceneParser& parser, std::size_t at) {
    std::string_view text = fileText(parser);
    while (at < text.size() && isSpace(text[at])) ++at;
    return at;
}

bool startsLine(const SceneParser& parser, std::size_t at) { return lineFirstNonBlank(fileText(parser), at) == at; }

std::string quotedLine(const SceneParser& parser, std::size_t at) {
    std::string_view text = fileText(parser);
    at = std::min(at, text.size());
    std::size_t first = lineFirstNonBlank(text, at);
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    while (end > first && isSpace(text[end - 1])) --end;
    // A long line (a whole block on one line) is shown from the place in question.
    constexpr std::size_t kLead = 30;
    constexpr std::size_t kLongest = 72;
    if (at > first + kLead && at < end) return "'..." + quotedForLog(text.substr(at, end - at), kLongest).substr(1);
    return quotedForLog(text.substr(first, end > first ? end - first : 0), kLongest);
}

std::string describePattern(std::string_view pattern) {
    struct Group {
        std::string keyword;
        char kind = 0;  // 'f' number, 'd' whole number, 's' file name, 'q' quoted name
        int count = 0;
    };
    std::vector<Group> groups;
    for (std::size_t at = 0; at < pattern.size();) {
        if (isSpace(pattern[at])) {
            ++at;
            continue;
        }
        std::string_view token = wordAt(pattern, at);
        at += token.size();
        char kind = token == "\"%s\"" ? 'q' : token.starts_with("%") ? token.back() : 0;
        if (kind == 0 || groups.empty() || (groups.back().count > 0 && groups.back().kind != kind))
            groups.push_back({kind == 0 ? std::string(token) : std::string{}, kind, 0});
        if (kind != 0) {
            groups.back().kind = kind;
            ++groups.back().count;
        }
    }
    std::string words;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const Group& group = groups[i];
        std::string values;
        if (group.kind == 'f') values = countedPhrase(group.count, "number", "numbers");
        if (group.kind == 'd') values = countedPhrase(group.count, "whole number", "whole numbers");
        if (group.kind == 's') values = "a file name or None";
        if (group.kind == 'q') values = "a name in double quotes";
        std::string part = group.keyword.empty() ? values : values.empty() ? group.keyword : group.keyword + " and " + values;
        if (!words.empty()) words += groups[i - 1].count == 0 ? " " : ", ";
        words += part;
    }
    return words;
}

std::string writtenName(const std::string& name) { return "\"" + name; }

LineMatch matchLine(SceneParser& parser, std::string_view pattern, std::initializer_list<PatternTarget> targets) {
    std::size_t before = parser.in.position;
    PatternMatch match = matchWholePattern(parser.in, pattern, targets);
    LineMatch line{match.result, LineFit::whole, before};
    if (match.whole) return line;
    line.start = nextNonBlank(parser, before);
    std::size_t stop = nextNonBlank(parser, parser.in.position);
    line.fit = stop > line.start ? LineFit::part : LineFit::missing;
    // Once a line has stalled the parse, what the later patterns make of the same text says
    // nothing new. A pattern that matched nothing at all has not stalled anything: a section
    // ending there is normal, and the next pattern may well match.
    PatternFailure& last = parser.messages.lastFailure;
    line.afterStall = last.stalled && line.start == last.stop;
    if (!line.afterStall && stop != last.stop) last = {stop, line.start, pattern, line.fit == LineFit::part};
    if (line.fit == LineFit::part) {
        std::string_view text = fileText(parser);
        std::string why = quotedLine(parser, line.start) + ": expected " + describePattern(pattern);
        int values = valueCount(pattern);
        if (match.result > 0 && match.result < values)
            why += "; only " + std::to_string(match.result) + " of its " + std::to_string(values) + " values were read";
        std::string hint = keywordHint(wordAt(text, line.start), firstKeyword(pattern));
        if (!hint.empty()) why += "; " + hint;
        keepWarning(parser, {lineBegin(text, line.start), std::move(why), true});
    }
    return line;
}

void countError(SceneParser& parser) {
    if (parser.log.problems) ++parser.log.problems->errors;
}

void reportError(SceneParser& parser, const std::string& errorLine, std::size_t at, const std::string& why) {
    std::string_view text = fileText(parser);
    // A line that matched only in part is explained here; no warning repeats it.
    std::size_t begin = lineBegin(text, at);
    std::erase_if(parser.messages.warnings,
                  [begin](const Warning& warning) { return warning.partLine && warning.offset == begin; });
    failureStream(parser.log) << errorLine << "\n  " << parser.messages.sourceName << ":" << lineNumber(parser, at)
                              << ": " << quotedLine(parser, at) << ": " << why << "\n";
    countError(parser);
}

void reportErrorAtLastFailure(SceneParser& parser, const std::string& errorLine, const std::string& note) {
    auto [at, why] = explainLastFailure(parser);
    reportError(parser, errorLine, at, why + note);
}

void warn(SceneParser& parser, std::size_t at, std::string text) { keepWarning(parser, {at, std::move(text)}); }

void printWarnings(SceneParser& parser) {
    ParseMessages& messages = parser.messages;
    std::stable_sort(messages.warnings.begin(), messages.warnings.end(),
                     [](const Warning& a, const Warning& b) { return a.offset < b.offset; });
    std::ostream& out = failureStream(parser.log);
    for (const Warning& warning : messages.warnings)
        out << "warning: " << messages.sourceName << ":" << lineNumber(parser, warning.offset) << ": " << warning.text
            << "\n";
    if (messages.warningsNotKept > 0)
        out << "warning: " << messages.sourceName << ": " << messages.warningsNotKept << " more warnings not shown\n";
    if (parser.log.problems)
        parser.log.problems->warnings += static_cast<int>(messages.warnings.size() + messages.warningsNotKept);
}
