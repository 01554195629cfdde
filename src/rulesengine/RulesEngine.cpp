#include "rulesengine/RulesEngine.h"

#include <utility>

#include "core/values/CoreConstants.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "core/values/VariantKinds.h"
#include "rulesengine/Rule.h"
#include "rulesengine/RuleTokenParser.h"
#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace RulesEngineKeys = CoreConstants::EventDataKeys::RulesEngine;

namespace {

constexpr const char* INVALID_ARGUMENT = "general.invalid_argument";
constexpr const char* TOKEN_START = "{%";

/** Keeps the parser's per-pass reuse of flattened data to one pass, however the pass ends. */
class PassScope {
public:
    explicit PassScope(RuleTokenParser& parser) : parser_(parser) { parser_.BeginPass(); }
    ~PassScope() { parser_.EndPass(); }
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;

private:
    RuleTokenParser& parser_;
};

/** The map under `key`, or an empty one when the key holds another kind; false when the key is absent. */
bool ReadMap(const RulesEngine::VariantMap& map, const char* key, RulesEngine::VariantMap& out) {
    const auto entry = map.find(key);
    if (entry == map.end()) {
        return false;
    }
    out.clear();
    entry->second->GetVariantMap(out);
    return true;
}

/** The entries of a map variant without a copy; null for any other kind. */
const RulesEngine::VariantMap* EntriesOf(const Variant& value) {
    const auto* map = dynamic_cast<const VariantMapVariant*>(&value);
    return map ? &map->GetEntries() : nullptr;
}

}  // namespace

RulesEngine::RulesEngine(const std::shared_ptr<EventHub>& hub,
                         const PlatformServicesFactory& platformServicesFactory)
    : tokenParser_(std::make_shared<RuleTokenParser>(hub, platformServicesFactory)) {}

void RulesEngine::AddRule(const std::shared_ptr<Module>& module, const std::shared_ptr<Rule>& rule) {
    if (!rule) {
        Throw(SdkError(INVALID_ARGUMENT, "attempted to register null rule", CurrentDebugInfo()));
    }
    if (rule->GetConsequenceEvents().empty()) {
        Throw(SdkError(INVALID_ARGUMENT, "attempted to register rule with no consequences",
                       CurrentDebugInfo()));
    }
    MutexLock lock(mutex_);
    rules_[module].push_back(rule);
    LoadTexts(*rule);
}

void RulesEngine::RemoveRulesForModule(const std::shared_ptr<Module>& module) {
    MutexLock lock(mutex_);
    rules_.erase(module);
    ReloadTexts();
}

std::vector<std::shared_ptr<Event>> RulesEngine::ProcessRules(std::shared_ptr<Event>& event) {
    MutexLock lock(mutex_);
    std::vector<std::shared_ptr<Event>> result;
    if (!event) {
        return result;
    }
    PassScope pass(*tokenParser_);
    for (const auto& moduleRules : rules_) {
        for (const std::shared_ptr<Rule>& rule : moduleRules.second) {
            if (!EvaluateRule(*rule, event)) {
                continue;
            }
            for (const std::shared_ptr<Event>& consequence : rule->GetConsequenceEvents()) {
                TryCatch(
                    [&] {
                        mutex_.AssertHeld();  // runs at once, inside this pass
                        HandleConsequence(consequence, event, result);
                    },
                    [](SdkError& error) {
                        Log::Warning(LOG_PREFIX, "Skipping a consequence that could not be processed (%s)",
                                     error.GetMessage());
                    });
            }
        }
    }
    return result;
}

RulesEngine::VariantMap RulesEngine::GetTokenExpandedMap(const VariantMap& map,
                                                         const std::shared_ptr<Event>& event) {
    MutexLock lock(mutex_);
    return ExpandMap(map, event);
}

std::vector<std::shared_ptr<Variant>> RulesEngine::GetTokenExpandedList(
    std::vector<std::shared_ptr<Variant>> list, const std::shared_ptr<Event>& event) {
    MutexLock lock(mutex_);
    return ExpandList(std::move(list), event);
}

void RulesEngine::ProcessAttachDataConsequence(const std::shared_ptr<Event>& consequence,
                                               std::shared_ptr<Event>& triggeringEvent) {
    MutexLock lock(mutex_);
    AttachData(consequence, triggeringEvent);
}

RulesEngine::VariantMap RulesEngine::ExpandMap(const VariantMap& map, const std::shared_ptr<Event>& event) {
    VariantMap expanded;
    for (const auto& entry : map) {
        expanded.emplace_hint(expanded.end(), entry.first, ExpandValue(entry.second, event));
    }
    return expanded;
}

