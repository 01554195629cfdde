#include "rulesengine/MatcherPatterns.h"

#include <re2/re2.h>

#include "core/Variant.h"
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
        auto expression = std::make_shared<const RE2>(Anchored(lower, anchor), PatternOptions());
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
    auto combined = std::make_shared<const RE2>(alternation, PatternOptions());
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
        if (RE2::PartialMatch(lowerSubject, *expression)) {
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
