#include "rulesengine/TokenTemplate.h"

#include <utility>

#include "rulesengine/RuleTokenParser.h"

namespace NuvraMobile {

TokenTemplate::TokenTemplate(std::string text) : text_(std::move(text)) {
    RuleTokenParser::ForEachToken(text_, [this](size_t start, size_t end) {
        const std::string token = text_.substr(start, end - start);
        size_t index = 0;
        while (index < tokens_.size() && tokens_[index].text != token) {
            ++index;
        }
        if (index == tokens_.size()) {
            const bool urlEncode = token.find(RuleTokenParser::KEY_URL_ENCODE) == 2;
            std::string key = RuleTokenParser::GetKeyFromToken(token, urlEncode);
            if (key.empty()) {
                return;
            }
            tokens_.push_back(Token{token, RuleKey(std::move(key)), urlEncode});
        }
        occurrences_.push_back(Occurrence{start, end, index});
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
