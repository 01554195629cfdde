#include "rulesengine/RuleTokenParser.h"

#include <cstdlib>

#include "core/hub/EventHub.h"
#include "core/hub/SharedStateMarkers.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "rulesengine/EventDataFlattener.h"
#include "rulesengine/RuleKey.h"
#include "rulesengine/TokenTemplate.h"
#include "util/Log.h"
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
    // Never destroyed: the SDK's threads may still match rules while the process exits.
    static const auto* null = new std::shared_ptr<Variant>(Variant::FromNull());
    return *null;
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
    return ExpandTokens(TokenTemplate(text), event);
}

std::string RuleTokenParser::ExpandTokens(const TokenTemplate& text, const std::shared_ptr<Event>& event) {
    if (text.GetText().empty() || !event) {
        return text.GetText();
    }
    SetEvent(event);
    if (!text.HasTokens()) {
        return text.GetText();
    }
    if (inPass_) {
        return FillTokens(text, event);
    }
    // The event's data is flattened once for the whole text, not once per token.
    std::string expanded;
    BeginPass();
    TryFinally([&] { expanded = FillTokens(text, event); },
               [this] {
                   inPass_ = false;
                   indexCurrent_ = false;
                   flattenedData_.Clear();
               });
    return expanded;
}

// Each distinct token is resolved once, in order of first appearance, and every occurrence gets its
// text; inserted text is never searched again, so the work is linear in the text and the output.
std::string RuleTokenParser::FillTokens(const TokenTemplate& text, const std::shared_ptr<Event>& event) {
    std::vector<std::string> values;
    values.reserve(text.GetTokens().size());
    for (const TokenTemplate::Token& token : text.GetTokens()) {
        std::string value = ValueText(ExpandKey(token.key, event));
        values.push_back(token.urlEncode ? UrlEncoder::Encode(value) : std::move(value));
    }
    return text.Fill(values);
}

std::shared_ptr<Variant> RuleTokenParser::ExpandKey(const std::string& key,
                                                    const std::shared_ptr<Event>& event) {
    return ExpandKey(RuleKey(key), event);
}

std::shared_ptr<Variant> RuleTokenParser::ExpandKey(const RuleKey& key, const std::shared_ptr<Event>& event) {
    if (key.GetKind() == RuleKey::Kind::EMPTY || !event) {
        return NullVariant();
    }
    SetEvent(event);
    std::shared_ptr<Variant> result;
    // A plain try block: this runs for every matcher of every rule on every event.
    try {
        if (key.GetKind() == RuleKey::Kind::EVENT_DATA) {
            return LookUpEventData(key);
        }
        result = key.GetKind() == RuleKey::Kind::SHARED_STATE
                     ? GetSharedStateKey(key.GetStateName(), key.GetStateKey())
                     : ReturnKeyType(key);
        if (IsNull(result)) {
            result = LookUpEventData(key);
        }
    } catch (...) {
        const SdkError error = SdkError::From(std::current_exception(), CurrentDebugInfo());
        Log::Debug(LOG_TAG, "Unable to expand key \"%s\".%n%s", key.GetText(), error.GetMessage());
    }
    return result ? result : NullVariant();
}

const std::shared_ptr<Variant>& RuleTokenParser::ResolveKey(const RuleKey& key,
                                                            const std::shared_ptr<Event>& event,
                                                            std::shared_ptr<Variant>& holder) {
    // Once the pass has flattened this event, its data keys need nothing more than the lookup.
    if (inPass_ && indexCurrent_ && event == currentEvent_ && key.GetKind() == RuleKey::Kind::EVENT_DATA) {
        const std::shared_ptr<Variant>* found = flattenedData_.Find(key);
        return found ? *found : NullVariant();
    }
    holder = ExpandKey(key, event);
    return holder;
}

const std::string* RuleTokenParser::LoweredSubject(const RuleKey& key, const Variant& value) {
    return inPass_ && indexCurrent_ ? flattenedData_.LoweredSubject(key, value) : nullptr;
}

void RuleTokenParser::BeginPass() {
    inPass_ = true;
    indexCurrent_ = false;
}

void RuleTokenParser::EndPass() {
    inPass_ = false;
    indexCurrent_ = false;
    flattenedData_.Clear();
    currentEvent_.reset();
}

void RuleTokenParser::DataChanged() { indexCurrent_ = false; }

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
    // Every key of a pass sets the same event: leave its reference count alone then.
    if (event != currentEvent_) {
        indexCurrent_ = false;
        currentEvent_ = event;
    }
}

std::shared_ptr<Variant> RuleTokenParser::ReturnKeyType(const RuleKey& key) const {
    if (key.GetKind() != RuleKey::Kind::SPECIAL) {
        Log::Warning(LOG_TAG, "Key type \"%s\" is invalid", key.GetText());
        return NullVariant();
    }
    switch (key.GetSpecial()) {
        case RuleKey::Special::TYPE:
            return Variant::FromString(GetEventType());
        case RuleKey::Special::SOURCE:
            return Variant::FromString(GetEventSource());
        case RuleKey::Special::TIMESTAMP_UNIX:
            return Variant::FromString(GetTimestamp());
        case RuleKey::Special::TIMESTAMP_ISO8601:
            return Variant::FromString(GetISO8601Timestamp());
        case RuleKey::Special::SDK_VERSION:
            return Variant::FromString(GetSdkVersion());
        case RuleKey::Special::CACHEBUST:
            return Variant::FromString(GetCachebust());
        case RuleKey::Special::ALL_URL:
            return Variant::FromString(GetAllUrl());
        case RuleKey::Special::ALL_JSON:
            return Variant::FromString(GetAllJson());
    }
    return NullVariant();
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

// Within a pass the event's data is flattened once, at the first lookup, and again only after it changed.
std::shared_ptr<Variant> RuleTokenParser::LookUpEventData(const RuleKey& key) {
    if (!indexCurrent_ || !inPass_) {
        if (!currentEvent_->GetData()) {
            Log::Warning(LOG_TAG, "Invalid event data");
        }
        flattenedData_.Build(currentEvent_->GetData());
        indexCurrent_ = inPass_;
    }
    const std::shared_ptr<Variant>* found = flattenedData_.Find(key);
    std::shared_ptr<Variant> value = found ? *found : NullVariant();
    if (!inPass_) {
        flattenedData_.Clear();
    }
    return value;
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
