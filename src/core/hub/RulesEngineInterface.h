#pragma once

#include <memory>
#include <vector>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

class Event;
class Module;
class Rule;

/**
 * The rules pass as the hub sees it: per-module rule sets, and the consequence events of one event.
 * The composition root supplies the engine, so the hub can be built and read without it. Rule changes
 * may come from any thread; ProcessRules runs on the hub's thread.
 */
class RulesEngineInterface : public virtual ObjectInterface {
public:
    virtual void AddRule(const std::shared_ptr<Module>& module, const std::shared_ptr<Rule>& rule) = 0;
    virtual void RemoveRulesForModule(const std::shared_ptr<Module>& module) = 0;
    virtual void ReplaceRulesForModule(const std::shared_ptr<Module>& module,
                                       std::vector<std::shared_ptr<Rule>> rules) = 0;
    /** May replace `event` by a copy carrying attached data; the caller dispatches what it returns. */
    virtual std::vector<std::shared_ptr<Event>> ProcessRules(std::shared_ptr<Event>& event) = 0;
};

}  // namespace NuvraMobile
