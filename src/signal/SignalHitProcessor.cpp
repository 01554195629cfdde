#include "signal/SignalHitProcessor.h"

#include <utility>

#include "core/values/SdkError.h"
#include "platformShim/HttpConnectionInterface.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "util/HttpConnectionConstants.h"
#include "util/Log.h"
#include "util/NetworkConnectionUtil.h"

namespace NuvraMobile {

SignalHitProcessor::SignalHitProcessor(std::shared_ptr<NetworkServiceInterface> networkService,
                                       std::shared_ptr<SystemInfoServiceInterface> systemInfoService)
    : networkService_(std::move(networkService)), systemInfoService_(std::move(systemInfoService)) {}

HitProcessingResult SignalHitProcessor::Process(const std::shared_ptr<SignalHit>& hit) {
    if (!hit) {
        Log::Trace(LOG_TAG, "Failed to process hit (hit was null)");
        return HitProcessingResult::DONE;
    }
    if (!networkService_ || !systemInfoService_) {
        Log::Warning(LOG_TAG, "Network or system information service not available, the request is kept");
        return HitProcessingResult::STOP;
    }
    const auto headers =
        NetworkConnectionUtil::GetHeaders(systemInfoService_->GetActiveLocaleName(), hit->contentType);
    HitProcessingResult result = HitProcessingResult::DONE;
    std::shared_ptr<HttpConnectionInterface> connection;
    TryCatchFinally(
        [&] {
            connection = networkService_->ConnectUrl(hit->url, hit->GetHttpCommand(), hit->postBody, headers,
                                                     hit->timeout, hit->timeout);
            if (!connection) {
                Log::Warning(LOG_TAG,
                             "Could not process a request because it was invalid. Discarding request");
                return;
            }
            const int32_t status = connection->GetResponseCode();
            if (status == HttpConnectionConstants::HTTP_OK) {
                Log::Debug(LOG_TAG, "Request (%s)was sent", hit->url);
            } else if (NetworkConnectionUtil::IsRecoverableNetworkError(status)) {
                Log::Debug(LOG_TAG, "Recoverable network error while processing requests, will retry.");
                result = HitProcessingResult::RETRY;
            } else {
                Log::Debug(LOG_TAG,
                           "Un-recoverable network error while processing requests. Discarding request.");
            }
        },
        [&](SdkError& error) {
            Log::Warning(LOG_TAG, "Failed to send the request (%s), error message (%s)", hit->url,
                         error.GetMessage());
        },
        [&] {
            if (connection) {
                TrySwallow([&] { connection->Close(); });
            }
        });
    return result;
}

}  // namespace NuvraMobile
