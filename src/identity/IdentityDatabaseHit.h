#pragma once

#include <cstdint>
#include <string>

#include "shared/DatabaseHitBase.h"

namespace NuvraMobile {

/** One stored sync request: a row of "IDENTITY_REQUESTS". A plain value holder; one user at a time. */
class IdentityDatabaseHit : public virtual DatabaseHitBase {
public:
    /** Response pair id of the request that caused the sync; empty when the answer goes to nobody. */
    std::string pairId;
    /** The complete identity-server request URL. */
    std::string url;
    /** Hub event number of the request; -1 when there is none. */
    std::int32_t eventNumber = -1;
    bool configSSL = false;
};

}  // namespace NuvraMobile
