#include "rulesengine/RuleKey.h"

#include <functional>
#include <string_view>
#include <utility>

#include "rulesengine/RuleTokenParser.h"

namespace NuvraMobile {

namespace {

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

}  // namespace

RuleKey::RuleKey(std::string text) : text_(std::move(text)), hash_(HashOf(text_)) {
    using Parser = RuleTokenParser;
    static const std::pair<const char*, Special> specialKeys[] = {
        {Parser::KEY_EVENT_TYPE, Special::TYPE},
        {Parser::KEY_EVENT_SOURCE, Special::SOURCE},
        {Parser::KEY_TIMESTAMP_UNIX, Special::TIMESTAMP_UNIX},
        {Parser::KEY_TIMESTAMP_ISO8601, Special::TIMESTAMP_ISO8601},
        {Parser::KEY_SDK_VERSION, Special::SDK_VERSION},
        {Parser::KEY_CACHEBUST, Special::CACHEBUST},
        {Parser::KEY_ALL_URL, Special::ALL_URL},
        {Parser::KEY_ALL_JSON, Special::ALL_JSON},
    };
    if (text_.empty()) {
        kind_ = Kind::EMPTY;
        return;
    }
    const size_t stateNameStart = std::char_traits<char>::length(Parser::KEY_SHARED_STATE);
    if (StartsWith(text_, Parser::KEY_SHARED_STATE) &&
        text_.compare(stateNameStart, 1, Parser::SHARED_STATE_KEY_DELIMITER) != 0) {
        kind_ = Kind::SHARED_STATE;
        const size_t delimiter = text_.find(Parser::SHARED_STATE_KEY_DELIMITER, stateNameStart);
        // Without a delimiter both parts stay empty, which resolves to nothing.
        if (delimiter != std::string::npos) {
            stateName_ = text_.substr(stateNameStart, delimiter - stateNameStart);
            stateKey_ = text_.substr(delimiter + 1);
        }
        return;
    }
    if (!StartsWith(text_, Parser::KEY_PREFIX)) {
        kind_ = Kind::EVENT_DATA;
        return;
    }
    kind_ = Kind::UNKNOWN_SPECIAL;
    for (const auto& special : specialKeys) {
        if (text_ == special.first) {
            kind_ = Kind::SPECIAL;
            special_ = special.second;
        }
    }
}

size_t RuleKey::HashOf(const std::string& text) { return std::hash<std::string_view>()(text); }

}  // namespace NuvraMobile
