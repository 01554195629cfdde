#pragma once

#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace NuvraMobile {

class Variant;

/**
 * The compiled patterns of a pattern matcher: every string value, lower-cased and unescaped, is a
 * regular expression (ECMAScript, case-insensitive), optionally anchored at the start or the end.
 * Compiled once when the matcher is built; a value free of pattern syntax is searched as plain text,
 * which finds exactly what the expression would, and an expression is only run on subjects that hold
 * the texts every one of its matches must contain. Immutable after building; any thread may search.
 */
class MatcherPatterns {
public:
    enum class Anchor { NONE, START, END };

    MatcherPatterns() = default;
    /** Values that are not strings are skipped; a value that does not compile marks the set invalid. */
    MatcherPatterns(const std::vector<std::shared_ptr<Variant>>& values, Anchor anchor);

    /** False when some value did not compile: such a matcher never matches. */
    bool IsValid() const { return invalidPattern_.empty(); }
    const std::string& GetInvalidPattern() const { return invalidPattern_; }
    const std::string& GetCompileError() const { return compileError_; }
    /** Whether any pattern is found in the (already lower-cased) subject. */
    bool SearchAny(const std::string& lowerSubject) const;

private:
    struct Pattern {
        std::string literal;
        std::optional<std::regex> expression;
        /** Texts that every match contains; a subject without one of them is not searched. */
        std::vector<std::string> requiredTexts;
        /** Only a match at the start of the subject is possible. */
        bool onlyAtStart = false;
    };
    bool SearchExpression(const std::string& lowerSubject, const Pattern& pattern) const;
    bool FindLiteral(const std::string& lowerSubject, const std::string& literal) const;

    Anchor anchor_ = Anchor::NONE;
    std::vector<Pattern> patterns_;
    std::string invalidPattern_;
    std::string compileError_;
};

}  // namespace NuvraMobile
