#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/values/Object.h"

namespace NuvraMobile {

class Consequence;
class SignalHit;
class URLServiceInterface;

/**
 * The request that a "pb" or "pii" consequence describes: URL, optional body and content type, and a
 * timeout in seconds (default 2, at most 60). An immutable value once made; any thread may read it.
 */
class SignalTemplate : public Object {
public:
    SignalTemplate(std::string consequenceId, std::string url, std::string body, std::string contentType,
                   std::int64_t timeout);

    /** The template of the consequence's detail, or null (logged) when it gives no valid one. */
    static std::shared_ptr<SignalTemplate> CreateSignalTemplateFromConsequence(
        const std::shared_ptr<Consequence>& consequence,
        const std::shared_ptr<URLServiceInterface>& urlService);
    /** A URL with a scheme; for "pii" the scheme must be exactly "https". */
    static bool IsValidTemplateUrl(const std::string& url, const std::string& consequenceType,
                                   const std::shared_ptr<URLServiceInterface>& urlService);

    /** A new hit with this template's request; its identifier and timestamp are unset. */
    virtual std::shared_ptr<SignalHit> GetSignalHit() const;

    const std::string& GetConsequenceId() const { return consequenceId_; }

private:
    const std::string consequenceId_;
    const std::string url_;
    const std::string body_;
    const std::string contentType_;
    const std::int64_t timeout_;
};

}  // namespace NuvraMobile
