#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"

namespace NuvraMobile {

class AnalyticsState;
class VisitorId;

/**
 * Writes measurement request bodies: "ndh=1", the customer-id block, the context-data block and the
 * variables, each level in byte order of its keys. Holds no state; callable from any thread.
 */
class AnalyticsRequestSerializer : public Object {
public:
    /**
     * The body of one hit. Context keys beginning with "&&" are sent as variables without that prefix;
     * empty context keys are dropped. The caller's maps are not changed.
     */
    virtual std::string SerializeAnalyticsRequest(const std::shared_ptr<AnalyticsState>& state,
                                                  std::map<std::string, std::string> contextData,
                                                  std::map<std::string, std::string> variables) const;
    /** "&cid." + <type>.id / <type>.as of every id + "&.cid"; empty for no ids. A later id of a type wins. */
    virtual std::string GenerateAnalyticsCustomerIdString(
        const std::vector<std::shared_ptr<VisitorId>>& visitorIds) const;
    /** The id type followed by ".id". */
    static std::string SerializeIdentifierKeyForAnalyticsId(const std::string& idType);
    /** The id type followed by ".as". */
    static std::string SerializeAuthenticationKeyForAnalyticsId(const std::string& idType);
};

}  // namespace NuvraMobile
