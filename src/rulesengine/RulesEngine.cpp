#include "rulesengine/RulesEngine.h"

#include <utility>

#include "core/SdkError.h"
#include "rulesengine/Rule.h"

namespace NuvraMobile {

namespace {
constexpr const char* INVALID_ARGUMENT = "general.invalid_argument";
}

RulesEngine::RulesEngine(const std::shared_ptr<EventHub>& hub,
                         PlatformServicesFactory platformServicesFactory)
    : hub_(hub), platformServicesFactory_(std::move(platformServicesFactory)) {}

void RulesEngine::AddRule(const std::shared_ptr<Module>& module, const std::shared_ptr<Rule>& rule) {
    if (!rule) {
        Throw(SdkError(INVALID_ARGUMENT, "attempted to register null rule", CurrentDebugInfo()));
    }
    if (rule->GetConsequenceEvents().empty()) {
        Throw(SdkError(INVALID_ARGUMENT, "attempted to register rule with no consequences",
                       CurrentDebugInfo()));
    }
    std::lock_guard<std::mutex> lock(mutex_);
    rules_[module].push_back(rule);
}

void RulesEngine::RemoveRulesForModule(const std::shared_ptr<Module>& module) {
    std::lock_guard<std::mutex> lock(mutex_);
    rules_.erase(module);
}

std::vector<std::shared_ptr<Event>> RulesEngine::ProcessRules(const std::shared_ptr<Event>&) {
    // Conditions are not evaluated yet, so no rule holds; the lock still orders the pass against changes.
    std::lock_guard<std::mutex> lock(mutex_);
    return {};
}

void RulesEngine::ReplaceRulesForModule(const std::shared_ptr<Module>& module,
                                        std::vector<std::shared_ptr<Rule>> rules) {
    std::lock_guard<std::mutex> lock(mutex_);
    rules_[module] = std::move(rules);
}

std::vector<std::shared_ptr<Rule>> RulesEngine::GetRulesForModule(
    const std::shared_ptr<Module>& module) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = rules_.find(module);
    return found == rules_.end() ? std::vector<std::shared_ptr<Rule>>() : found->second;
}

}  // namespace NuvraMobile
