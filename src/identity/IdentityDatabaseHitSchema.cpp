#include "identity/IdentityDatabaseHitSchema.h"

#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/QueryResultInterface.h"
#include "util/Log.h"

namespace NuvraMobile {

using Type = DatabaseInterface::ColumnDataType;
using Constraint = DatabaseInterface::ColumnConstraint;

IdentityDatabaseHitSchema::IdentityDatabaseHitSchema() {
    tableName = TABLE_NAME;
    databaseName = DATABASE_FILE_NAME;
    columnNames = {COL_REQUESTS_ID,      COL_REQUESTS_URL,          COL_REQUESTS_TIMESTAMP,
                   COL_REQUESTS_PAIR_ID, COL_REQUESTS_EVENT_NUMBER, COL_REQUESTS_CONFIG_SSL};
    columnDataTypes = {Type::INTEGER, Type::TEXT, Type::INTEGER, Type::TEXT, Type::INTEGER, Type::INTEGER};
    columnConstraints = {{Constraint::PRIMARY_KEY, Constraint::AUTOINCREMENT}, {}, {}, {}, {}, {}};
}

std::shared_ptr<IdentityDatabaseHit> IdentityDatabaseHitSchema::GenerateHit(
    const std::shared_ptr<QueryResultInterface>& result) {
    if (!result) {
        Log::Debug(LOG_TAG, "Unable to generate Identity database hit, query result was null");
        return nullptr;
    }
    auto hit = std::make_shared<IdentityDatabaseHit>();
    TryCatchFinally(
        [&] {
            hit->identifier = result->GetString(COL_INDEX_REQUESTS_ID);
            hit->url = result->GetString(COL_INDEX_REQUESTS_URL);
            hit->timestamp = result->GetLong(COL_INDEX_REQUESTS_TIMESTAMP);
            hit->pairId = result->GetString(COL_INDEX_REQUESTS_PAIR_ID);
            hit->eventNumber = result->GetInt(COL_INDEX_REQUESTS_EVENT_NUMBER);
            hit->configSSL = result->GetInt(COL_INDEX_REQUESTS_SSL) != 0;
        },
        [&](SdkError& error) {
            Log::Error(LOG_TAG, "Unable to read from database.  Query failed with error %s", error.GetMessage());
            hit = nullptr;
        },
        [&] { result->Close(); });
    return hit;
}

std::map<std::string, std::shared_ptr<Variant>> IdentityDatabaseHitSchema::GenerateDataMap(
    const std::shared_ptr<IdentityDatabaseHit>& hit) {
    if (!hit) {
        return {};
    }
    return {{COL_REQUESTS_URL, Variant::FromString(hit->url)},
            {COL_REQUESTS_TIMESTAMP, Variant::FromLong(hit->timestamp)},
            {COL_REQUESTS_PAIR_ID, Variant::FromString(hit->pairId)},
            {COL_REQUESTS_EVENT_NUMBER, Variant::FromInteger(hit->eventNumber)},
            {COL_REQUESTS_CONFIG_SSL, Variant::FromInteger(hit->configSSL ? 1 : 0)}};
}

std::map<std::string, std::shared_ptr<Variant>>
IdentityDatabaseHitSchema::GenerateUpdateValuesForResetEventNumberAndPairId() {
    return {{COL_REQUESTS_PAIR_ID, Variant::FromString("")},
            {COL_REQUESTS_EVENT_NUMBER, Variant::FromInteger(-1)}};
}

}  // namespace NuvraMobile
