#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "core/Object.h"

namespace NuvraMobile {

class Event;
class EventHub;
class Module;
class PlatformServicesInterface;
class Rule;

/**
 * The rule store of one event hub: an ordered rule list per module, and the rules pass the hub runs on
 * every event before the module processors. Rule changes may come from any thread; the engine's own
 * mutex orders them against a running pass, so a change applies from the next pass that starts.
 */
class RulesEngine : public Object {
public:
    using PlatformServicesFactory = std::function<std::shared_ptr<PlatformServicesInterface>()>;

    /**
     * The hub is kept as a weak reference: the hub owns the engine, and a strong one would keep both
     * alive for ever.
     */
    RulesEngine(const std::shared_ptr<EventHub>& hub, PlatformServicesFactory platformServicesFactory);

    /**
     * Appends a rule to the module's list. Throws SdkError "general.invalid_argument" for a null rule
     * or a rule without consequence events; the store is unchanged then.
     */
    virtual void AddRule(const std::shared_ptr<Module>& module, const std::shared_ptr<Rule>& rule);

    /** Drops every rule of the module; a module without rules is left alone. */
    virtual void RemoveRulesForModule(const std::shared_ptr<Module>& module);

    /** The consequence events of the rules that hold for the event, in rule order. */
    virtual std::vector<std::shared_ptr<Event>> ProcessRules(const std::shared_ptr<Event>& event);

    /** The module's whole rule set becomes a copy of `rules`; an empty list leaves it without rules. */
    virtual void ReplaceRulesForModule(const std::shared_ptr<Module>& module,
                                       std::vector<std::shared_ptr<Rule>> rules);

    /** A copy of the module's rules, in order; empty when it has none. */
    std::vector<std::shared_ptr<Rule>> GetRulesForModule(const std::shared_ptr<Module>& module) const;

private:
    const std::weak_ptr<EventHub> hub_;
    const PlatformServicesFactory platformServicesFactory_;
    mutable std::mutex mutex_;
    std::map<std::shared_ptr<Module>, std::vector<std::shared_ptr<Rule>>> rules_;
};

}  // namespace NuvraMobile
