#include <gtest/gtest.h>

#include "core/Event.h"
#include "core/EventBuilder.h"
#include "core/EventSource.h"
#include "core/EventType.h"
#include "core/SdkError.h"
#include "rulesengine/Rule.h"
#include "rulesengine/RulesEngine.h"
#include "support/RecordingModule.h"

namespace NuvraMobile {
namespace {

std::shared_ptr<Event> Consequence() {
    return EventBuilder("Rules Event", EventType::RULES_ENGINE, EventSource::RESPONSE_CONTENT).Build();
}

std::shared_ptr<Rule> RuleWithConsequence() {
    return std::make_shared<Rule>(nullptr, std::vector<std::shared_ptr<Event>>{Consequence()});
}

class RulesEngineTest : public ::testing::Test {
protected:
    RulesEngine engine_{nullptr, nullptr};
    std::shared_ptr<Module> module_ = std::make_shared<RecordingModule>("rules.owner");
};

TEST_F(RulesEngineTest, AddRuleAppendsInOrder) {
    const auto first = RuleWithConsequence();
    const auto second = RuleWithConsequence();
    engine_.AddRule(module_, first);
    engine_.AddRule(module_, second);
    EXPECT_EQ((std::vector<std::shared_ptr<Rule>>{first, second}), engine_.GetRulesForModule(module_));
}

TEST_F(RulesEngineTest, AddRuleRefusesRulesThatCannotFire) {
    struct Case {
        std::shared_ptr<Rule> rule;
        const char* message;
    };
    const Case cases[] = {
        {nullptr, "attempted to register null rule"},
        {std::make_shared<Rule>(nullptr, std::vector<std::shared_ptr<Event>>()),
         "attempted to register rule with no consequences"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.message);
        try {
            engine_.AddRule(module_, testCase.rule);
            ADD_FAILURE() << "no error";
        } catch (const SdkError& error) {
            EXPECT_EQ("general.invalid_argument", error.GetCode());
            EXPECT_EQ(testCase.message, error.GetMessage());
        }
        EXPECT_TRUE(engine_.GetRulesForModule(module_).empty());
    }
}

TEST_F(RulesEngineTest, ReplaceMakesTheListTheWholeSet) {
    engine_.AddRule(module_, RuleWithConsequence());
    const auto replacement = RuleWithConsequence();
    engine_.ReplaceRulesForModule(module_, {replacement});
    EXPECT_EQ((std::vector<std::shared_ptr<Rule>>{replacement}), engine_.GetRulesForModule(module_));
    engine_.ReplaceRulesForModule(module_, {});
    EXPECT_TRUE(engine_.GetRulesForModule(module_).empty());
}

TEST_F(RulesEngineTest, RemoveDropsOnlyThatModulesRules) {
    const std::shared_ptr<Module> other = std::make_shared<RecordingModule>("rules.other");
    const auto kept = RuleWithConsequence();
    engine_.AddRule(module_, RuleWithConsequence());
    engine_.AddRule(other, kept);
    engine_.RemoveRulesForModule(module_);
    engine_.RemoveRulesForModule(module_);
    EXPECT_TRUE(engine_.GetRulesForModule(module_).empty());
    EXPECT_EQ((std::vector<std::shared_ptr<Rule>>{kept}), engine_.GetRulesForModule(other));
}

}  // namespace
}  // namespace NuvraMobile
