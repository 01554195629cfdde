#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "core/hub/SharedStateMarkers.h"
#include "core/values/Variant.h"
#include "rulesengine/EventDataFlattener.h"
#include "rulesengine/RuleTokenParser.h"
#include "rulesengine/RulesTestSupport.h"
#include "support/CapturingLoggingService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakeEventHub.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"

namespace NuvraMobile {
namespace {

class RuleTokenParserTest : public testing::Test {
protected:
    RuleTokenParserTest() {
        services_->systemInfoService = std::make_shared<FakeSystemInfoService>();
        services_->jsonUtilityService = CreateNativeJsonUtilityService();
        data_->PutString("action", "buy now");
        data_->PutBoolean("flag", true);
        data_->PutDouble("price", 1.5);
        data_->PutInteger("count", 3);
        data_->PutVariantMap("nested", {{"leaf", Variant::FromString("x/y")}});
        data_->PutString("~other", "fallback");
        data_->PutString("urlencoded", "value of urlencoded");
        data_->PutString("de", "value of de");
    }

    std::string Expand(const std::string& text) { return parser_->ExpandTokensForString(text, event_); }

    std::shared_ptr<FakeEventHub> hub_ = std::make_shared<FakeEventHub>();
    std::shared_ptr<FakePlatformServices> services_ = std::make_shared<FakePlatformServices>();
    std::shared_ptr<RuleTokenParser> parser_ =
        std::make_shared<RuleTokenParser>(hub_, [this] { return services_; });
    std::shared_ptr<EventData> data_ = std::make_shared<EventData>();
    std::shared_ptr<Event> event_ = TrackEvent(data_);
};

struct ExpansionCase {
    const char* name;
    const char* text;
    const char* expected;
};

std::ostream& operator<<(std::ostream& stream, const ExpansionCase& expansionCase) {
    return stream << expansionCase.name;
}

class RuleTokenExpansionTest : public RuleTokenParserTest,
                               public testing::WithParamInterface<ExpansionCase> {};

TEST_P(RuleTokenExpansionTest, ReplacesTokensWithTheirValues) {
    EXPECT_EQ(Expand(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, RuleTokenExpansionTest,
    testing::Values(
        ExpansionCase{"NoToken", "plain text", "plain text"}, ExpansionCase{"Empty", "", ""},
        ExpansionCase{"EventType", "{%~type%}", "com.nuvra.eventType.generic.track"},
        ExpansionCase{"EventSource", "{%~source%}", "com.nuvra.eventSource.requestContent"},
        ExpansionCase{"LetterBeforeTokenStays", "taxi{%~sdkver%}", "taxi2.3.5"},
        ExpansionCase{"String", "a={%action%}", "a=buy now"}, ExpansionCase{"Boolean", "{%flag%}", "true"},
        ExpansionCase{"DoubleWithSixDecimals", "{%price%}", "1.500000"},
        ExpansionCase{"Integer", "{%count%}", "3"}, ExpansionCase{"NestedKey", "{%nested.leaf%}", "x/y"},
        ExpansionCase{"MissingKeyIsEmpty", "[{%missing%}]", "[]"},
        ExpansionCase{"EmptyKeyStays", "{%%}", "{%%}"},
        ExpansionCase{"UrlEncoded", "{%urlenc(action)%}", "buy%20now"},
        ExpansionCase{"UrlEncodedNested", "{%urlenc(nested.leaf)%}", "x%2Fy"},
        ExpansionCase{"UrlencPrefixCutsAtFixedPlaces", "{%urlencoded%}", "value%20of%20de"},
        ExpansionCase{"RepeatedToken", "{%count%}-{%count%}", "3-3"},
        ExpansionCase{
            "AllUrlEncodedOnceMore", "{%urlenc(~all_url)%}",
            "%26action%3Dbuy%2520now%26count%3D%26de%3Dvalue%2520of%2520de%26flag%3D%26nested.leaf%3Dx%252Fy"
            "%26price%3D%26urlencoded%3Dvalue%2520of%2520urlencoded%26~other%3Dfallback"},
        ExpansionCase{"InvalidSpecialKeyFallsBackToData", "{%~other%}", "fallback"},
        ExpansionCase{"UnclosedToken", "{%action", "{%action"},
        ExpansionCase{"KeyWithForbiddenCharacter", "{%act ion%}", "{%act ion%}"}),
    testing::PrintToStringParamName());

TEST_F(RuleTokenParserTest, InsertedTextIsNotScannedAgainByItsOwnToken) {
    data_->PutString("self", "<{%self%}>");
    EXPECT_EQ(Expand("{%self%}"), "<{%self%}>");
}

TEST_F(RuleTokenParserTest, InsertedTextIsNotScannedAgainByALaterToken) {
    data_->PutString("first", "{%count%}");
    EXPECT_EQ(Expand("{%first%}|{%count%}"), "{%count%}|3");
}

TEST_F(RuleTokenParserTest, ManyTokensExpandInOnePass) {
    // A template as large as a rules file allows: every token is replaced, in place, once.
    std::string text;
    std::string expected;
    for (int index = 0; index < 20000; ++index) {
        text += index % 2 == 0 ? "<{%count%}>" : "{%urlenc(action)%}";
        expected += index % 2 == 0 ? "<3>" : "buy%20now";
    }
    EXPECT_EQ(Expand(text), expected);
}

TEST_F(RuleTokenParserTest, NullEventLeavesTextUnchanged) {
    EXPECT_EQ(parser_->ExpandTokensForString("{%~type%}", nullptr), "{%~type%}");
    EXPECT_EQ(parser_->ExpandKey("action", nullptr)->GetKind(), VariantKind::VARIANT_NULL);
}

TEST_F(RuleTokenParserTest, AllUrlLeavesNonStringValuesEmpty) {
    auto data = std::make_shared<EventData>();
    data->PutString("b", "x y");
    data->PutInteger("a", 1);
    std::string text;
    ASSERT_TRUE(parser_->ExpandKey("~all_url", TrackEvent(data))->GetString(text));
    EXPECT_EQ(text, "&a=&b=x%20y");
}

TEST_F(RuleTokenParserTest, AllJsonIsTheJsonOfTheFlattenedData) {
    auto data = std::make_shared<EventData>();
    data->PutVariantMap("m", {{"k", Variant::FromString("v")}});
    std::string text;
    ASSERT_TRUE(parser_->ExpandKey("~all_json", TrackEvent(data))->GetString(text));
    EXPECT_EQ(ParseJson(text)->GetString("m.k"), "v");
}

TEST_F(RuleTokenParserTest, MissingServicesGiveFallbackTexts) {
    auto bare = std::make_shared<RuleTokenParser>(hub_, nullptr);
    std::string text;
    ASSERT_TRUE(bare->ExpandKey("~sdkver", event_)->GetString(text));
    EXPECT_EQ(text, "unknown");
    EXPECT_EQ(bare->ExpandTokensForString("[{%~all_json%}]", event_), "[]");
}

TEST_F(RuleTokenParserTest, TimeKeysHaveTheirFormats) {
    EXPECT_TRUE(std::regex_match(Expand("{%~timestampu%}"), std::regex("[0-9]{10,}")));
    EXPECT_TRUE(
        std::regex_match(Expand("{%~timestampz%}"),
                         std::regex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{4}")));
}

TEST_F(RuleTokenParserTest, CachebustIsSeededByTheSecond) {
    std::string first;
    std::string second;
    do {
        first = Expand("{%~cachebust%}");
        second = Expand("{%~cachebust%}");
    } while (first != second);  // only a change of second between the two draws makes them differ
    EXPECT_TRUE(std::regex_match(first, std::regex("[0-9]{1,8}")));
}

TEST_F(RuleTokenParserTest, InvalidSpecialKeyWarns) {
    ScopedCapturingLog log(LoggingMode::Warning);
    parser_->ExpandKey("~nothing", event_);
    EXPECT_TRUE(log.Service().Contains("Key type \"~nothing\" is invalid"));
}

TEST_F(RuleTokenParserTest, SharedStateKeysReadTheStateAtTheEvent) {
    auto state = std::make_shared<EventData>();
    state->PutVariantMap("ids", {{"mid", Variant::FromString("123")}});
    hub_->SetSharedStateAnswer(state, true);
    std::string text;

    ASSERT_TRUE(parser_->ExpandKey("~state.com.nuvra.module.identity/ids.mid", event_)->GetString(text));
    EXPECT_EQ(text, "123");
    const std::vector<FakeEventHub::Call> calls = hub_->Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().stateName, "com.nuvra.module.identity");
    EXPECT_EQ(calls.back().event, event_);
    EXPECT_EQ(calls.back().module, nullptr);
}

TEST_F(RuleTokenParserTest, UnresolvedSharedStateKeysFallBackToEventData) {
    auto state = std::make_shared<EventData>();
    state->PutString("k", "state value");
    data_->PutString("~state.owner/missing", "data value");
    data_->PutString("~state.noslash", "data value");
    struct Case {
        std::shared_ptr<EventData> state;
        const char* key;
        const char* expected;
    } cases[] = {
        {state, "~state.owner/missing", "data value"},
        {SHARED_STATE_PENDING, "~state.owner/missing", "data value"},
        {SHARED_STATE_INVALID, "~state.owner/k", ""},
        {state, "~state.noslash", "data value"},
        {state, "~state./k", ""},
        {state, "~state.owner/", ""},
        {state, "~state.owner/k", "state value"},
    };
    for (const Case& testCase : cases) {
        hub_->SetSharedStateAnswer(testCase.state, true);
        EXPECT_EQ(Expand(std::string("{%") + testCase.key + "%}"), testCase.expected) << testCase.key;
    }
}

TEST_F(RuleTokenParserTest, PassReusesFlattenedDataUntilItChanges) {
    parser_->BeginPass();
    EXPECT_EQ(Expand("{%count%}"), "3");
    data_->PutString("late", "seen");
    EXPECT_EQ(Expand("{%late%}"), "") << "one flattening per pass";
    parser_->DataChanged();
    EXPECT_EQ(Expand("{%late%}"), "seen");
    parser_->EndPass();
    data_->PutString("later", "seen too");
    EXPECT_EQ(Expand("{%later%}"), "seen too") << "outside a pass every lookup flattens anew";
}

TEST_F(RuleTokenParserTest, PassLooksUpEveryKeyOfALargeEventAndForgetsItAfterwards) {
    // More keys than the lookup table starts with, across nested maps and at the top level.
    auto large = std::make_shared<EventData>();
    for (int group = 0; group < 6; ++group) {
        EventData::VariantMap members;
        for (int member = 0; member < 50; ++member) {
            members["k" + std::to_string(member)] = Variant::FromInteger(group * 100 + member);
        }
        large->PutVariantMap("g" + std::to_string(group), members);
        large->PutInteger("top" + std::to_string(group), group);
    }
    const auto largeEvent = TrackEvent(large);
    auto small = std::make_shared<EventData>();
    small->PutInteger("top1", 7);
    const auto smallEvent = TrackEvent(small);
    const auto integerAt = [this](const std::string& key, const std::shared_ptr<Event>& event) {
        int32_t value = -1;
        return parser_->ExpandKey(key, event)->GetInteger(value) ? value : -1;
    };

    parser_->BeginPass();
    for (int group = 0; group < 6; ++group) {
        for (int member = 0; member < 50; ++member) {
            ASSERT_EQ(integerAt("g" + std::to_string(group) + ".k" + std::to_string(member), largeEvent),
                      group * 100 + member);
        }
        ASSERT_EQ(integerAt("top" + std::to_string(group), largeEvent), group);
    }
    EXPECT_EQ(integerAt("g1", largeEvent), -1) << "a key holding a map is no entry of its own";
    EXPECT_EQ(integerAt("g1.k50", largeEvent), -1);
    EXPECT_EQ(integerAt("top1", smallEvent), 7) << "another event is flattened anew";
    EXPECT_EQ(integerAt("g1.k1", smallEvent), -1) << "nothing of the previous event is left";
    EXPECT_EQ(integerAt("top2", smallEvent), -1);
    parser_->EndPass();
}

TEST_F(RuleTokenParserTest, DottedKeysCollidingWithNestedPathsTakeTheEntryWrittenLater) {
    struct Case {
        EventData::VariantMap data;
        const char* key;
        int32_t expected;
    } cases[] = {
        {{{"a", Variant::FromVariantMap({{"b", Variant::FromInteger(1)}})}, {"a.b", Variant::FromInteger(2)}},
         "a.b",
         2},
        {{{"a", Variant::FromVariantMap({{"b.c", Variant::FromInteger(1)}})},
          {"a.b", Variant::FromVariantMap({{"c", Variant::FromInteger(2)}})}},
         "a.b.c",
         2},
        {{{"a", Variant::FromVariantMap({{"b", Variant::FromVariantMap({{"c", Variant::FromInteger(1)}})}})},
          {"a.b.c", Variant::FromInteger(3)}},
         "a.b.c",
         3},
    };
    for (const Case& testCase : cases) {
        const auto event = TrackEvent(std::make_shared<EventData>(testCase.data));
        int32_t value = 0;
        parser_->BeginPass();
        EXPECT_TRUE(parser_->ExpandKey(testCase.key, event)->GetInteger(value)) << testCase.key;
        parser_->EndPass();
        EXPECT_EQ(value, testCase.expected) << testCase.key;
        EXPECT_EQ(EventDataFlattener(event->GetData()).GetFlattenedDataMap().size(), 1u)
            << "the flat map and the lookup agree on the one entry";
    }
}

TEST(RuleTokenParserFindTokensTest, FindsWhatTheTokenExpressionFinds) {
    // The scanner must find exactly the tokens of this expression, searched repeatedly after each match.
    const std::regex expression(R"((\{%(urlenc\()?([a-zA-Z0-9_~./]*?)(\))?%\}))");
    const std::string alphabet = "{%}()urlencab~./ ";
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 24);
        for (int index = 0; index < length; ++index) {
            text += alphabet[random() % alphabet.size()];
        }
        std::vector<std::string> expected;
        for (auto match = std::sregex_iterator(text.begin(), text.end(), expression);
             match != std::sregex_iterator(); ++match) {
            expected.push_back(match->str());
        }
        ASSERT_EQ(RuleTokenParser::FindTokens(text), expected) << text;
    }
}

TEST(RuleTokenParserFindTokensTest, CutsKeysAtFixedPositions) {
    EXPECT_EQ(RuleTokenParser::GetKeyFromToken("{%urlenc(a.b)%}", true), "a.b");
    EXPECT_EQ(RuleTokenParser::GetKeyFromToken("{%urlencoded%}", true), "de");
    EXPECT_EQ(RuleTokenParser::GetKeyFromToken("{%key%}", false), "key");
    EXPECT_EQ(RuleTokenParser::GetKeyFromToken("{%%}", false), "");
}

}  // namespace
}  // namespace NuvraMobile
