#include <benchmark/benchmark.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "ReferenceRatio.h"
#include "core/module/InternalModule.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "rulesengine/EventDataFlattener.h"
#include "rulesengine/Matcher.h"
#include "rulesengine/Rule.h"
#include "rulesengine/RuleCondition.h"
#include "rulesengine/RuleTokenParser.h"
#include "rulesengine/RulesEngine.h"
#include "rulesengine/TokenTemplate.h"
#include "services/json/NativeJsonUtilityService.h"

namespace NuvraMobile {
namespace {

constexpr int FIRING_RULES = 10;

class BenchModule : public InternalModule {
public:
    BenchModule() : InternalModule("bench.rules") {}
    std::string GetSharedStateName() const override { return "bench.rules"; }
};

std::string Key(int index) { return "group" + std::to_string(index % 4) + ".key" + std::to_string(index); }

/** Half strings, a quarter integers, a quarter doubles, in nested maps of four groups. */
std::shared_ptr<EventData> Payload(int keys) {
    std::map<std::string, EventData::VariantMap> groups;
    for (int index = 0; index < keys; ++index) {
        const std::string name = "key" + std::to_string(index);
        std::shared_ptr<Variant> value;
        switch (index % 4) {
            case 0:
            case 1:
                value = Variant::FromString("value number " + std::to_string(index) + " of the event");
                break;
            case 2:
                value = Variant::FromInteger(index);
                break;
            default:
                value = Variant::FromDouble(index * 1.5);
                break;
        }
        groups["group" + std::to_string(index % 4)][name] = value;
    }
    auto data = std::make_shared<EventData>();
    for (const auto& group : groups) {
        data->PutVariantMap(group.first, group.second);
    }
    return data;
}

/** The JSON of the value Payload puts under key `index`. */
std::string ExactValueJson(int index) {
    switch (index % 4) {
        case 0:
        case 1:
            return "\"value number " + std::to_string(index) + " of the event\"";
        case 2:
            return std::to_string(index);
        default:
            return std::to_string(index * 1.5);
    }
}

std::string MatcherKind(int index, bool fires) {
    static const char* const kinds[] = {"eq", "co", "gt", "ne", "sw", "lt", "ex", "ew", "le"};
    return fires ? "ex" : kinds[index % 9];
}

/** The key rule i tests; its "ex" rules that must not fire test a key the event lacks. */
std::string ConditionKey(int index, int keys, bool fires) {
    const std::string key = Key(index % keys);
    return MatcherKind(index, fires) == "ex" && !fires ? "missing." + key : key;
}

/**
 * Rule i tests a key of the event with a kind that cycles through nine: a third are pattern kinds whose
 * values are regular expressions. None holds, except the first FIRING_RULES when `firing` is set.
 */
std::string MatcherJson(int index, int keys, bool fires) {
    const std::string key = ConditionKey(index, keys, fires);
    const std::string kind = MatcherKind(index, fires);
    std::string values = R"(["never seen"])";
    if (kind == "co" || kind == "sw" || kind == "ew") {
        values = R"(["num(ber)? 9{3}[a-z]+", "^x.*y$"])";
    } else if (kind == "gt") {
        values = "[100000]";
    } else if (kind == "lt" || kind == "le") {
        values = "[-1]";
    } else if (kind == "ne") {
        values = "[" + ExactValueJson(index % keys) + "]";
    } else if (kind == "ex") {
        return R"({"type": "matcher", "definition": {"key": ")" + key + R"(", "matcher": "ex"}})";
    }
    return R"({"type": "matcher", "definition": {"key": ")" + key + R"(", "matcher": ")" + kind +
           R"(", "values": )" + values + "}}";
}

std::shared_ptr<Event> ConsequenceEvent(int index) {
    auto data = std::make_shared<EventData>();
    data->PutVariantMap(
        "triggeredconsequence",
        {{"id", Variant::FromString("c" + std::to_string(index))},
         {"type", Variant::FromString("pb")},
         {"detail",
          Variant::FromVariantMap(
              {{"templateurl", Variant::FromString("https://collect.example.com/p?k={%urlenc(" + Key(0) +
                                                   ")%}&t={%~timestampu%}&type={%~type%}")},
               {"timeout", Variant::FromDouble(2)}})}});
    return EventBuilder("Rules Event", EventType::RULES_ENGINE, EventSource::RESPONSE_CONTENT)
        .SetData(data)
        .Build();
}

