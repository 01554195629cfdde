#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "rulesengine/RulesEngine.h"
#include "rulesengine/RulesEngineTestSupport.h"
#include "support/FakeEventHub.h"

namespace NuvraMobile {
namespace {

TEST(RulesEngineConcurrencyTest, ReplacementsAndPassesNeverMeetHalfARuleSet) {
    auto hub = std::make_shared<FakeEventHub>();
    auto engine = std::make_shared<RulesEngine>(hub, nullptr);
    const auto module = std::make_shared<RuleOwnerModule>();
    const auto consequence = ConsequenceEvent("c", "pb", {{"k", Variant::FromString("{%action%}")}});
    const auto rule = std::make_shared<Rule>(Matches("action", "eq", R"(["buy"])"),
                                             std::vector<std::shared_ptr<Event>>{consequence});
    // Every rule set holds an even number of copies of the one rule, so a pass yields an even count.
    const std::vector<std::shared_ptr<Rule>> sets[] = {{}, {rule, rule}, {rule, rule, rule, rule}};

    std::atomic<bool> stop{false};
    std::thread replacer([&] {
        for (size_t round = 0; !stop.load(); ++round) {
            engine->ReplaceRulesForModule(module, sets[round % 3]);
        }
    });
    for (int pass = 0; pass < 2000; ++pass) {
        auto event =
            TrackEvent(std::make_shared<EventData>(std::map<std::string, std::string>{{"action", "buy"}}));
        const auto result = engine->ProcessRules(event);
        ASSERT_EQ(result.size() % 2, 0u);
    }
    stop = true;
    replacer.join();
}

TEST(RulesEngineConcurrencyTest, ExpansionOutsideAPassNeverSeesThePassEvent) {
    auto engine = std::make_shared<RulesEngine>(std::make_shared<FakeEventHub>(), nullptr);
    const auto consequence = ConsequenceEvent("c", "pb", {{"k", Variant::FromString("{%action%}")}});
    engine->ReplaceRulesForModule(std::make_shared<RuleOwnerModule>(),
                                  {std::make_shared<Rule>(Matches("action", "eq", R"(["buy"])"),
                                                          std::vector<std::shared_ptr<Event>>{consequence})});
    const auto eventWith = [](const std::string& action) {
        return TrackEvent(
            std::make_shared<EventData>(std::map<std::string, std::string>{{"action", action}}));
    };

    std::atomic<bool> stop{false};
    std::thread passes([&] {
        while (!stop.load()) {
            auto event = eventWith("buy");
            engine->ProcessRules(event);
        }
    });
    const auto sell = eventWith("sell");
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        engine->GetTokenExpandedMap({{"k", Variant::FromString("{%action%}")}}, sell)
            .at("k")
            ->GetString(text);
        ASSERT_EQ(text, "sell");
    }
    stop = true;
    passes.join();
}

}  // namespace
}  // namespace NuvraMobile
