#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "rulesengine/RuleKey.h"

namespace NuvraMobile {

class JsonObject;
class RuleTokenParser;
class Variant;

/**
 * The leaf test of a rule condition: the key to look up and the candidate values, and whether one
 * resolved event value passes the test of the matcher's kind. Built once from a matcher definition of
 * the rules file and never changed afterwards, so Matches may run on any thread.
 */
class Matcher : public Object {
public:
    static constexpr const char* LOG_TAG = "Matcher";

    static constexpr const char* MATCHER_JSON_KEY = "key";
    static constexpr const char* MATCHER_JSON_MATCHES = "matcher";
    static constexpr const char* MATCHER_JSON_VALUES = "values";
    static constexpr const char* MATCHER_STRING_EQUALS = "eq";
    static constexpr const char* MATCHER_STRING_NOT_EQUALS = "ne";
    static constexpr const char* MATCHER_STRING_GREATER_THAN = "gt";
    static constexpr const char* MATCHER_STRING_GREATER_THAN_OR_EQUALS = "ge";
    static constexpr const char* MATCHER_STRING_LESS_THAN = "lt";
    static constexpr const char* MATCHER_STRING_LESS_THAN_OR_EQUALS = "le";
    static constexpr const char* MATCHER_STRING_CONTAINS = "co";
    static constexpr const char* MATCHER_STRING_NOT_CONTAINS = "nc";
    static constexpr const char* MATCHER_STRING_STARTS_WITH = "sw";
    static constexpr const char* MATCHER_STRING_ENDS_WITH = "ew";
    static constexpr const char* MATCHER_STRING_EXISTS = "ex";
    static constexpr const char* MATCHER_STRING_NOT_EXISTS = "nx";

    /**
     * The matcher a definition object ("key", "matcher", "values") describes, or null (with a warning)
     * when its kind is unknown or a kind that compares values has no "values" array.
     */
    static std::shared_ptr<Matcher> MatcherWithJsonObject(const std::shared_ptr<JsonObject>& definition);
    /** A new matcher of the named kind with no key and no values; null for an unknown name. */
    static std::shared_ptr<Matcher> InitializeMatcherTypeDictionary(const std::string& type);
    static void SetMatcherKeyFromJson(const std::shared_ptr<JsonObject>& definition,
                                      const std::shared_ptr<Matcher>& matcher);
    /** Numbers become doubles; an element that is no number, boolean or string holds no value. */
    static void SetMatcherValuesFromJson(const std::shared_ptr<JsonObject>& definition,
                                         const std::shared_ptr<Matcher>& matcher);
    /**
     * The ordering comparison: strings are parsed as numbers, numbers read as doubles; any other kind,
     * a failed read or NaN gives false. `test` receives (event value, rule value).
     */
    static bool CompareAsDoubles(const Variant& eventValue, const Variant& ruleValue,
                                 bool (*test)(double, double));

    /** Whether the resolved event value passes; a missing key arrives as a null-kind variant. */
    virtual bool Matches(const std::shared_ptr<Variant>& value) const;
    /** The same within a rules pass, where the parser keeps what a kind derives from the event's values. */
    virtual bool MatchesInPass(const std::shared_ptr<Variant>& value, RuleTokenParser&) const {
        return Matches(value);
    }
    std::string ToStringImpl(const ToStringOptions& options) const override;

    const std::string& GetKey() const { return key_.GetText(); }
    /** The key taken apart once, for the rules pass. */
    const RuleKey& GetRuleKey() const { return key_; }
    /** The candidate values in file order; an empty pointer is a place without a value. */
    const std::vector<std::shared_ptr<Variant>>& GetValues() const { return values_; }
    void SetKey(const std::string& key) { key_ = RuleKey(key); }
    void SetValues(std::vector<std::shared_ptr<Variant>> values);

protected:
    /** Renders the pretty form with the kind's operator text, or the plain form around `className`. */
    std::string ToStringImplHelper(const ToStringOptions& options, const std::string& operatorText,
                                   const std::string& className) const;
    /** Lets a kind prepare what it derives from the values (compiled patterns, say). */
    virtual void OnValuesChanged() {}
    /** Whether the kind reads "values" from the rules file. */
    virtual bool ReadsValues() const { return true; }

private:
    RuleKey key_;
    std::vector<std::shared_ptr<Variant>> values_;
};

}  // namespace NuvraMobile
