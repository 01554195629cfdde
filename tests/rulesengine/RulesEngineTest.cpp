#include <gtest/gtest.h>

#include "core/values/SdkError.h"
#include "rulesengine/RulesEngine.h"
#include "rulesengine/RulesEngineTestSupport.h"
#include "support/CapturingLoggingService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakeEventHub.h"
#include "support/FakePlatformServices.h"
#include "support/VariantShorthands.h"

namespace NuvraMobile {
namespace {

using VariantMap = EventData::VariantMap;


/** A condition whose evaluation throws, as a broken downloaded rule might. */
class ThrowingCondition : public RuleCondition {
public:
    bool Evaluate(const std::shared_ptr<RuleTokenParser>&, const std::shared_ptr<Event>&) const override {
        Throw("general.unknown_exception", "condition broke");
    }
};

class RulesEngineTest : public testing::Test {
protected:
    std::shared_ptr<Event> Track(const std::map<std::string, std::string>& data) {
        return TrackEvent(std::make_shared<EventData>(data));
    }

    /** The consequences of an event whose attached-data copy the test does not look at. */
    std::vector<std::shared_ptr<Event>> Process(std::shared_ptr<Event> event) {
        return engine_->ProcessRules(event);
    }

    std::string TriggeredText(const std::shared_ptr<Event>& event, const std::string& detailKey) {
        VariantMap triggered;
        VariantMap detail;
        std::string text;
        EXPECT_TRUE(event->GetData()->GetVariantMap("triggeredconsequence", triggered));
        EXPECT_TRUE(triggered.at("detail")->GetVariantMap(detail));
        EXPECT_TRUE(detail.at(detailKey)->GetString(text));
        return text;
    }

    std::shared_ptr<FakeEventHub> hub_ = std::make_shared<FakeEventHub>();
    std::shared_ptr<FakePlatformServices> services_ = std::make_shared<FakePlatformServices>();
    std::shared_ptr<RulesEngine> engine_ = std::make_shared<RulesEngine>(hub_, [this] { return services_; });
    std::shared_ptr<Module> module_ = std::make_shared<RuleOwnerModule>();
    std::shared_ptr<RuleCondition> buy_ = Matches("action", "eq", R"(["buy"])");
};

TEST_F(RulesEngineTest, WithoutRulesEventsPassUnchangedAndSilently) {
    ScopedCapturingLog log(LoggingMode::Trace);
    const auto dispatched = Track({{"action", "buy"}});
    auto event = dispatched;
    EXPECT_TRUE(engine_->ProcessRules(event).empty());
    EXPECT_EQ(event, dispatched);
    EXPECT_TRUE(log.Service().GetLines().empty());
    EXPECT_EQ(event->GetData()->Size(), 1u);
}

TEST_F(RulesEngineTest, HoldingRuleYieldsExpandedConsequenceEvents) {
    const auto consequence = ConsequenceEvent("c1", "pb", {{"url", Text("https://x/{%action%}")}});
    engine_->AddRule(module_, std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{consequence}));

    const auto result = Process(Track({{"action", "buy"}}));

    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(result[0]->GetName(), "Rules Event");
    EXPECT_EQ(result[0]->GetEventType(), EventType::RULES_ENGINE);
    EXPECT_EQ(result[0]->GetEventSource(), EventSource::RESPONSE_CONTENT);
    EXPECT_NE(result[0]->GetUniqueIdentifier(), consequence->GetUniqueIdentifier());
    EXPECT_TRUE(result[0]->GetPairID().empty());
    EXPECT_EQ(TriggeredText(result[0], "url"), "https://x/buy");
    EXPECT_TRUE(Process(Track({{"action", "sell"}})).empty());
}

TEST_F(RulesEngineTest, AttachedDataIsSeenByTheNextConsequenceOfTheRule) {
    const auto add = ConsequenceEvent(
        "a", "add",
        {{"eventdata",
          Variant::FromVariantMap({{"action", Text("changed")}, {"added", Text("{%action%}!")}})}});
    const auto postback = ConsequenceEvent("p", "pb", {{"body", Text("{%added%}/{%action%}")}});
    engine_->AddRule(module_,
                     std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{add, postback}));
    auto event = Track({{"action", "buy"}});

