#include "analytics/AnalyticsDatabaseHitSchema.h"

#include "core/values/Variant.h"
#include "platformShim/QueryBuilder.h"
#include "platformShim/QueryResultInterface.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

using Type = DatabaseInterface::ColumnDataType;
using Constraint = DatabaseInterface::ColumnConstraint;
using Schema = AnalyticsDatabaseHitSchema;

std::shared_ptr<Query> FlagQuery(const std::vector<std::string>& columns, const char* flagColumn,
                                 const char* flagValue, const char* order, const char* limit) {
    QueryBuilder builder(Schema::ANALYTICS_TABLE_NAME, columns);
    builder.Selection(std::string(flagColumn) + " = ?", {flagValue}).OrderBy(order);
    if (limit) {
        builder.Limit(limit);
    }
    return builder.Build();
}

}  // namespace

AnalyticsDatabaseHitSchema::AnalyticsDatabaseHitSchema() {
    tableName = ANALYTICS_TABLE_NAME;
    databaseName = ANALYTICS_DB_NAME;
    columnNames = {HIT_ID_COL_NAME,
                   HIT_URL_COL_NAME,
                   HIT_TIMESTAMP_COL_NAME,
                   HIT_SERVER_COL_NAME,
                   HIT_OFFLINE_TRACKING_COL_NAME,
                   HIT_IS_WAITING_COL_NAME,
                   HIT_IS_PLACEHOLDER_COL_NAME,
                   HIT_CXM_FORWARDING_COL_NAME};
    columnDataTypes = {Type::INTEGER, Type::TEXT,    Type::INTEGER, Type::TEXT,
                       Type::INTEGER, Type::INTEGER, Type::INTEGER, Type::INTEGER};
    columnConstraints = {{Constraint::PRIMARY_KEY, Constraint::AUTOINCREMENT}, {}, {}, {}, {}, {}, {}, {}};
}

std::shared_ptr<AnalyticsHit> AnalyticsDatabaseHitSchema::GenerateHit(
    const std::shared_ptr<QueryResultInterface>& result) {
    if (!result) {
        Log::Warning(LOG_PREFIX, "Failed to generate hit, query result was null");
        return nullptr;
    }
    auto hit = std::make_shared<AnalyticsHit>();
    hit->identifier = result->GetString(HIT_ID_COL_INDEX);
    hit->url = result->GetString(HIT_URL_COL_INDEX);
    hit->timestamp = result->GetLong(HIT_TIMESTAMP_COL_INDEX);
    hit->server = result->GetString(HIT_SERVER_COL_INDEX);
    hit->offlineTracking = result->GetInt(HIT_OFFLINE_TRACKING_COL_INDEX) == 1;
    hit->isWaiting = result->GetInt(HIT_IS_WAITING_COL_INDEX) == 1;
    hit->isPlaceholder = result->GetInt(HIT_IS_PLACEHOLDER_COL_INDEX) == 1;
    hit->cxmForwarding = result->GetInt(HIT_CXM_FORWARDING_COL_INDEX) == 1;
    return hit;
}

std::map<std::string, std::shared_ptr<Variant>> AnalyticsDatabaseHitSchema::GenerateDataMap(
    const std::shared_ptr<AnalyticsHit>& hit) {
    if (!hit) {
        Log::Trace(LOG_PREFIX, "Failed to generate data map for hit (hit was null)");
        return {};
    }
    return {{HIT_URL_COL_NAME, Variant::FromString(hit->url)},
            {HIT_TIMESTAMP_COL_NAME, Variant::FromLong(hit->timestamp)},
            {HIT_SERVER_COL_NAME, Variant::FromString(hit->server)},
            {HIT_OFFLINE_TRACKING_COL_NAME, Variant::FromBoolean(hit->offlineTracking)},
            {HIT_IS_WAITING_COL_NAME, Variant::FromBoolean(hit->isWaiting)},
            {HIT_IS_PLACEHOLDER_COL_NAME, Variant::FromBoolean(hit->isPlaceholder)},
            {HIT_CXM_FORWARDING_COL_NAME, Variant::FromBoolean(hit->cxmForwarding)}};
}

std::shared_ptr<Query> AnalyticsDatabaseHitSchema::GetLatestPlaceHolderHitQuery() {
    return FlagQuery(columnNames, HIT_IS_PLACEHOLDER_COL_NAME, "1", "ID DESC", "1");
}

std::shared_ptr<Query> AnalyticsDatabaseHitSchema::GetFirstWaitingHitQuery() {
    return FlagQuery(columnNames, HIT_IS_WAITING_COL_NAME, "1", "ID ASC", "1");
}

std::shared_ptr<Query> AnalyticsDatabaseHitSchema::GetRegularHitQuery() {
    return FlagQuery(columnNames, HIT_IS_PLACEHOLDER_COL_NAME, "0", "ID DESC", nullptr);
}

std::map<std::string, std::shared_ptr<Variant>>
AnalyticsDatabaseHitSchema::GenerateUpdateValuesForResetIsWaitingFlag() {
    return {{HIT_IS_WAITING_COL_NAME, Variant::FromBoolean(false)}};
}

std::map<std::string, std::shared_ptr<Variant>> AnalyticsDatabaseHitSchema::GenerateServerUpdateMap(
    const std::string& server) {
    return {{HIT_SERVER_COL_NAME, Variant::FromString(server)}};
}

}  // namespace NuvraMobile