std::shared_ptr<RulesEngine> EngineWith(int rules, int keys, bool firing) {
    auto engine = std::make_shared<RulesEngine>(nullptr, nullptr);
    auto json = CreateNativeJsonUtilityService();
    std::vector<std::shared_ptr<Rule>> ruleSet;
    for (int index = 0; index < rules; ++index) {
        const bool fires = firing && index < FIRING_RULES;
        ruleSet.push_back(std::make_shared<Rule>(
            RuleCondition::RuleConditionFromJson(
                json->CreateJsonObject(R"({"type": "group", "definition": {"logic": "and", "conditions": [)" +
                                       MatcherJson(index, keys, fires) + "]}}")),
            std::vector<std::shared_ptr<Event>>{ConsequenceEvent(index)}));
    }
    engine->ReplaceRulesForModule(std::make_shared<BenchModule>(), ruleSet);
    return engine;
}

/** One rules pass over a track event of `keys` keys, run again and again by the benchmarks below. */
class RulesPass {
public:
    RulesPass(int rules, int keys, bool firing)
        : engine_(EngineWith(rules, keys, firing)),
          event_(EventBuilder("Track", EventType::GENERIC_TRACK, EventSource::REQUEST_CONTENT)
                     .SetData(Payload(keys))
                     .Build()),
          expected_(firing ? FIRING_RULES : 0u),
          label_(std::to_string(rules) + " rules, " + std::to_string(keys) + " keys" +
                 (firing ? ", 10 firing" : ", none firing")) {}

    void Run() {
        auto processed = event_;
        const auto result = engine_->ProcessRules(processed);
        produced_ = result.size();
        benchmark::DoNotOptimize(result.data());
    }

    const std::shared_ptr<Event>& GetEvent() const { return event_; }

    /** Flags a pass that fired other rules than the benchmark meant, and names the case. */
    void Finish(benchmark::State& state) const {
        if (produced_ != expected_) {
            state.SkipWithError("unexpected number of consequence events");
        }
        state.SetLabel(label_);
    }

private:
    const std::shared_ptr<RulesEngine> engine_;
    const std::shared_ptr<Event> event_;
    const size_t expected_;
    const std::string label_;
    size_t produced_ = 0;
};

void BM_ProcessRules(benchmark::State& state) {
    RulesPass pass(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), state.range(2) != 0);
    for (auto _ : state) {
        pass.Run();
    }
    pass.Finish(state);
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_ProcessRules)
    ->ArgsProduct({{10, 100, 1000}, {20, 200}, {0, 1}})
    ->ArgNames({"rules", "keys", "firing"})
    ->Unit(benchmark::kMicrosecond);

/**
 * The pass against its time target, and against a plain loop that looks the same conditions' keys up
 * in a std::unordered_map of the flattened event, measured in the same run ("x_reference" is that
 * loop's time over the pass's, "target" its goal; the Time column is the pass's own).
 */
void BM_RulesPassTarget(benchmark::State& state) {
    constexpr int keys = 20;
    const int rules = static_cast<int>(state.range(0));
    const bool firing = state.range(1) != 0;
    RulesPass pass(rules, keys, firing);
    const EventDataFlattener::VariantMap flattened =
        EventDataFlattener(pass.GetEvent()->GetData()).GetFlattenedDataMap();
    const std::unordered_map<std::string, std::shared_ptr<Variant>> values(flattened.begin(),
                                                                           flattened.end());
    std::vector<std::string> conditionKeys;
    for (int index = 0; index < rules; ++index) {
        conditionKeys.push_back(ConditionKey(index, keys, firing && index < FIRING_RULES));
    }
    RunAgainstReference(
        state, 0.3, [&] { pass.Run(); },
        [&] {
            for (const std::string& key : conditionKeys) {
                const auto found = values.find(key);
                benchmark::DoNotOptimize(found == values.end() ? nullptr : found->second.get());
            }
        });
    pass.Finish(state);
    state.counters["target_us"] = static_cast<double>(state.range(2));
}

BENCHMARK(BM_RulesPassTarget)
    ->Args({100, 0, 8})
    ->Args({100, 1, 25})
    ->Args({1000, 0, 80})
    ->ArgNames({"rules", "firing", "target_us"})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// How the pass grows with the rules: one 1,000-rule pass against ten 100-rule passes in a row (so that