    const auto result = engine_->ProcessRules(event);

    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(TriggeredText(result[0], "body"), "buy!/buy");
    EXPECT_EQ(event->GetData()->OptString("action", ""), "buy") << "existing values are never overwritten";
    EXPECT_EQ(event->GetData()->OptString("added", ""), "buy!");
}

TEST_F(RulesEngineTest, AttachedDataGoesOnACopyAndNeverChangesWhatTheDispatcherHolds) {
    const auto add =
        ConsequenceEvent("a", "add", {{"eventdata", Variant::FromVariantMap({{"tier", Text("gold")}})}});
    engine_->AddRule(module_, std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{add}));
    const auto held = std::make_shared<EventData>(std::map<std::string, std::string>{{"action", "buy"}});
    const auto dispatched = TrackEvent(held);
    auto event = dispatched;

    engine_->ProcessRules(event);

    EXPECT_EQ(event->GetData()->OptString("tier", ""), "gold");
    EXPECT_NE(event, dispatched);
    EXPECT_EQ(event->GetUniqueIdentifier(), dispatched->GetUniqueIdentifier());
    EXPECT_EQ(event->GetResponsePairID(), dispatched->GetResponsePairID());
    EXPECT_EQ(dispatched->GetData(), held);
    EXPECT_FALSE(held->ContainsKey("tier"));
}

TEST_F(RulesEngineTest, LaterRulesSeeAttachedData) {
    const auto add =
        ConsequenceEvent("a", "add", {{"eventdata", Variant::FromVariantMap({{"tier", Text("gold")}})}});
    const auto postback = ConsequenceEvent("p", "pb", {{"k", Text("v")}});
    engine_->AddRule(module_, std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{add}));
    engine_->AddRule(module_, std::make_shared<Rule>(Matches("tier", "eq", R"(["gold"])"),
                                                     std::vector<std::shared_ptr<Event>>{postback}));
    EXPECT_EQ(Process(Track({{"action", "buy"}})).size(), 1u);
}

// A pattern's subject is lowered once per pass and value: attached data and the next event bring new ones.
TEST_F(RulesEngineTest, PatternRulesSearchTheValueTheKeyHoldsNow) {
    const auto postback = [](const std::string& id) { return ConsequenceEvent(id, "pb", {{"k", Text("v")}}); };
    const auto add =
        ConsequenceEvent("a", "add", {{"eventdata", Variant::FromVariantMap({{"tier", Text("Gold")}})}});
    const std::pair<std::shared_ptr<RuleCondition>, std::shared_ptr<Event>> rules[] = {
        {Matches("tier", "co", R"(["silver"])"), postback("silver")},
        {buy_, add},
        {Matches("tier", "sw", R"(["gold"])"), postback("gold")},
        {Matches("tier", "nc", R"(["gold"])"), postback("no gold")},
    };
    for (const auto& [condition, consequence] : rules) {
        engine_->AddRule(module_,
                         std::make_shared<Rule>(condition, std::vector<std::shared_ptr<Event>>{consequence}));
    }
    const auto fired = [this](const std::map<std::string, std::string>& data) {
        std::vector<std::string> ids;
        for (const auto& event : Process(Track(data))) {
            VariantMap triggered;
            std::string id;
            event->GetData()->GetVariantMap("triggeredconsequence", triggered);
            triggered.at("id")->GetString(id);
            ids.push_back(id);
        }
        return ids;
    };
    EXPECT_EQ(fired({{"action", "buy"}}), (std::vector<std::string>{"gold"}));
    EXPECT_EQ(fired({{"tier", "SILVER"}}), (std::vector<std::string>{"silver", "no gold"}));
    EXPECT_EQ(fired({{"tier", "GOLDEN"}}), (std::vector<std::string>{"gold"}));
}

