#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "identity/IdentityDatabaseHit.h"
#include "shared/DatabaseHitSchema.h"

namespace NuvraMobile {

/**
 * The table "IDENTITY_REQUESTS" in "NVBMobileIdentity.sqlite" and the mapping between its rows and
 * IdentityDatabaseHit. Filled in the constructor, then only read, from any thread.
 */
class IdentityDatabaseHitSchema : public DatabaseHitSchema<IdentityDatabaseHit> {
public:
    static constexpr const char* LOG_TAG = "IdentityHitSchema";
    static constexpr const char* DATABASE_FILE_NAME = "NVBMobileIdentity.sqlite";
    static constexpr const char* TABLE_NAME = "IDENTITY_REQUESTS";
    static constexpr const char* COL_REQUESTS_ID = "ID";
    static constexpr const char* COL_REQUESTS_URL = "URL";
    static constexpr const char* COL_REQUESTS_TIMESTAMP = "TIMESTAMP";
    static constexpr const char* COL_REQUESTS_PAIR_ID = "PAIR_ID";
    static constexpr const char* COL_REQUESTS_EVENT_NUMBER = "EVENT_NUMBER";
    static constexpr const char* COL_REQUESTS_CONFIG_SSL = "SSL";
    static constexpr std::uint32_t COL_INDEX_REQUESTS_ID = 0;
    static constexpr std::uint32_t COL_INDEX_REQUESTS_URL = 1;
    static constexpr std::uint32_t COL_INDEX_REQUESTS_TIMESTAMP = 2;
    static constexpr std::uint32_t COL_INDEX_REQUESTS_PAIR_ID = 3;
    static constexpr std::uint32_t COL_INDEX_REQUESTS_EVENT_NUMBER = 4;
    static constexpr std::uint32_t COL_INDEX_REQUESTS_SSL = 5;

    IdentityDatabaseHitSchema();

    /** The current row as a hit; empty for no result or an unreadable row. Closes the result. */
    std::shared_ptr<IdentityDatabaseHit> GenerateHit(const std::shared_ptr<QueryResultInterface>& result) override;
    /** Every column but "ID"; empty for an empty hit. */
    std::map<std::string, std::shared_ptr<Variant>> GenerateDataMap(
        const std::shared_ptr<IdentityDatabaseHit>& hit) override;
    /** "PAIR_ID" empty and "EVENT_NUMBER" -1: rows of an earlier run answer nobody. */
    std::map<std::string, std::shared_ptr<Variant>> GenerateUpdateValuesForResetEventNumberAndPairId();
};

}  // namespace NuvraMobile
