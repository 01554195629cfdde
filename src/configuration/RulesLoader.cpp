#include "configuration/RulesLoader.h"

#include "configuration/Configuration.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "platformShim/FileHandlerInterface.h"
#include "platformShim/FileSystemServiceInterface.h"
#include "platformShim/JsonArray.h"
#include "platformShim/JsonObject.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "rulesengine/Rule.h"
#include "rulesengine/RuleCondition.h"
#include "rulesengine/RuleConsequence.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = Configuration::LOG_PREFIX;
constexpr const char* CONSEQUENCE_EVENT_NAME = "Rules Event";

}  // namespace

RulesLoader::Rules RulesLoader::LoadRulesFromDirectory(
    const std::shared_ptr<FileSystemServiceInterface>& fileSystem,
    const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtility, const std::string& directory) {
    return TryLoadRulesFromDirectory(fileSystem, jsonUtility, directory).value_or(Rules());
}

std::optional<RulesLoader::Rules> RulesLoader::TryLoadRulesFromDirectory(
    const std::shared_ptr<FileSystemServiceInterface>& fileSystem,
    const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtility, const std::string& directory) {
    if (directory.empty() || !fileSystem || !jsonUtility) {
        return std::nullopt;
    }
    const std::string path = directory + fileSystem->GetPathSeparator() + Configuration::RULES_JSON_FILE_NAME;
    return TryParseRulesFromJsonObject(ReadRulesFile(fileSystem, jsonUtility, path), jsonUtility);
}

RulesLoader::Rules RulesLoader::ParseRulesFromJsonObject(
    const std::shared_ptr<JsonObject>& rulesJson,
    const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtility) {
    return TryParseRulesFromJsonObject(rulesJson, jsonUtility).value_or(Rules());
}

std::optional<RulesLoader::Rules> RulesLoader::TryParseRulesFromJsonObject(
    const std::shared_ptr<JsonObject>& rulesJson,
    const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtility) {
    if (!rulesJson || rulesJson->Length() == 0 || !jsonUtility) {
        return std::nullopt;
    }
    std::shared_ptr<JsonArray> rulesArray;
    TryCatch([&] { rulesArray = rulesJson->GetJsonArray(Configuration::RULES_JSON_KEY); },
             [](SdkError& error) { Log::Error(LOG_TAG, "Failed to read rules: %s", error.GetMessage()); });
    if (!rulesArray) {
        return std::nullopt;
    }
    Rules rules;
    for (uint32_t index = 0; index < rulesArray->Length(); ++index) {
        TryCatch(
            [&] {
                std::shared_ptr<Rule> rule = ParseRule(*rulesArray, index);
                if (rule) {
                    rules.push_back(std::move(rule));
                }
            },
            [](SdkError& error) { Log::Error(LOG_TAG, "Skipping invalid rule: %s", error.GetMessage()); });
    }
    return rules;
}

std::vector<std::shared_ptr<Event>> RulesLoader::GenerateConsequenceEvents(
    const std::shared_ptr<JsonArray>& consequences) {
    std::vector<std::shared_ptr<Event>> events;
    const uint64_t length = consequences ? consequences->Length() : 0;
    for (uint32_t index = 0; index < length; ++index) {
        const std::shared_ptr<RuleConsequence> consequence =
            RuleConsequence::ConsequenceFromJson(consequences->GetJsonObject(index));
        if (consequence) {
            events.push_back(
                EventBuilder(CONSEQUENCE_EVENT_NAME, EventType::RULES_ENGINE, EventSource::RESPONSE_CONTENT)
                    .SetData(consequence->GenerateEventData())
                    .Build());
        }
    }
    return events;
}

std::shared_ptr<JsonObject> RulesLoader::ReadRulesFile(
    const std::shared_ptr<FileSystemServiceInterface>& fileSystem,
    const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtility, const std::string& path) {
    std::shared_ptr<JsonObject> rulesJson;
    TryCatch(
        [&] {
            const std::shared_ptr<FileHandlerInterface> file = fileSystem->CreateFileHandler(path);
            if (file && file->Size() > MAX_RULES_FILE_SIZE) {
                Throw("general.invalid_argument", "The rules file is larger than 16 MiB.");
            }
            rulesJson = jsonUtility->CreateJsonObject(fileSystem->ReadStringFromFile(path));
        },
        [](SdkError& error) {
            Log::Error(LOG_TAG, "Error loading rules from file: %s", error.GetMessage());
        });
    return rulesJson;
}

std::shared_ptr<Rule> RulesLoader::ParseRule(const JsonArray& rules, uint32_t index) {
    const std::shared_ptr<JsonObject> ruleJson = rules.GetJsonObject(index);
    std::shared_ptr<RuleCondition> condition = RuleCondition::RuleConditionFromJson(
        ruleJson->GetJsonObject(Configuration::RULES_JSON_CONDITION_KEY));
    std::vector<std::shared_ptr<Event>> events =
        GenerateConsequenceEvents(ruleJson->GetJsonArray(Configuration::RULES_JSON_CONSEQUENCES_KEY));
    if (events.empty()) {
        Log::Error(LOG_TAG, "Skipping rule due to lack of consequences.");
        return nullptr;
    }
    return std::make_shared<Rule>(std::move(condition), std::move(events));
}

}  // namespace NuvraMobile