std::vector<std::shared_ptr<Variant>> RulesEngine::ExpandList(std::vector<std::shared_ptr<Variant>> list,
                                                              const std::shared_ptr<Event>& event) {
    for (std::shared_ptr<Variant>& element : list) {
        element = ExpandValue(element, event);
    }
    return list;
}

void RulesEngine::ReplaceRulesForModule(const std::shared_ptr<Module>& module,
                                        std::vector<std::shared_ptr<Rule>> rules) {
    MutexLock lock(mutex_);
    rules_[module] = std::move(rules);
    ReloadTexts();
}

void RulesEngine::AttachData(const std::shared_ptr<Event>& consequence,
                             std::shared_ptr<Event>& triggeringEvent) {
    if (!consequence || !consequence->GetData() || !triggeringEvent || !triggeringEvent->GetData()) {
        return;
    }
    const VariantMap expanded = ExpandMap(consequence->GetData()->GetEntries(), triggeringEvent);
    if (expanded.empty()) {
        Log::Warning(LOG_PREFIX, "Unable to process an AttachDataConsequence Event, EventData is empty.");
        return;
    }
    VariantMap triggered;
    if (!ReadMap(expanded, RulesEngineKeys::CONSEQUENCE_TRIGGERED, triggered)) {
        Log::Warning(LOG_PREFIX,
                     "Unable to process an AttachDataConsequence Event, triggering consequence is missing.");
        return;
    }
    VariantMap detail;
    if (!ReadMap(triggered, CONSEQUENCE_DETAIL, detail)) {
        Log::Warning(LOG_PREFIX,
                     "Unable to process an AttachDataConsequence Event, 'details' object is missing.");
        return;
    }
    VariantMap attached;
    if (!ReadMap(detail, CONSEQUENCE_DETAIL_EVENT_DATA, attached)) {
        Log::Warning(
            LOG_PREFIX,
            "Unable to process an AttachDataConsequence Event, 'eventData' is missing from 'details'.");
        return;
    }
    const int32_t number = triggeringEvent->GetEventNumber();
    const bool debug = Log::Precheck(LoggingMode::Debug);
    if (debug) {
        Log::Debug(LOG_PREFIX, "Adding EventData to Event #%d with type '%s' and source '%s'.", number,
                   triggeringEvent->GetEventType()->GetName(), triggeringEvent->GetEventSource()->GetName());
        Log::Debug(LOG_PREFIX, "Original EventData for Event #%d: %s", number,
                   triggeringEvent->GetData()->PrettyString(0));
    }
    // The dispatcher may still hold the original event and its data: attach to copies of both.
    std::shared_ptr<EventData> data = triggeringEvent->GetData()->Copy();
    data->Merge(std::make_shared<EventData>(attached));
    triggeringEvent = triggeringEvent->WithData(data);
    if (debug) {
        Log::Debug(LOG_PREFIX, "New EventData for Event #%d: %s", number, data->PrettyString(0));
    }
}

std::vector<std::shared_ptr<Rule>> RulesEngine::GetRulesForModule(
    const std::shared_ptr<Module>& module) const {
    MutexLock lock(mutex_);
    auto found = rules_.find(module);
    return found == rules_.end() ? std::vector<std::shared_ptr<Rule>>() : found->second;
}

bool RulesEngine::EvaluateRule(const Rule& rule, const std::shared_ptr<Event>& event) {
    // A plain try block: this runs for every rule on every event.
    try {
        return rule.EvaluateCondition(tokenParser_, event);
    } catch (...) {
        const SdkError error = SdkError::From(std::current_exception(), CurrentDebugInfo());
        Log::Warning(LOG_PREFIX, "A rule condition failed and counts as false (%s)", error.GetMessage());
        return false;
    }
}

