#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace re2 {
class RE2;
}

namespace NuvraMobile {

class Variant;

/**
 * The compiled patterns of a pattern matcher: every string value, lower-cased and unescaped, is a
 * case-insensitive regular expression, optionally anchored at the start or the end. Patterns come from
 * the server, so they run on an engine whose time is linear in the subject and which never recurses on
 * the thread's stack; it has no back-references or look-around, and a pattern that needs them, does
 * not compile, or is longer than MAX_PATTERN_LENGTH is refused. Compiled once when the matcher is
 * built; a value free of pattern syntax is searched as plain text, and the expressions of one matcher
 * are searched together as one alternation (each compiled alone first, to refuse the bad one by name).
 * Matchers with the same expression share its compiled form. Immutable after building; any thread may
 * search.
 */
class MatcherPatterns {
public:
    enum class Anchor { NONE, START, END };

    /** Longer patterns are refused before they are compiled. */
    static constexpr std::size_t MAX_PATTERN_LENGTH = 4096;

    MatcherPatterns() = default;
    /** Values that are not strings are skipped; a refused value marks the set invalid. */
    MatcherPatterns(const std::vector<std::shared_ptr<Variant>>& values, Anchor anchor);

    /** False when some value was refused: such a matcher never matches. */
    bool IsValid() const { return invalidPattern_.empty(); }
    const std::string& GetInvalidPattern() const { return invalidPattern_; }
    const std::string& GetCompileError() const { return compileError_; }
    /** Whether any pattern is found in the (already lower-cased) subject. */
    bool SearchAny(const std::string& lowerSubject) const;

    /** The subject patterns search in an event value: a string's or a number's text, lower-cased. */
    static bool LowerSubject(const Variant& value, std::string& out);

private:
    bool FindLiteral(const std::string& lowerSubject, const std::string& literal) const;
    void Refuse(const std::string& pattern, const std::string& reason);
    /** One expression for all, or each alone when the alternation is too large to compile. */
    void Combine(const std::vector<std::string>& anchoredExpressions);

    Anchor anchor_ = Anchor::NONE;
    std::vector<std::string> literals_;
    std::vector<std::shared_ptr<const re2::RE2>> expressions_;
    std::string invalidPattern_;
    std::string compileError_;
};

}  // namespace NuvraMobile
