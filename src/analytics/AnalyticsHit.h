#pragma once

#include <string>

#include "shared/DatabaseHitBase.h"

namespace NuvraMobile {

/** One stored measurement hit: a row of "ANALYTICS_HITS". A plain value holder: one user at a time. */
class AnalyticsHit : public virtual DatabaseHitBase {
public:
    /** The request body ("ndh=1..."); an older stored full URL is sent from after its first "?". */
    std::string url;
    /** The base URL the hit is posted to, ending in "/s"; empty until known. */
    std::string server;
    /** Queued while a lifecycle or referrer wait timer ran: may still receive referrer context data. */
    bool isWaiting = false;
    /** An empty row reserved at lifecycle start for backdated session data. */
    bool isPlaceholder = false;
    bool offlineTracking = false;
    bool cxmForwarding = false;
};

}  // namespace NuvraMobile
