#include "identity/IdentityHitProcessor.h"

#include <utility>
#include <vector>

#include "core/values/SdkError.h"
#include "identity/Identity.h"
#include "identity/IdentityConstants.h"
#include "identity/IdentityObject.h"
#include "platformShim/HttpConnectionInterface.h"
#include "platformShim/JsonArray.h"
#include "platformShim/JsonObject.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "util/HttpConnectionConstants.h"
#include "util/Log.h"
#include "util/NetworkConnectionUtil.h"

namespace NuvraMobile {

namespace {
constexpr const char* kTag = IdentityConstants::LOG_PREFIX;
constexpr std::int32_t kNoHint = -1;
}  // namespace

IdentityHitProcessor::IdentityHitProcessor(std::shared_ptr<NetworkServiceInterface> networkService,
                                           std::shared_ptr<SystemInfoServiceInterface> systemInfoService,
                                           std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService,
                                           const std::shared_ptr<Identity>& identity)
    : networkService_(std::move(networkService)),
      jsonUtilityService_(std::move(jsonUtilityService)),
      systemInfoService_(std::move(systemInfoService)),
      identity_(identity) {}

HitProcessingResult IdentityHitProcessor::Process(const std::shared_ptr<IdentityDatabaseHit>& hit) {
    if (!hit || hit->url.empty()) {
        Log::Debug(kTag, "Cannot process identity hit with no url");
        return HitProcessingResult::DONE;
    }
    Log::Debug(kTag, "Sending request (%s)", hit->url);
    std::shared_ptr<HttpConnectionInterface> connection;
    if (networkService_) {
        const auto timeout = IdentityConstants::Default::TIMEOUT;
        connection = networkService_->ConnectUrl(hit->url, HttpCommandType::GET, "",
                                                 BuildIdentityRequestPropertyMap(), timeout, timeout);
    }
    if (!connection) {
        Log::Debug(kTag, "something went wrong in ids sync network call. Cannot save data.");
        Report(nullptr, *hit);
        return HitProcessingResult::DONE;
    }
    const auto status = connection->GetResponseCode();
    if (status != HttpConnectionConstants::HTTP_OK) {
        if (NetworkConnectionUtil::IsRecoverableNetworkError(status)) {
            Log::Debug(kTag, "Recoverable network error while processing Identity requests.  Will retry in 30 seconds.");
            return HitProcessingResult::RETRY;
        }
        Log::Debug(kTag, "Un-recoverable network error while processing Identity requests.  Discarding request.");
        Report(nullptr, *hit);
        return HitProcessingResult::DONE;
    }
    if (!jsonUtilityService_) {
        Log::Debug(kTag, "json utility service is null. cannot parse data. return");
        Report(nullptr, *hit);
        return HitProcessingResult::DONE;
    }
    const auto json = ParseResponse(connection->GetResponse());
    if (!json) {
        Log::Debug(kTag, "json object created is null. cannot parse identity network response.");
        Report(nullptr, *hit);
        return HitProcessingResult::DONE;
    }
    Report(CreateIdentityObjectFromResponseJsonObject(json), *hit);
    return HitProcessingResult::DONE;
}

std::shared_ptr<JsonObject> IdentityHitProcessor::ParseResponse(const std::string& body) {
    std::shared_ptr<JsonObject> json;
    TryCatch([&] { json = jsonUtilityService_->CreateJsonObject(body); },
             [&](SdkError& error) {
                 Log::Debug(kTag, "json object created is null. cannot parse identity network response:\n%s\nError - %s %s",
                            body, error.GetCode(), error.GetMessage());
             });
    return json;
}

void IdentityHitProcessor::Report(const std::shared_ptr<IdentityObject>& answer, const IdentityDatabaseHit& hit) {
    if (auto identity = identity_.lock()) {
        identity->QueueNetworkResponse(answer, hit.pairId, hit.eventNumber);
    }
}

std::map<std::string, std::string> IdentityHitProcessor::BuildIdentityRequestPropertyMap(bool) {
    if (!systemInfoService_) {
        Log::Debug(kTag, "Cannot build identity network request without system info service.");
        return {};
    }
    return NetworkConnectionUtil::GetHeaders(systemInfoService_->GetActiveLocaleName(), "");
}

std::shared_ptr<IdentityObject> IdentityHitProcessor::CreateIdentityObjectFromResponseJsonObject(
    const std::shared_ptr<JsonObject>& jsonObject) {
    if (!jsonObject || jsonObject->Length() == 0) {
        Log::Debug(kTag, "json object created is null or empty. cannot parse identity network response.");
        return nullptr;
    }
    auto answer = std::make_shared<IdentityObject>();
    answer->SetBlob(jsonObject->OptString(IdentityConstants::RESPONSE_KEY_BLOB, ""));
    answer->SetMid(jsonObject->OptString(IdentityConstants::RESPONSE_KEY_MID, ""));
    const auto hint = jsonObject->OptInt(IdentityConstants::RESPONSE_KEY_HINT, kNoHint);
    answer->SetHint(hint == kNoHint ? "" : std::to_string(hint));
    answer->SetTtl(jsonObject->OptInt(IdentityConstants::RESPONSE_KEY_TTL,
                                      static_cast<std::int32_t>(IdentityConstants::Default::DEFAULT_TTL_VALUE)));
    answer->SetError(jsonObject->OptString(IdentityConstants::RESPONSE_KEY_ERROR, ""));
    // Elements that are not strings are skipped, so one odd element never keeps the hit in the queue.
    std::vector<std::string> optOut;
    if (const auto list = jsonObject->OptJsonArray(IdentityConstants::RESPONSE_KEY_OPT_OUT)) {
        for (std::uint32_t index = 0; index < list->Length(); ++index) {
            if (list->GetType(index) == JsonType::JSON_STRING) {
                optOut.push_back(list->GetString(index));
            }
        }
    }
    answer->SetOptOut(optOut);
    return answer;
}

}  // namespace NuvraMobile
