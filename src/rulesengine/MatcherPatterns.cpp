#include "rulesengine/MatcherPatterns.h"

#include <re2/re2.h>

#include <algorithm>
#include <iterator>
#include <unordered_map>

#include "core/values/Variant.h"
#include "util/Mutex.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace {

bool HasPatternSyntax(const std::string& text) {
    return text.find_first_of("^$\\.*+?()[]{}|") != std::string::npos;
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

RE2::Options PatternOptions() {
    RE2::Options options;
    options.set_case_sensitive(false);
    options.set_log_errors(false);
    return options;
}

// The matchers of a rules file often repeat their patterns. One compiled expression serves every
// matcher with the same pattern, so a large rule set keeps one automaton per pattern in the caches, not
// one per rule. An expression goes when its last matcher does; the table forgets such entries as it grows.
class SharedExpressions {
public:
    std::shared_ptr<const RE2> Get(const std::string& pattern) {
        MutexLock lock(mutex_);
        std::weak_ptr<const RE2>& entry = entries_[pattern];
        std::shared_ptr<const RE2> expression = entry.lock();
        if (!expression) {
            expression = std::make_shared<const RE2>(pattern, PatternOptions());
            entry = expression;
            ForgetExpiredOnGrowth();
        }
        return expression;
    }

private:
    void ForgetExpiredOnGrowth() NVR_REQUIRES(mutex_) {
        if (entries_.size() < sweepAtSize_) {
            return;
        }
        for (auto entry = entries_.begin(); entry != entries_.end();) {
            entry = entry->second.expired() ? entries_.erase(entry) : std::next(entry);
        }
        sweepAtSize_ = std::max(MINIMUM_SWEEP_SIZE, entries_.size() * 2);
    }

    static constexpr size_t MINIMUM_SWEEP_SIZE = 64;
    Mutex mutex_;
    std::unordered_map<std::string, std::weak_ptr<const RE2>> entries_ NVR_GUARDED_BY(mutex_);
    size_t sweepAtSize_ NVR_GUARDED_BY(mutex_) = MINIMUM_SWEEP_SIZE;
};

std::shared_ptr<const RE2> SharedExpression(const std::string& pattern) {
    // Never destroyed: matchers may outlive static destruction on detached threads.
    static SharedExpressions* const expressions = new SharedExpressions();
    return expressions->Get(pattern);
}

}  // namespace

MatcherPatterns::MatcherPatterns(const std::vector<std::shared_ptr<Variant>>& values, Anchor anchor)
    : anchor_(anchor) {
    std::vector<std::string> anchoredExpressions;
    for (const std::shared_ptr<Variant>& value : values) {
        std::string text;
        if (!value || !value->GetString(text)) {
            continue;
        }
        if (text.size() > MAX_PATTERN_LENGTH) {
            Refuse(text, "longer than " + std::to_string(MAX_PATTERN_LENGTH) + " bytes");
            return;
        }
        std::string lower = StringUtils::ToLower(text);
        if (!HasPatternSyntax(lower)) {
            literals_.push_back(std::move(lower));
            continue;
        }
        std::shared_ptr<const RE2> expression = SharedExpression(Anchored(lower, anchor));
        if (!expression->ok()) {
            Refuse(text, expression->error());
            return;
        }
        anchoredExpressions.push_back(expression->pattern());
        expressions_.push_back(std::move(expression));
    }
    Combine(anchoredExpressions);
}

void MatcherPatterns::Combine(const std::vector<std::string>& anchoredExpressions) {
    if (anchoredExpressions.size() < 2) {
        return;
    }
    // A group of its own around each keeps its meaning ("^a|b" becomes "(?:^a|b)|..."), and one search
    // over the subject replaces one per expression.
    std::string alternation;
    for (const std::string& expression : anchoredExpressions) {
        alternation.append(alternation.empty() ? "(?:" : "|(?:").append(expression).append(")");
    }
    std::shared_ptr<const RE2> combined = SharedExpression(alternation);
    if (combined->ok()) {
        expressions_.assign(1, std::move(combined));
    }
}

void MatcherPatterns::Refuse(const std::string& pattern, const std::string& reason) {
    // Enough of the pattern to recognise it in a log line.
    constexpr size_t shownLength = 80;
    invalidPattern_ = pattern.size() > shownLength ? pattern.substr(0, shownLength) + "..." : pattern;
    compileError_ = reason;
    literals_.clear();
    expressions_.clear();
}

bool MatcherPatterns::LowerSubject(const Variant& value, std::string& out) {
    if (const std::string* text = value.PeekString()) {
        out.assign(*text);
    } else if (!Variant::IsNumericKind(value.GetKind()) || !value.ConvertToString(out)) {
        return false;
    }
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return true;
}

bool MatcherPatterns::SearchAny(const std::string& lowerSubject) const {
    for (const std::string& literal : literals_) {
        if (FindLiteral(lowerSubject, literal)) {
            return true;
        }
    }
    for (const std::shared_ptr<const RE2>& expression : expressions_) {
        // A search with no submatches to fill, without the argument handling of PartialMatch.
        if (expression->Match(lowerSubject, 0, lowerSubject.size(), RE2::UNANCHORED, nullptr, 0)) {
            return true;
        }
    }
    return false;
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
