#include "signal/SignalTemplate.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/values/Variant.h"
#include "platformShim/URLServiceInterface.h"
#include "rulesengine/Consequence.h"
#include "signal/SignalConstants.h"
#include "signal/SignalHit.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

/** The string under `key`; empty when it is absent or holds another kind. */
std::string StringOf(const VariantMap& detail, const char* key) {
    std::string value;
    const auto found = detail.find(key);
    if (found != detail.end()) {
        found->second->GetString(value);
    }
    return value;
}

/**
 * Whole seconds from a number, rounded to the nearest and capped at the maximum; anything else, or a
 * value that rounds below 1, gives the default.
 */
std::int64_t TimeoutOf(const VariantMap& detail) {
    const auto found = detail.find(SignalConstants::TEMPLATE_CALLBACK_TIMEOUT);
    double seconds = 0;
    if (found == detail.end() || !Variant::IsNumericKind(found->second->GetKind()) ||
        !found->second->GetDouble(seconds)) {
        return SignalConstants::TEMPLATE_TIMEOUT_DEFAULT;
    }
    const double rounded =
        std::nearbyint(std::min(seconds, static_cast<double>(SignalConstants::TEMPLATE_TIMEOUT_MAX)));
    return rounded >= 1 ? static_cast<std::int64_t>(rounded) : SignalConstants::TEMPLATE_TIMEOUT_DEFAULT;
}

}  // namespace

SignalTemplate::SignalTemplate(std::string consequenceId, std::string url, std::string body,
                               std::string contentType, std::int64_t timeout)
    : consequenceId_(std::move(consequenceId)),
      url_(std::move(url)),
      body_(std::move(body)),
      contentType_(std::move(contentType)),
      timeout_(timeout) {}

std::shared_ptr<SignalTemplate> SignalTemplate::CreateSignalTemplateFromConsequence(
    const std::shared_ptr<Consequence>& consequence, const std::shared_ptr<URLServiceInterface>& urlService) {
    if (!consequence || !urlService) {
        return nullptr;
    }
    const VariantMap& detail = consequence->GetDetail();
    if (detail.empty()) {
        Log::Debug(SignalConstants::LOG_PREFIX, "No detail found for the consequence with id %s",
                   consequence->GetId());
        return nullptr;
    }
    if (detail.count(SignalConstants::TEMPLATE_CALLBACK_URL) == 0) {
        Log::Warning(SignalConstants::LOG_PREFIX,
                     "Unable to create signal template, \"templateUrl\" is missing");
        return nullptr;
    }
    std::string url = StringOf(detail, SignalConstants::TEMPLATE_CALLBACK_URL);
    if (url.empty() || !IsValidTemplateUrl(url, consequence->GetType(), urlService)) {
        Log::Warning(SignalConstants::LOG_PREFIX,
                     "Unable to create signal template, \"templateUrl\" is invalid, it should use https");
        return nullptr;
    }
    std::string body = StringOf(detail, SignalConstants::TEMPLATE_CALLBACK_BODY);
    // A content type describes a body: without one the request is a GET with the default type.
    std::string contentType =
        body.empty() ? std::string() : StringOf(detail, SignalConstants::TEMPLATE_CALLBACK_CONTENT_TYPE);
    return std::make_shared<SignalTemplate>(consequence->GetId(), std::move(url), std::move(body),
                                            std::move(contentType), TimeoutOf(detail));
}

bool SignalTemplate::IsValidTemplateUrl(const std::string& url, const std::string& consequenceType,
                                        const std::shared_ptr<URLServiceInterface>& urlService) {
    const std::string scheme = urlService->GetScheme(url);
    if (scheme.empty()) {
        return false;
    }
    return consequenceType != SignalConstants::RULES_CONSEQUENCE_TYPE_PII || scheme == "https";
}

std::shared_ptr<SignalHit> SignalTemplate::GetSignalHit() const {
    auto hit = std::make_shared<SignalHit>();
    hit->url = url_;
    hit->postBody = body_;
    hit->contentType = contentType_;
    hit->timeout = timeout_;
    return hit;
}

}  // namespace NuvraMobile
