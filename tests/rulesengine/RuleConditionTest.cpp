#include <gtest/gtest.h>

#include "core/values/Variant.h"
#include "rulesengine/Rule.h"
#include "rulesengine/RuleCondition.h"
#include "rulesengine/RuleConditionGroup.h"
#include "rulesengine/RuleConditionMatcher.h"
#include "rulesengine/RuleTokenParser.h"
#include "rulesengine/RulesTestSupport.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

std::string MatcherJson(const std::string& key, const std::string& kind, const std::string& values) {
    return R"({"type": "matcher", "definition": {"key": ")" + key + R"(", "matcher": ")" + kind +
           R"(", "values": )" + values + "}}";
}

std::string GroupJson(const std::string& logic, const std::string& conditions) {
    return R"({"type": "group", "definition": {"logic": ")" + logic + R"(", "conditions": [)" + conditions +
           "]}}";
}

class CountingCondition : public RuleCondition {
public:
    explicit CountingCondition(bool answer) : answer_(answer) {}
    bool Evaluate(const std::shared_ptr<RuleTokenParser>&, const std::shared_ptr<Event>&) const override {
        ++calls;
        return answer_;
    }
    mutable int calls = 0;

private:
    const bool answer_;
};

class RuleConditionTest : public testing::Test {
protected:
    bool Holds(const std::string& json) {
        return RuleCondition::RuleConditionFromJson(ParseJson(json))->Evaluate(parser_, event_);
    }

    std::shared_ptr<RuleTokenParser> parser_ = std::make_shared<RuleTokenParser>(nullptr, nullptr);
    std::shared_ptr<Event> event_ = TrackEvent(
        std::make_shared<EventData>(std::map<std::string, std::string>{{"action", "buy"}, {"page", "home"}}));
};

TEST_F(RuleConditionTest, GroupsAndMatchersEvaluateAgainstTheEvent) {
    const std::string buy = MatcherJson("action", "eq", R"(["buy"])");
    const std::string sell = MatcherJson("action", "eq", R"(["sell"])");
    const std::string home = MatcherJson("page", "sw", R"(["ho"])");
    struct Case {
        std::string json;
        bool expected;
    } cases[] = {
        {buy, true},
        {sell, false},
        {GroupJson("and", buy + "," + home), true},
        {GroupJson("and", buy + "," + sell), false},
        {GroupJson("or", sell + "," + home), true},
        {GroupJson("or", sell + "," + sell), false},
        {GroupJson("and", ""), false},
        {GroupJson("or", ""), false},
        {GroupJson("and", GroupJson("or", sell + "," + buy) + "," + home), true},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(Holds(testCase.json), testCase.expected) << testCase.json;
        // A rule evaluates its own flat copy of the tree: it must answer as the tree does.
        const Rule rule(RuleCondition::RuleConditionFromJson(ParseJson(testCase.json)), {});
        EXPECT_EQ(rule.EvaluateCondition(parser_, event_), testCase.expected) << testCase.json;
    }
}

TEST_F(RuleConditionTest, RuleAsksConditionsOfItsOwnKindsAndSkipsNullOnes) {
    auto counting = std::make_shared<CountingCondition>(true);
    const auto buy =
        RuleCondition::RuleConditionFromJson(ParseJson(MatcherJson("action", "eq", R"(["buy"])")));
    const Rule nested(std::make_shared<RuleConditionAndGroup>(std::vector<std::shared_ptr<RuleCondition>>{
                          std::make_shared<RuleConditionOrGroup>(
                              std::vector<std::shared_ptr<RuleCondition>>{nullptr, counting}),
                          nullptr, buy}),
                      {});
    EXPECT_TRUE(nested.EvaluateCondition(parser_, event_));
    EXPECT_EQ(counting->calls, 1);

    const Rule onlyNull(
        std::make_shared<RuleConditionOrGroup>(std::vector<std::shared_ptr<RuleCondition>>{nullptr}), {});
    EXPECT_FALSE(onlyNull.EvaluateCondition(parser_, event_));
    EXPECT_FALSE(Rule(nullptr, {}).EvaluateCondition(parser_, event_));
    EXPECT_FALSE(Rule(buy, {}).EvaluateCondition(nullptr, event_));
}

