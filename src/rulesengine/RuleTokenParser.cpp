#include "rulesengine/RuleTokenParser.h"

#include <cstdlib>

#include "core/Event.h"
#include "core/EventData.h"
#include "core/EventHub.h"
#include "core/SharedStateMarkers.h"
#include "core/Variant.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "rulesengine/EventDataFlattener.h"
#include "util/Log.h"
#include "util/StringUtils.h"
#include "util/TimeUtils.h"
#include "util/UrlEncoder.h"

namespace NuvraMobile {

namespace {

constexpr const char* TOKEN_START = "{%";
constexpr const char* TOKEN_END = "%}";
constexpr const char* URL_ENCODE_OPENING = "urlenc(";
constexpr const char* UNKNOWN_SDK_VERSION = "unknown";
constexpr int CACHEBUST_MODULUS = 100000000;

bool IsKeyCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '~' || c == '.' || c == '/';
}

bool HasAt(const std::string& text, size_t position, const char* expected) {
    return text.compare(position, std::char_traits<char>::length(expected), expected) == 0;
}

/** The end of the token whose key starts at `keyStart`, or npos: the key's characters, ")" maybe, "%}". */
size_t TokenEnd(const std::string& text, size_t keyStart) {
    size_t position = keyStart;
    while (position < text.size() && IsKeyCharacter(text[position])) {
        ++position;
    }
    if (HasAt(text, position, ")%}")) {
        return position + 3;
    }
    if (HasAt(text, position, TOKEN_END)) {
        return position + 2;
    }
    return std::string::npos;
}

std::string ValueText(const std::shared_ptr<Variant>& value) {
    std::string text;
    bool flag = false;
    if (value->GetKind() == VariantKind::VARIANT_BOOLEAN && value->GetBoolean(flag)) {
        return flag ? "true" : "false";
    }
    value->ConvertToString(text);
    return text;
}

bool IsNull(const std::shared_ptr<Variant>& value) { return value->GetKind() == VariantKind::VARIANT_NULL; }

/** Variants are immutable, so every unresolved key can share one null value. */
const std::shared_ptr<Variant>& NullVariant() {
    static const std::shared_ptr<Variant> null = Variant::FromNull();
    return null;
}

}  // namespace

RuleTokenParser::RuleTokenParser(const std::shared_ptr<EventHub>& hub,
                                 const PlatformServicesGetter& platformServicesGetter)
    : hub_(hub), platformServices_(platformServicesGetter ? platformServicesGetter() : nullptr) {}

std::string RuleTokenParser::ExpandTokensForString(const std::string& text,
                                                   const std::shared_ptr<Event>& event) {
    if (text.empty() || !event) {
        return text;
    }
    SetEvent(event);
    if (inPass_) {
        return ExpandTokens(text, event);
    }
    // The event's data is flattened once for the whole text, not once per token.
    std::string expanded;
    BeginPass();
    TryFinally([&] { expanded = ExpandTokens(text, event); },
               [this] {
                   inPass_ = false;
                   flattenedData_.reset();
               });
    return expanded;
}

// One pass from left to right: each token is replaced where it stands and inserted text is never
// searched again, so the work is linear in the text and the output. A token that occurs again gets the
// text its first occurrence got.
std::string RuleTokenParser::ExpandTokens(const std::string& text, const std::shared_ptr<Event>& event) {
    std::string expanded;
    std::map<std::string, std::string> replacements;
    size_t copied = 0;
    ForEachToken(text, [&](size_t start, size_t end) {
        const std::string token = text.substr(start, end - start);
        auto replacement = replacements.find(token);
        if (replacement == replacements.end()) {
            const bool isUrlEncodeToken = token.find(KEY_URL_ENCODE) == 2;
            const std::string key = GetKeyFromToken(token, isUrlEncodeToken);
            if (key.empty()) {
                return;
            }
            const std::string value = ValueText(ExpandKey(key, event));
            replacement =
                replacements.emplace(token, isUrlEncodeToken ? UrlEncoder::Encode(value) : value).first;
        }
        if (expanded.empty()) {
            expanded.reserve(text.size());
        }
        expanded.append(text, copied, start - copied).append(replacement->second);
        copied = end;
    });
    if (copied == 0) {
        return text;
    }
    return expanded.append(text, copied, std::string::npos);
}

