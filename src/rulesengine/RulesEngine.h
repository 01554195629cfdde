#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/hub/RulesEngineInterface.h"
#include "core/values/Object.h"
#include "rulesengine/TokenTemplate.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class Event;
class EventHub;
class Module;
class PlatformServicesInterface;
class Rule;
class RuleTokenParser;
class Variant;

/**
 * The rule store of one event hub, an ordered rule list per module, and the rules pass the hub runs on
 * every event before the module processors. For every rule that holds, an attach-data consequence
 * ("add") is merged into the triggering event's data, and every other consequence becomes a new event
 * for the hub to dispatch; texts of consequence data are token-expanded against the triggering event.
 *
 * Rule changes may come from any thread; the engine's own mutex orders them against a running pass, so
 * one event always meets one rule set. The pass runs on the hub's thread and reads shared states
 * through the hub while holding that mutex: engine mutex first, hub mutex second.
 */
class RulesEngine : public Object, public virtual RulesEngineInterface {
public:
    using PlatformServicesFactory = std::function<std::shared_ptr<PlatformServicesInterface>()>;
    using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

    static constexpr const char* LOG_PREFIX = "RulesEngine";
    static constexpr const char* CONSEQUENCE_TYPE_ATTACH_DATA = "add";
    static constexpr const char* CONSEQUENCE_DETAIL = "detail";
    static constexpr const char* CONSEQUENCE_DETAIL_EVENT_DATA = "eventdata";

    /** The token parser keeps the hub weakly: the hub owns the engine. */
    RulesEngine(const std::shared_ptr<EventHub>& hub, const PlatformServicesFactory& platformServicesFactory);

    /**
     * Appends a rule to the module's list. Throws SdkError "general.invalid_argument" for a null rule
     * or a rule without consequence events; the store is unchanged then.
     */
    void AddRule(const std::shared_ptr<Module>& module, const std::shared_ptr<Rule>& rule) override;

    /** Drops the module's entry with every rule; a module without one is left alone. */
    void RemoveRulesForModule(const std::shared_ptr<Module>& module) override;

    /**
     * The consequence events of the rules that hold for the event, in the order produced. Attach-data
     * consequences replace `event` by a copy carrying the merged data, which later rules and the caller
     * see; the object passed in never changes, since its dispatcher may still read it. A condition that
     * fails while it is evaluated counts as false (logged), and a consequence that fails while it is
     * expanded is skipped (logged).
     */
    std::vector<std::shared_ptr<Event>> ProcessRules(std::shared_ptr<Event>& event) override;

    /**
     * Every string inside the map, at any depth, token-expanded against the event; keys stay. These
     * and ProcessAttachDataConsequence take the engine's mutex, which guards the token parser.
     */
    virtual VariantMap GetTokenExpandedMap(const VariantMap& map, const std::shared_ptr<Event>& event);
    virtual std::vector<std::shared_ptr<Variant>> GetTokenExpandedList(
        std::vector<std::shared_ptr<Variant>> list, const std::shared_ptr<Event>& event);

    /** The module's whole rule set becomes a copy of `rules`; an empty list keeps an entry without rules. */
    void ReplaceRulesForModule(const std::shared_ptr<Module>& module,
                               std::vector<std::shared_ptr<Rule>> rules) override;

    /**
     * Replaces `triggeringEvent` by a copy whose data also holds the consequence's "detail"/"eventdata"
     * map, adding only.
     */
    virtual void ProcessAttachDataConsequence(const std::shared_ptr<Event>& consequence,
                                              std::shared_ptr<Event>& triggeringEvent);

    /** A copy of the module's rules, in order; empty when it has none. */
    std::vector<std::shared_ptr<Rule>> GetRulesForModule(const std::shared_ptr<Module>& module) const;

private:
    /** The unlocked forms of the three public operations above, for the pass that holds the mutex. */
    VariantMap ExpandMap(const VariantMap& map, const std::shared_ptr<Event>& event) NVR_REQUIRES(mutex_);
    std::vector<std::shared_ptr<Variant>> ExpandList(std::vector<std::shared_ptr<Variant>> list,
                                                     const std::shared_ptr<Event>& event)
        NVR_REQUIRES(mutex_);
    void AttachData(const std::shared_ptr<Event>& consequence, std::shared_ptr<Event>& triggeringEvent)
        NVR_REQUIRES(mutex_);
    bool EvaluateRule(const Rule& rule, const std::shared_ptr<Event>& event) NVR_REQUIRES(mutex_);
    void HandleConsequence(const std::shared_ptr<Event>& consequence, std::shared_ptr<Event>& event,
                           std::vector<std::shared_ptr<Event>>& result) NVR_REQUIRES(mutex_);
    std::shared_ptr<Variant> ExpandValue(const std::shared_ptr<Variant>& value,
                                         const std::shared_ptr<Event>& event) NVR_REQUIRES(mutex_);
    /** Finds the tokens of the rule's consequence texts, once, for every later pass. */
    void LoadTexts(const Rule& rule) NVR_REQUIRES(mutex_);
    /** Returns whether the value holds a token anywhere. */
    bool LoadText(const std::shared_ptr<Variant>& value) NVR_REQUIRES(mutex_);
    void ReloadTexts() NVR_REQUIRES(mutex_);

    /**
     * What loading found in a consequence value of a stored rule: the tokens of a text, or nothing for
     * a text or container without any token, which then expands to itself. Keyed by the immutable
     * value itself, which the entry keeps alive so its address cannot be reused while it is here.
     */
    struct LoadedText {
        std::shared_ptr<Variant> value;
        std::optional<TokenTemplate> tokens;
    };

    const std::shared_ptr<RuleTokenParser> tokenParser_;
    mutable Mutex mutex_;
    std::map<std::shared_ptr<Module>, std::vector<std::shared_ptr<Rule>>> rules_ NVR_GUARDED_BY(mutex_);
    std::unordered_map<const Variant*, LoadedText> loadedTexts_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
