#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "rulesengine/FlattenedEventIndex.h"

namespace NuvraMobile {

class Event;
class EventHub;
class PlatformServicesInterface;
class RuleKey;
class TokenTemplate;
class Variant;

/**
 * Resolves rule keys against one triggering event and expands the tokens of consequence texts. A key
 * is a dotted path into the event's data, or a special key beginning with "~" (event type and source,
 * time stamps, SDK version, a cache-busting number, all event data as query text or JSON, and
 * "~state.<state name>/<key>" for another module's shared state). A token is "{%key%}", or
 * "{%urlenc(key)%}" for the percent-encoded value.
 *
 * Not synchronised: the parser remembers the event it works on, so its owner uses it from one thread at
 * a time (the rules engine, under its lock). Between BeginPass and EndPass the event's flattened data is
 * built once and reused; the owner calls DataChanged after it changed that data. Keys are best taken
 * apart once (RuleKey) where they are loaded; the text forms below take them apart at every call.
 */
class RuleTokenParser : public Object {
public:
    using PlatformServicesGetter = std::function<std::shared_ptr<PlatformServicesInterface>()>;

    static constexpr const char* LOG_TAG = "RuleTokenParser";
    static constexpr const char* KEY_PREFIX = "~";
    static constexpr const char* KEY_SHARED_STATE = "~state.";
    static constexpr const char* SHARED_STATE_KEY_DELIMITER = "/";
    static constexpr const char* KEY_URL_ENCODE = "urlenc";
    static constexpr const char* KEY_URL_ENCODE_SUFFIX = ")%}";
    static constexpr size_t MIN_URL_ENC_TOKEN_LEN = 12;
    static constexpr const char* KEY_EVENT_TYPE = "~type";
    static constexpr const char* KEY_EVENT_SOURCE = "~source";
    static constexpr const char* KEY_TIMESTAMP_UNIX = "~timestampu";
    static constexpr const char* KEY_TIMESTAMP_ISO8601 = "~timestampz";
    static constexpr const char* KEY_SDK_VERSION = "~sdkver";
    static constexpr const char* KEY_CACHEBUST = "~cachebust";
    static constexpr const char* KEY_ALL_URL = "~all_url";
    static constexpr const char* KEY_ALL_JSON = "~all_json";

    /** The hub is held weakly; the getter is called once, here. */
    RuleTokenParser(const std::shared_ptr<EventHub>& hub,
                    const PlatformServicesGetter& platformServicesGetter);

    /** The text with every token replaced by its key's value as text; unchanged without tokens or event. */
    std::string ExpandTokensForString(const std::string& text, const std::shared_ptr<Event>& event);
    /** The same for a text whose tokens were found when it was loaded. */
    std::string ExpandTokens(const TokenTemplate& text, const std::shared_ptr<Event>& event);
    /** The key's value for the event, never an empty pointer: a null variant when nothing resolves. */
    std::shared_ptr<Variant> ExpandKey(const std::string& key, const std::shared_ptr<Event>& event);
    std::shared_ptr<Variant> ExpandKey(const RuleKey& key, const std::shared_ptr<Event>& event);

    /**
     * As ExpandKey; within a pass an event-data key's value is read in place, without touching its
     * reference count. Other values are kept in `holder`, which must outlive the use of the result.
     */
    const std::shared_ptr<Variant>& ResolveKey(const RuleKey& key, const std::shared_ptr<Event>& event,
                                               std::shared_ptr<Variant>& holder);

    /**
     * Within a pass, the pattern subject (MatcherPatterns::LowerSubject) of the event-data value the key
     * resolved to, made once per pass; null outside a pass, when `value` is not that value, or when it
     * has no subject.
     */
    const std::string* LoweredSubject(const RuleKey& key, const Variant& value);

    /** Starts reusing the flattened data of one event until EndPass. */
    void BeginPass();
    void EndPass();
    /** The current event's data changed: flatten it again on the next lookup. */
    void DataChanged();

    /** Every token of the text in order of appearance, once per occurrence. */
    static std::vector<std::string> FindTokens(const std::string& text);
    /** The key a token names (fixed positions, as the token formats define them). */
    static std::string GetKeyFromToken(const std::string& token, bool isUrlEncodeToken);

    /** Calls `visit` with the start and end of every token, in order of appearance. */
    static void ForEachToken(const std::string& text,
                             const std::function<void(size_t start, size_t end)>& visit);

private:
    using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

    std::string FillTokens(const TokenTemplate& text, const std::shared_ptr<Event>& event);
    void SetEvent(const std::shared_ptr<Event>& event);
    std::shared_ptr<Variant> ReturnKeyType(const RuleKey& key) const;
    std::shared_ptr<Variant> GetSharedStateKey(const std::string& stateName,
                                               const std::string& stateKey) const;
    std::shared_ptr<Variant> LookUpEventData(const RuleKey& key);
    VariantMap FlattenCurrentEventData() const;

    std::string GetEventType() const;
    std::string GetEventSource() const;
    std::string GetTimestamp() const;
    std::string GetISO8601Timestamp() const;
    std::string GetSdkVersion() const;
    std::string GetCachebust() const;
    std::string GetAllUrl() const;
    std::string GetAllJson() const;

    const std::weak_ptr<EventHub> hub_;
    const std::shared_ptr<PlatformServicesInterface> platformServices_;
    std::shared_ptr<Event> currentEvent_;
    bool inPass_ = false;
    bool indexCurrent_ = false;
    FlattenedEventIndex flattenedData_;
};

}  // namespace NuvraMobile
