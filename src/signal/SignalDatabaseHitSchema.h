#pragma once

#include <map>
#include <memory>
#include <string>

#include "shared/DatabaseHitSchema.h"
#include "signal/SignalHit.h"

namespace NuvraMobile {

/**
 * The table "HITS" of "NVBMobileSignals.sqlite" (ID, URL, TIMESTAMP, POSTBODY, CONTENTTYPE, TIMEOUT)
 * and the conversions between its rows and SignalHit. Immutable after construction; any thread.
 */
class SignalDatabaseHitSchema : public DatabaseHitSchema<SignalHit> {
public:
    static constexpr const char* LOG_TAG = "SignalHitSchema";
    static constexpr const char* HIT_ID_COL_NAME = "ID";
    static constexpr const char* HIT_URL_COL_NAME = "URL";
    static constexpr const char* HIT_TIMESTAMP_COL_NAME = "TIMESTAMP";
    static constexpr const char* HIT_POSTBODY_COL_NAME = "POSTBODY";
    static constexpr const char* HIT_CONTENTTYPE_COL_NAME = "CONTENTTYPE";
    static constexpr const char* HIT_TIMEOUT_COL_NAME = "TIMEOUT";

    SignalDatabaseHitSchema();

    /** The hit of the result's current row, or null; the result is closed in every case. */
    std::shared_ptr<SignalHit> GenerateHit(const std::shared_ptr<QueryResultInterface>& result) override;
    /** Every column but "ID"; empty for a null hit. */
    std::map<std::string, std::shared_ptr<Variant>> GenerateDataMap(
        const std::shared_ptr<SignalHit>& hit) override;
};

}  // namespace NuvraMobile
