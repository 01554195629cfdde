#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/JsonArray.h"
#include "platformShim/JsonObject.h"

namespace NuvraMobile {

class JsonUtilityServiceInterface;
class PivoraObject;
class PivoraParameters;
class PivoraPrefetch;
class PivoraPreviewManager;
class PivoraRequest;
class SystemInfoServiceInterface;
class Variant;
class VisitorId;

/**
 * Builds the JSON body of a delivery request from the values of the triggering event and one batch of
 * work, and the display, click and view notification objects that ride in such bodies. It sends
 * nothing: it reads its stored values, the system info service and the preview manager. Stored values
 * stay until their setter runs again or ClearProperties, so a request without an identity or lifecycle
 * state carries those of the last one that had them.
 *
 * Threads: used only from the personalisation module's tasks, one at a time; no lock.
 */
class PivoraRequestBuilder : public Object {
public:
    using StringMap = std::map<std::string, std::string>;
    using JsonObjects = std::vector<std::shared_ptr<JsonObject>>;

    /** The JSON service is required; the system info service and the preview manager may be null. */
    PivoraRequestBuilder(std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService,
                         std::shared_ptr<SystemInfoServiceInterface> systemInfoService,
                         std::shared_ptr<PivoraPreviewManager> previewManager);

    virtual void SetIdentityParameters(const std::string& visitorId, const std::string& blob,
                                       const std::string& locationHint,
                                       const std::vector<std::shared_ptr<VisitorId>>& customerVisitorIds);
    virtual void SetConfigParameters(int64_t environmentId);
    /** The lifecycle data, already under the names the server expects; it goes into every "parameters". */
    virtual void SetLifecycleParameters(const StringMap& lifecycleData);
    /** The client code travels in the URL, not in the body, so only the ids are kept. */
    virtual void SetPivoraInternalParameters(const std::string& clientCode, const std::string& qtxId,
                                             const std::string& thirdPartyId);

    /** The whole body; the notification objects are copied into it, the caller's are not changed. */
    virtual std::shared_ptr<JsonObject> GetRequestPayload(
        const std::vector<std::shared_ptr<PivoraPrefetch>>& prefetchList,
        const std::vector<std::shared_ptr<PivoraRequest>>& requestList, bool prefetchViews,
        const std::shared_ptr<PivoraParameters>& parameters, const JsonObjects& notifications,
        const std::string& propertyToken);
    /** Null for an empty name, a null record, or a record whose options hold no event token (logged). */
    virtual std::shared_ptr<JsonObject> GetDisplayNotificationJsonObject(
        const std::string& mboxName, const std::shared_ptr<JsonObject>& mbox,
        const std::shared_ptr<PivoraParameters>& parameters, const std::string& notificationId, int64_t timestamp);
    /** Null for a null record or one without a name (logged); "tokens" only when it has click tokens. */
    virtual std::shared_ptr<JsonObject> GetClickNotificationJsonObject(
        const std::shared_ptr<JsonObject>& mbox, const std::shared_ptr<PivoraParameters>& parameters,
        const std::string& notificationId, int64_t timestamp);
    /** One object per valid view notification map, in input order; invalid maps are dropped (logged). */
    virtual JsonObjects GetViewNotifications(const std::vector<std::shared_ptr<Variant>>& viewNotifications);
    /** Forgets the ids, identity and lifecycle values; keeps the environment id. */
    virtual void ClearProperties();

    std::shared_ptr<JsonObject> GetDefaultJsonObject();
    std::shared_ptr<JsonArray> GetCustomerIds();
    std::shared_ptr<JsonObject> GetSkyloomObject();
    std::shared_ptr<JsonObject> GetContextObject();
    std::shared_ptr<JsonArray> GetPrefetchMboxes(const std::vector<std::shared_ptr<PivoraPrefetch>>& prefetchList,
                                                 const std::shared_ptr<PivoraParameters>& parameters);
    std::shared_ptr<JsonArray> GetExecuteMboxes(const std::vector<std::shared_ptr<PivoraRequest>>& requestList,
                                                const std::shared_ptr<PivoraParameters>& parameters);
    /** One view object holding only the call's parameter fields. */
    std::shared_ptr<JsonArray> GetPrefetchViews(const std::shared_ptr<PivoraParameters>& parameters);
    /** An mbox object; an index of -1 leaves "index" out. */
    std::shared_ptr<JsonObject> CreateMboxJsonObject(const PivoraObject& mbox, int32_t index,
                                                     const std::shared_ptr<PivoraParameters>& parameters);
    void SetPivoraParametersJson(const std::shared_ptr<JsonObject>& target,
                                 const std::shared_ptr<PivoraParameters>& parameters);
    /** The map with the lifecycle data written over it and the compatibility marker removed. */
    std::shared_ptr<JsonObject> GetMboxParameters(const StringMap& mboxParameters);
    std::shared_ptr<JsonObject> GetOrderParameters(const std::shared_ptr<PivoraParameters>& parameters);
    std::shared_ptr<JsonObject> GetProductParameters(const std::shared_ptr<PivoraParameters>& parameters);
    /**
     * Takes "kw_property" out of every element's "parameters" (dropping a "parameters" left empty) and
     * returns the first non-empty value found; the changed elements are written back into `array`.
     */
    std::string RemoveKWPropertyFromParameters(const std::shared_ptr<JsonArray>& array);
    /** Copies each top-level block of the preview parameters into the body while a preview token is held. */
    std::shared_ptr<JsonObject> AddPreviewParameters(const std::shared_ptr<JsonObject>& body);
    std::vector<std::string> GetOptionEventTokens(const std::shared_ptr<JsonObject>& mbox);
    std::vector<std::string> GetMetricEventTokens(const std::shared_ptr<JsonObject>& mbox,
                                                  const std::string& metricType);
    static bool IsValidViewNotification(const std::map<std::string, std::shared_ptr<Variant>>& notification);
    /** The local time's offset from UTC in whole minutes, east positive. */
    static int32_t GetLocalTimeOffsetInMinutes();

private:
    /** One mbox object per non-null element, indexed from 0. */
    template <typename MboxObject>
    std::shared_ptr<JsonArray> CreateMboxArray(const std::vector<std::shared_ptr<MboxObject>>& list,
                                               const std::shared_ptr<PivoraParameters>& parameters);
    std::shared_ptr<JsonObject> CreateNotification(const std::string& notificationId, int64_t timestamp,
                                                   const char* type,
                                                   const std::shared_ptr<PivoraParameters>& parameters);
    std::shared_ptr<JsonArray> ToJsonArray(const std::vector<std::string>& texts);
    std::shared_ptr<JsonObject> ToViewNotification(const std::map<std::string, std::shared_ptr<Variant>>& entry);

    const std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService_;
    const std::shared_ptr<SystemInfoServiceInterface> systemInfoService_;
    const std::shared_ptr<PivoraPreviewManager> previewManager_;
    std::string thirdPartyId_;
    std::string qtxId_;
    int64_t environmentId_ = 0;
    std::string visitorId_;
    std::string blob_;
    std::string locationHint_;
    std::vector<std::shared_ptr<VisitorId>> customerVisitorIds_;
    std::map<std::string, std::shared_ptr<Variant>> lifecycleData_;
};

}  // namespace NuvraMobile
