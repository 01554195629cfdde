#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace NuvraMobile {

class Event;
class FileSystemServiceInterface;
class JsonArray;
class JsonObject;
class JsonUtilityServiceInterface;
class Rule;

/**
 * Reads the rules file ("rules.json") of an unpacked rules bundle into rules whose consequences are
 * ready-made "Rules Event" events. Problems are logged under the Configuration module's tag: a rule that
 * cannot be read is skipped, a file that cannot be read gives no rules. Static operations only; any
 * thread may call them.
 */
class RulesLoader {
public:
    using Rules = std::vector<std::shared_ptr<Rule>>;

    /** Rules files above this size are refused unread. */
    static constexpr uint64_t MAX_RULES_FILE_SIZE = 16u * 1024u * 1024u;

    /** The rules of directory + separator + "rules.json"; empty when anything is missing or unreadable. */
    static Rules LoadRulesFromDirectory(const std::shared_ptr<FileSystemServiceInterface>& fileSystem,
                                        const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtility,
                                        const std::string& directory);
    /** As LoadRulesFromDirectory, but nothing when the file could not be read as a rules file. */
    static std::optional<Rules> TryLoadRulesFromDirectory(
        const std::shared_ptr<FileSystemServiceInterface>& fileSystem,
        const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtility, const std::string& directory);

    /** The rules of a rules document, in file order; empty for a null or member-less document. */
    static Rules ParseRulesFromJsonObject(const std::shared_ptr<JsonObject>& rulesJson,
                                          const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtility);
    /** As ParseRulesFromJsonObject, but nothing when the document has no "rules" array. */
    static std::optional<Rules> TryParseRulesFromJsonObject(
        const std::shared_ptr<JsonObject>& rulesJson,
        const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtility);

    /**
     * One "Rules Event" (rulesEngine, responseContent) per valid consequence, in order. Throws SdkError
     * when an element is not an object: the caller drops the whole rule.
     */
    static std::vector<std::shared_ptr<Event>> GenerateConsequenceEvents(
        const std::shared_ptr<JsonArray>& consequences);

private:
    static std::shared_ptr<JsonObject> ReadRulesFile(
        const std::shared_ptr<FileSystemServiceInterface>& fileSystem,
        const std::shared_ptr<JsonUtilityServiceInterface>& jsonUtility, const std::string& path);
    static std::shared_ptr<Rule> ParseRule(const JsonArray& rules, uint32_t index);
};

}  // namespace NuvraMobile
