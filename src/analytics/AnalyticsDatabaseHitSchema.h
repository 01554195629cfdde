#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "analytics/AnalyticsHit.h"
#include "shared/DatabaseHitSchema.h"

namespace NuvraMobile {

class Query;

/**
 * The table "ANALYTICS_HITS" in "NVBMobileAnalytics.sqlite": its columns, the conversion between a row
 * and an AnalyticsHit, and the queries of the analytics hit database. Filled in the constructor, then
 * only read, from any thread.
 */
class AnalyticsDatabaseHitSchema : public DatabaseHitSchema<AnalyticsHit> {
public:
    static constexpr const char* LOG_PREFIX = "AnalyticsDatabaseHitSchema";
    static constexpr const char* ANALYTICS_DB_NAME = "NVBMobileAnalytics.sqlite";
    static constexpr const char* ANALYTICS_TABLE_NAME = "ANALYTICS_HITS";
    static constexpr std::uint32_t HIT_ID_COL_INDEX = 0;
    static constexpr std::uint32_t HIT_URL_COL_INDEX = 1;
    static constexpr std::uint32_t HIT_TIMESTAMP_COL_INDEX = 2;
    static constexpr std::uint32_t HIT_SERVER_COL_INDEX = 3;
    static constexpr std::uint32_t HIT_OFFLINE_TRACKING_COL_INDEX = 4;
    static constexpr std::uint32_t HIT_IS_WAITING_COL_INDEX = 5;
    static constexpr std::uint32_t HIT_IS_PLACEHOLDER_COL_INDEX = 6;
    static constexpr std::uint32_t HIT_CXM_FORWARDING_COL_INDEX = 7;
    static constexpr const char* HIT_ID_COL_NAME = "ID";
    static constexpr const char* HIT_URL_COL_NAME = "URL";
    static constexpr const char* HIT_TIMESTAMP_COL_NAME = "TIMESTAMP";
    static constexpr const char* HIT_SERVER_COL_NAME = "SERVER";
    static constexpr const char* HIT_OFFLINE_TRACKING_COL_NAME = "OFFLINETRACKING";
    static constexpr const char* HIT_IS_WAITING_COL_NAME = "ISWAITING";
    static constexpr const char* HIT_IS_PLACEHOLDER_COL_NAME = "ISPLACEHOLDER";
    static constexpr const char* HIT_CXM_FORWARDING_COL_NAME = "CXMFORWARDING";

    AnalyticsDatabaseHitSchema();

    std::shared_ptr<AnalyticsHit> GenerateHit(const std::shared_ptr<QueryResultInterface>& result) override;
    std::map<std::string, std::shared_ptr<Variant>> GenerateDataMap(
        const std::shared_ptr<AnalyticsHit>& hit) override;
    /** The newest placeholder row. */
    virtual std::shared_ptr<Query> GetLatestPlaceHolderHitQuery();
    /** The oldest waiting row. */
    virtual std::shared_ptr<Query> GetFirstWaitingHitQuery();
    /** Every row that is not a placeholder. */
    virtual std::shared_ptr<Query> GetRegularHitQuery();
    virtual std::map<std::string, std::shared_ptr<Variant>> GenerateUpdateValuesForResetIsWaitingFlag();
    std::map<std::string, std::shared_ptr<Variant>> GenerateServerUpdateMap(const std::string& server);
};

}  // namespace NuvraMobile
