#include <gtest/gtest.h>

#include <filesystem>

#include "configuration/RulesLoader.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "rulesengine/Rule.h"
#include "rulesengine/RuleTokenParser.h"
#include "rulesengine/RulesTestSupport.h"
#include "services/filesystem/NativeFileSystemService.h"
#include "support/CapturingLoggingService.h"
#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {
namespace {

std::string RuleJson(const std::string& action, const std::string& consequences = "") {
    return R"({"condition": {"type": "group", "definition": {"logic": "and", "conditions": [{"type": "matcher", )"
           R"("definition": {"key": "action", "matcher": "eq", "values": [")" +
           action + R"("]}}]}}, "consequences": [)" +
           (consequences.empty() ? R"({"id": ")" + action + R"(", "type": "pb", "detail": {"url": "u"}})"
                                 : consequences) +
           "]}";
}

class RulesLoaderTest : public testing::Test {
protected:
    RulesLoader::Rules Parse(const std::string& json) {
        return RulesLoader::ParseRulesFromJsonObject(ParseJson(json), json_);
    }

    /** The id of the first consequence of each rule. */
    static std::vector<std::string> Ids(const RulesLoader::Rules& rules) {
        std::vector<std::string> ids;
        for (const auto& rule : rules) {
            EventData::VariantMap triggered;
            std::string id;
            rule->GetConsequenceEvents().at(0)->GetData()->GetVariantMap("triggeredconsequence", triggered);
            triggered.at("id")->GetString(id);
            ids.push_back(id);
        }
        return ids;
    }

    std::shared_ptr<JsonUtilityServiceInterface> json_ = CreateNativeJsonUtilityService();
    std::shared_ptr<FileSystemServiceInterface> fileSystem_ = CreateNativeFileSystemService();
    FileSystemTestFolder scratch_;
};

TEST_F(RulesLoaderTest, ReadsRulesInFileOrderAndSkipsInvalidOnes) {
    ScopedCapturingLog log(LoggingMode::Error);
    const std::string noCondition = R"({"consequences": [{"id": "x", "type": "pb", "detail": {"a": 1}}]})";
    const std::string noDetail = RuleJson("nodetail", R"({"id": "y", "type": "pb"})");
    const auto rules = Parse(R"({"version": 2, "rules": [)" + RuleJson("first") + "," + noCondition + "," +
                             noDetail + R"(, "a string", )" + RuleJson("last") + "]}");

    EXPECT_EQ(Ids(rules), (std::vector<std::string>{"first", "last"}));
    const std::vector<std::string> messages = log.Service().GetMessages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].rfind("Skipping invalid rule: ", 0), 0u);
    EXPECT_EQ(messages[1], "Skipping rule due to lack of consequences.");
    EXPECT_EQ(messages[2].rfind("Skipping invalid rule: ", 0), 0u);
    EXPECT_EQ(log.Service().GetLines()[0].tag, "com.nuvra.module.configuration");
}

TEST_F(RulesLoaderTest, DocumentsWithoutRulesArrayGiveNothing) {
    ScopedCapturingLog log(LoggingMode::Error);
    EXPECT_FALSE(RulesLoader::TryParseRulesFromJsonObject(ParseJson(R"({"rules": {}})"), json_).has_value());
    EXPECT_TRUE(log.Service().Contains("Failed to read rules: "));
    EXPECT_FALSE(RulesLoader::TryParseRulesFromJsonObject(ParseJson("{}"), json_).has_value());
    EXPECT_FALSE(RulesLoader::TryParseRulesFromJsonObject(nullptr, json_).has_value());
    EXPECT_FALSE(
        RulesLoader::TryParseRulesFromJsonObject(ParseJson(R"({"rules": []})"), nullptr).has_value());
    const auto empty = RulesLoader::TryParseRulesFromJsonObject(ParseJson(R"({"rules": []})"), json_);
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());
}