TEST_F(RulesEngineTest, TypesOtherThanExactAddBecomeEvents) {
    const auto upper =
        ConsequenceEvent("u", "ADD", {{"eventdata", Variant::FromVariantMap({{"x", Text("y")}})}});
    const auto numeric = ConsequenceEvent("n", Variant::FromDouble(1), {{"k", Text("v")}});
    engine_->AddRule(module_,
                     std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{upper, numeric}));
    auto event = Track({{"action", "buy"}});

    EXPECT_EQ(engine_->ProcessRules(event).size(), 2u);
    EXPECT_FALSE(event->GetData()->ContainsKey("x"));
}

TEST_F(RulesEngineTest, MalformedConsequencesAreSkippedWithWarnings) {
    ScopedCapturingLog log(LoggingMode::Warning);
    auto noType = std::make_shared<EventData>();
    noType->PutVariantMap("triggeredconsequence", {{"id", Text("i")}});
    const std::vector<std::shared_ptr<Event>> consequences{
        EventBuilder("Rules Event", EventType::RULES_ENGINE, EventSource::RESPONSE_CONTENT).Build(),
        EventBuilder("Rules Event", EventType::RULES_ENGINE, EventSource::RESPONSE_CONTENT)
            .SetData(noType)
            .Build(),
        ConsequenceEvent("ok", "pb", {{"k", Text("v")}})};
    engine_->AddRule(module_, std::make_shared<Rule>(buy_, consequences));

    EXPECT_EQ(Process(Track({{"action", "buy"}})).size(), 1u);
    EXPECT_TRUE(
        log.Service().Contains("Unable to process a RuleConsequence Event, EventData is null or empty."));
    EXPECT_TRUE(log.Service().Contains("Unable to process a RuleConsequence Event, no type is specified."));
}

TEST_F(RulesEngineTest, IncompleteAttachDataLeavesTheEventAlone) {
    struct Case {
        VariantMap data;
        const char* warning;
    } cases[] = {
        {{}, "Unable to process an AttachDataConsequence Event, EventData is empty."},
        {{{"other", Text("x")}},
         "Unable to process an AttachDataConsequence Event, triggering consequence is missing."},
        {{{"triggeredconsequence", Variant::FromVariantMap({{"type", Text("add")}})}},
         "Unable to process an AttachDataConsequence Event, 'details' object is missing."},
        {{{"triggeredconsequence",
           Variant::FromVariantMap({{"type", Text("add")}, {"detail", Variant::FromVariantMap({})}})}},
         "Unable to process an AttachDataConsequence Event, 'eventData' is missing from 'details'."},
    };
    for (const Case& testCase : cases) {
        ScopedCapturingLog log(LoggingMode::Warning);
        auto event = Track({{"action", "buy"}});
        const auto consequence =
            EventBuilder("Rules Event", EventType::RULES_ENGINE, EventSource::RESPONSE_CONTENT)
                .SetData(std::make_shared<EventData>(testCase.data))
                .Build();
        engine_->ProcessAttachDataConsequence(consequence, event);
        EXPECT_TRUE(log.Service().Contains(testCase.warning)) << testCase.warning;
        EXPECT_EQ(event->GetData()->Size(), 1u);
    }
}

TEST_F(RulesEngineTest, RuleSetsPerModule) {
    const auto other = std::make_shared<RuleOwnerModule>("other.owner");
    const auto consequence = ConsequenceEvent("c", "pb", {{"k", Text("v")}});
    const auto rule = std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{consequence});
    const auto buy = Track({{"action", "buy"}});

    engine_->AddRule(module_, rule);
    engine_->AddRule(module_, rule);
    EXPECT_EQ(Process(buy).size(), 2u) << "a rule added twice fires twice";
    engine_->AddRule(other, rule);
    EXPECT_EQ(Process(buy).size(), 3u) << "every module's rules fire";
    engine_->ReplaceRulesForModule(module_, {});
    EXPECT_EQ(Process(buy).size(), 1u);
    engine_->RemoveRulesForModule(other);
    EXPECT_TRUE(Process(buy).empty());
    EXPECT_TRUE(engine_->GetRulesForModule(other).empty());
}