std::shared_ptr<Variant> RuleTokenParser::ExpandKey(const std::string& key,
                                                    const std::shared_ptr<Event>& event) {
    std::shared_ptr<Variant> result = NullVariant();
    if (key.empty() || !event) {
        return result;
    }
    SetEvent(event);
    // A plain try block: this runs for every matcher of every rule on every event.
    try {
        if (StringUtils::StartsWith(key, KEY_SHARED_STATE) &&
            !HasAt(key, std::char_traits<char>::length(KEY_SHARED_STATE), SHARED_STATE_KEY_DELIMITER)) {
            result = GetSharedStateKey(key);
        } else if (StringUtils::StartsWith(key, KEY_PREFIX)) {
            result = ReturnKeyType(key);
        }
        if (IsNull(result)) {
            result = LookUpEventData(key);
        }
    } catch (...) {
        const SdkError error = SdkError::From(std::current_exception(), CurrentDebugInfo());
        Log::Debug(LOG_TAG, "Unable to expand key \"%s\".%n%s", key, error.GetMessage());
    }
    return result;
}

void RuleTokenParser::BeginPass() {
    inPass_ = true;
    flattenedData_.reset();
}

void RuleTokenParser::EndPass() {
    inPass_ = false;
    flattenedData_.reset();
    currentEvent_.reset();
}

void RuleTokenParser::DataChanged() { flattenedData_.reset(); }

void RuleTokenParser::ForEachToken(const std::string& text,
                                   const std::function<void(size_t start, size_t end)>& visit) {
    size_t start = text.find(TOKEN_START);
    while (start != std::string::npos) {
        const size_t keyStart = start + 2;
        size_t end =
            HasAt(text, keyStart, URL_ENCODE_OPENING) ? TokenEnd(text, keyStart + 7) : std::string::npos;
        if (end == std::string::npos) {
            end = TokenEnd(text, keyStart);
        }
        if (end == std::string::npos) {
            start = text.find(TOKEN_START, start + 1);
            continue;
        }
        visit(start, end);
        start = text.find(TOKEN_START, end);
    }
}

std::vector<std::string> RuleTokenParser::FindTokens(const std::string& text) {
    std::vector<std::string> tokens;
    ForEachToken(text, [&](size_t start, size_t end) { tokens.push_back(text.substr(start, end - start)); });
    return tokens;
}

std::string RuleTokenParser::GetKeyFromToken(const std::string& token, bool isUrlEncodeToken) {
    if (isUrlEncodeToken && token.size() >= MIN_URL_ENC_TOKEN_LEN) {
        return token.substr(9, token.size() - MIN_URL_ENC_TOKEN_LEN);
    }
    if (token.size() > 3) {
        return token.substr(2, token.size() - 4);
    }
    return token;
}

void RuleTokenParser::SetEvent(const std::shared_ptr<Event>& event) {
    if (event != currentEvent_) {
        flattenedData_.reset();
    }
    currentEvent_ = event;
}

std::shared_ptr<Variant> RuleTokenParser::ReturnKeyType(const std::string& key) const {
    using Producer = std::string (RuleTokenParser::*)() const;
    static const std::pair<const char*, Producer> specialKeys[] = {
        {KEY_EVENT_TYPE, &RuleTokenParser::GetEventType},
        {KEY_EVENT_SOURCE, &RuleTokenParser::GetEventSource},
        {KEY_TIMESTAMP_UNIX, &RuleTokenParser::GetTimestamp},
        {KEY_TIMESTAMP_ISO8601, &RuleTokenParser::GetISO8601Timestamp},
        {KEY_SDK_VERSION, &RuleTokenParser::GetSdkVersion},
        {KEY_CACHEBUST, &RuleTokenParser::GetCachebust},
        {KEY_ALL_URL, &RuleTokenParser::GetAllUrl},
        {KEY_ALL_JSON, &RuleTokenParser::GetAllJson},
    };
    for (const auto& special : specialKeys) {
        if (key == special.first) {
            return Variant::FromString((this->*special.second)());
        }
    }
    Log::Warning(LOG_TAG, "Key type \"%s\" is invalid", key);
    return NullVariant();
}

