#include "rulesengine/TokenTemplate.h"

#include <string_view>
#include <unordered_map>
#include <utility>

#include "rulesengine/RuleTokenParser.h"

namespace NuvraMobile {

TokenTemplate::TokenTemplate(std::string text) : text_(std::move(text)) {
    // Slot of each distinct token text, so a text with many distinct tokens is taken apart in linear time.
    std::unordered_map<std::string_view, size_t> slots;
    RuleTokenParser::ForEachToken(text_, [this, &slots](size_t start, size_t end) {
        const std::string_view token(text_.data() + start, end - start);
        auto slot = slots.find(token);
        if (slot == slots.end()) {
            std::string tokenText(token);
            const bool urlEncode = tokenText.find(RuleTokenParser::KEY_URL_ENCODE) == 2;
            std::string key = RuleTokenParser::GetKeyFromToken(tokenText, urlEncode);
            if (key.empty()) {
                return;
            }
            tokens_.push_back(Token{std::move(tokenText), RuleKey(std::move(key)), urlEncode});
            slot = slots.emplace(token, tokens_.size() - 1).first;
        }
        occurrences_.push_back(Occurrence{start, end, slot->second});
    });
}

std::string TokenTemplate::Fill(const std::vector<std::string>& values) const {
    std::string filled;
    size_t copied = 0;
    for (const Occurrence& occurrence : occurrences_) {
        filled.append(text_, copied, occurrence.start - copied).append(values[occurrence.token]);
        copied = occurrence.end;
    }
    return filled.append(text_, copied, std::string::npos);
}

}  // namespace NuvraMobile