TEST_F(RulesEngineTest, RefusesRulesThatCannotFire) {
    const struct {
        std::shared_ptr<Rule> rule;
        const char* message;
    } cases[] = {{nullptr, "attempted to register null rule"},
                 {std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{}),
                  "attempted to register rule with no consequences"}};
    for (const auto& testCase : cases) {
        try {
            engine_->AddRule(module_, testCase.rule);
            ADD_FAILURE() << testCase.message;
        } catch (const SdkError& error) {
            EXPECT_EQ(error.GetCode(), "general.invalid_argument");
            EXPECT_EQ(error.GetMessage(), testCase.message);
        }
    }
    EXPECT_TRUE(engine_->GetRulesForModule(module_).empty());
}

TEST_F(RulesEngineTest, RuleWithoutConditionNeverFires) {
    engine_->AddRule(module_,
                     std::make_shared<Rule>(nullptr, std::vector<std::shared_ptr<Event>>{
                                                         ConsequenceEvent("c", "pb", {{"k", Text("v")}})}));
    EXPECT_TRUE(Process(Track({{"action", "buy"}})).empty());
}

TEST_F(RulesEngineTest, AFailingConditionCountsAsFalseAndThePassGoesOn) {
    ScopedCapturingLog log(LoggingMode::Warning);
    const auto consequence = ConsequenceEvent("c", "pb", {{"k", Text("v")}});
    engine_->AddRule(module_, std::make_shared<Rule>(std::make_shared<ThrowingCondition>(),
                                                     std::vector<std::shared_ptr<Event>>{consequence}));
    engine_->AddRule(module_, std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{consequence}));

    EXPECT_EQ(Process(Track({{"action", "buy"}})).size(), 1u);
    EXPECT_TRUE(log.Service().Contains("condition broke"));
}

TEST_F(RulesEngineTest, ExpansionReachesListsAndMapsButNotKeys) {
    const auto consequence = ConsequenceEvent(
        "c", "pb",
        {{"{%action%}",
          Variant::FromVariantVector({Text("{%action%}"), Variant::FromInteger(4),
                                      Variant::FromVariantMap({{"m", Text("<{%action%}>")}})})}});
    engine_->AddRule(module_, std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{consequence}));

    const auto result = Process(Track({{"action", "buy"}}));

    ASSERT_EQ(result.size(), 1u);
    VariantMap triggered;
    VariantMap detail;
    ASSERT_TRUE(result[0]->GetData()->GetVariantMap("triggeredconsequence", triggered));
    ASSERT_TRUE(triggered.at("detail")->GetVariantMap(detail));
    EXPECT_TRUE(detail.at("{%action%}")
                    ->Equals(*Variant::FromVariantVector({Text("buy"), Variant::FromInteger(4),
                                                          Variant::FromVariantMap({{"m", Text("<buy>")}})})));
}

TEST_F(RulesEngineTest, ConsequenceTemplatesStayUnchanged) {
    const auto consequence = ConsequenceEvent("c", "pb", {{"k", Text("{%action%}")}});
    engine_->AddRule(module_, std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{consequence}));
    Process(Track({{"action", "buy"}}));
    const auto again = Process(Track({{"action", "buy"}}));
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(TriggeredText(consequence, "k"), "{%action%}");
}

TEST_F(RulesEngineTest, ReloadedRulesExpandTheirOwnTexts) {
    const auto first = ConsequenceEvent("c", "pb", {{"k", Text("first {%action%}")}});
    const auto second = ConsequenceEvent("c", "pb", {{"k", Text("second {%urlenc(action)%}")}});
    const auto third = ConsequenceEvent("c", "pb", {{"k", Text("third {%~type%}")}});
    const auto expandedTexts = [this] {
        std::vector<std::string> texts;
        for (const auto& event : Process(Track({{"action", "buy it"}}))) {
            texts.push_back(TriggeredText(event, "k"));
        }
        return texts;
    };
    using Texts = std::vector<std::string>;

    buy_ = Matches("action", "eq", R"(["buy it"])");
    engine_->ReplaceRulesForModule(
        module_, {std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{first})});
    EXPECT_EQ(expandedTexts(), Texts{"first buy it"});

    engine_->ReplaceRulesForModule(
        module_, {std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{second})});
    EXPECT_EQ(expandedTexts(), Texts{"second buy%20it"}) << "a replaced rule's texts are gone";

    engine_->AddRule(module_, std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{third}));
    EXPECT_EQ(expandedTexts(), (Texts{"second buy%20it", "third com.nuvra.eventType.generic.track"}));

    const auto other = std::make_shared<RuleOwnerModule>("other.owner");
    engine_->AddRule(other, std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{first}));
    engine_->RemoveRulesForModule(module_);
    EXPECT_EQ(expandedTexts(), Texts{"first buy it"}) << "removing one module keeps the other's texts";
}

