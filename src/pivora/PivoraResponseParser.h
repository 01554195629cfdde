#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/JsonObject.h"

namespace NuvraMobile {

class HttpConnectionInterface;
class JsonUtilityServiceInterface;

/**
 * Reads the delivery server's answer: turns the connection into a JSON object and picks out the mbox
 * objects, views, ids, edge host, error message, analytics payload and content that the module uses.
 * It never throws to its caller and never touches the module's state: problems give log lines and
 * empty results, whose meaning the caller decides.
 *
 * Threads: used only from the personalisation module's tasks, one at a time; no lock.
 */
class PivoraResponseParser : public Object {
public:
    using MboxMap = std::map<std::string, std::shared_ptr<JsonObject>>;
    using StringMap = std::map<std::string, std::string>;

    explicit PivoraResponseParser(std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService);

    /** The body of a status-200 answer as JSON; null (logged) for anything else. */
    virtual std::shared_ptr<JsonObject> ParseResponseToJson(const std::shared_ptr<HttpConnectionInterface>& connection);
    virtual MboxMap ExtractPrefetchedMboxes(const std::shared_ptr<JsonObject>& response);
    virtual MboxMap ExtractBatchedMBoxes(const std::shared_ptr<JsonObject>& response);
    /** The JSON text of "prefetch"."views"; empty when there is none. */
    virtual std::string ExtractPrefetchedViews(const std::shared_ptr<JsonObject>& response);
    virtual std::string GetQtxId(const std::shared_ptr<JsonObject>& response);
    virtual std::string GetEdgeHost(const std::shared_ptr<JsonObject>& response);
    /** The mbox's "analytics"."payload" flattened, every non-empty key prefixed "&&". */
    virtual StringMap GetAnalyticsForPivoraPayload(const std::shared_ptr<JsonObject>& mbox);
    /** Name to "errorType" for the mboxes that carry one (each logged). */
    virtual StringMap GetErrorTypesForMboxes(const MboxMap& mboxes);
    virtual std::string GetErrorMessage(const std::shared_ptr<JsonObject>& response);
    /** The notifications that the server reports under "notificationErrors" with "time_out". */
    virtual std::vector<std::shared_ptr<JsonObject>> GetNotificationsNeedRetry(const std::shared_ptr<JsonObject>& response);
    /** The html and json options' content joined in option order; empty for a null mbox. */
    virtual std::string ExtractMboxContent(const std::shared_ptr<JsonObject>& mbox);
    /**
     * The named items of the block's "mboxes", the last of a name winning; an item with an "errorType"
     * gets an empty "content" (logged).
     */
    virtual MboxMap GetMboxesFromKey(const std::shared_ptr<JsonObject>& response, std::string key);

private:
    /** "Response was empty", or that the body was not UTF-8 when it had bytes. */
    static void LogEmptyResponse(const HttpConnectionInterface& connection);
    const std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService_;
};

}  // namespace NuvraMobile
