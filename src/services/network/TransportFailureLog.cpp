#include "services/network/TransportFailureLog.h"

#include <curl/curl.h>

#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "NativeNetworkService";

}  // namespace

TransportFailureLog::TransportFailureLog(Clock::duration interval) : interval_(interval) {}

void TransportFailureLog::Report(const std::string& url, int kind, const std::string& reason,
                                 Clock::time_point now) {
    const std::string host = HostOf(url);
    bool warn;
    {
        MutexLock lock(mutex_);
        warn = IsFirstInInterval(host, kind, now);
    }
    if (warn) {
        Log::Warning(LOG_TAG, "Request to %s failed: %s", host, reason);
    } else {
        Log::Debug(LOG_TAG, "Request to %s failed again: %s", host, reason);
    }
}

bool TransportFailureLog::IsFirstInInterval(const std::string& host, int kind, Clock::time_point now) {
    for (auto entry = lastWarned_.begin(); entry != lastWarned_.end();) {
        entry = now - entry->second >= interval_ ? lastWarned_.erase(entry) : std::next(entry);
    }
    return lastWarned_.emplace(std::make_pair(host, kind), now).second;
}

std::string TransportFailureLog::HostOf(const std::string& url) {
    std::string host;
    if (CURLU* parsed = curl_url()) {
        char* part = nullptr;
        if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
            curl_url_get(parsed, CURLUPART_HOST, &part, 0) == CURLUE_OK) {
            host = part;
        }
        curl_free(part);
        curl_url_cleanup(parsed);
    }
    return host;
}

}  // namespace NuvraMobile
