#include "signal/SignalDatabaseHitSchema.h"

#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/QueryResultInterface.h"
#include "util/Log.h"

namespace NuvraMobile {

using Type = DatabaseInterface::ColumnDataType;
using Constraint = DatabaseInterface::ColumnConstraint;

SignalDatabaseHitSchema::SignalDatabaseHitSchema() {
    tableName = "HITS";
    databaseName = "NVBMobileSignals.sqlite";
    columnNames = {HIT_ID_COL_NAME,       HIT_URL_COL_NAME,         HIT_TIMESTAMP_COL_NAME,
                   HIT_POSTBODY_COL_NAME, HIT_CONTENTTYPE_COL_NAME, HIT_TIMEOUT_COL_NAME};
    columnDataTypes = {Type::INTEGER, Type::TEXT, Type::INTEGER, Type::TEXT, Type::TEXT, Type::INTEGER};
    columnConstraints = {{Constraint::PRIMARY_KEY, Constraint::AUTOINCREMENT}, {}, {}, {}, {}, {}};
}

std::shared_ptr<SignalHit> SignalDatabaseHitSchema::GenerateHit(
    const std::shared_ptr<QueryResultInterface>& result) {
    if (!result) {
        Log::Warning(LOG_TAG, "Failed to generate SignalDatabaseHit, query result was null");
        return nullptr;
    }
    auto hit = std::make_shared<SignalHit>();
    TryCatchFinally(
        [&] {
            hit->identifier = result->GetString(0);
            hit->url = result->GetString(1);
            hit->timestamp = result->GetLong(2);
            hit->postBody = result->GetString(3);
            hit->contentType = result->GetString(4);
            hit->timeout = result->GetLong(5);
        },
        [&](SdkError& error) {
            Log::Error(LOG_TAG, "Unable to read from database.  Query failed with error %s",
                       error.GetMessage());
            hit = nullptr;
        },
        [&] { result->Close(); });
    return hit;
}

std::map<std::string, std::shared_ptr<Variant>> SignalDatabaseHitSchema::GenerateDataMap(
    const std::shared_ptr<SignalHit>& hit) {
    if (!hit) {
        Log::Trace(LOG_TAG, "Failed to generate data map for hit (hit was null)");
        return {};
    }
    return {{HIT_URL_COL_NAME, Variant::FromString(hit->url)},
            {HIT_TIMESTAMP_COL_NAME, Variant::FromLong(hit->timestamp)},
            {HIT_POSTBODY_COL_NAME, Variant::FromString(hit->postBody)},
            {HIT_CONTENTTYPE_COL_NAME, Variant::FromString(hit->contentType)},
            {HIT_TIMEOUT_COL_NAME, Variant::FromLong(hit->timeout)}};
}

}  // namespace NuvraMobile