TEST_F(RuleConditionTest, GroupsStopAtTheFirstDecidingCondition) {
    struct Case {
        bool isAnd;
        bool first;
        bool expected;
        int secondCalls;
    } cases[] = {
        {true, false, false, 0}, {true, true, true, 1}, {false, true, true, 0}, {false, false, true, 1}};
    for (const Case& testCase : cases) {
        auto first = std::make_shared<CountingCondition>(testCase.first);
        auto second = std::make_shared<CountingCondition>(true);
        std::vector<std::shared_ptr<RuleCondition>> conditions{first, second};
        std::shared_ptr<RuleCondition> group;
        if (testCase.isAnd) {
            group = std::make_shared<RuleConditionAndGroup>(conditions);
        } else {
            group = std::make_shared<RuleConditionOrGroup>(conditions);
        }
        EXPECT_EQ(group->Evaluate(parser_, event_), testCase.expected);
        EXPECT_EQ(first->calls, 1);
        EXPECT_EQ(second->calls, testCase.secondCalls) << (testCase.isAnd ? "and" : "or") << testCase.first;
    }
}

TEST_F(RuleConditionTest, InvalidConditionsThrowWithTheirCodes) {
    struct Case {
        std::string json;
        const char* code;
    } cases[] = {
        {R"({"type": "Group", "definition": {"logic": "and", "conditions": []}})", "json.key_not_found"},
        {GroupJson("AND", ""), "json.key_not_found"},
        {R"({"type": "matcher", "definition": {}})", "json.jsonobject_is_null"},
        {R"({"type": "matcher", "definition": {"key": "k", "matcher": "xx", "values": []}})",
         "json.key_not_found"},
        {R"({"definition": {}})", "json.key_not_found"},
        {R"({"type": "group"})", "json.key_not_found"},
    };
    for (const Case& testCase : cases) {
        try {
            RuleCondition::RuleConditionFromJson(ParseJson(testCase.json));
            ADD_FAILURE() << "no error for " << testCase.json;
        } catch (const SdkError& error) {
            EXPECT_EQ(error.GetCode(), testCase.code) << testCase.json;
        }
    }
    EXPECT_THROW(RuleCondition::RuleConditionFromJson(nullptr), SdkError);
}

TEST_F(RuleConditionTest, UnknownTypeHasItsMessage) {
    try {
        RuleCondition::RuleConditionFromJson(ParseJson(R"({"type": "other", "definition": {}})"));
        FAIL();
    } catch (const SdkError& error) {
        EXPECT_EQ(error.GetMessage(), "Json Object did not contaion a valid Rule Condition type.");
    }
}

TEST_F(RuleConditionTest, NestedInvalidConditionIsLeftOutOfItsGroup) {
    ScopedCapturingLog log(LoggingMode::Trace);
    const auto condition = RuleCondition::RuleConditionFromJson(
        ParseJson(GroupJson("or", R"({"type": "matcher", "definition": {}}, )" + GroupJson("Or", "") + "," +
                                      MatcherJson("action", "eq", R"(["buy"])"))));
    const auto group = std::dynamic_pointer_cast<RuleConditionGroup>(condition);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->GetConditions().size(), 1u);
    EXPECT_TRUE(group->Evaluate(parser_, event_));
    EXPECT_TRUE(log.Service().Contains("Swallowed exception: "));
}

TEST_F(RuleConditionTest, NestingBeyondTheLimitInvalidatesTheWholeCondition) {
    const auto nested = [](int depth) {
        std::string json = MatcherJson("action", "eq", R"(["buy"])");
        for (int level = 0; level < depth; ++level) {
            json = GroupJson("and", json);
        }
        return json;
    };
    EXPECT_TRUE(Holds(nested(RuleCondition::MAX_GROUP_NESTING)));
    EXPECT_THROW(
        RuleCondition::RuleConditionFromJson(ParseJson(nested(RuleCondition::MAX_GROUP_NESTING + 1))),
        SdkError);
}

TEST_F(RuleConditionTest, PrettyRenderingIsAnExpression) {
    const auto condition = RuleCondition::RuleConditionFromJson(ParseJson(
        GroupJson("and", MatcherJson("a", "eq", R"(["1"])") + "," +
                             GroupJson("or", MatcherJson("b", "ex", "[]") + "," + GroupJson("or", "")))));
    EXPECT_EQ(condition->ToString(ToStringOptions::Pretty()), "((a EQUALS 1) AND ((b EXISTS) OR ))");
}

}  // namespace
}  // namespace NuvraMobile
