#include "services/network/NativeNetworkService.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "core/values/SdkError.h"
#include "services/network/HttpConnection.h"
#include "services/network/NetworkTestSettings.h"
#include "services/network/RequestHeaders.h"
#include "util/Log.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "NativeNetworkService";
constexpr const char* HTTPS_PREFIX = "https://";
// Longest synchronous wait per timeout; keeps the deadline arithmetic far from overflow.
constexpr std::int64_t MAX_WAIT_SECONDS = 10LL * 365 * 24 * 60 * 60;

std::chrono::seconds WaitFor(std::int64_t connectTimeout, std::int64_t readTimeout) {
    auto bounded = [](std::int64_t seconds) {
        return std::clamp<std::int64_t>(seconds, 0, MAX_WAIT_SECONDS);
    };
    return std::chrono::seconds(bounded(connectTimeout) + bounded(readTimeout));
}

void CallBack(const NetworkServiceInterface::Callback& callback,
              const std::shared_ptr<HttpConnectionInterface>& connection) {
    if (callback) {
        TrySwallow([&] { callback(connection); });
    }
}

void Complete(const std::string& url, CurlResult&& result, TransportFailureLog& failureLog,
              const NetworkServiceInterface::Callback& callback) {
    std::shared_ptr<HttpConnectionInterface> connection;
    switch (result.outcome) {
        case CurlResult::Outcome::RESPONSE:
            connection = std::make_shared<HttpConnection>(result.statusCode, std::move(result.headers),
                                                          std::move(result.body));
            break;
        case CurlResult::Outcome::TRANSPORT_ERROR:
            Log::Debug(LOG_TAG, "NSURLErrorDomainURL error: %s", result.errorDescription);
            failureLog.Report(url, result.errorCode, result.errorDescription);
            break;
        case CurlResult::Outcome::LOCAL_ERROR:
            Log::Debug(LOG_TAG, "Error encountered while loading url: %s error: %s", url,
                       result.errorDescription);
            failureLog.Report(url, result.errorCode, result.errorDescription);
            break;
        case CurlResult::Outcome::CANCELLED:
            Log::Debug(LOG_TAG, "Request to %s cancelled", url);
            break;
    }
    CallBack(callback, connection);
}

}  // namespace

NativeNetworkService::NativeNetworkService(std::shared_ptr<SystemInfoServiceInterface> systemInfoService)
    : systemInfoService_(std::move(systemInfoService)),
      failureLog_(std::make_shared<TransportFailureLog>()) {}

NativeNetworkService::~NativeNetworkService() {
    TrySwallow([this] { Dispose(0); });
}

std::shared_ptr<HttpConnectionInterface> NativeNetworkService::ConnectUrl(
    const std::string& url, HttpCommandType command, const std::string& payload,
    const std::map<std::string, std::string>& headers, std::int64_t connectTimeout,
    std::int64_t readTimeout) {
    CurlRequest request = BuildRequest(url, command, payload, headers, connectTimeout, readTimeout);
    auto state = std::make_shared<ConnectUrlState>();
    auto self = ObjectToSharedPtr<NativeNetworkService>(*this);
    Start(std::move(request), [self, state](const std::shared_ptr<HttpConnectionInterface>& connection) {
        {
            MutexLock lock(self->mutex_);
            state->connection = connection;
            state->done = true;
        }
        self->requestCompleted_.notify_all();
    });
    MutexLock lock(mutex_);
    auto deadline = std::chrono::steady_clock::now() + WaitFor(connectTimeout, readTimeout);
    while (!state->done && !disposed_ && lock.WaitUntil(requestCompleted_, deadline)) {
    }
    return state->connection;
}

void NativeNetworkService::ConnectUrlAsync(const std::string& url, HttpCommandType command,
                                           const std::string& payload,
                                           const std::map<std::string, std::string>& headers,
                                           std::int64_t connectTimeout, std::int64_t readTimeout,
                                           const Callback& callback) {
    Start(BuildRequest(url, command, payload, headers, connectTimeout, readTimeout), callback);
}

bool NativeNetworkService::Dispose(std::int64_t /*timeoutMs*/) {
    std::shared_ptr<CurlSession> session;
    {
        MutexLock lock(mutex_);
        if (disposed_) {
            return true;
        }
        disposed_ = true;
        session = std::move(session_);
    }
    // Waiting calls return at once; cancelled requests then complete with an empty connection.
    requestCompleted_.notify_all();
    if (session) {
        session->InvalidateAndCancel();
    }
    requestCompleted_.notify_all();
    return true;
}

CurlRequest NativeNetworkService::BuildRequest(const std::string& url, HttpCommandType command,
                                               const std::string& payload,
                                               const std::map<std::string, std::string>& headers,
                                               std::int64_t connectTimeout, std::int64_t readTimeout) const {
    if (!StringUtils::StringIsUrl(url) ||
        url.compare(0, std::char_traits<char>::length(HTTPS_PREFIX), HTTPS_PREFIX) != 0) {
        Throw(SdkError("std.logic_error.invalid_argument", "Invalid url", CurrentDebugInfo()));
    }
    if (command != HttpCommandType::GET && command != HttpCommandType::POST) {
        Throw(SdkError("network.unsupported_http_command_type", "Only support GET and POST NOW",
                       CurrentDebugInfo()));
    }
    CurlRequest request;
    request.url = url;
    request.post = command == HttpCommandType::POST;
    if (request.post) {
        request.body = payload;
    }
    request.headerLines = BuildRequestHeaderLines(systemInfoService_->GetDefaultUserAgent(), headers);
    request.trustedAuthorityPem = NetworkTestSettings::GetTrustedCertificateAuthority();
    request.maxBodyBytes = NetworkTestSettings::GetMaxResponseBodyBytes();
    request.transferTimeoutSeconds = connectTimeout;
    request.idleTimeoutSeconds = readTimeout;
    return request;
}

void NativeNetworkService::Start(CurlRequest request, const Callback& callback) {
    std::string url = request.url;
    CurlCompletion completion = [url, failureLog = failureLog_, callback](CurlResult&& result) {
        Complete(url, std::move(result), *failureLog, callback);
    };
    bool started = false;
    {
        MutexLock lock(mutex_);
        if (!disposed_) {
            if (!session_) {
                session_ = std::make_shared<CurlSession>();
            }
            started = session_->Start(std::move(request), std::move(completion));
        }
    }
    if (!started) {
        CallBack(callback, nullptr);
    }
}

std::shared_ptr<NetworkServiceInterface> CreateNativeNetworkService(
    const std::shared_ptr<SystemInfoServiceInterface>& systemInfoService) {
    if (!systemInfoService) {
        Throw(SdkError("platform_services.missing_service", "SystemInfo Service", CurrentDebugInfo()));
    }
    return std::make_shared<NativeNetworkService>(systemInfoService);
}

}  // namespace NuvraMobile