std::shared_ptr<Variant> RuleTokenParser::GetSharedStateKey(const std::string& key) const {
    const std::string rest = key.substr(std::char_traits<char>::length(KEY_SHARED_STATE));
    const size_t delimiter = rest.find(SHARED_STATE_KEY_DELIMITER);
    if (delimiter == std::string::npos) {
        return NullVariant();
    }
    return GetSharedStateKey(rest.substr(0, delimiter), rest.substr(delimiter + 1));
}

std::shared_ptr<Variant> RuleTokenParser::GetSharedStateKey(const std::string& stateName,
                                                            const std::string& stateKey) const {
    const std::shared_ptr<EventHub> hub = hub_.lock();
    if (stateName.empty() || stateKey.empty() || !currentEvent_ || !currentEvent_->GetData() || !hub) {
        return NullVariant();
    }
    const std::shared_ptr<EventData> state = hub->GetSharedEventState(stateName, currentEvent_, nullptr);
    if (state == SHARED_STATE_PENDING || state == SHARED_STATE_INVALID || state == SHARED_STATE_NEXT ||
        state == SHARED_STATE_PREV) {
        return NullVariant();
    }
    const EventDataFlattener::VariantMap flattened = EventDataFlattener(state).GetFlattenedDataMap();
    const auto entry = flattened.find(stateKey);
    return entry == flattened.end() ? NullVariant() : entry->second;
}

std::shared_ptr<Variant> RuleTokenParser::LookUpEventData(const std::string& key) {
    const VariantMap& flattened = FlattenedEventData();
    const auto entry = flattened.find(key);
    return entry == flattened.end() ? NullVariant() : entry->second;
}

const RuleTokenParser::VariantMap& RuleTokenParser::FlattenedEventData() {
    if (!flattenedData_ || !inPass_) {
        if (!currentEvent_->GetData()) {
            Log::Warning(LOG_TAG, "Invalid event data");
        }
        flattenedData_ = FlattenCurrentEventData();
    }
    return *flattenedData_;
}

RuleTokenParser::VariantMap RuleTokenParser::FlattenCurrentEventData() const {
    if (!currentEvent_) {
        return VariantMap();
    }
    return EventDataFlattener(currentEvent_->GetData()).GetFlattenedDataMap();
}

std::string RuleTokenParser::GetEventType() const {
    return currentEvent_ && currentEvent_->GetEventType() ? currentEvent_->GetEventType()->GetName() : "";
}

std::string RuleTokenParser::GetEventSource() const {
    return currentEvent_ && currentEvent_->GetEventSource() ? currentEvent_->GetEventSource()->GetName() : "";
}

std::string RuleTokenParser::GetTimestamp() const {
    return std::to_string(TimeUtils::GetUnixTimeInSeconds());
}

std::string RuleTokenParser::GetISO8601Timestamp() const { return TimeUtils::GetIso8601Date(); }

std::string RuleTokenParser::GetSdkVersion() const {
    const std::shared_ptr<SystemInfoServiceInterface> systemInfo =
        platformServices_ ? platformServices_->GetSystemInfoService() : nullptr;
    return systemInfo ? systemInfo->GetSdkVersion() : UNKNOWN_SDK_VERSION;
}

std::string RuleTokenParser::GetCachebust() const {
    std::srand(static_cast<unsigned>(TimeUtils::GetUnixTimeInSeconds()));
    return std::to_string(std::rand() % CACHEBUST_MODULUS);
}

std::string RuleTokenParser::GetAllUrl() const {
    if (!currentEvent_ || !currentEvent_->GetData()) {
        return "";
    }
    std::string text;
    for (const auto& entry : FlattenCurrentEventData()) {
        std::string value;
        entry.second->GetString(value);
        text += "&" + entry.first + "=" + UrlEncoder::Encode(value);
    }
    return text;
}

std::string RuleTokenParser::GetAllJson() const {
    const std::shared_ptr<JsonUtilityServiceInterface> jsonService =
        platformServices_ ? platformServices_->GetJsonUtilityService() : nullptr;
    if (!currentEvent_ || !currentEvent_->GetData() || !jsonService) {
        return "";
    }
    std::string text;
    TrySwallow([&] {
        const std::shared_ptr<JsonObject> json = jsonService->CreateJsonObject(FlattenCurrentEventData());
        if (json) {
            text = json->ToString();
        }
    });
    return text;
}

}  // namespace NuvraMobile
