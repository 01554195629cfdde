#include "rulesengine/MatcherPatterns.h"

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
                pattern.expression.emplace(Anchored(pattern.literal, anchor),
                                           std::regex::ECMAScript | std::regex::icase);
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
        const bool found = pattern.expression ? std::regex_search(lowerSubject, *pattern.expression)
                                              : FindLiteral(lowerSubject, pattern.literal);
        if (found) {
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
