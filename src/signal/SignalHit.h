#pragma once

#include <cstdint>
#include <string>

#include "platformShim/NetworkServiceInterface.h"
#include "shared/DatabaseHitBase.h"

namespace NuvraMobile {

/**
 * One stored postback or PII request: what the hit processor sends. A plain value holder, filled on
 * the module's queue or read from a row on the hit queue's worker; one user at a time.
 */
class SignalHit : public virtual DatabaseHitBase {
public:
    std::string url;
    /** Empty for a GET. */
    std::string postBody;
    /** The "Content-Type" header; empty means the default form type. */
    std::string contentType;
    /** Seconds, used as both connect and read timeout. */
    std::int64_t timeout = 0;

    /** POST when there is a post body, otherwise GET. */
    HttpCommandType GetHttpCommand() const {
        return postBody.empty() ? HttpCommandType::GET : HttpCommandType::POST;
    }
};

}  // namespace NuvraMobile
