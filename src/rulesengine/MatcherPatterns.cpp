#include "rulesengine/MatcherPatterns.h"

#include "core/Variant.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace {

bool HasPatternSyntax(const std::string& text) {
    return text.find_first_of("^$\\.*+?()[]{}|") != std::string::npos;
}

/**
 * Whether case-insensitive matching can only give what case-sensitive matching gives: the pattern and
 * the subject are lower-cased already, so that holds unless an escape or a character class names a
 * character by other means than writing it.
 */
bool CaseIsSettled(const std::string& pattern) {
    return pattern.find('\\') == std::string::npos && pattern.find("[:") == std::string::npos &&
           pattern.find("[=") == std::string::npos && pattern.find("[.") == std::string::npos;
}

bool IsQuantifier(char c) { return c == '?' || c == '*' || c == '+' || c == '{'; }

/**
 * Where the quantifiers from `position` on end, and whether they may allow zero repeats (a lazy "?"
 * counts as one that may: the answer only has to be safe); npos when a brace does not close.
 */
size_t SkipQuantifiers(const std::string& pattern, size_t position, bool& allowsZero) {
    allowsZero = false;
    while (position < pattern.size() && IsQuantifier(pattern[position])) {
        const char quantifier = pattern[position];
        allowsZero = allowsZero || quantifier == '?' || quantifier == '*' ||
                     (quantifier == '{' && pattern.compare(position, 2, "{0") == 0);
        if (quantifier != '{') {
            ++position;
            continue;
        }
        position = pattern.find('}', position);
        if (position == std::string::npos) {
            return position;
        }
        ++position;
    }
    return position;
}

/** Where the class opened at `position` ends, or npos. */
size_t SkipClass(const std::string& pattern, size_t position) {
    const size_t close = pattern.find(']', position + 1);
    return close == std::string::npos ? close : close + 1;
}

/**
 * The runs of plain characters outside groups and classes that every match must contain, for a pattern
 * free of escapes (see CaseIsSettled) that compiled. None when an alternation outside groups makes
 * every character optional.
 */
std::vector<std::string> RequiredTexts(const std::string& pattern) {
    std::vector<std::string> runs;
    std::string run;
    const auto endRun = [&] {
        if (!run.empty()) {
            runs.push_back(run);
        }
        run.clear();
    };
    int depth = 0;
    size_t position = 0;
    while (position < pattern.size()) {
        const char c = pattern[position];
        bool allowsZero = false;
        if (c == '|' && depth == 0) {
            return {};
        }
        if (c == '[' || IsQuantifier(c)) {
            position =
                c == '[' ? SkipClass(pattern, position) : SkipQuantifiers(pattern, position, allowsZero);
            endRun();
        } else if (c == '(' || c == ')' || c == '.' || c == '^' || c == '$' || c == '}' || depth > 0) {
            depth += c == '(' ? 1 : (c == ')' ? -1 : 0);
            ++position;
            endRun();
        } else if (position + 1 < pattern.size() && IsQuantifier(pattern[position + 1])) {
            position = SkipQuantifiers(pattern, position + 1, allowsZero);
            if (!allowsZero) {
                run += c;
            }
            endRun();
        } else {
            run += c;
            ++position;
        }
        if (position == std::string::npos) {
            return {};
        }
    }
    endRun();
    return runs;
}

bool HasTopLevelAlternation(const std::string& pattern) {
    int depth = 0;
    size_t position = 0;
    while (position < pattern.size()) {
        const char c = pattern[position];
        if (c == '[') {
            position = SkipClass(pattern, position);
            continue;
        }
        if (c == '|' && depth == 0) {
            return true;
        }
        depth += c == '(' ? 1 : (c == ')' ? -1 : 0);
        ++position;
    }
    return false;
}

std::regex::flag_type Flags(const std::string& pattern) {
    // Ignoring case costs a locale look-up per character; only captures cost more, and none are read.
    return CaseIsSettled(pattern) ? std::regex::ECMAScript | std::regex::nosubs
                                  : std::regex::ECMAScript | std::regex::icase;
}

std::string Anchored(const std::string& pattern, MatcherPatterns::Anchor anchor) {
    switch (anchor) {
        case MatcherPatterns::Anchor::START:
            return "^" + pattern;
        case MatcherPatterns::Anchor::END:
            return pattern + "$";
        case MatcherPatterns::Anchor::NONE:
            break;
    }
    return pattern;
}

}  // namespace

MatcherPatterns::MatcherPatterns(const std::vector<std::shared_ptr<Variant>>& values, Anchor anchor)
    : anchor_(anchor) {
    for (const std::shared_ptr<Variant>& value : values) {
        std::string text;
        if (!value || !value->GetString(text)) {
            continue;
        }
        Pattern pattern;
        pattern.literal = StringUtils::ToLower(text);
        if (HasPatternSyntax(pattern.literal)) {
            try {
                const std::string expression = Anchored(pattern.literal, anchor);
                pattern.expression.emplace(expression, Flags(pattern.literal));
                if (CaseIsSettled(expression)) {
                    pattern.requiredTexts = RequiredTexts(expression);
                    pattern.onlyAtStart = expression[0] == '^' && !HasTopLevelAlternation(expression);
                }
            } catch (const std::regex_error& error) {
                invalidPattern_ = text;
                compileError_ = error.what();
                patterns_.clear();
                return;
            }
        }
        patterns_.push_back(std::move(pattern));
    }
}

bool MatcherPatterns::SearchAny(const std::string& lowerSubject) const {
    for (const Pattern& pattern : patterns_) {
        const bool found = pattern.expression ? SearchExpression(lowerSubject, pattern)
                                              : FindLiteral(lowerSubject, pattern.literal);
        if (found) {
            return true;
        }
    }
    return false;
}

bool MatcherPatterns::SearchExpression(const std::string& lowerSubject, const Pattern& pattern) const {
    for (const std::string& required : pattern.requiredTexts) {
        if (lowerSubject.find(required) == std::string::npos) {
            return false;
        }
    }
    const auto flags =
        pattern.onlyAtStart ? std::regex_constants::match_continuous : std::regex_constants::match_default;
    return std::regex_search(lowerSubject, *pattern.expression, flags);
}

bool MatcherPatterns::FindLiteral(const std::string& lowerSubject, const std::string& literal) const {
    switch (anchor_) {
        case Anchor::START:
            return StringUtils::StartsWith(lowerSubject, literal);
        case Anchor::END:
            return StringUtils::EndsWith(lowerSubject, literal);
        case Anchor::NONE:
            break;
    }
    return lowerSubject.find(literal) != std::string::npos;
}

}  // namespace NuvraMobile