TEST_F(RulesEngineTest, OneTextSharedByTwoRulesSurvivesTheRemovalOfEither) {
    const auto shared = Text("{%action%}!");
    const auto consequence =
        ConsequenceEvent("c", "pb", {{"k", shared}, {"list", Variant::FromVariantVector({shared})}});
    const auto other = std::make_shared<RuleOwnerModule>("other.owner");
    engine_->AddRule(module_, std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{consequence}));
    engine_->AddRule(other, std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{consequence}));
    engine_->RemoveRulesForModule(module_);

    const auto result = Process(Track({{"action", "buy"}}));

    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(TriggeredText(result[0], "k"), "buy!");
}

/** A consequence text expanded through the engine, whose tokens were found when the rule loaded. */
struct LoadedTextCase {
    const char* name;
    const char* text;
    const char* expected;  // null: only the same as the text expanded on the spot
};

std::ostream& operator<<(std::ostream& stream, const LoadedTextCase& textCase) {
    return stream << textCase.name;
}

class RulesEngineLoadedTextTest : public RulesEngineTest,
                                  public testing::WithParamInterface<LoadedTextCase> {};

TEST_P(RulesEngineLoadedTextTest, ExpandsLikeTheTextExpandedOnTheSpot) {
    services_->jsonUtilityService = CreateNativeJsonUtilityService();
    const auto consequence = ConsequenceEvent("c", "pb", {{"k", Text(GetParam().text)}});
    engine_->AddRule(module_, std::make_shared<Rule>(buy_, std::vector<std::shared_ptr<Event>>{consequence}));
    const auto event = Track({{"action", "buy"}, {"a.b", "x y"}, {"~other", "data"}});

    auto processed = event;
    const auto result = engine_->ProcessRules(processed);

    ASSERT_EQ(result.size(), 1u);
    std::string onTheSpot;
    ASSERT_TRUE(
        engine_->GetTokenExpandedMap({{"k", Text(GetParam().text)}}, event).at("k")->GetString(onTheSpot));
    EXPECT_EQ(TriggeredText(result[0], "k"), onTheSpot);
    if (GetParam().expected) {
        EXPECT_EQ(onTheSpot, GetParam().expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RulesEngineLoadedTextTest,
    testing::Values(LoadedTextCase{"NoToken", "plain text", "plain text"},
                    LoadedTextCase{"RepeatedToken", "{%action%}/{%action%}", "buy/buy"},
                    LoadedTextCase{"UrlEncodedDottedKey", "q={%urlenc(a.b)%}", "q=x%20y"},
                    LoadedTextCase{"PlainAndUrlEncodedOfOneKey", "{%a.b%}|{%urlenc(a.b)%}", "x y|x%20y"},
                    LoadedTextCase{"EmptyKeyStays", "{%%}{%action%}", "{%%}buy"},
                    LoadedTextCase{"MissingKeyIsEmpty", "[{%missing.key%}]", "[]"},
                    LoadedTextCase{"UnknownSpecialKeyFallsBackToData", "{%~other%}", "data"},
                    LoadedTextCase{"AllUrl", "{%~all_url%}", "&a.b=x%20y&action=buy&~other=data"},
                    LoadedTextCase{"AllJson", "{%~all_json%}", nullptr},
                    LoadedTextCase{"UnclosedTokenStays", "{%action", "{%action"}));

}  // namespace
}  // namespace NuvraMobile