// the smaller set runs warm, as it would alone), alternating in the same run. "times_100_rules" is the
// 1,000-rule time over the 100-rule time; its goal is at most 8.
void BM_RulesPassGrowth(benchmark::State& state) {
    constexpr int hundredPasses = 10;
    RulesPass hundred(100, 20, false);
    RulesPass thousand(1000, 20, false);
    RunAgainstReference(
        state, 0, [&] { thousand.Run(); },
        [&] {
            for (int pass = 0; pass < hundredPasses; ++pass) {
                hundred.Run();
            }
        });
    hundred.Finish(state);
    thousand.Finish(state);
    const double ratio = state.counters["x_reference"];
    state.counters.erase("x_reference");
    state.counters.erase("target");
    state.counters["times_100_rules"] = ratio > 0 ? hundredPasses / ratio : 0;
    state.counters["target_max"] = 8;
}

BENCHMARK(BM_RulesPassGrowth)->UseManualTime()->Unit(benchmark::kMicrosecond);

/** Patterns and subjects a hostile server may send; each must answer in linear time. */
struct HostileMatch {
    const char* label;
    std::string pattern;
    std::string subject;
};

std::string NestedGroups(size_t depth) { return std::string(depth, '(') + "a" + std::string(depth, ')'); }

void BM_HostilePattern(benchmark::State& state) {
    static const HostileMatch cases[] = {
        {"100,000-character subject", "a(b|c)*d", "a" + std::string(100000, 'b')},
        {"20,000 nested groups", NestedGroups(20000), "a"},
        {"^(a+)+$ on 30 characters", "^(a+)+$", std::string(30, 'a') + "!"},
    };
    const HostileMatch& hostile = cases[state.range(0)];
    for (auto _ : state) {
        // Building is part of the cost: a cached bundle's patterns are compiled at every start.
        const auto matcher = Matcher::InitializeMatcherTypeDictionary("co");
        matcher->SetValues({Variant::FromString(hostile.pattern)});
        benchmark::DoNotOptimize(matcher->Matches(Variant::FromString(hostile.subject)));
    }
    state.SetLabel(hostile.label);
}

BENCHMARK(BM_HostilePattern)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_TokenExpansion(benchmark::State& state) {
    const auto data = std::make_shared<EventData>();
    data->PutString("action", "buy now");
    const auto event =
        EventBuilder("Track", EventType::GENERIC_TRACK, EventSource::REQUEST_CONTENT).SetData(data).Build();
    std::string text;
    for (int64_t index = 0; index < state.range(0); ++index) {
        text += "k=" + std::string(index % 2 == 0 ? "{%action%}" : "{%urlenc(action)%}");
    }
    RuleTokenParser parser(nullptr, nullptr);
    for (auto _ : state) {
        benchmark::DoNotOptimize(parser.ExpandTokensForString(text, event));
    }
    state.SetLabel(std::to_string(state.range(0)) + " tokens, " + std::to_string(text.size()) + " bytes");
}

BENCHMARK(BM_TokenExpansion)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

/** A template of `count` tokens: all distinct, or the first one repeated. */
std::string TemplateText(int64_t count, bool distinct) {
    std::string text;
    for (int64_t index = 0; index < count; ++index) {
        text += "k=" + std::string("{%key") + std::to_string(distinct ? index : 0) + "%}&";
    }
    return text;
}

// Taking apart a template of many distinct tokens (a hostile rules bundle or postback) against one
// token repeated as often: both must be linear, so the ratio stays near one at every size. Target:
// 40,000 distinct tokens in under 50 ms.
void BM_DistinctTokenTemplate(benchmark::State& state) {
    const std::string distinct = TemplateText(state.range(0), true);
    const std::string repeated = TemplateText(state.range(0), false);
    RunAgainstReference(
        state, 0.25, [&] { benchmark::DoNotOptimize(TokenTemplate(distinct).GetTokens().size()); },
        [&] { benchmark::DoNotOptimize(TokenTemplate(repeated).GetTokens().size()); });
    state.SetLabel(std::to_string(state.range(0)) + " distinct tokens vs one repeated");
}

BENCHMARK(BM_DistinctTokenTemplate)->Arg(10000)->Arg(40000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace NuvraMobile
