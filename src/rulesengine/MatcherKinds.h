#pragma once

#include <memory>
#include <string>

#include "rulesengine/Matcher.h"
#include "rulesengine/MatcherPatterns.h"

namespace NuvraMobile {

/*
 * The twelve matcher kinds of the rules file. Immutable once built; Matches may run on any thread.
 * Values that hold nothing (a null, array or object in the rules file) are skipped by every kind.
 */

/** "eq": any value equals the event value (texts ignore case; see Matches for the mixed kinds). */
class MatcherEquals : public Matcher {
public:
    /**
     * Strings compare without case; a string against a number compares the number's text; numbers
     * compare as doubles. The first comparison that involves a boolean ends the search with its
     * answer (an integer rule value 1 or 0 stands for true or false; a double never does).
     */
    bool Matches(const std::shared_ptr<Variant>& value) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

/** "ne": a present event value that equals no value. */
class MatcherNotEquals : public MatcherEquals {
public:
    bool Matches(const std::shared_ptr<Variant>& value) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

/** "gt": the event value is greater than any value, both read as numbers. */
class MatcherGreaterThan : public Matcher {
public:
    bool Matches(const std::shared_ptr<Variant>& value) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

/** "ge": the event value is greater than or equal to any value, both read as numbers. */
class MatcherGreaterThanOrEqual : public Matcher {
public:
    bool Matches(const std::shared_ptr<Variant>& value) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

/** "lt": the event value is less than any value, both read as numbers. */
class MatcherLessThan : public Matcher {
public:
    bool Matches(const std::shared_ptr<Variant>& value) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

/** "le": the event value is less than or equal to any value, both read as numbers. */
class MatcherLessThanOrEqual : public Matcher {
public:
    bool Matches(const std::shared_ptr<Variant>& value) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

/**
 * The common part of the pattern kinds: every string value, taken as a case-insensitive regular
 * expression, is searched in the text of the event value (a string, or a number's text). A value that
 * is not a valid expression makes the matcher never match.
 */
class PatternMatcher : public Matcher {
public:
    bool Matches(const std::shared_ptr<Variant>& value) const override;
    bool MatchesInPass(const std::shared_ptr<Variant>& value, RuleTokenParser& parser) const override;

protected:
    explicit PatternMatcher(MatcherPatterns::Anchor anchor) : anchor_(anchor) {}
    void OnValuesChanged() override;
    /**
     * The search without the validity check, in the value's lowered subject when one is given (made
     * once per pass), else in one made here; false for a value that has no text.
     */
    bool Finds(const Variant& value, const std::string* lowerSubject) const;
    bool HasValidPatterns() const { return patterns_.IsValid(); }

private:
    const MatcherPatterns::Anchor anchor_;
    MatcherPatterns patterns_;
};

/** "co": any value is found anywhere in the event value's text. */
class MatcherContains : public PatternMatcher {
public:
    MatcherContains() : PatternMatcher(MatcherPatterns::Anchor::NONE) {}
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

/** "nc": a present event value in which no value is found; never matches when a pattern is invalid. */
class MatcherNotContains : public MatcherContains {
public:
    bool Matches(const std::shared_ptr<Variant>& value) const override;
    bool MatchesInPass(const std::shared_ptr<Variant>& value, RuleTokenParser& parser) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

/** "sw": any value, anchored at the start, is found in the event value's text. */
class MatcherStartsWith : public PatternMatcher {
public:
    MatcherStartsWith() : PatternMatcher(MatcherPatterns::Anchor::START) {}
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

/** "ew": any value, anchored at the end, is found in the event value's text. */
class MatcherEndsWith : public PatternMatcher {
public:
    MatcherEndsWith() : PatternMatcher(MatcherPatterns::Anchor::END) {}
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

/** "ex": the key resolves to a value. */
class MatcherExists : public Matcher {
public:
    bool Matches(const std::shared_ptr<Variant>& value) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;

protected:
    bool ReadsValues() const override { return false; }
};

/** "nx": the key resolves to nothing. */
class MatcherNotExists : public MatcherExists {
public:
    bool Matches(const std::shared_ptr<Variant>& value) const override;
    std::string ToStringImpl(const ToStringOptions& options) const override;
};

}  // namespace NuvraMobile
