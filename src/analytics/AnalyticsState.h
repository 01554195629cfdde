#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "core/values/Object.h"
#include "shared/MobilePrivacyStatus.h"

namespace NuvraMobile {

class AnalyticsRequestSerializer;
class EventData;

/**
 * The snapshot from which one analytics request is handled: the configuration, identity, lifecycle
 * and places data valid for the request's event, read into typed fields once. Written only while it
 * is constructed (on the module's queue); afterwards read from the module's queue, timer threads and
 * the hit-queue worker without a lock, because nothing changes it (the setters exist for tests).
 */
class AnalyticsState : public Object {
public:
    static constexpr const char* LOG_TAG = "AnalyticsState";

    /** Reads each entry with the extractor of its shared-state name; other names are ignored. */
    explicit AnalyticsState(const std::map<std::string, std::shared_ptr<EventData>>& sharedStates = {});

    /** "mid", then "cxmb" and "cxmlh" when not empty; empty without a "mid". */
    virtual std::map<std::string, std::string> GetAnalyticsIdVisitorParameters() const;
    virtual std::string GetSerializedVisitorIdsList() const;
    virtual std::map<std::string, std::string> GetDefaultData() const;
    virtual std::string GetGlenmoorId() const;
    virtual std::string GetApplicationId() const;
    virtual void SetApplicationId(const std::string& applicationId);
    virtual std::int64_t GetLaunchHitDelay() const;
    /** True when both the report suites and the host are set. */
    virtual bool IsAnalyticsConfigured() const;
    /** https://host/b/ss/<rsids>/<response type>/<version>/s, each segment encoded, empty ones left out. */
    virtual std::string GetBaseUrl(const std::string& version) const;
    virtual bool IsVisitorIdServiceEnabled() const;
    virtual bool IsAnalyticsForwardingEnabled() const;
    virtual void SetAnalyticsForwardingEnabled(bool enabled);
    virtual bool IsOfflineTrackingEnabled() const;
    virtual void SetOfflineEnabled(bool enabled);
    virtual std::int32_t GetBatchLimit() const;
    virtual void SetBatchLimit(std::int32_t limit);
    virtual void SetLaunchHitDelay(std::int64_t seconds);
    virtual std::string GetGlenmoorOrganizationId() const;
    virtual void SetGlenmoorOrganizationId(const std::string& organizationId);
    virtual std::string GetRsids() const;
    virtual void SetRsids(const std::string& rsids);
    virtual std::string GetHost() const;
    virtual std::string GetAdvertisingId() const;
    virtual void SetHost(const std::string& host);
    virtual MobilePrivacyStatus GetPrivacyStatus() const;
    virtual void SetPrivacyStatus(MobilePrivacyStatus status);
    virtual bool IsOptIn() const;
    virtual void SetBackdateSessionInfoEnabled(bool enabled);
    virtual bool IsBackdateSessionInfoEnabled() const;
    virtual bool IsDebugApiEnabled() const;
    virtual void ExtractConfigurationInfo(const std::shared_ptr<EventData>& data);
    virtual void ExtractIdentityInfo(const std::shared_ptr<EventData>& data);
    virtual void ExtractLifecycleInfo(const std::shared_ptr<EventData>& data);
    virtual void ExtractPlacesInfo(const std::shared_ptr<EventData>& data);
    /** "10" with audience forwarding, else "0". */
    virtual std::string GetAnalyticsResponseType() const;

private:
    std::shared_ptr<AnalyticsRequestSerializer> requestSerializer_;
    bool analyticsForwardingEnabled_ = false;
    bool offlineEnabled_ = false;
    std::int32_t batchLimit_ = 0;
    MobilePrivacyStatus privacyStatus_ = MobilePrivacyStatus::OPT_IN;
    std::int64_t launchHitDelay_ = 0;
    bool backdateSessionInfoEnabled_ = false;
    std::string glenmoorOrganizationId_;
    std::string rsids_;
    std::string host_;
    std::string glenmoorId_;
    std::string locationHint_;
    std::string blob_;
    std::string serializedVisitorIdsList_;
    std::string applicationId_;
    std::string advertisingId_;
    std::map<std::string, std::string> defaultData_;
    bool debugApiEnabled_ = false;
};

}  // namespace NuvraMobile