void RulesEngine::HandleConsequence(const std::shared_ptr<Event>& consequence, std::shared_ptr<Event>& event,
                                    std::vector<std::shared_ptr<Event>>& result) {
    const std::shared_ptr<EventData> data = consequence ? consequence->GetData() : nullptr;
    if (!data || data->IsEmpty()) {
        Log::Warning(LOG_PREFIX, "Unable to process a RuleConsequence Event, EventData is null or empty.");
        return;
    }
    const auto triggeredEntry = data->GetEntries().find(RulesEngineKeys::CONSEQUENCE_TRIGGERED);
    const VariantMap* triggered =
        triggeredEntry == data->GetEntries().end() ? nullptr : EntriesOf(*triggeredEntry->second);
    const auto typeEntry =
        triggered ? triggered->find(RulesEngineKeys::CONSEQUENCE_TYPE) : VariantMap::const_iterator();
    if (!triggered || typeEntry == triggered->end()) {
        Log::Warning(LOG_PREFIX, "Unable to process a RuleConsequence Event, no type is specified.");
        return;
    }
    std::string type;
    typeEntry->second->GetString(type);
    if (type == CONSEQUENCE_TYPE_ATTACH_DATA) {
        AttachData(consequence, event);
        tokenParser_->DataChanged();
        return;
    }
    auto expanded = std::make_shared<EventData>(ExpandMap(data->GetEntries(), event));
    result.push_back(
        EventBuilder(consequence->GetName(), consequence->GetEventType(), consequence->GetEventSource())
            .SetData(expanded)
            .Build());
}

std::shared_ptr<Variant> RulesEngine::ExpandValue(const std::shared_ptr<Variant>& value,
                                                  const std::shared_ptr<Event>& event) {
    const auto loaded = loadedTexts_.find(value.get());
    if (loaded != loadedTexts_.end()) {
        const std::optional<TokenTemplate>& tokens = loaded->second.tokens;
        return tokens ? Variant::FromString(tokenParser_->ExpandTokens(*tokens, event)) : value;
    }
    switch (value->GetKind()) {
        case VariantKind::VARIANT_STRING: {
            std::string text;
            value->GetString(text);
            // A text without a token start expands to itself; the variant is immutable, so keep it.
            return text.find(TOKEN_START) == std::string::npos
                       ? value
                       : Variant::FromString(tokenParser_->ExpandTokensForString(text, event));
        }
        case VariantKind::VARIANT_VECTOR: {
            std::vector<std::shared_ptr<Variant>> list;
            value->GetVariantVector(list);
            return Variant::FromVariantVector(ExpandList(std::move(list), event));
        }
        case VariantKind::VARIANT_MAP: {
            const VariantMap* entries = EntriesOf(*value);
            return entries ? Variant::FromVariantMap(ExpandMap(*entries, event)) : value;
        }
        default:
            return value;
    }
}

void RulesEngine::LoadTexts(const Rule& rule) {
    for (const std::shared_ptr<Event>& consequence : rule.GetConsequenceEvents()) {
        const std::shared_ptr<EventData> data = consequence ? consequence->GetData() : nullptr;
        if (!data) {
            continue;
        }
        for (const auto& entry : data->GetEntries()) {
            LoadText(entry.second);
        }
    }
}

bool RulesEngine::LoadText(const std::shared_ptr<Variant>& value) {
    if (!value) {
        return false;
    }
    const auto known = loadedTexts_.find(value.get());
    if (known != loadedTexts_.end()) {
        return known->second.tokens.has_value();
    }
    bool hasTokens = false;
    std::string text;
    std::vector<std::shared_ptr<Variant>> list;
    switch (value->GetKind()) {
        case VariantKind::VARIANT_STRING: {
            value->GetString(text);
            TokenTemplate tokens(std::move(text));
            hasTokens = tokens.HasTokens();
            std::optional<TokenTemplate> found;
            if (hasTokens) {
                found.emplace(std::move(tokens));
            }
            loadedTexts_.emplace(value.get(), LoadedText{value, std::move(found)});
            return hasTokens;
        }
        case VariantKind::VARIANT_VECTOR:
            value->GetVariantVector(list);
            for (const std::shared_ptr<Variant>& element : list) {
                hasTokens = LoadText(element) || hasTokens;
            }
            break;
        case VariantKind::VARIANT_MAP: {
            const VariantMap* entries = EntriesOf(*value);
            for (const auto& entry : entries ? *entries : VariantMap()) {
                hasTokens = LoadText(entry.second) || hasTokens;
            }
            break;
        }
        default:
            return false;
    }
    // A container with tokens inside is rebuilt at every expansion; one without is kept as it is.
    if (!hasTokens) {
        loadedTexts_.emplace(value.get(), LoadedText{value, std::nullopt});
    }
    return hasTokens;
}

void RulesEngine::ReloadTexts() {
    loadedTexts_.clear();
    for (const auto& moduleRules : rules_) {
        for (const std::shared_ptr<Rule>& rule : moduleRules.second) {
            LoadTexts(*rule);
        }
    }
}

}  // namespace NuvraMobile