TEST_F(RulesLoaderTest, ConsequenceEventsCarryOnlyTheRecord) {
    const auto rules = Parse(R"({"rules": [)" + RuleJson("buy") + "]}");
    ASSERT_EQ(rules.size(), 1u);
    const std::shared_ptr<Event> consequence = rules[0]->GetConsequenceEvents().at(0);
    EXPECT_EQ(consequence->GetName(), "Rules Event");
    EXPECT_EQ(consequence->GetEventType(), EventType::RULES_ENGINE);
    EXPECT_EQ(consequence->GetEventSource(), EventSource::RESPONSE_CONTENT);
    EXPECT_TRUE(consequence->GetPairID().empty());
    EXPECT_EQ(consequence->GetData()->Size(), 1u);
    EXPECT_TRUE(consequence->GetData()->ContainsKey("triggeredconsequence"));
}

TEST_F(RulesLoaderTest, EmptyGroupLoadsAndNeverHolds) {
    const auto rules = Parse(
        R"({"rules": [{"condition": {"type": "group", "definition": {"logic": "or", "conditions": []}},
            "consequences": [{"id": "i", "type": "pb", "detail": {"a": 1}}]}]})");
    ASSERT_EQ(rules.size(), 1u);
    const auto parser = std::make_shared<RuleTokenParser>(nullptr, nullptr);
    EXPECT_FALSE(rules[0]->EvaluateCondition(parser, TrackEvent()));
}

TEST_F(RulesLoaderTest, ConditionsNestedTooDeepInvalidateTheirRule) {
    ScopedCapturingLog log(LoggingMode::Error);
    std::string condition = R"({"type": "matcher", "definition": {"key": "k", "matcher": "ex"}})";
    for (int level = 0; level < 65; ++level) {
        condition = R"({"type": "group", "definition": {"logic": "and", "conditions": [)" + condition + "]}}";
    }
    const auto rules = Parse(R"({"rules": [{"condition": )" + condition +
                             R"(, "consequences": [{"id": "i", "type": "pb", "detail": {"a": 1}}]}, )" +
                             RuleJson("kept") + "]}");
    EXPECT_EQ(Ids(rules), std::vector<std::string>{"kept"});
    EXPECT_TRUE(log.Service().Contains("nested deeper than 64"));
}

TEST_F(RulesLoaderTest, ReadsTheRulesFileOfADirectory) {
    WriteFileBytes(scratch_.PathOf("rules.json"), R"({"rules": [)" + RuleJson("buy") + "]}");
    EXPECT_EQ(Ids(RulesLoader::LoadRulesFromDirectory(fileSystem_, json_, scratch_.Path())),
              std::vector<std::string>{"buy"});
}

TEST_F(RulesLoaderTest, UnreadableRulesFilesGiveNothing) {
    const std::string tooLarge =
        R"({"rules": [], "padding": ")" + std::string(RulesLoader::MAX_RULES_FILE_SIZE, 'x') + "\"}";
    for (const std::optional<std::string>& content :
         {std::optional<std::string>(), std::optional<std::string>("not json"),
          std::optional<std::string>(tooLarge)}) {
        ScopedCapturingLog log(LoggingMode::Error);
        std::filesystem::remove(scratch_.PathOf("rules.json"));
        if (content) {
            WriteFileBytes(scratch_.PathOf("rules.json"), *content);
        }
        EXPECT_FALSE(RulesLoader::TryLoadRulesFromDirectory(fileSystem_, json_, scratch_.Path()).has_value());
        EXPECT_TRUE(log.Service().Contains("Error loading rules from file: "));
    }
    EXPECT_FALSE(RulesLoader::TryLoadRulesFromDirectory(fileSystem_, json_, "").has_value());
    EXPECT_FALSE(RulesLoader::TryLoadRulesFromDirectory(nullptr, json_, scratch_.Path()).has_value());
}

}  // namespace
}  // namespace NuvraMobile
